#include "core/jobs.h"

#include "codec/hextext.h"
#include "codec/tr.h"
#include "core/bench.h"
#include "script/expect.h"
#include "script/step.h"

namespace stepbench {

bool SendJob::start(Request request) {
    if (!begin()) return false;
    QString why;
    if (submit(std::move(request), &why)) {
        end(Outcome::Ending::Finished);
        return true;
    }
    tally().why = why;
    end(Outcome::Ending::NotStarted);
    return false;
}

std::optional<QString> SessionJob::check(const ReplyCheck& check) {
    const auto why = last_ ? CheckReply(check, last_->verdict == Verdict::Ok, last_->reply,
                                        last_->framing(), last_->request.command)
                           : std::optional<Error>(Error{ZH("前面还没有发过命令")});
    ++(why ? tally().checksFailed : tally().checksPassed);
    if (!why) return std::nullopt;
    return TrError(*why);
}

ScriptJob::ScriptJob(Bench& bench, QObject* parent)
    : Job(bench, parent),
      runner_([this] { return plan_.lines(); },
              [this](const Bytes& frame) {
                  QString why;
                  quint64 id = 0;
                  if (!send_) {
                      id = submit({.frame = Bench::ScriptFrame(frame, plan_.framing),
                                   .command = CommandCodeOfFrame(frame),
                                   .origin = Origin::Script},
                                  &why);
                  } else if ((id = send_(frame, &why))) {
                      adopt(id);
                  }
                  if (id) lines_.push_back({id, line_});
              },
              this) {
    // The runner takes its next step only when the bus is free.
    runner_.setGate([this] { return this->bench().queue().idle(); });
    connect(&bench.queue(), &TransactionQueue::becameIdle, &runner_, &ScriptRunner::resume);
    connect(&runner_, &ScriptRunner::stepped, this, &ScriptJob::onStepped);
    connect(&runner_, &ScriptRunner::checkPassed, this, [this](int line) {
        ++tally().checksPassed;
        countCheck(line, true, {});
        emit checked(line, true, {});
    });
    connect(&runner_, &ScriptRunner::checkFailed, this, [this](int line, const QString& why) {
        ++tally().checksFailed;
        countCheck(line, false, why);
        if (plan_.stopOnFail || plan_.stopOnCheckFail) end(Outcome::Ending::StoppedOnFail);
        emit checked(line, false, why);
    });
}

void ScriptJob::countCheck(int line, bool passed, const QString& why) {
    CheckTally& c = checks_[line];
    if (c.passed + c.failed == 0) {
        const std::vector<std::string> lines = plan_.lines();
        c.line = line;
        if (std::size_t(line) < lines.size())
            c.expectation = QString::fromStdString(lines[std::size_t(line)]);
        // The drive its frame line went to: the frame line before it.
        for (int i = std::min(line, int(lines.size())) - 1; i >= 0; --i) {
            if (KindOfLine(lines[std::size_t(i)]) != LineKind::Frame) continue;
            if (const auto bytes = ReadHexBytes(lines[std::size_t(i)]); bytes && !bytes->empty())
                c.address = bytes->front();
            break;
        }
    }
    ++(passed ? c.passed : c.failed);
    if (!passed) c.lastWhy = why;
}

bool ScriptJob::start(Plan plan) {
    plan_ = std::move(plan);
    if (!begin()) return false;
    checks_.clear();
    line_ = -1;
    lines_.clear();
    runner_.start(plan_.interval);
    return true;
}

void ScriptJob::onStepped(int index) {
    // A loop ends where the script goes back: past its end, or by a jump.
    if (index <= line_ && ++tally().loops >= plan_.loops && plan_.loops > 0) {
        runner_.stop();
        return end(Outcome::Ending::Finished);
    }
    line_ = index;
}

int ScriptJob::lineOf(quint64 id) const {
    for (const auto& [own, line] : lines_)
        if (own == id) return line;
    return -1;
}

void ScriptJob::onOwn(const Transaction& t) {
    // A request cut off with its line is run again when the line is back, not checked.
    if (t.cause == Cause::None)
        runner_.checkReply(t.verdict == Verdict::Ok, t.reply, t.framing(), t.request.command);
    while (!lines_.empty() && lines_.front().first <= t.id)
        lines_.pop_front();
    const bool failed = IsFailure(t.verdict) || t.verdict == Verdict::Cancelled;
    if (failed && plan_.stopOnFail && t.cause == Cause::None) end(Outcome::Ending::StoppedOnFail);
}

void ScriptJob::halt() {
    runner_.stop();
}

ScanJob::ScanJob(Bench& bench, QObject* parent)
    : Job(bench, parent), scan_(bench.link(), bench.queue(), this) {
    scan_.setSubmit([this](Request r, QString* why) { return submit(std::move(r), why); });
    connect(&scan_, &BusScan::found, this, [this](const ScanHit& hit) {
        ++tally().found;
        emit found(hit);
    });
    connect(&scan_, &BusScan::finished, this, [this](bool cancelled) {
        end(cancelled && !stopping() ? Outcome::Ending::Stopped : Outcome::Ending::Finished);
    });
}

bool ScanJob::start(const BusScan::Plan& plan, QString* error) {
    if (!begin()) return false;
    if (scan_.start(plan, error)) return true;
    tally().why = *error;
    end(Outcome::Ending::NotStarted);
    return false;
}

ProfileJob::ProfileJob(Bench& bench, QObject* parent)
    : Job(bench, parent), session_(bench.queue(), this), batch_(session_, this) {
    session_.setSubmit([this](Request r, QString* why) { return submit(std::move(r), why); });
    session_.setKnown([&bench](std::uint8_t address) { return bench.drives().values(address); });
    connect(&batch_, &ProfileBatch::driveDone, this, [this](const DriveResult& r) {
        ++tally().drives;
        const bool differs = action_ == ProfileBatch::Action::Compare && !r.differing.empty();
        if (!r.ok() || differs) ++tally().drivesFailed;
        emit driveDone(r);
    });
    connect(&batch_, &ProfileBatch::finished, this, [this](bool stopped) {
        end(stopped && !stopping() ? Outcome::Ending::StoppedOnFail : Outcome::Ending::Finished);
    });
}

bool ProfileJob::start(ProfileBatch::Action action, std::vector<std::uint8_t> addresses,
                       LinkMode mode, const ProfileValues& profile, bool stopOnFail,
                       QString* error) {
    action_ = action;
    if (!begin()) return false;
    if (batch_.start(action, std::move(addresses), mode, profile, stopOnFail, error)) return true;
    tally().why = *error;
    end(Outcome::Ending::NotStarted);
    return false;
}

} // namespace stepbench
