#pragma once

#include "codec/bytes.h"
#include "commands/protocol.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace stepbench {

// One setting of a drive profile, as the protocol table names it: the command that sets it, the
// query that reads it back (none for a write-only setting), and for an IO-override entry its
// input pattern (IN5..IN1).
struct ProfileSetting {
    const CommandInfo* set = nullptr;
    const CommandInfo* read = nullptr;
    std::optional<std::uint8_t> pattern;

    // "start-speed", "io-override-00101": the set command's key without its "set-".
    std::string name() const;
    // Values of four bytes are numbers (signed as the query reads them); others are bytes.
    bool isNumber() const;
    bool isSigned() const;
};

// Every setting of a profile: the readable ones in the table's order, the IO-override entries of
// all 32 input patterns, then the write-only ones.
const std::vector<ProfileSetting>& ProfileSettings();
const ProfileSetting* FindProfileSetting(std::string_view name);

// A setting's value is the data its set command carries (an IO-override entry without its
// pattern). Values by setting name.
using ProfileValues = std::map<std::string, Bytes>;

// The readable settings the values lack: a profile is the whole of a drive's set-up, so a file
// without one of them is refused, and an incomplete read is not saved.
std::vector<std::string> MissingSettings(const ProfileValues& values);

Bytes ReadRequest(const ProfileSetting& s, std::uint8_t address);
Bytes WriteRequest(const ProfileSetting& s, std::uint8_t address, const Bytes& value);
// The value a query's reply carries (the reply's message, without its checksum).
std::optional<Bytes> ValueOfReply(const ProfileSetting& s, ByteView message);
// The value a set request carries, when the request sets this setting.
std::optional<Bytes> ValueOfRequest(const ProfileSetting& s, ByteView request);

// A value as the profile view and file show it: a number, or hex bytes ("31 04 00 00 27 10").
std::string ValueText(const ProfileSetting& s, const Bytes& value);
// A number for a four-byte setting, refused when outside its range.
Result<Bytes> NumberValue(const ProfileSetting& s, double number);
// Hex bytes for any other setting, refused when more than its command takes.
Result<Bytes> BytesValue(const ProfileSetting& s, std::string_view hex);

} // namespace stepbench
