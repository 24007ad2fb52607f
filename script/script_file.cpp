#include "script/script_file.h"

#include "codec/tr.h"
#include "script/expect.h"
#include "script/script_text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace stepbench {

Result<std::vector<std::string>> LoadScriptFile(const QString& path) {
    // Only a regular file: opening a pipe or a device could block the window for good.
    const QFileInfo info(path);
    if (info.isDir()) return Error{Tr("%1 是文件夹，不是脚本文件").arg(path).toStdString()};
    if (!info.isFile()) return Error{Tr("%1 不是普通文件，无法载入").arg(path).toStdString()};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{Tr("无法打开文件 %1：%2").arg(path, file.errorString()).toStdString()};
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error{Tr("读取文件 %1 出错：%2").arg(path, file.errorString()).toStdString()};
    auto lines = ParseScript(ByteView(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                      std::size_t(data.size())));
    if (const auto bad = FirstBadExpectLine(lines))
        return Error{Tr("%1 第 %2 行“%3”：Expect 后应为应答的字节（如 01 26 04 00 00 03 E8）或 "
                        "value=数值，文件未载入")
                         .arg(path)
                         .arg(*bad + 1)
                         .arg(QString::fromStdString(lines[*bad]))
                         .toStdString()};
    return lines;
}

QString SaveScriptFile(const QString& path, const std::vector<std::string>& lines) {
    const Bytes bytes = SerializeScript(lines);
    if (bytes.empty()) {
        if (QFile::exists(path) && !QFile::remove(path)) return Tr("无法删除原文件 %1").arg(path);
        return {};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !file.commit())
        return Tr("保存文件 %1 失败：%2").arg(path, file.errorString());
    return {};
}

} // namespace stepbench
