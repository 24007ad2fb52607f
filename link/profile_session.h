#pragma once

#include "commands/profile.h"
#include "link/transaction_queue.h"

#include <QObject>
#include <deque>

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
// gets no good reply stops the run there. It also remembers what the tool last wrote to each
// write-only setting, from any sender, as the drive cannot be asked.
class ProfileSession : public QObject {
    Q_OBJECT
public:
    ProfileSession(TransactionQueue& queue, QObject* parent = nullptr);

    bool running() const { return !steps_.empty(); }
    // False, with the reason, when the port is closed or a run is on already.
    bool readAll(std::uint8_t address, LinkMode mode, QString* error);
    bool writeAll(std::uint8_t address, LinkMode mode, const ProfileValues& values, QString* error);
    void cancel();
    // The values the tool last wrote to write-only settings this session.
    const ProfileValues& lastWritten() const { return lastWritten_; }

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
    void remember(const Transaction& transaction);
    void end();

    TransactionQueue& queue_;
    std::deque<Step> steps_;
    quint64 current_ = 0; // the request of the step on the line
    std::uint8_t address_ = 1;
    LinkMode mode_ = LinkMode::Rtu;
    int total_ = 0;
    ProfileOutcome outcome_;
    ProfileValues writing_; // the values of a write run, to check what is read back
    ProfileValues lastWritten_;
};

} // namespace stepbench
