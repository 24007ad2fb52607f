#include "ui/log_pane.h"

#include "codec/number.h"

namespace stepbench {

void LogPane::beginEntry() {
    if (text_->toPlainText().size() > kLimit) clear();
}

void LogPane::prepend(const QString& line) {
    // The whole text is set anew, which keeps the newest entry on top and the view at the top.
    text_->setPlainText(line + '\n' + text_->toPlainText());
}

void LogPane::addToCounter(qsizetype bytes) {
    const double now = ReadInteger(counter_->text().toStdString());
    counter_->setText(QString::number(static_cast<long long>(now) + bytes));
}

void LogPane::clear() {
    text_->clear();
    counter_->setText("0");
}

} // namespace stepbench
