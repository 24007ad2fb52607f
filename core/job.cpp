#include "core/job.h"

#include "codec/tr.h"
#include "core/bench.h"

namespace stepbench {

bool Outcome::passed() const {
    return completed() && failed == 0 && checksFailed == 0 && drivesFailed == 0;
}

QString OutcomeText(const Outcome& o) {
    using E = Outcome::Ending;
    QString text;
    switch (o.ending) {
    case E::Finished:
        text = Tr("已完成");
        break;
    case E::StoppedOnFail:
        text = Tr("出错后停止");
        break;
    case E::Stopped:
        text = Tr("已停止");
        break;
    case E::Interrupted:
        text = Tr("已中断（信号 %1）").arg(o.signal);
        break;
    case E::PortLost:
        text = Tr("串口断开（%1）").arg(o.why);
        break;
    case E::PortFailed:
        text = Tr("串口打不开（%1）").arg(o.why);
        break;
    case E::LogFailed:
        text = Tr("记录文件写不进去");
        break;
    case E::NotStarted:
        text = Tr("没有发送（%1）").arg(o.why);
        break;
    }
    text += Tr("：%1 条通讯，%2 条失败").arg(o.transactions).arg(o.failed);
    if (o.checksPassed || o.checksFailed)
        text += Tr("；检查通过 %1，未通过 %2").arg(o.checksPassed).arg(o.checksFailed);
    return text;
}

Job::Job(Bench& bench, QObject* parent) : QObject(parent), bench_(bench) {
    connect(&bench_.queue(), &TransactionQueue::closed, this, &Job::onClosed);
    connect(&bench_.queue(), &TransactionQueue::lineDown, this,
            [this](const TransactionQueue::LineDown& down) {
                if (!running_ || down.cause != Cause::Lost || waitsForPort_) return;
                outcome_.why = down.reason;
                end(Outcome::Ending::PortLost);
            });
}

bool Job::begin() {
    outcome_ = {};
    pending_.clear();
    stopping_ = false;
    ending_ = Outcome::Ending::Finished;
    running_ = true;
    if (bench_.link().isOpen()) return true;
    outcome_.why = Tr("串口未打开，没有发送");
    end(Outcome::Ending::NotStarted);
    return false;
}

quint64 Job::submit(Request request, QString* error) {
    QString why;
    const quint64 id = bench_.queue().submit(std::move(request), &why);
    if (id)
        adopt(id);
    else
        emit refused(why);
    if (error) *error = why;
    return id;
}

void Job::stop(Outcome::Ending why, int signal) {
    if (!running_) return;
    if (why == Outcome::Ending::Interrupted) outcome_.signal = signal;
    end(why);
}

void Job::end(Outcome::Ending why) {
    if (!running_) return;
    // The first reason to end is the one that counts.
    if (!stopping_) ending_ = why;
    const bool lineGone = why == Outcome::Ending::PortLost || why == Outcome::Ending::NotStarted;
    if (!std::exchange(stopping_, true)) halt();
    if (pending_.empty() || lineGone || !bench_.link().isOpen()) finish();
}

void Job::finish() {
    if (!running_) return;
    running_ = false;
    pending_.clear();
    outcome_.ending = ending_;
    emit finished(outcome_);
}

void Job::onClosed(const Transaction& t) {
    if (!pending_.erase(t.id)) return;
    ++outcome_.transactions;
    if (countsFailures() && (IsFailure(t.verdict) || t.verdict == Verdict::Cancelled))
        ++outcome_.failed;
    emit transaction(t);
    onOwn(t);
    if (stopping_ && pending_.empty()) finish();
}

} // namespace stepbench
