#include "commands/values.h"

#include "codec/hextext.h"

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

Error Bad(const std::string& value, const std::string& what) {
    return Error{"值“" + value + "”不对：应为" + what};
}

Result<std::uint8_t> Byte(const std::string& v) {
    const auto n = Whole(v);
    if (!n || *n < 0 || *n > 255) return Bad(v, "0 到 255 的整数");
    return static_cast<std::uint8_t>(*n);
}

Result<std::uint8_t> Pattern(const std::string& v) {
    if (v.size() != 5 || v.find_first_not_of("01") != std::string::npos)
        return Bad(v, "五位输入组合 IN5-IN1，如 00101");
    return static_cast<std::uint8_t>(std::stoi(v, nullptr, 2));
}

Result<Bytes> Hex(const std::string& v) {
    const auto digit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    const bool plain =
        std::all_of(v.begin(), v.end(), [&](char c) { return c == ' ' || digit(c); });
    if (!plain || std::count_if(v.begin(), v.end(), digit) % 2 != 0)
        return Bad(v, "16进制字节，如 \"31 04 00 00 27 10\"");
    return ParseHexText(v);
}

void PutBigEndian(Bytes& out, long long value, int bytes) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(u >> shift));
}

// The data bytes of the values, or why they do not make them.
Result<Bytes> Data(const CommandInfo& c, std::span<const std::string> values) {
    const DataLayout& d = c.request;
    const auto count = [&](std::size_t n) -> std::optional<Error> {
        if (values.size() == n) return std::nullopt;
        return Error{std::string(c.key) + " 需要 " + std::to_string(n) + " 个值：" +
                     ValuesUsage(c)};
    };
    Bytes data;
    switch (d.form) {
    case ValueForm::Int32:
    case ValueForm::DirectionCount: {
        const bool direction = d.form == ValueForm::DirectionCount;
        if (auto e = count(direction ? 2 : 1)) return *e;
        if (direction) {
            const auto dir = Byte(values[0]);
            if (!dir) return dir.failure();
            data.push_back(*dir);
        }
        const std::string& v = values.back();
        const auto n = Whole(v);
        if (!n || *n < -2147483648LL || *n > 2147483647LL)
            return Bad(v, "-2147483648 到 2147483647 的整数");
        PutBigEndian(data, *n, direction ? 3 : 4);
        return data;
    }
    case ValueForm::Repeated: {
        if (auto e = count(1)) return *e;
        const auto b = Byte(values[0]);
        if (!b) return b.failure();
        return Bytes(d.min, *b);
    }
    case ValueForm::Pattern:
    case ValueForm::IoEntry: {
        const bool entry = d.form == ValueForm::IoEntry;
        if (values.empty() || values.size() > 2 || (!entry && values.size() != 1))
            return Error{std::string(c.key) + " 的值：" + ValuesUsage(c)};
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
        if (values.size() > 1) return Error{std::string(c.key) + " 的值：" + ValuesUsage(c)};
        if (values.empty()) break;
        const auto b = Hex(values[0]);
        if (!b) return b.failure();
        data = *b;
        break;
    }
    case ValueForm::Numbers:
        if (auto e = count(d.min)) return *e;
        for (const std::string& v : values) {
            const auto b = Byte(v);
            if (!b) return b.failure();
            data.push_back(*b);
        }
        return data;
    }
    if (data.size() < d.min || data.size() > d.max)
        return Error{std::string(c.key) + " 的数据应为 " + std::to_string(d.min) + " 到 " +
                     std::to_string(d.max) + " 个字节"};
    return data;
}

} // namespace

Result<Bytes> RequestFromValues(std::uint8_t address, const CommandInfo& c,
                                std::span<const std::string> values) {
    if (c.request.max == 0) {
        if (!values.empty()) return Error{std::string(c.key) + " 不带值"};
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
        return "VALUE (32-bit signed)";
    case ValueForm::DirectionCount:
        return "DIRECTION (0/1) COUNT (24-bit)";
    case ValueForm::Repeated:
        return "BYTE (sent " + std::to_string(c.request.min) + " times)";
    case ValueForm::Pattern:
        return "PATTERN (IN5-IN1, e.g. 00101)";
    case ValueForm::IoEntry:
        return "PATTERN (IN5-IN1) [\"HEX BYTES\"]";
    case ValueForm::Hex:
        return "[\"HEX BYTES\"] (up to " + std::to_string(c.request.max) + ")";
    case ValueForm::Numbers:
        return c.request.min == 1 ? "BYTE" : std::to_string(c.request.min) + " x BYTE";
    }
    return {};
}

} // namespace stepbench
