#pragma once

#include "link/transaction_queue.h"

#include <QObject>
#include <QString>
#include <set>

namespace stepbench {

class Bench;

// How a piece of work ended, once: why, and what it came to.
struct Outcome {
    enum class Ending : std::uint8_t {
        Finished,      // did all it was asked
        StoppedOnFail, // a transaction or check failed, and it was to stop then
        Stopped,       // the user stopped it
        Interrupted,   // a signal (the command line)
        PortLost,      // the port went away
        PortFailed,    // the port could not be opened
        LogFailed,     // the traffic log could not be written
        NotStarted,    // nothing could be sent (the port closed, the queue full)
    };
    Ending ending = Ending::Finished;
    int signal = 0; // of Interrupted
    QString why;    // of NotStarted, PortFailed, PortLost
    int transactions = 0;
    int failed = 0; // transactions missing, damaged, refused, mismatched or cancelled
    int checksPassed = 0;
    int checksFailed = 0;
    int loops = 0;        // a script's loops completed
    int found = 0;        // a scan's devices
    int drives = 0;       // a profile's drives seen to
    int drivesFailed = 0; // of them, failed or (compare) different

    bool completed() const { return ending == Ending::Finished; }
    // Whether it went as asked without a failure of any kind.
    bool passed() const;
};

// How it ended and what it came to, in words ("出错后停止：12 条通讯，1 条失败").
QString OutcomeText(const Outcome& outcome);

// A piece of work on the line (a send, a script run, a scan, a profile over drives): it
// starts, sees only the transactions it submitted (by the ids the queue gives, known before any
// of their events), and ends once with its outcome. The port going away ends it, unless it is to
// wait for the port's return.
class Job : public QObject {
    Q_OBJECT
public:
    explicit Job(Bench& bench, QObject* parent = nullptr);

    bool running() const { return running_; }
    const Outcome& outcome() const { return outcome_; }
    // Sends nothing more and ends with this once its requests on the line have ended.
    void stop(Outcome::Ending why = Outcome::Ending::Stopped, int signal = 0);
    // With the port lost, waits for it to come back instead of ending.
    void setWaitsForPort(bool wait) { waitsForPort_ = wait; }

signals:
    // One of its own transactions has ended.
    void transaction(const stepbench::Transaction& t);
    // A request of its own was not taken (the port closed, the queue full).
    void refused(const QString& why);
    void finished(const stepbench::Outcome& outcome);

protected:
    // Marks the job running; false (and ended NotStarted) when the port is not open.
    bool begin();
    // Submits a request of its own; 0, with the reason, when the queue will not take it.
    quint64 submit(Request request, QString* error = nullptr);
    // A request submitted for it by another sender (the window's own): its own from now on.
    void adopt(quint64 id) { pending_.insert(id); }
    // Its own transaction has ended (counted already).
    virtual void onOwn(const Transaction&) {}
    // It has nothing more to send: stop the work of the subclass.
    virtual void halt() {}
    // Whether a failed transaction of this kind counts as a failure of the job (a scan's
    // silences are what a scan is for).
    virtual bool countsFailures() const { return true; }
    // Ends now, or once its requests on the line have ended.
    void end(Outcome::Ending why);
    Outcome& tally() { return outcome_; }
    // Requests of its own are on the line.
    bool busy() const { return !pending_.empty(); }
    Bench& bench() { return bench_; }
    bool stopping() const { return stopping_; }

private:
    void onClosed(const Transaction& t);
    void finish();

    Bench& bench_;
    Outcome outcome_;
    std::set<quint64> pending_; // its requests not yet ended
    bool running_ = false;
    bool stopping_ = false;
    bool waitsForPort_ = false;
    Outcome::Ending ending_ = Outcome::Ending::Finished;
};

} // namespace stepbench
