#include "link/traffic_log.h"

#include "codec/tr.h"

#include <QDateTime>
#include <QFileInfo>
#include <unistd.h>

namespace stepbench {
namespace {

constexpr qint64 kSyncEveryMs = 1000;

} // namespace

QString TrafficLog::Field(const QString& s) {
    if (!s.contains(',') && !s.contains('"') && !s.contains('\n') && !s.contains('\r')) return s;
    return '"' + QString(s).replace('"', "\"\"") + '"';
}

bool TrafficLog::open(const QString& path, qint64 rotateBytes, const QString& header,
                      QString* error) {
    close();
    path_ = path;
    header_ = header;
    rotateBytes_ = rotateBytes;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = Tr("无法写入记录文件 %1：%2").arg(path, file_.errorString());
        return false;
    }
    if (file_.size() == 0) {
        // The byte order mark makes spreadsheet programs read the Chinese as UTF-8.
        const QByteArray head = "\xEF\xBB\xBF" + header_.toUtf8() + "\r\n";
        if (file_.write(head) != head.size() || !file_.flush()) {
            *error = Tr("无法写入记录文件 %1：%2").arg(path, file_.errorString());
            close();
            return false;
        }
    }
    return true;
}

void TrafficLog::close() {
    if (!file_.isOpen()) return;
    file_.flush();
    ::fdatasync(file_.handle());
    file_.close();
}

bool TrafficLog::append(const QStringList& fields, QString* error) {
    if (!file_.isOpen()) return false;
    if (rotateBytes_ > 0 && file_.size() >= rotateBytes_ && !rotate(error)) return false;
    QStringList quoted;
    for (const QString& f : fields)
        quoted << Field(f);
    const QByteArray line = quoted.join(',').toUtf8() + "\r\n";
    // Whole lines: the line goes to the system in one write, at once.
    if (file_.write(line) != line.size() || !file_.flush()) {
        *error = Tr("写记录文件 %1 失败：%2，已停止记录").arg(path_, file_.errorString());
        file_.close();
        return false;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastSyncMs_ >= kSyncEveryMs) {
        ::fdatasync(file_.handle());
        lastSyncMs_ = now;
    }
    return true;
}

bool TrafficLog::rotate(QString* error) {
    close();
    const QFileInfo info(path_);
    const QString stem = info.path() + "/" + info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    int n = 1;
    while (QFileInfo::exists(QString("%1-%2%3").arg(stem).arg(n).arg(suffix)))
        ++n;
    if (!QFile::rename(path_, QString("%1-%2%3").arg(stem).arg(n).arg(suffix))) {
        *error = Tr("无法轮换记录文件 %1，已停止记录").arg(path_);
        return false;
    }
    return open(path_, rotateBytes_, header_, error);
}

} // namespace stepbench
