#pragma once

#include "link/transaction_queue.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <optional>

namespace stepbench {

// A log of the line's traffic kept on disk as it happens: one CSV line per transaction and per
// late reply (the monitor's export columns), appended and handed to the system the moment it
// ends, so that a crash of the program loses nothing, and synced within a second of being
// written, so that a power cut loses at most that second. A line goes on disk whole or not at
// all. A file that reaches its size limit is set aside as NAME-1.csv, NAME-2.csv, … and a new
// one begun.
class TrafficLog {
public:
    static constexpr std::chrono::milliseconds kSyncWithin{1000};

    TrafficLog();
    ~TrafficLog() { close(); }

    // Opens (or continues) the file; the header goes into a new or empty one. False, with the
    // reason, when it cannot be written.
    bool open(const QString& path, qint64 rotateBytes, QString* error);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    // Appends the transaction's line; false, with the reason, when the disk will not take it
    // (the log is closed then, its last line whole).
    bool append(const Transaction& t, std::optional<double> gapMs, QString* error);
    QString path() const { return path_; }
    // The size at which the file is set aside, from the next line on.
    void setRotateBytes(qint64 bytes) { rotateBytes_ = bytes; }
    qint64 size() const { return file_.isOpen() ? file_.size() : 0; }

    // A field as CSV writes it: quoted when it holds a comma, a quote or a line end.
    static QString Field(const QString& s);

private:
    bool rotate(QString* error);
    // Writes all of the bytes or, undoing a part written, none: false with the reason.
    bool writeWhole(const QByteArray& bytes, QString* error);
    void sync();

    QFile file_;
    QString path_;
    qint64 rotateBytes_ = 0;
    QTimer syncTimer_;
};

} // namespace stepbench
