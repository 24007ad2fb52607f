#include "ui/log_pane.h"

#include "codec/number.h"

#include <QTextCursor>
#include <QTextDocument>

namespace stepbench {

void LogPane::addEntry(const QStringList& lines, qsizetype bytes) {
    // characterCount() includes the document's closing paragraph separator.
    if (text_->document()->characterCount() - 1 > kLimit) clear();
    QString entry;
    for (const QString& line : lines)
        entry += line + '\n';
    // Inserting at the top lays out only the new lines, not the whole log again.
    QTextCursor top(text_->document());
    top.insertText(entry);
    const double before = ReadInteger(counter_->text().toStdString());
    counter_->setText(QString::number(static_cast<long long>(before) + bytes));
}

void LogPane::clear() {
    text_->clear();
    counter_->setText("0");
}

} // namespace stepbench
