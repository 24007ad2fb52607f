#include "script/script_runner.h"

#include "codec/hextext.h"
#include "script/step.h"

#include <algorithm>

namespace stepbench {

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
    clock_.start();
    due_ = qint64(loopInterval) * 1000000;
    if (loopInterval > 0) timer_.start(loopInterval);
}

void ScriptRunner::stop() {
    running_ = false;
    timer_.stop();
}

void ScriptRunner::tick() {
    const std::vector<std::string> lines = lines_();
    const Step step = ScriptStep(lines, index_, loopInterval_);
    index_ = step.nextIndex;
    // Arm the next tick before sending, so the time a send takes does not lengthen the pause.
    if (step.interval > 0) {
        due_ += qint64(step.interval) * 1000000;
        const qint64 left = std::max<qint64>(0, due_ - clock_.nsecsElapsed());
        timer_.start(int((left + 500000) / 1000000)); // to the nearest millisecond
    }
    if (step.send) {
        // A line without a single hex digit has no bytes: there is nothing to send.
        const Bytes bytes = ParseHexText(*step.send);
        if (!bytes.empty()) send_(bytes);
    }
}

} // namespace stepbench
