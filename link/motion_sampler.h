#pragma once

#include "link/transaction_queue.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace stepbench {

// One sample of a drive's motion; a value is missing when its query got no good reply. Each value
// has the time the drive took it: when its own query reached the drive (a drive answers with its
// state at the moment it hears the query), in seconds since sampling started.
struct MotionSample {
    double seconds = 0; // of the position
    std::uint8_t address = 1;
    std::optional<std::int32_t> position;
    std::optional<std::int32_t> speed;
    double speedSeconds = 0;
    std::optional<std::int32_t> closedLoopPosition;
    double closedLoopSeconds = 0;
    // The closed loop's position less the commanded one at the same moment (the position moved
    // on to the closed loop's time at the rate between this position and the one before).
    std::optional<double> followingError;
    // The motion state reply: moving, then left limit, home, right limit active.
    std::optional<bool> moving, leftLimit, home, rightLimit;
    double stateSeconds = 0;
};

// The samples of a run, the latest kMaxSamples of them (the oldest go).
class MotionRecord {
public:
    static constexpr std::size_t kMaxSamples = 100000;
    void add(const MotionSample& sample);
    void clear() { samples_.clear(); }
    const std::deque<MotionSample>& samples() const { return samples_; }
    // The samples from one time to another as CSV: a header of fixed keys, then one row per
    // sample; planned gives the plan's position and speed at a sample's time where there is one.
    using Planned = std::function<std::optional<std::pair<double, double>>(const MotionSample&)>;
    QByteArray csv(double from = -1e300, double to = 1e300, const Planned& planned = {}) const;

private:
    std::deque<MotionSample> samples_;
};

// Polls the motion of up to four drives through the transaction queue: absolute position (0x37),
// speed (0x36), motion state (0x3B) and, for a closed loop, its absolute position (0x58), each
// drive in turn. A round of queries starts at each tick of the chosen rate, but only once the
// round before it is done (then at once), so a slow line lowers the rate achieved to what it can
// carry rather than piling up requests. Replies are read by the reply decoder, register reads as
// their command's.
class MotionSampler : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxDrives = 4;
    struct Plan {
        std::vector<std::uint8_t> addresses{1};
        LineFraming framing;
        int rateHz = 20;
        bool closedLoop = false;
    };

    MotionSampler(TransactionQueue& queue, QObject* parent = nullptr);

    void start(const Plan& plan);
    void stop();
    bool running() const { return tick_.isActive(); }
    // Sampling stops by itself when the line goes down; resume() carries on with the same plan
    // and clock when it is back.
    bool suspended() const { return suspended_; }
    void resume();
    void setPlan(const Plan& plan); // takes effect from the next round
    // Complete rounds per second over the last few seconds.
    double achievedRate() const;
    // Samples with a position per second over the last few seconds, of one drive.
    double achievedRate(std::uint8_t address) const;
    // A time of the link's clock as seconds of the samples.
    double secondsOf(qint64 linkNs) const { return double(linkNs - startNs_) / 1e9; }

signals:
    void sampled(const stepbench::MotionSample& sample);

private:
    void startRound();
    void onClosed(const Transaction& transaction);

    TransactionQueue& queue_;
    Plan plan_;
    QTimer tick_;
    qint64 startNs_ = 0;
    std::vector<MotionSample> current_;                     // of the round, one per drive
    std::vector<std::pair<quint64, std::size_t>> round_;    // queries not yet closed, and whose
    std::deque<std::pair<double, std::uint8_t>> positions_; // when each drive gave one
    bool suspended_ = false;
    bool overdue_ = false;         // a tick came while the round was still on the line
    std::deque<double> roundEnds_; // when recent rounds completed, in s
    std::map<std::uint8_t, std::pair<double, double>> lastPosition_; // of each drive: when, where
};

} // namespace stepbench
