#pragma once

#include "commands/profile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace stepbench {

// A drive profile as it is kept in a file: the values, and where and when they were read.
struct ProfileFile {
    static constexpr int kVersion = 1;
    std::uint8_t address = 1;
    qint32 baud = 0;
    QDateTime readAt;
    QString program; // the program and version that wrote it
    ProfileValues values;
};

// JSON with fixed keys: "format", "version", "program", "device" {"address", "baud"},
// "read_at", and "settings", an object by setting name of {"code", "value"} (plus "pattern"
// for an IO-override entry and "write_only" for a setting no command reads back).
QByteArray ProfileToJson(const ProfileFile& profile);
// Refuses, naming the key, a file that is not such JSON, of another version, with a value out of
// its range, an unknown key or a missing one; gives nothing else, so nothing is half-loaded.
Result<ProfileFile> ProfileFromJson(const QByteArray& json);

// Writes through a temporary file, so a failure leaves the old file as it was; the reason, or
// empty on success.
QString SaveProfile(const QString& path, const ProfileFile& profile);
Result<ProfileFile> LoadProfile(const QString& path);

} // namespace stepbench
