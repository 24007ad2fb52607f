#include "link/motion_sampler.h"

#include "link/reply_decoder.h"

#include <algorithm>

namespace stepbench {
namespace {

constexpr std::uint8_t kSpeed = 0x36;
constexpr std::uint8_t kPosition = 0x37;
constexpr std::uint8_t kMotionState = 0x3B;
constexpr std::uint8_t kClosedLoopPosition = 0x58;
// The rate shown is counted over this much of the latest time.
constexpr double kRateWindowSeconds = 3;

QByteArray Cell(const std::optional<std::int32_t>& v) {
    return v ? QByteArray::number(*v) : QByteArray();
}

} // namespace

void MotionRecord::add(const MotionSample& sample) {
    if (samples_.size() >= kMaxSamples) samples_.pop_front();
    samples_.push_back(sample);
}

QByteArray MotionRecord::csv(double from, double to, const Planned& planned) const {
    QByteArray out = "time_s,address,position,speed,closed_loop_position,moving,left_limit,home,"
                     "right_limit,planned_position,planned_speed,speed_time_s,state_time_s,"
                     "closed_loop_time_s,following_error\r\n";
    const auto bit = [](const std::optional<bool>& b) {
        return b ? QByteArray(*b ? "1" : "0") : QByteArray();
    };
    for (const MotionSample& s : samples_) {
        if (s.seconds < from || s.seconds > to) continue;
        const auto plan = planned ? planned(s) : std::nullopt;
        out += QByteArray::number(s.seconds, 'f', 4) + ',' + QByteArray::number(s.address) + ',' +
               Cell(s.position) + ',' + Cell(s.speed) + ',' + Cell(s.closedLoopPosition) + ',' +
               bit(s.moving) + ',' + bit(s.leftLimit) + ',' + bit(s.home) + ',' +
               bit(s.rightLimit) + ',' +
               (plan ? QByteArray::number(plan->first, 'f', 1) + ',' +
                           QByteArray::number(plan->second, 'f', 1)
                     : QByteArray(",")) +
               ',' + (s.speed ? QByteArray::number(s.speedSeconds, 'f', 4) : QByteArray()) + ',' +
               (s.moving ? QByteArray::number(s.stateSeconds, 'f', 4) : QByteArray()) + ',' +
               (s.closedLoopPosition ? QByteArray::number(s.closedLoopSeconds, 'f', 4)
                                     : QByteArray()) +
               ',' +
               (s.followingError ? QByteArray::number(*s.followingError, 'f', 1) : QByteArray()) +
               "\r\n";
    }
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
        overdue_ = false;
        suspended_ = true;
    });
}

void MotionSampler::resume() {
    if (!suspended_) return;
    suspended_ = false;
    roundEnds_.clear();
    positions_.clear();
    setPlan(plan_);
    startRound();
}

void MotionSampler::start(const Plan& plan) {
    suspended_ = false;
    startNs_ = Link::now();
    lastPosition_.clear();
    roundEnds_.clear();
    positions_.clear();
    round_.clear();
    setPlan(plan);
    startRound();
}

void MotionSampler::setPlan(const Plan& plan) {
    plan_ = plan;
    if (plan_.addresses.empty()) plan_.addresses = {1};
    if (plan_.addresses.size() > kMaxDrives) plan_.addresses.resize(kMaxDrives);
    tick_.start(std::chrono::milliseconds(1000 / std::max(1, plan_.rateHz)));
}

void MotionSampler::stop() {
    tick_.stop();
    round_.clear();
    overdue_ = false;
    suspended_ = false;
}

double MotionSampler::achievedRate() const {
    if (roundEnds_.size() < 2) return 0;
    const double span = roundEnds_.back() - roundEnds_.front();
    return span > 0 ? double(roundEnds_.size() - 1) / span : 0;
}

double MotionSampler::achievedRate(std::uint8_t address) const {
    // Intervals between a drive's positions, not the positions: the first one starts the count.
    std::vector<double> times;
    for (const auto& [t, a] : positions_)
        if (a == address) times.push_back(t);
    if (times.size() < 2) return 0;
    const double span = times.back() - times.front();
    return span > 0 ? double(times.size() - 1) / span : 0;
}

