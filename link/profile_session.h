#pragma once

#include "commands/profile.h"
#include "link/transaction_queue.h"

#include <QObject>
#include <deque>
#include <functional>

namespace stepbench {

// What a read or write of a drive's settings came to.
struct ProfileOutcome {
    ProfileValues drive;               // the values read from the drive (and read back)
    std::vector<std::string> notTaken; // written, but read back different
    std::vector<std::string> written;
    std::string stoppedAt; // the setting at which a missing or bad reply stopped it
    QString why;           // and the verdict that stopped it
    bool cancelled = false;
};

// Reads every setting of a drive, or writes a profile's values and reads each back, one request
// after the other through the transaction queue, in the device's own protocol. A request that
// gets no good reply stops the run there. A write-only setting cannot be asked: a read takes
// what the drive acknowledged of it, from any sender (see setKnown).
class ProfileSession : public QObject {
    Q_OBJECT
public:
    ProfileSession(TransactionQueue& queue, QObject* parent = nullptr);

    bool running() const { return !steps_.empty(); }
    // False, with the reason, when the port is closed or a run is on already.
    bool readAll(std::uint8_t address, LinkMode mode, QString* error);
    bool writeAll(std::uint8_t address, LinkMode mode, const ProfileValues& values, QString* error);
    void cancel();
    // What a drive has acknowledged of its settings, by address.
    void setKnown(std::function<ProfileValues(std::uint8_t)> known) { known_ = std::move(known); }
    // How its requests go to the queue (a job's own submit); the queue's when unset.
    void setSubmit(std::function<quint64(Request, QString*)> submit) {
        submit_ = std::move(submit);
    }

signals:
    void progress(int done, int total, const QString& setting);
    void finished(const stepbench::ProfileOutcome& outcome);

private:
    struct Step {
        const ProfileSetting* setting;
        std::optional<Bytes> write; // empty: a read
    };
    bool begin(std::uint8_t address, LinkMode mode, std::deque<Step> steps, QString* error);
    void next();
    void onClosed(const Transaction& transaction);
    void end();

    TransactionQueue& queue_;
    std::deque<Step> steps_;
    quint64 current_ = 0; // the request of the step on the line
    std::uint8_t address_ = 1;
    LinkMode mode_ = LinkMode::Rtu;
    int total_ = 0;
    ProfileOutcome outcome_;
    ProfileValues writing_; // the values of a write run, to check what is read back
    std::function<quint64(Request, QString*)> submit_;
    std::function<ProfileValues(std::uint8_t)> known_;
};

// What became of one drive of a batch.
struct DriveResult {
    std::uint8_t address = 0;
    ProfileOutcome outcome;
    std::vector<std::string> differing; // a compare's settings that differ from the profile
    bool ok() const {
        return !outcome.cancelled && outcome.stoppedAt.empty() && outcome.notTaken.empty();
    }
};

// One profile read from, compared with or written to several drives in turn (for example 1-16),
// each through the session: a write writes every value of the profile and reads each back.
// After a drive that failed it goes on, or stops, as asked.
class ProfileBatch : public QObject {
    Q_OBJECT
public:
    enum class Action { Read, Compare, Write };

    explicit ProfileBatch(ProfileSession& session, QObject* parent = nullptr);

    // False, with the reason, when a run is on already or it cannot start.
    bool start(Action action, std::vector<std::uint8_t> addresses, LinkMode mode,
               const ProfileValues& profile, bool stopAtFailure, QString* error);
    void cancel();
    bool running() const { return running_; }
    // The drives of the last run it never came to (after a stop).
    std::vector<std::uint8_t> unreached() const;

signals:
    void driveStarted(std::uint8_t address, int index, int total);
    void driveDone(const stepbench::DriveResult& result);
    void finished(bool stopped);

private:
    void next();
    void onFinished(const ProfileOutcome& outcome);

    ProfileSession& session_;
    Action action_ = Action::Read;
    std::vector<std::uint8_t> addresses_;
    std::size_t at_ = 0;  // the drive now seen to
    std::size_t end_ = 0; // where the run ends: every drive, or the one at a stop
    LinkMode mode_ = LinkMode::Rtu;
    ProfileValues profile_;
    bool stopAtFailure_ = false;
    bool running_ = false;
};

} // namespace stepbench
