#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>

namespace stepbench {

// A log that puts each new entry on top, with its byte counter. A log that has grown past
// kLimit characters is emptied, and its counter reset, before the next entry.
class LogPane {
public:
    static constexpr qsizetype kLimit = 3000;

    LogPane() = default;
    LogPane(QPlainTextEdit* text, QLabel* counter) : text_(text), counter_(counter) {}

    // Puts an entry's lines, given top to bottom without line ends, in front of the log, after
    // applying the size limit; then adds the entry's bytes to the counter.
    void addEntry(const QStringList& lines, qsizetype bytes);
    void clear();

private:
    QPlainTextEdit* text_ = nullptr;
    QLabel* counter_ = nullptr;
};

} // namespace stepbench
