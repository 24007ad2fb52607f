#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

namespace stepbench {

// A log that puts each new entry on top, with its byte counter. A log that has grown past
// kLimit characters is emptied, and its counter reset, before the next entry. Entries show at
// once, but beyond kBurst of them within kMinGap they are put in together, so a busy line does
// not lay the log out hundreds of times a second.
class LogPane {
public:
    static constexpr qsizetype kLimit = 3000;
    static constexpr std::chrono::milliseconds kMinGap{100};
    static constexpr int kBurst = 4;

    LogPane(QPlainTextEdit* text, QLabel* counter);

    // Puts an entry's lines, given top to bottom without line ends, in front of the log, after
    // applying the size limit; then adds the entry's bytes to the counter.
    void addEntry(const QStringList& lines, qsizetype bytes);
    void clear();

private:
    void show();

    QPlainTextEdit* text_;
    QLabel* counter_;
    QString pending_; // entries not yet in the log, newest first
    qsizetype pendingBytes_ = 0;
    QTimer* timer_;
    QElapsedTimer window_; // since the start of the current kMinGap
    int shownInWindow_ = 0;
};

} // namespace stepbench
