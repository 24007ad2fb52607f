#include "commands/request.h"

#include "codec/hextext.h"
#include "codec/number.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace stepbench {
namespace {

constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();

Error OutOfRange(const Field& f, std::string_view range) {
    return Error{"“" + std::string(f.label) + "”的值“" + std::string(f.text) + "”超出范围（允许 " +
                 std::string(range) + "），命令未发送。"};
}

Result<std::uint8_t> ReadByte(const Field& f, bool hex) {
    const double v = hex ? ReadHexNumber(f.text) : ReadInteger(f.text);
    if (!(v >= 0 && v <= 255)) return OutOfRange(f, hex ? "0 到 FF" : "0 到 255");
    return static_cast<std::uint8_t>(v);
}

Result<std::int32_t> ReadInt32(const Field& f) {
    const double v = ReadInteger(f.text);
    if (!(v >= kInt32Min && v <= kInt32Max)) return OutOfRange(f, "-2147483648 到 2147483647");
    return static_cast<std::int32_t>(v);
}

void PutBigEndian(Bytes& out, std::int32_t value, int bytes) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(u >> shift));
}

} // namespace

Result<std::uint8_t> ReadAddress(Field address) {
    return ReadByte(address, true);
}

Result<Bytes> EncodeData(std::span<const DataPart> parts) {
    Bytes data;
    for (const DataPart& p : parts) {
        switch (p.kind) {
        case DataPart::Kind::Constant:
            data.insert(data.end(), p.constant.begin(), p.constant.end());
            break;
        case DataPart::Kind::Byte:
        case DataPart::Kind::HexByte: {
            const auto b = ReadByte(p.field, p.kind == DataPart::Kind::HexByte);
            if (!b) return Error{b.error()};
            data.push_back(*b);
            break;
        }
        case DataPart::Kind::Int32:
        case DataPart::Kind::Int24: {
            const auto v = ReadInt32(p.field);
            if (!v) return Error{v.error()};
            PutBigEndian(data, *v, p.kind == DataPart::Kind::Int32 ? 4 : 3);
            break;
        }
        case DataPart::Kind::HexBytes: {
            const Bytes b = ParseHexText(p.field.text);
            data.insert(data.end(), b.begin(),
                        b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), p.maxBytes)));
            break;
        }
        }
    }
    if (data.size() > 255) return Error{"命令数据超过255个字节，命令未发送。"};
    return data;
}

Result<Bytes> BuildRequest(std::uint8_t address, std::uint8_t code,
                           std::span<const DataPart> parts) {
    const auto data = EncodeData(parts);
    if (!data) return Error{data.error()};
    Bytes request{address, code, static_cast<std::uint8_t>(data->size())};
    request.insert(request.end(), data->begin(), data->end());
    return request;
}

Result<Bytes> BuildRequest(Field address, std::uint8_t code, std::span<const DataPart> parts) {
    const auto a = ReadAddress(address);
    if (!a) return Error{a.error()};
    return BuildRequest(*a, code, parts);
}

std::uint8_t CodeFromList(std::string_view text, std::span<const CodeListEntry> list) {
    const auto it = std::find_if(list.begin(), list.end(),
                                 [text](const CodeListEntry& e) { return e.text == text; });
    return it != list.end() ? it->code : 0;
}

} // namespace stepbench
