#include "ui/log_pane.h"

#include "codec/number.h"

#include <QTextCursor>
#include <QTextDocument>

namespace stepbench {

LogPane::LogPane(QPlainTextEdit* text, QLabel* counter)
    : text_(text), counter_(counter), timer_(new QTimer(text)) {
    timer_->setSingleShot(true);
    QObject::connect(timer_, &QTimer::timeout, text_, [this] { show(); });
}

void LogPane::addEntry(const QStringList& lines, qsizetype bytes) {
    // characterCount() includes the document's closing paragraph separator.
    if (text_->document()->characterCount() - 1 + pending_.size() > kLimit) clear();
    QString entry;
    for (const QString& line : lines)
        entry += line + '\n';
    pending_.prepend(entry);
    pendingBytes_ += bytes;
    if (!window_.isValid() || window_.hasExpired(kMinGap.count())) {
        window_.start();
        shownInWindow_ = 0;
    }
    if (shownInWindow_ < kBurst && !timer_->isActive())
        show();
    else if (!timer_->isActive())
        timer_->start(kMinGap - std::chrono::milliseconds(window_.elapsed()));
}

void LogPane::show() {
    timer_->stop();
    ++shownInWindow_;
    if (pending_.isEmpty()) return;
    // Inserting at the top lays out only the new lines, not the whole log again.
    QTextCursor top(text_->document());
    top.insertText(pending_);
    pending_.clear();
    const double before = ReadInteger(counter_->text().toStdString());
    counter_->setText(QString::number(static_cast<long long>(before) + pendingBytes_));
    pendingBytes_ = 0;
}

void LogPane::clear() {
    timer_->stop();
    pending_.clear();
    pendingBytes_ = 0;
    text_->clear();
    counter_->setText("0");
}

} // namespace stepbench
