#include "script/script_runner.h"

#include "codec/frame.h"
#include "codec/hextext.h"
#include "codec/tr.h"
#include "script/step.h"

#include <algorithm>

namespace stepbench {
namespace {

// How late a tick may always run and still keep its place in the timetable (ns): precise timers
// fire within about a millisecond.
constexpr qint64 kLateness = 2000000;

} // namespace

ScriptRunner::ScriptRunner(Lines lines, Send send, QObject* parent)
    : QObject(parent), lines_(std::move(lines)), send_(std::move(send)), timer_(this) {
    timer_.setObjectName("Timer2");
    // Coarse timers fire up to 5 % off and round long pauses to whole seconds.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &ScriptRunner::tick);
}

void ScriptRunner::start(int loopInterval) {
    loopInterval_ = loopInterval;
    index_ = 0;
    running_ = true;
    waiting_ = false;
    clock_.start();
    due_ = qint64(loopInterval) * 1000000;
    if (loopInterval > 0) timer_.start(loopInterval);
}

void ScriptRunner::stop() {
    running_ = false;
    waiting_ = false;
    held_ = false;
    timer_.stop();
}

void ScriptRunner::resume() {
    if (!running_ || !waiting_ || held_) return;
    waiting_ = false;
    tick();
}

void ScriptRunner::checkReply(bool answered, ByteView reply, LinkMode framing,
                              std::optional<std::uint8_t> command) {
    const auto checks = std::move(checks_);
    checks_.clear();
    for (const auto& [line, check] : checks) {
        auto why = check ? CheckReply(*check, answered, reply, framing, command)
                         : std::optional<Error>(Error{ZH("这一行的 Expect 无效")});
        if (why && !answered && !sentIntact_)
            why = Error{ZH("没有正常的应答：第 %1 行的校验码不对，驱动器不会应答它"),
                        {std::to_string(lastIndex_ + 1)}};
        if (why)
            emit checkFailed(line, TrError(*why));
        else
            emit checkPassed(line);
    }
}

void ScriptRunner::hold(bool rewind) {
    if (!running_) return;
    held_ = true;
    waiting_ = false;
    timer_.stop();
    if (rewind) index_ = lastIndex_;
}

void ScriptRunner::release() {
    if (!held_) return;
    held_ = false;
    if (running_) tick();
}

void ScriptRunner::tick() {
    if (held_) return;
    if (gate_ && !gate_()) {
        waiting_ = true;
        ++waits_;
        return;
    }
    const std::vector<std::string> lines = lines_();
    const Step step = ScriptStep(lines, index_, loopInterval_);
    lastIndex_ = step.line;
    index_ = step.nextIndex;
    // Arm the next tick before sending, so the time a send takes does not lengthen the pause.
    if (step.interval > 0) {
        const qint64 now = clock_.nsecsElapsed();
        const qint64 pause = qint64(step.interval) * 1000000;
        // A tick held up by a busy moment keeps the timetable, the next pause shortened by as
        // much; one so late that the pause would shrink by more than half takes the timetable
        // up from now, so two frames never go out closer than half their pause.
        if (now - due_ > std::max(kLateness, pause / 2)) due_ = now;
        due_ += pause;
        const qint64 left = std::max<qint64>(0, due_ - now);
        timer_.start(int((left + 500000) / 1000000)); // to the nearest millisecond
    }
    emit stepped(step.line);
    // Stopped by whoever heard of the step (a count of loops reached): nothing more goes out.
    if (!running_) return;
    if (step.problem != StepProblem::None) emit problem(step.problemLine, step.problem);
    if (step.send) {
        // Hex text, read as the user typed it (blanks anywhere, an odd digit made whole).
        const Bytes bytes = ParseHexText(*step.send);
        checks_ = bytes.empty() ? decltype(checks_){} : step.checks;
        sentIntact_ = ChecksumHolds(bytes);
        if (!bytes.empty()) send_(bytes);
    }
}

} // namespace stepbench
