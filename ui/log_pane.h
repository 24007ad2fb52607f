#pragma once

#include <QLabel>
#include <QPlainTextEdit>

namespace stepbench {

// A log that puts each new entry on top, with its byte counter. A log that has grown past
// kLimit characters is emptied, and its counter reset, before the next entry.
class LogPane {
public:
    static constexpr qsizetype kLimit = 3000;

    LogPane() = default;
    LogPane(QPlainTextEdit* text, QLabel* counter) : text_(text), counter_(counter) {}

    // Starts an entry: applies the size limit.
    void beginEntry();
    // Puts lines in front of the existing text; each line is given without its line end.
    void prepend(const QString& line);
    void addToCounter(qsizetype bytes);
    void clear();

private:
    QPlainTextEdit* text_ = nullptr;
    QLabel* counter_ = nullptr;
};

} // namespace stepbench
