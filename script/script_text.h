#pragma once

#include "codec/bytes.h"

#include <string>
#include <vector>

namespace stepbench {

// A script file: one line per text line in the GBK code page. Lines may end in CR LF, LF or CR;
// empty lines are kept; a last line without its line end still counts; a UTF-8 byte-order mark
// at the start is no part of it.
std::vector<std::string> ParseScript(ByteView file);

// The lines as a file: each non-empty line in GBK followed by CR LF; empty lines are left out.
Bytes SerializeScript(const std::vector<std::string>& lines);

} // namespace stepbench
