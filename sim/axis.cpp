#include "sim/axis.h"

#include <algorithm>
#include <cmath>

namespace stepbench::sim {
namespace {

// Integration step: fine enough that a move ends within a step of its target at any speed.
constexpr double kMaxStep = 0.001;
constexpr double kHomeSwitchWidth = 20;
constexpr double kMinSpeed = 1;

double Positive(double v) {
    return std::max(kMinSpeed, std::fabs(v));
}

} // namespace

bool Axis::atHome() const {
    return std::fabs(position_ - kHomeSwitchAt) <= kHomeSwitchWidth;
}

void Axis::start(Mode mode, int direction, double cruise, const Profile& p) {
    profile_ = p;
    direction_ = direction < 0 ? -1 : 1;
    cruise_ = Positive(cruise);
    // A stepper starts at its start speed at once; a running axis keeps its speed.
    if (mode_ == Mode::Idle) {
        speed_ = std::min(Positive(p.startSpeed), cruise_);
        relativeOrigin_ = position_;
    }
    mode_ = mode;
}

void Axis::moveBy(double steps, const Profile& p) {
    moveTo(absolute() + steps, p);
}

void Axis::moveTo(double absolute, const Profile& p) {
    target_ = absolute + origin_;
    if (target_ == position_) return;
    start(Mode::Position, target_ > position_ ? 1 : -1, p.maxSpeed, p);
}

void Axis::runAt(double speed, int direction, const Profile& p) {
    start(Mode::Constant, direction, speed, p);
}

void Axis::changeSpeed(double speed) {
    if (mode_ == Mode::Constant) cruise_ = Positive(speed);
}

void Axis::changeSpeedBy(double delta) {
    if (mode_ == Mode::Constant) cruise_ = std::max(Positive(profile_.startSpeed), cruise_ + delta);
}

void Axis::home(int direction, const Profile& p) {
    start(Mode::Homing, direction, p.homingSpeed, p);
}

void Axis::decelerateToStop() {
    if (mode_ != Mode::Idle) mode_ = Mode::Stopping;
}

void Axis::stop() {
    mode_ = Mode::Idle;
    speed_ = 0;
}

void Axis::advance(double seconds) {
    while (seconds > 0 && mode_ != Mode::Idle) {
        const double dt = std::min(seconds, kMaxStep);
        step(dt);
        seconds -= dt;
    }
}

void Axis::step(double dt) {
    const double accel = Positive(profile_.acceleration);
    const double decel = Positive(profile_.deceleration);
    const double floor = std::min(Positive(profile_.startSpeed), cruise_);

    if (mode_ == Mode::Stopping) {
        speed_ -= decel * dt;
        if (speed_ <= floor) return stop();
    } else if (mode_ == Mode::Position) {
        const double remaining = std::fabs(target_ - position_);
        const double endSpeed = std::min(std::fabs(profile_.endSpeed), cruise_);
        const double braking = (speed_ * speed_ - endSpeed * endSpeed) / (2 * decel);
        if (remaining <= braking)
            speed_ = std::max(std::max(endSpeed, kMinSpeed), speed_ - decel * dt);
        else
            speed_ = std::min(cruise_, speed_ + accel * dt);
    } else if (speed_ < cruise_) {
        speed_ = std::min(cruise_, speed_ + accel * dt);
    } else {
        speed_ = std::max(cruise_, speed_ - decel * dt);
    }

    const double before = position_;
    position_ += direction_ * speed_ * dt;

    if (mode_ == Mode::Position && (target_ - before) * (target_ - position_) <= 0) {
        position_ = target_;
        return stop();
    }
    if (mode_ == Mode::Homing && (kHomeSwitchAt - before) * (kHomeSwitchAt - position_) <= 0) {
        position_ = kHomeSwitchAt;
        origin_ = relativeOrigin_ = position_;
        return stop();
    }
    // A limit switch in the direction of travel stops the axis at once.
    if ((direction_ < 0 && leftLimit()) || (direction_ > 0 && rightLimit())) stop();
}

} // namespace stepbench::sim
