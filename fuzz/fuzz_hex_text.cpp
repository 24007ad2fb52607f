// Typed text of any kind: hex parsing, code-page conversion and number reading.
#include "codec/codepage.h"
#include "codec/hextext.h"
#include "codec/number.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const stepbench::Bytes bytes = stepbench::ParseHexText(text);
    // The frame text of any bytes parses back to the same bytes.
    if (stepbench::ParseHexText(stepbench::HexFrameText(bytes)) != bytes) __builtin_trap();
    (void)stepbench::TextToHex(text);
    (void)stepbench::ToCodePage(text);
    (void)stepbench::VisibleText({data, size});
    (void)stepbench::RoundHalfEven(stepbench::ReadNumber(text));
    (void)stepbench::ReadHexNumber(text);
    return 0;
}
