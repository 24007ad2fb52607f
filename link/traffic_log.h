#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

namespace stepbench {

// A log of the line's traffic kept on disk as it happens: one CSV line per transaction,
// appended and handed to the system the moment the transaction closes, so that a crash of the
// program loses nothing and a power cut at most the last second (the file is synced once a
// second). A file that reaches its size limit is set aside as NAME-1.csv, NAME-2.csv, … and a
// new one begun.
class TrafficLog {
public:
    ~TrafficLog() { close(); }

    // Opens (or continues) the file; the header goes into a new or empty one. False, with the
    // reason, when it cannot be written.
    bool open(const QString& path, qint64 rotateBytes, const QString& header, QString* error);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    // Appends one line (its fields joined as CSV); false, with the reason, when the disk will
    // not take it (the log is closed then).
    bool append(const QStringList& fields, QString* error);
    QString path() const { return path_; }
    qint64 size() const { return file_.isOpen() ? file_.size() : 0; }

    // A field as CSV writes it: quoted when it holds a comma, a quote or a line end.
    static QString Field(const QString& s);

private:
    bool rotate(QString* error);

    QFile file_;
    QString path_;
    QString header_;
    qint64 rotateBytes_ = 0;
    qint64 lastSyncMs_ = 0;
};

} // namespace stepbench
