// The PLC wrapping of any frame (a script line can hand it any bytes) reads only the frame and
// gives a well-formed Modbus frame or a refusal.
#include "codec/checksum.h"
#include "codec/frame.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const auto form = data[0] & 1 ? stepbench::PlcForm::Write : stepbench::PlcForm::Read;
    const double mapping = double(std::int16_t(data[1] << 8 | data[2])) * 3.5;
    const stepbench::Bytes frame(data + 3, data + size); // its own buffer, so ASan sees overreads
    const auto wrapped = stepbench::WrapForPlc(frame, form, mapping);
    if (!wrapped) return 0;
    const stepbench::Bytes& w = *wrapped;
    if (!w.empty() && w[0] == ':') return 0; // an ASCII line in, an ASCII line out
    if (w.size() < 8) __builtin_trap();
    const auto crc = stepbench::Crc16({w.data(), w.size() - 2});
    if (crc.lo != w[w.size() - 2] || crc.hi != w[w.size() - 1]) __builtin_trap();
    return 0;
}
