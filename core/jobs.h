#pragma once

#include "core/job.h"
#include "link/bus_scan.h"
#include "link/profile_session.h"
#include "script/script_runner.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace stepbench {

// One request, and its reply.
class SendJob : public Job {
    Q_OBJECT
public:
    using Job::Job;
    // False when it could not be sent (the outcome says why).
    bool start(Request request);
};

// A session: requests one at a time as they are asked for, until it is closed (its input has
// ended) or stopped; a check of the last reply counts as a script's check does.
class SessionJob : public Job {
    Q_OBJECT
public:
    using Job::Job;
    bool start() { return begin(); }
    // Its id, or 0 with the reason.
    quint64 send(Request request, QString* error) { return submit(std::move(request), error); }
    // Why the reply to the last request fails the check (there was none), or empty; counted.
    std::optional<QString> check(const ReplyCheck& check);
    // The last request has ended.
    bool idle() const { return !busy(); }
    // Nothing more will come: ends once the last request has.
    void close() { end(Outcome::Ending::Finished); }

protected:
    void onOwn(const Transaction& t) override { last_ = t; }

private:
    std::optional<Transaction> last_;
};

// The checks of one Expect line in a script run: how often it passed and failed, and why it
// failed last; the drive is the one its frame line went to.
struct CheckTally {
    std::optional<std::uint8_t> address;
    int line = 0; // 0-based
    QString expectation;
    int passed = 0;
    int failed = 0;
    QString lastWhy;
};

// A script run: its lines one per step of the runner, each frame through the queue, the Expect
// lines of a step checked against its reply; a number of loops, or until stopped.
class ScriptJob : public Job {
    Q_OBJECT
public:
    struct Plan {
        ScriptRunner::Lines lines;
        int interval = 100;           // ms between steps
        int loops = 0;                // 0: until stopped
        bool stopOnFail = false;      // at a failed transaction or check
        bool stopOnCheckFail = false; // at a failed check only
        LineFraming framing;          // the PLC wrapping of its frames
    };
    // How a frame goes out, by default through the queue as it is framed: the window's own
    // sender, so that it shows in its send log. Its id, or 0 with the reason.
    using Send = std::function<quint64(const Bytes& frame, QString* error)>;

    explicit ScriptJob(Bench& bench, QObject* parent = nullptr);
    void setSend(Send send) { send_ = std::move(send); }
    bool start(Plan plan);
    ScriptRunner& runner() { return runner_; }
    // The script line of its step's transaction, while it is on the line.
    int lineOf(quint64 id) const;
    // The checks of the run so far (of the last run, once it has ended), by line.
    const std::map<int, CheckTally>& checks() const { return checks_; }

signals:
    void checked(int line, bool passed, const QString& why);

protected:
    void onOwn(const Transaction& t) override;
    void halt() override;

private:
    void onStepped(int index);
    void countCheck(int line, bool passed, const QString& why);

    ScriptRunner runner_;
    Plan plan_;
    Send send_;
    int line_ = -1;                             // of the step just run
    std::deque<std::pair<quint64, int>> lines_; // of its requests still on the line
    std::map<int, CheckTally> checks_;
};

// The devices on the bus: a handshake to every address of a range, at one rate or several.
class ScanJob : public Job {
    Q_OBJECT
public:
    explicit ScanJob(Bench& bench, QObject* parent = nullptr);
    bool start(const BusScan::Plan& plan, QString* error);
    BusScan& scan() { return scan_; }

signals:
    void found(const stepbench::ScanHit& hit);

protected:
    void halt() override { scan_.cancel(); }
    // A silent address is what a scan is for.
    bool countsFailures() const override { return false; }

private:
    BusScan scan_;
};

// A profile read from, compared with or written to several drives in turn.
class ProfileJob : public Job {
    Q_OBJECT
public:
    explicit ProfileJob(Bench& bench, QObject* parent = nullptr);
    bool start(ProfileBatch::Action action, std::vector<std::uint8_t> addresses, LinkMode mode,
               const ProfileValues& profile, bool stopOnFail, QString* error);
    ProfileSession& session() { return session_; }
    ProfileBatch& batch() { return batch_; }
    // A drive's result turned into a failure after the fact (its profile could not be saved).
    void failDrive() { ++tally().drivesFailed; }

signals:
    void driveDone(const stepbench::DriveResult& result);

protected:
    void halt() override { batch_.cancel(); }
    // A drive is judged whole, by its result.
    bool countsFailures() const override { return false; }

private:
    ProfileSession session_;
    ProfileBatch batch_;
    ProfileBatch::Action action_ = ProfileBatch::Action::Read;
};

} // namespace stepbench
