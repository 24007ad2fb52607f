#include "commands/profile_file.h"

#include "codec/hextext.h"
#include "codec/tr.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace stepbench {
namespace {

const QString kFormat = "stepbench-profile";
// A profile file is small; anything larger is not one.
constexpr qint64 kMaxFileSize = 1 << 20;

QString Hex(std::uint8_t b) {
    return "0x" + QString::fromStdString(HexByte(b));
}

Error Refuse(const QString& why) {
    return Error{why.toStdString()};
}

// Every key of the object is one of these; the first one that is not, or empty.
QString UnknownKey(const QJsonObject& o, const QSet<QString>& known) {
    for (const QString& key : o.keys())
        if (!known.contains(key)) return key;
    return {};
}

} // namespace

QByteArray ProfileToJson(const ProfileFile& p) {
    QJsonObject settings;
    for (const ProfileSetting& s : ProfileSettings()) {
        const auto it = p.values.find(s.name());
        if (it == p.values.end()) continue;
        QJsonObject entry{{"code", Hex(s.set->code)}};
        const std::string text = ValueText(s, it->second);
        if (s.isNumber())
            entry["value"] = std::stod(text);
        else
            entry["value"] = QString::fromStdString(text);
        if (s.pattern)
            entry["pattern"] = QString::fromStdString(s.name().substr(s.name().size() - 5));
        if (!s.read) entry["write_only"] = true;
        settings[QString::fromStdString(s.name())] = entry;
    }
    const QJsonObject root{
        {"format", kFormat},
        {"version", ProfileFile::kVersion},
        {"program", p.program},
        {"device", QJsonObject{{"address", p.address}, {"baud", p.baud}}},
        // With its offset from UTC: the moment it names holds wherever the file is read.
        {"read_at", p.readAt.toOffsetFromUtc(p.readAt.offsetFromUtc()).toString(Qt::ISODate)},
        {"settings", settings}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Result<ProfileFile> ProfileFromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (!doc.isObject())
        return Refuse(Tr("不是配置文件（JSON 格式错误：%1）").arg(error.errorString()));
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != kFormat)
        return Refuse(Tr("不是配置文件（“format”不对）"));
    if (root.value("version").toInt(-1) != ProfileFile::kVersion)
        return Refuse(Tr("配置文件的版本“%1”不受支持（支持 %2）")
                          .arg(root.value("version").toVariant().toString())
                          .arg(ProfileFile::kVersion));
    if (const QString k =
            UnknownKey(root, {"format", "version", "program", "device", "read_at", "settings"});
        !k.isEmpty())
        return Refuse(Tr("配置文件中有未知的键“%1”").arg(k));
    for (const char* key : {"device", "settings"})
        if (!root.value(key).isObject()) return Refuse(Tr("配置文件缺少键“%1”").arg(key));

    ProfileFile p;
    p.program = root.value("program").toString();
    p.readAt = QDateTime::fromString(root.value("read_at").toString(), Qt::ISODate);
    const QJsonObject device = root.value("device").toObject();
    const double address = device.value("address").toDouble(-1);
    if (!(address >= 0 && address <= 255 && address == std::floor(address)))
        return Refuse(Tr("“device.address”应为 0 到 255 的整数"));
    p.address = static_cast<std::uint8_t>(address);
    p.baud = device.value("baud").toInt();

    const QJsonObject settings = root.value("settings").toObject();
    for (const QString& name : settings.keys()) {
        const ProfileSetting* s = FindProfileSetting(name.toStdString());
        if (!s) return Refuse(Tr("配置文件中有未知的设置“%1”").arg(name));
        const QJsonObject entry = settings.value(name).toObject();
        if (const QString k = UnknownKey(entry, {"code", "value", "pattern", "write_only"});
            !k.isEmpty())
            return Refuse(Tr("设置“%1”中有未知的键“%2”").arg(name, k));
        if (entry.value("code").toString() != Hex(s->set->code))
            return Refuse(Tr("设置“%1”的“code”应为 %2").arg(name, Hex(s->set->code)));
        const QJsonValue value = entry.value("value");
        if (value.isUndefined()) return Refuse(Tr("设置“%1”缺少键“value”").arg(name));
        const auto bytes = s->isNumber()
                               ? NumberValue(*s, value.isDouble() ? value.toDouble() : 0.5)
                               : BytesValue(*s, value.toString().toStdString());
        if (!bytes || (s->isNumber() && !value.isDouble()) || (!s->isNumber() && !value.isString()))
            return Refuse(
                Tr("设置“%1”的值“%2”超出范围或格式不对").arg(name, value.toVariant().toString()));
        p.values[name.toStdString()] = *bytes;
    }
    if (const auto missing = MissingSettings(p.values); !missing.empty())
        return Refuse(Tr("配置文件缺少设置“%1”").arg(QString::fromStdString(missing.front())));
    return p;
}

QString SaveProfile(const QString& path, const ProfileFile& profile) {
    const QByteArray bytes = ProfileToJson(profile);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Tr("保存配置文件 %1 失败：%2").arg(path, file.errorString());
    return {};
}

Result<ProfileFile> LoadProfile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Refuse(Tr("无法打开配置文件 %1：%2").arg(path, file.errorString()));
    if (file.size() > kMaxFileSize) return Refuse(Tr("%1 太大，不是配置文件").arg(path));
    return ProfileFromJson(file.readAll());
}

} // namespace stepbench
