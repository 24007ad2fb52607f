#include "commands/values.h"

#include "codec/hextext.h"
#include "codec/texts.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace stepbench {
namespace {

// A whole decimal number, nothing before or after it.
std::optional<long long> Whole(const std::string& text) {
    long long v = 0;
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || begin == end) return std::nullopt;
    return v;
}

Error OutOfRange(const std::string& value, std::int64_t low, std::int64_t high) {
    return Error{ZH("值“%1”不对：应为 %2 到 %3 的整数"),
                 {value, std::to_string(low), std::to_string(high)}};
}

// A whole number from low to high (the layout's range where it sets one), never cut to fit.
Result<std::int64_t> Number(const std::string& v, const DataLayout& d, std::int64_t low,
                            std::int64_t high) {
    if (d.high >= d.low) {
        low = std::max(low, d.low);
        high = std::min(high, d.high);
    }
    const auto n = Whole(v);
    if (!n || *n < low || *n > high) return OutOfRange(v, low, high);
    return *n;
}

Result<std::uint8_t> Byte(const std::string& v, const DataLayout& d) {
    const auto n = Number(v, d, 0, 255);
    if (!n) return n.failure();
    return static_cast<std::uint8_t>(*n);
}

Result<std::uint8_t> Pattern(const std::string& v) {
    if (v.size() != 5 || v.find_first_not_of("01") != std::string::npos)
        return Error{ZH("值“%1”不对：应为五位输入组合 IN5-IN1，如 00101"), {v}};
    return static_cast<std::uint8_t>(std::stoi(v, nullptr, 2));
}

Result<Bytes> Hex(const std::string& v) {
    if (auto bytes = ReadHexBytes(v)) return *bytes;
    return Error{ZH("值“%1”不对：应为16进制字节（每字节两位），如“31 04 00 00 27 10”"), {v}};
}

void PutBigEndian(Bytes& out, long long value, int bytes) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(u >> shift));
}

Error Usage(const CommandInfo& c) {
    return Error{ZH("%1 的值：%2"), {std::string(c.key), ValuesUsage(c)}};
}

// The data bytes of the values, or why they do not make them.
Result<Bytes> Data(const CommandInfo& c, std::span<const std::string> values) {
    const DataLayout& d = c.request;
    const auto count = [&](std::size_t n) -> std::optional<Error> {
        if (values.size() == n) return std::nullopt;
        return Error{ZH("%1 需要 %2 个值：%3"),
                     {std::string(c.key), std::to_string(n), ValuesUsage(c)}};
    };
    Bytes data;
    switch (d.form) {
    case ValueForm::Int32:
    case ValueForm::Uint32: {
        if (auto e = count(1)) return *e;
        // A speed or a ramp is never negative; a position is signed.
        const auto n = d.form == ValueForm::Uint32
                           ? Number(values[0], d, 0, 4294967295LL)
                           : Number(values[0], d, -2147483648LL, 2147483647LL);
        if (!n) return n.failure();
        PutBigEndian(data, *n, 4);
        return data;
    }
    case ValueForm::DirectionCount: {
        if (auto e = count(2)) return *e;
        const auto direction = Number(values[0], d, 0, 1);
        if (!direction) return direction.failure();
        // A count of 24 bits: nothing below 0, nothing above 16,777,215.
        const auto n = Number(values[1], {}, 0, 0xFFFFFF);
        if (!n) return n.failure();
        data.push_back(static_cast<std::uint8_t>(*direction));
        PutBigEndian(data, *n, 3);
        return data;
    }
    case ValueForm::Repeated: {
        if (auto e = count(1)) return *e;
        const auto b = Byte(values[0], d);
        if (!b) return b.failure();
        return Bytes(d.min, *b);
    }
    case ValueForm::Pattern:
    case ValueForm::IoEntry: {
        const bool entry = d.form == ValueForm::IoEntry;
        if (values.empty() || values.size() > 2 || (!entry && values.size() != 1)) return Usage(c);
        const auto p = Pattern(values[0]);
        if (!p) return p.failure();
        data.push_back(*p);
        if (values.size() == 2) {
            const auto b = Hex(values[1]);
            if (!b) return b.failure();
            data.insert(data.end(), b->begin(), b->end());
        }
        break;
    }
    case ValueForm::Hex: {
        if (values.size() > 1) return Usage(c);
        if (values.empty()) break;
        const auto b = Hex(values[0]);
        if (!b) return b.failure();
        data = *b;
        break;
    }
    case ValueForm::Address: {
        if (auto e = count(1)) return *e;
        const auto a = ReadHexBytes(values[0]);
        if (!a || a->size() != 1 || (*a)[0] < d.low || (*a)[0] > d.high || values[0].size() > 2)
            return Error{ZH("值“%1”不对：应为 1 到 F7 的16进制地址"), {values[0]}};
        return *a;
    }
    case ValueForm::Numbers:
        if (auto e = count(d.min)) return *e;
        for (const std::string& v : values) {
            const auto b = Byte(v, d);
            if (!b) return b.failure();
            data.push_back(*b);
        }
        return data;
    }
    if (data.size() < d.min || data.size() > d.max)
        return Error{ZH("%1 的数据应为 %2 到 %3 个字节"),
                     {std::string(c.key), std::to_string(d.min), std::to_string(d.max)}};
    return data;
}

} // namespace

Result<Bytes> RequestFromValues(std::uint8_t address, const CommandInfo& c,
                                std::span<const std::string> values) {
    if (c.request.max == 0) {
        if (!values.empty()) return Error{ZH("%1 不带值"), {std::string(c.key)}};
        return Bytes{address, c.code, 0x00};
    }
    const auto data = Data(c, values);
    if (!data) return data.failure();
    Bytes request{address, c.code, static_cast<std::uint8_t>(data->size())};
    request.insert(request.end(), data->begin(), data->end());
    return request;
}

std::string ValuesUsage(const CommandInfo& c) {
    if (c.request.max == 0) return {};
    switch (c.request.form) {
    case ValueForm::Int32:
        if (c.request.high >= c.request.low)
            return "VALUE (" + std::to_string(c.request.low) + "-" +
                   std::to_string(c.request.high) + ")";
        return "VALUE (-2147483648-2147483647)";
    case ValueForm::Uint32:
        return "VALUE (0-4294967295)";
    case ValueForm::DirectionCount:
        return "DIRECTION (0/1) COUNT (0-16777215)";
    case ValueForm::Repeated:
        return "BYTE (sent " + std::to_string(c.request.min) + " times)";
    case ValueForm::Pattern:
        return "PATTERN (IN5-IN1, e.g. 00101)";
    case ValueForm::IoEntry:
        return "PATTERN (IN5-IN1) [\"HEX BYTES\"]";
    case ValueForm::Hex:
        return "[\"HEX BYTES\"] (up to " + std::to_string(c.request.max) + ")";
    case ValueForm::Address:
        return "ADDRESS (hex, 1-F7)";
    case ValueForm::Numbers: {
        const std::string range =
            c.request.high >= c.request.low
                ? " (" + std::to_string(c.request.low) + "-" + std::to_string(c.request.high) + ")"
                : "";
        return (c.request.min == 1 ? "BYTE" : std::to_string(c.request.min) + " x BYTE") + range;
    }
    }
    return {};
}

} // namespace stepbench
