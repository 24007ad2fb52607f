#include "core/job.h"

#include "codec/tr.h"
#include "core/bench.h"

namespace stepbench {

bool Outcome::passed() const {
    return completed() && failed == 0 && checksFailed == 0 && drivesFailed == 0;
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