void MotionSampler::startRound() {
    // The round before is still on the line: rather than pile up requests, start the next one
    // as soon as it is done.
    if (!round_.empty()) {
        overdue_ = true;
        return;
    }
    overdue_ = false;
    const double now = secondsOf(Link::now());
    current_.assign(plan_.addresses.size(), MotionSample{});
    std::vector<std::uint8_t> codes{kPosition, kSpeed, kMotionState};
    if (plan_.closedLoop) codes.push_back(kClosedLoopPosition);
    for (std::size_t drive = 0; drive < plan_.addresses.size(); ++drive) {
        current_[drive].seconds = current_[drive].speedSeconds = now;
        current_[drive].closedLoopSeconds = current_[drive].stateSeconds = now;
        current_[drive].address = plan_.addresses[drive];
        for (std::uint8_t code : codes) {
            const auto frame =
                FrameForLine(Bytes{plan_.addresses[drive], code, 0x00}, plan_.framing);
            if (!frame) continue;
            if (const quint64 id =
                    queue_.submit({.frame = *frame, .command = code, .origin = Origin::Sampler}))
                round_.push_back({id, drive});
        }
    }
}

void MotionSampler::onClosed(const Transaction& t) {
    const auto mine =
        std::find_if(round_.begin(), round_.end(), [&t](const auto& q) { return q.first == t.id; });
    if (mine == round_.end()) return;
    MotionSample& sample = current_[mine->second];
    round_.erase(mine);
    // A round cut off by a stop or the line going makes no sample.
    if (t.cause != Cause::None) {
        overdue_ = false;
        return round_.clear();
    }
    if (t.verdict == Verdict::Ok) {
        const DecodedReply d =
            DecodePieceOf({PieceKind::Frame, t.reply, t.framing()}, t.request.command);
        // The drive reads each value when it hears its query, not when its reply arrives.
        const double heard = secondsOf(t.heardNs);
        const std::uint8_t code = *t.request.command;
        for (const TypedValue& v : d.values) {
            const auto* n = std::get_if<std::int64_t>(&v.value);
            const auto* b = std::get_if<bool>(&v.value);
            if (v.key == "value" && n && code == kPosition) {
                sample.position = std::int32_t(*n);
                sample.seconds = heard;
            }
            if (v.key == "value" && n && code == kSpeed) {
                sample.speed = std::int32_t(*n);
                sample.speedSeconds = heard;
            }
            if (v.key == "value" && n && code == kClosedLoopPosition) {
                sample.closedLoopPosition = std::int32_t(*n);
                sample.closedLoopSeconds = heard;
            }
            if (code == kMotionState) sample.stateSeconds = heard;
            if (b && v.key == "moving") sample.moving = *b;
            if (b && v.key == "left_limit") sample.leftLimit = *b;
            if (b && v.key == "home") sample.home = *b;
            if (b && v.key == "right_limit") sample.rightLimit = *b;
        }
    }
    if (!round_.empty()) return;
    const double now = secondsOf(Link::now());
    roundEnds_.push_back(now);
    while (roundEnds_.size() > 2 && now - roundEnds_.front() > kRateWindowSeconds)
        roundEnds_.pop_front();
    for (MotionSample& s : current_) {
        if (!s.position) {
            emit sampled(s);
            continue;
        }
        positions_.push_back({s.seconds, s.address});
        const auto last = lastPosition_.find(s.address);
        if (s.closedLoopPosition) {
            double rate = 0;
            if (last != lastPosition_.end() && s.seconds > last->second.first)
                rate = (*s.position - last->second.second) / (s.seconds - last->second.first);
            s.followingError =
                *s.closedLoopPosition - (*s.position + rate * (s.closedLoopSeconds - s.seconds));
        }
        lastPosition_[s.address] = {s.seconds, double(*s.position)};
        emit sampled(s);
    }
    while (!positions_.empty() && now - positions_.front().first > kRateWindowSeconds)
        positions_.pop_front();
    if (overdue_ && running()) startRound();
}

} // namespace stepbench
