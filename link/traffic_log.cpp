#include "link/traffic_log.h"

#include "codec/tr.h"
#include "link/transaction_text.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace stepbench {
namespace {

QString SystemReason(int error) {
    if (error == ENOSPC) return Tr("磁盘已满");
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

TrafficLog::TrafficLog() {
    syncTimer_.setSingleShot(true);
    syncTimer_.setInterval(kSyncWithin);
    syncTimer_.callOnTimeout([this] { sync(); });
}

QString TrafficLog::Field(const QString& s) {
    if (!s.contains(',') && !s.contains('"') && !s.contains('\n') && !s.contains('\r')) return s;
    return '"' + QString(s).replace('"', "\"\"") + '"';
}

bool TrafficLog::open(const QString& path, qint64 rotateBytes, QString* error) {
    close();
    path_ = path;
    rotateBytes_ = rotateBytes;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = Tr("无法写入记录文件 %1：%2").arg(path, file_.errorString());
        return false;
    }
    // The byte order mark makes spreadsheet programs read the Chinese as UTF-8.
    if (file_.size() == 0 &&
        !writeWhole("\xEF\xBB\xBF" + TransactionCsvHeader().toUtf8() + "\r\n", error)) {
        *error = Tr("无法写入记录文件 %1：%2").arg(path, *error);
        file_.close();
        return false;
    }
    return true;
}

void TrafficLog::close() {
    syncTimer_.stop();
    if (!file_.isOpen()) return;
    ::fdatasync(file_.handle());
    file_.close();
}

void TrafficLog::sync() {
    if (file_.isOpen()) ::fdatasync(file_.handle());
}

bool TrafficLog::writeWhole(const QByteArray& bytes, QString* error) {
    const int fd = file_.handle();
    const off_t before = ::lseek(fd, 0, SEEK_END);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        *error = SystemReason(n < 0 ? errno : ENOSPC);
        // Half a line would make the next one unreadable.
        if (done > 0 && ::ftruncate(fd, before) != 0) {
            // The file keeps what it could not take back; the reason stays the first one.
        }
        return false;
    }
    return true;
}

bool TrafficLog::append(const Transaction& t, std::optional<double> gapMs, QString* error) {
    if (!file_.isOpen()) return false;
    if (rotateBytes_ > 0 && file_.size() >= rotateBytes_ && !rotate(error)) return false;
    QStringList quoted;
    for (const QString& f : TransactionCsvFields(t, gapMs))
        quoted << Field(f);
    if (!writeWhole(quoted.join(',').toUtf8() + "\r\n", error)) {
        *error = Tr("写记录文件 %1 失败：%2，已停止记录").arg(path_, *error);
        close();
        return false;
    }
    if (!syncTimer_.isActive()) syncTimer_.start();
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
    return open(path_, rotateBytes_, error);
}

} // namespace stepbench
