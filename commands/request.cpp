#include "commands/request.h"

#include "codec/hextext.h"
#include "codec/number.h"
#include "codec/texts.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <string>

namespace stepbench {
namespace {

constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();

std::string_view Trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    return t;
}

Error OutOfRange(const Field& f, std::string_view range) {
    return Error{ZH("“%1”的值“%2”超出范围（允许 %3），命令未发送。"),
                 {std::string(f.label), std::string(f.text), std::string(range)}};
}

Result<std::uint8_t> ReadByte(const Field& f) {
    const double v = ReadInteger(f.text);
    if (!(v >= 0 && v <= 255)) return OutOfRange(f, ZH("0 到 255"));
    return static_cast<std::uint8_t>(v);
}

// An address is never guessed: anything but plain hex digits (blanks around them allowed) is
// refused rather than read leniently, because a lenient 0 would address every device on the bus.
Result<std::uint8_t> ReadStrictHexByte(const Field& f) {
    const std::string_view t = Trimmed(f.text);
    const bool digits = !t.empty() && std::all_of(t.begin(), t.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!digits || ReadHexNumber(t) > 255)
        return Error{ZH("“%1”的值“%2”不是 0 到 FF 的16进制数，命令未发送。"),
                     {std::string(f.label), std::string(f.text)}};
    return static_cast<std::uint8_t>(ReadHexNumber(t));
}

Result<std::int32_t> ReadInt32(const Field& f) {
    const double v = ReadInteger(f.text);
    if (!(v >= kInt32Min && v <= kInt32Max)) return OutOfRange(f, ZH("-2147483648 到 2147483647"));
    return static_cast<std::int32_t>(v);
}

void PutBigEndian(Bytes& out, std::int32_t value, int bytes) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(u >> shift));
}

} // namespace

Result<std::uint8_t> ReadAddress(Field address) {
    return ReadStrictHexByte(address);
}

Result<std::vector<std::uint8_t>> ReadAddressList(Field addresses, std::size_t max) {
    std::vector<std::uint8_t> out;
    const std::string text(addresses.text);
    const auto refuse = [&] {
        return Error{ZH("%1“%2”不对：应为 1 到 F7 的16进制地址，如 1、1-10 或 1,3,8-B"),
                     {std::string(addresses.label), text}};
    };
    std::size_t at = 0;
    do {
        const std::size_t comma = text.find(',', at);
        const std::string part = text.substr(at, comma == std::string::npos ? comma : comma - at);
        at = comma == std::string::npos ? comma : comma + 1;
        const std::size_t dash = part.find('-');
        const auto first = ReadStrictHexByte({addresses.label, part.substr(0, dash)});
        const auto last = dash == std::string::npos
                              ? first
                              : ReadStrictHexByte({addresses.label, part.substr(dash + 1)});
        if (!first || !last || *first < 1 || *last > 0xF7 || *first > *last) return refuse();
        for (int a = *first; a <= *last; ++a)
            if (std::find(out.begin(), out.end(), a) == out.end())
                out.push_back(static_cast<std::uint8_t>(a));
    } while (at != std::string::npos);
    if (out.size() > max)
        return Error{ZH("%1“%2”的地址太多：最多 %3 个"),
                     {std::string(addresses.label), text, std::to_string(max)}};
    return out;
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
            const auto b =
                p.kind == DataPart::Kind::HexByte ? ReadStrictHexByte(p.field) : ReadByte(p.field);
            if (!b) return b.failure();
            data.push_back(*b);
            break;
        }
        case DataPart::Kind::Int32: {
            const auto v = ReadInt32(p.field);
            if (!v) return v.failure();
            PutBigEndian(data, *v, 4);
            break;
        }
        case DataPart::Kind::Uint32:
        case DataPart::Kind::Int24: {
            // Nothing below 0: a negative speed, ramp or count would go out as a huge one.
            const bool count = p.kind == DataPart::Kind::Int24;
            const double v = ReadInteger(p.field.text);
            if (!(v >= 0 && v <= (count ? 16777215.0 : 4294967295.0)))
                return OutOfRange(p.field, count ? ZH("0 到 16777215") : ZH("0 到 4294967295"));
            PutBigEndian(data, std::int32_t(static_cast<std::uint32_t>(v)), count ? 3 : 4);
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
    if (data.size() > 255) return Error{ZH("命令数据超过255个字节，命令未发送。")};
    return data;
}

Result<Bytes> BuildRequest(std::uint8_t address, std::uint8_t code,
                           std::span<const DataPart> parts) {
    const auto data = EncodeData(parts);
    if (!data) return data.failure();
    Bytes request{address, code, static_cast<std::uint8_t>(data->size())};
    request.insert(request.end(), data->begin(), data->end());
    return request;
}

Result<Bytes> BuildRequest(Field address, std::uint8_t code, std::span<const DataPart> parts) {
    const auto a = ReadAddress(address);
    if (!a) return a.failure();
    return BuildRequest(*a, code, parts);
}

std::uint8_t CodeFromList(std::string_view text, std::span<const CodeListEntry> list) {
    const auto it = std::find_if(list.begin(), list.end(),
                                 [text](const CodeListEntry& e) { return e.text == text; });
    return it != list.end() ? it->code : 0;
}

} // namespace stepbench
