#pragma once

#include "codec/bytes.h"

#include <string>
#include <string_view>

namespace stepbench {

// The program's 8-bit code page is GBK (CP936), the code page of the Chinese Windows systems the
// device's scripts and strings come from. Texts inside the program are UTF-8.

// The UTF-8 text's characters as code points; a malformed sequence gives U+FFFD.
std::u32string CodePoints(std::string_view utf8);
std::string Utf8(char32_t codePoint);

// The code-page bytes of one character: one byte, or two with the lead byte first. A character
// the code page lacks becomes "?", as Windows does.
Bytes CodePageBytes(char32_t codePoint);

// The whole text in the code page.
Bytes ToCodePage(std::string_view utf8);

// Code-page bytes as UTF-8; a byte that starts no valid character becomes U+FFFD.
std::string FromCodePage(ByteView bytes);

// Bytes as one line of visible text for the logs: printable characters as they are (a valid
// two-byte character as its character), every control or undecodable byte as a middle dot, so
// an entry never breaks the log's lines.
std::string VisibleText(ByteView bytes);

} // namespace stepbench
