#include "commands/profile.h"

#include "codec/hextext.h"
#include "codec/texts.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace stepbench {
namespace {

constexpr std::uint8_t kPatterns = 32;
constexpr std::string_view kSetPrefix = "set-";

std::string PatternText(std::uint8_t p) {
    std::string s;
    for (int bit = 4; bit >= 0; --bit)
        s += (p >> bit & 1) ? '1' : '0';
    return s;
}

std::vector<ProfileSetting> Derive() {
    std::vector<ProfileSetting> readable, writeOnly;
    for (const CommandInfo& c : CommandTable()) {
        if (c.setting == Setting::WriteOnly) writeOnly.push_back({&c, nullptr, std::nullopt});
        if (c.setting != Setting::ReadBack) continue;
        const CommandInfo* query = FindCommand(static_cast<std::uint8_t>(c.code + 1));
        // An entry whose query takes a selector is a setting per selector: the input patterns.
        if (query->request.max > 0) {
            for (std::uint8_t p = 0; p < kPatterns; ++p)
                readable.push_back({&c, query, p});
        } else {
            readable.push_back({&c, query, std::nullopt});
        }
    }
    readable.insert(readable.end(), writeOnly.begin(), writeOnly.end());
    return readable;
}

std::uint32_t Be32(ByteView b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           b[3];
}

} // namespace

std::string ProfileSetting::name() const {
    std::string n(set->key);
    if (n.starts_with(kSetPrefix)) n.erase(0, kSetPrefix.size());
    if (pattern) n += "-" + PatternText(*pattern);
    return n;
}

bool ProfileSetting::isNumber() const {
    return set->request.min == 4 && set->request.max == 4;
}

bool ProfileSetting::isSigned() const {
    return !read || read->value == ReplyValue::Signed32;
}

const std::vector<ProfileSetting>& ProfileSettings() {
    static const std::vector<ProfileSetting> settings = Derive();
    return settings;
}

const ProfileSetting* FindProfileSetting(std::string_view name) {
    const auto& all = ProfileSettings();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [name](const ProfileSetting& s) { return s.name() == name; });
    return it != all.end() ? &*it : nullptr;
}

Bytes ReadRequest(const ProfileSetting& s, std::uint8_t address) {
    if (s.pattern) return {address, s.read->code, 0x01, *s.pattern};
    return {address, s.read->code, 0x00};
}

Bytes WriteRequest(const ProfileSetting& s, std::uint8_t address, const Bytes& value) {
    Bytes request{address, s.set->code, 0x00};
    if (s.pattern) request.push_back(*s.pattern);
    request.insert(request.end(), value.begin(), value.end());
    request[2] = static_cast<std::uint8_t>(request.size() - 3);
    return request;
}

std::optional<Bytes> ValueOfReply(const ProfileSetting& s, ByteView m) {
    if (!s.read || m.size() < 3 || m[1] != s.read->code) return std::nullopt;
    const std::size_t length = m[2];
    if (m.size() < 3 + length) return std::nullopt;
    if (s.pattern) {
        // The entry: the pattern it was asked for, then the stored command.
        if (length < 1 || m[3] != *s.pattern) return std::nullopt;
        return Bytes(m.begin() + 4, m.begin() + 3 + static_cast<std::ptrdiff_t>(length));
    }
    if (length != 4) return std::nullopt;
    return Bytes(m.begin() + 3, m.begin() + 7);
}

std::optional<Bytes> ValueOfRequest(const ProfileSetting& s, ByteView r) {
    if (r.size() < 3 || r[1] != s.set->code || r.size() != 3 + std::size_t{r[2]})
        return std::nullopt;
    const std::size_t skip = s.pattern ? 1 : 0;
    if (s.pattern && (r.size() < 4 || r[3] != *s.pattern)) return std::nullopt;
    return Bytes(r.begin() + 3 + static_cast<std::ptrdiff_t>(skip), r.end());
}

std::string ValueText(const ProfileSetting& s, const Bytes& value) {
    if (s.isNumber() && value.size() == 4) {
        const std::uint32_t v = Be32(value);
        return s.isSigned() ? std::to_string(static_cast<std::int32_t>(v)) : std::to_string(v);
    }
    std::string text = HexFrameText(value);
    if (!text.empty()) text.pop_back(); // no blank after the last byte
    return text;
}

Result<Bytes> NumberValue(const ProfileSetting& s, double number) {
    const double low = s.isSigned() ? -2147483648.0 : 0.0;
    const double high = s.isSigned() ? 2147483647.0 : 4294967295.0;
    if (!s.isNumber() || std::floor(number) != number || number < low || number > high)
        return Error{ZH("值超出范围（允许 %1 到 %2 的整数）"),
                     {std::to_string(std::int64_t(low)), std::to_string(std::int64_t(high))}};
    const auto v = static_cast<std::uint32_t>(static_cast<std::int64_t>(number));
    return Bytes{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                 static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

Result<Bytes> BytesValue(const ProfileSetting& s, std::string_view hex) {
    const auto isDigit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    const bool plain =
        std::all_of(hex.begin(), hex.end(), [&](char c) { return c == ' ' || isDigit(c); });
    const auto digits = std::count_if(hex.begin(), hex.end(), isDigit);
    const Bytes b = ParseHexText(hex);
    // The pattern of an IO-override entry is part of the command's data, not of the value.
    const std::size_t extra = s.pattern ? 1 : 0;
    const std::size_t room = s.set->request.max - extra;
    const std::size_t least = s.set->request.min > extra ? s.set->request.min - extra : 0;
    if (s.isNumber() || !plain || digits % 2 != 0 || b.size() > room || b.size() < least)
        return Error{"不是该设置所能取的字节"};
    return b;
}

std::vector<std::string> MissingSettings(const ProfileValues& values) {
    std::vector<std::string> missing;
    for (const ProfileSetting& s : ProfileSettings())
        if (s.read && !values.count(s.name())) missing.push_back(s.name());
    return missing;
}

} // namespace stepbench
