#include "link/motion_sampler.h"

#include <algorithm>

namespace stepbench {
namespace {

constexpr std::uint8_t kSpeed = 0x36;
constexpr std::uint8_t kPosition = 0x37;
constexpr std::uint8_t kMotionState = 0x3B;
constexpr std::uint8_t kClosedLoopPosition = 0x58;
// The rate shown is counted over this much of the latest time.
constexpr double kRateWindowSeconds = 3;

std::int32_t Value32(const Bytes& m) {
    return static_cast<std::int32_t>((std::uint32_t{m[3]} << 24) | (std::uint32_t{m[4]} << 16) |
                                     (std::uint32_t{m[5]} << 8) | m[6]);
}

QByteArray Cell(const std::optional<std::int32_t>& v) {
    return v ? QByteArray::number(*v) : QByteArray();
}

} // namespace

void MotionRecord::add(const MotionSample& sample) {
    if (samples_.size() >= kMaxSamples) samples_.pop_front();
    samples_.push_back(sample);
}

QByteArray MotionRecord::csv() const {
    QByteArray out =
        "time_s,position,speed,closed_loop_position,moving,left_limit,home,right_limit\r\n";
    const auto bit = [](const std::optional<bool>& b) {
        return b ? QByteArray(*b ? "1" : "0") : QByteArray();
    };
    for (const MotionSample& s : samples_)
        out += QByteArray::number(s.seconds, 'f', 3) + ',' + Cell(s.position) + ',' +
               Cell(s.speed) + ',' + Cell(s.closedLoopPosition) + ',' + bit(s.moving) + ',' +
               bit(s.leftLimit) + ',' + bit(s.home) + ',' + bit(s.rightLimit) + "\r\n";
    return out;
}

MotionSampler::MotionSampler(TransactionQueue& queue, QObject* parent)
    : QObject(parent), queue_(queue) {
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, &MotionSampler::startRound);
    connect(&queue_, &TransactionQueue::closed, this, &MotionSampler::onClosed);
    connect(&queue_, &TransactionQueue::lineDown, this, [this] {
        if (!running()) return;
        tick_.stop();
        round_.clear();
        suspended_ = true;
    });
}

void MotionSampler::resume() {
    if (!suspended_) return;
    suspended_ = false;
    roundEnds_.clear();
    setPlan(plan_);
    startRound();
}

void MotionSampler::start(const Plan& plan) {
    suspended_ = false;
    clock_.start();
    roundEnds_.clear();
    round_.clear();
    setPlan(plan);
    startRound();
}

void MotionSampler::setPlan(const Plan& plan) {
    plan_ = plan;
    tick_.start(std::chrono::milliseconds(1000 / std::max(1, plan_.rateHz)));
}

void MotionSampler::stop() {
    tick_.stop();
    round_.clear();
    suspended_ = false;
}

double MotionSampler::achievedRate() const {
    if (roundEnds_.size() < 2) return 0;
    const double span = roundEnds_.back() - roundEnds_.front();
    return span > 0 ? double(roundEnds_.size() - 1) / span : 0;
}

void MotionSampler::startRound() {
    // The round before is still on the line: skip this tick instead of piling up requests.
    if (!round_.empty()) return;
    current_ = {};
    current_.seconds = double(clock_.nsecsElapsed()) / 1e9;
    std::vector<std::uint8_t> codes{kPosition, kSpeed, kMotionState};
    if (plan_.closedLoop) codes.push_back(kClosedLoopPosition);
    for (std::uint8_t code : codes) {
        const auto frame = FrameForLine(Bytes{plan_.address, code, 0x00}, plan_.framing);
        if (!frame) continue;
        if (const quint64 id =
                queue_.submit({.frame = *frame, .command = code, .origin = Origin::Sampler}))
            round_.push_back(id);
    }
}

void MotionSampler::onClosed(const Transaction& t) {
    const auto mine = std::find(round_.begin(), round_.end(), t.id);
    if (mine == round_.end()) return;
    round_.erase(mine);
    // A round cut off by a stop or the line going makes no sample.
    if (t.cause != Cause::None) return round_.clear();
    if (t.verdict == Verdict::Ok) {
        // A device reply and a register read both carry the value from byte 3.
        const auto e = ExpectationOf(t.request.frame);
        const Bytes m = FrameMessage({PieceKind::Frame, t.reply, e ? e->framing : LinkMode::Rtu});
        if (m.size() >= 7) {
            switch (*t.request.command) {
            case kPosition:
                current_.position = Value32(m);
                break;
            case kSpeed:
                current_.speed = Value32(m);
                break;
            case kClosedLoopPosition:
                current_.closedLoopPosition = Value32(m);
                break;
            case kMotionState:
                // 1 means a switch is not active.
                current_.moving = m[3] != 0;
                current_.leftLimit = m[4] != 1;
                current_.home = m[5] != 1;
                current_.rightLimit = m[6] != 1;
                break;
            }
        }
    }
    if (!round_.empty()) return;
    const double now = double(clock_.nsecsElapsed()) / 1e9;
    roundEnds_.push_back(now);
    while (roundEnds_.size() > 2 && now - roundEnds_.front() > kRateWindowSeconds)
        roundEnds_.pop_front();
    emit sampled(current_);
}

} // namespace stepbench
