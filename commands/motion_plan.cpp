#include "commands/motion_plan.h"

#include "codec/texts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stepbench {
namespace {

// The drive never crawls slower than this; a speed of 0 set is taken as this.
constexpr double kMinSpeed = 1;

double Positive(double v) {
    return std::max(kMinSpeed, std::fabs(v));
}

} // namespace

Result<MotionPlan> MotionPlan::Move(const MotionParameters& p, double distance,
                                    double initialSpeed) {
    if (!(p.acceleration > 0) || !(p.deceleration > 0))
        return Error{ZH("加速度或减速度为 0，无法规划运动")};
    MotionPlan plan;
    plan.direction_ = distance < 0 ? -1 : 1;
    plan.distance_ = distance;
    const double total = std::fabs(distance);
    if (total == 0) return plan;
    const double a = p.acceleration;
    const double d = p.deceleration;
    const double top = Positive(p.maxSpeed);
    // A running drive keeps its speed; one at rest starts at the start speed.
    const double v0 = std::min(initialSpeed > 0 ? initialSpeed : Positive(p.startSpeed), top);
    const double ve = std::max(std::min(std::fabs(p.endSpeed), top), kMinSpeed);

    if (v0 >= ve && total <= (v0 * v0 - ve * ve) / (2 * d)) {
        // Too close to reach even the end speed: braking from the start, cut off by the target.
        const double t = (v0 - std::sqrt(std::max(0.0, v0 * v0 - 2 * d * total))) / d;
        plan.phases_ = {{0, t, 0, v0, -d}};
        return plan;
    }
    const double peak = std::sqrt((2 * a * d * total + d * v0 * v0 + a * ve * ve) / (a + d));
    if (peak < ve) {
        // Shorter than the climb to an end speed above the start speed: the target cuts it off.
        const double top1 = std::sqrt(v0 * v0 + 2 * a * total);
        plan.phases_ = {{0, (top1 - v0) / a, 0, v0, a}};
        return plan;
    }
    const double v = std::min(peak, top);
    const double up = (v * v - v0 * v0) / (2 * a);
    const double down = (v * v - ve * ve) / (2 * d);
    const double t1 = (v - v0) / a;
    const double t2 = peak > top ? (total - up - down) / top : 0;
    plan.phases_ = {{0, t1, 0, v0, a}};
    if (t2 > 0) plan.phases_.push_back({t1, t2, up, v, 0});
    plan.phases_.push_back({t1 + t2, (v - ve) / d, total - down, v, -d});
    return plan;
}

Result<MotionPlan> MotionPlan::Run(const MotionParameters& p, double speed, int direction,
                                   double initialSpeed) {
    if (!(p.acceleration > 0) || !(p.deceleration > 0))
        return Error{ZH("加速度或减速度为 0，无法规划运动")};
    MotionPlan plan;
    plan.run_ = true;
    plan.direction_ = direction < 0 ? -1 : 1;
    const double cruise = Positive(speed);
    const double v0 = initialSpeed > 0 ? initialSpeed : std::min(Positive(p.startSpeed), cruise);
    const double forever = std::numeric_limits<double>::infinity();
    if (v0 == cruise) {
        plan.phases_ = {{0, forever, 0, cruise, 0}};
        return plan;
    }
    const double accel = v0 < cruise ? p.acceleration : -p.deceleration;
    const double t1 = (cruise - v0) / accel;
    const double ramp = (cruise * cruise - v0 * v0) / (2 * accel);
    plan.phases_ = {{0, t1, 0, v0, accel}, {t1, forever, ramp, cruise, 0}};
    return plan;
}

MotionPlan MotionPlan::Stop(const MotionParameters& p, double speed, int direction,
                            bool emergency) {
    MotionPlan plan;
    plan.direction_ = direction < 0 ? -1 : 1;
    const double floor = Positive(p.startSpeed);
    if (emergency || !(p.deceleration > 0) || speed <= floor) return plan;
    const double d = p.deceleration;
    plan.distance_ = plan.direction_ * (speed * speed - floor * floor) / (2 * d);
    plan.phases_ = {{0, (speed - floor) / d, 0, speed, -d}};
    return plan;
}

std::optional<double> MotionPlan::duration() const {
    if (run_) return std::nullopt;
    if (phases_.empty()) return 0.0;
    return phases_.back().start + phases_.back().length;
}

const MotionPlan::Phase& MotionPlan::phaseAt(double t) const {
    for (const Phase& p : phases_)
        if (t < p.start + p.length) return p;
    return phases_.back();
}

double MotionPlan::positionAt(double t) const {
    if (phases_.empty() || t <= 0) return 0;
    if (const auto end = duration(); end && t >= *end) return distance_;
    const Phase& p = phaseAt(t);
    const double dt = t - p.start;
    return direction_ * (p.distance + p.speed * dt + p.accel * dt * dt / 2);
}

double MotionPlan::speedAt(double t) const {
    if (phases_.empty() || t < 0) return 0;
    if (const auto end = duration(); end && t >= *end) return 0;
    const Phase& p = phaseAt(t);
    return std::max(0.0, p.speed + p.accel * (t - p.start));
}

double MotionPlan::peakSpeed() const {
    double peak = 0;
    for (const Phase& p : phases_)
        peak = std::max({peak, p.speed, p.speed + p.accel * (std::isinf(p.length) ? 0 : p.length)});
    return peak;
}

std::optional<Result<CommandedMotion>> MotionOfCommand(std::uint8_t code, ByteView data,
                                                       double position, const MotionParameters& p,
                                                       double initialSpeed) {
    if (data.size() < 4) return std::nullopt;
    const auto int32 =
        static_cast<std::int32_t>((std::uint32_t{data[0]} << 24) | (std::uint32_t{data[1]} << 16) |
                                  (std::uint32_t{data[2]} << 8) | data[3]);
    const double count24 =
        double((std::uint32_t{data[1]} << 16) | (std::uint32_t{data[2]} << 8) | data[3]);
    const int direction24 = data[0] == 0 ? 1 : -1;
    const auto move = [&](double distance) -> Result<CommandedMotion> {
        auto plan = MotionPlan::Move(p, distance, initialSpeed);
        if (!plan) return plan.failure();
        return CommandedMotion{*plan, position + distance};
    };
    const auto run = [&](double speed, int direction) -> Result<CommandedMotion> {
        auto plan = MotionPlan::Run(p, speed, direction, initialSpeed);
        if (!plan) return plan.failure();
        return CommandedMotion{*plan, std::nullopt};
    };
    switch (code) {
    case 0x31:
        return move(int32);
    case 0x32:
        return move(direction24 * count24);
    case 0x50:
        return move(int32 - position);
    case 0x33:
        return run(std::fabs(double(int32)), int32 < 0 ? -1 : 1);
    case 0x34:
        return run(count24, direction24);
    default:
        return std::nullopt;
    }
}

} // namespace stepbench
