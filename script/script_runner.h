#pragma once

#include "codec/bytes.h"
#include "script/step.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace stepbench {

// Runs the command script one line per tick of its timer ("Timer2"), looping until stopped.
// The lines are read afresh on every tick, so edits take effect at once. Pauses are kept against
// a schedule rather than from whenever a tick ran, so they do not drift over a long run; a runner
// that fell behind (the window was held up) drops the slots it missed instead of catching up in
// a burst, so two steps never go out closer than their pause.
class ScriptRunner : public QObject {
    Q_OBJECT
public:
    using Lines = std::function<std::vector<std::string>()>;
    using Send = std::function<void(const Bytes&)>;

    ScriptRunner(Lines lines, Send send, QObject* parent = nullptr);

    // Starts at line 0, the first step one loop interval from now (0: no step at all).
    void start(int loopInterval);
    // A step waits while the gate is shut (the bus busy with an earlier request), and runs when
    // resume() says it has opened; the timetable then goes on from there.
    void setGate(std::function<bool()> open) { gate_ = std::move(open); }
    void resume();
    // How many steps had to wait for the gate.
    int waits() const { return waits_; }
    // Holds the runner where it is while the port is away; with rewind, the line whose request
    // was cut off runs again. release() carries on at once.
    void hold(bool rewind);
    void release();
    bool held() const { return held_; }
    // The reply to the step just sent has come, or its request ended without one: the step's
    // Expect lines are checked against it.
    void checkReply(bool answered, ByteView reply, LinkMode framing,
                    std::optional<std::uint8_t> command = std::nullopt);
    void stop();
    bool isRunning() const { return running_; }
    int index() const { return index_; }
    QTimer& timer() { return timer_; }

signals:
    // The step at line index has run (or tried to).
    void stepped(int index);
    // The line could not be run as written; the runner waits, stops or goes on as the step says.
    void problem(int line, StepProblem problem);
    // An Expect line passed or failed (why, in words for the user).
    void checkPassed(int line);
    void checkFailed(int line, const QString& reason);

private:
    void tick();

    Lines lines_;
    Send send_;
    std::function<bool()> gate_;
    bool waiting_ = false;
    bool held_ = false;
    int waits_ = 0;
    int lastIndex_ = 0;                                             // the line of the last step
    std::vector<std::pair<int, std::optional<ReplyCheck>>> checks_; // of the step just sent
    bool sentIntact_ = true; // whether that step's checksum was right
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 due_ = 0; // when the tick now running was due, in ns on clock_
    int loopInterval_ = 1000;
    int index_ = 0;
    bool running_ = false;
};

} // namespace stepbench
