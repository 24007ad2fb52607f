#pragma once

#include "link/transaction_queue.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <optional>

namespace stepbench {

// One sample of the drive's motion; a value is missing when its query got no good reply.
struct MotionSample {
    double seconds = 0; // since sampling started
    std::optional<std::int32_t> position;
    std::optional<std::int32_t> speed;
    std::optional<std::int32_t> closedLoopPosition;
    // The motion state reply: moving, then left limit, home, right limit active.
    std::optional<bool> moving, leftLimit, home, rightLimit;
};

// The samples of a run, the latest kMaxSamples of them (the oldest go).
class MotionRecord {
public:
    static constexpr std::size_t kMaxSamples = 100000;
    void add(const MotionSample& sample);
    void clear() { samples_.clear(); }
    const std::deque<MotionSample>& samples() const { return samples_; }
    // The samples as CSV: a header of fixed keys, then one row per sample.
    QByteArray csv() const;

private:
    std::deque<MotionSample> samples_;
};

// Polls the drive's motion through the transaction queue: absolute position (0x37), speed
// (0x36), motion state (0x3B) and, for a closed loop, its absolute position (0x58). A round of
// queries starts at each tick of the chosen rate, but only once the round before it is done, so a
// slow line lowers the rate achieved rather than piling up requests.
class MotionSampler : public QObject {
    Q_OBJECT
public:
    struct Plan {
        std::uint8_t address = 1;
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

signals:
    void sampled(const stepbench::MotionSample& sample);

private:
    void startRound();
    void onClosed(const Transaction& transaction);

    TransactionQueue& queue_;
    Plan plan_;
    QTimer tick_;
    QElapsedTimer clock_;
    MotionSample current_;
    std::vector<quint64> round_;   // the queries of the current round not yet closed
    bool suspended_ = false;
    std::deque<double> roundEnds_; // when recent rounds completed, in s
};

} // namespace stepbench
