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
    plan_.reset();
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

MotionParameters Axis::Parameters(const Profile& p) {
    // A drive set to an acceleration of 0 still crawls up at its least.
    MotionParameters m = p;
    m.acceleration = Positive(p.acceleration);
    m.deceleration = Positive(p.deceleration);
    return m;
}

void Axis::follow(Mode mode, const MotionPlan& plan, const Profile& p) {
    // A running axis keeps its speed (the plan starts from it); one at rest starts afresh.
    if (mode_ == Mode::Idle) relativeOrigin_ = position_;
    profile_ = p;
    plan_ = plan;
    planFrom_ = position_;
    planTime_ = 0;
    if (mode == Mode::Position) cruise_ = Positive(p.maxSpeed);
    direction_ = plan.direction();
    speed_ = plan.speedAt(0);
    mode_ = mode;
}

void Axis::moveBy(double steps, const Profile& p) {
    moveTo(absolute() + steps, p);
}

void Axis::moveTo(double absolute, const Profile& p) {
    target_ = absolute + origin_;
    if (target_ == position_) return;
    const auto plan =
        MotionPlan::Move(Parameters(p), target_ - position_, mode_ == Mode::Idle ? 0 : speed_);
    if (plan) follow(Mode::Position, *plan, p);
}

void Axis::runAt(double speed, int direction, const Profile& p) {
    cruise_ = Positive(speed);
    const auto plan =
        MotionPlan::Run(Parameters(p), speed, direction, mode_ == Mode::Idle ? 0 : speed_);
    if (plan) follow(Mode::Constant, *plan, p);
}

void Axis::changeSpeed(double speed) {
    if (mode_ == Mode::Constant) runAt(speed, direction_, profile_);
}

void Axis::changeSpeedBy(double delta) {
    if (mode_ == Mode::Constant)
        runAt(std::max(Positive(profile_.startSpeed), cruise_ + delta), direction_, profile_);
}

void Axis::home(int direction, const Profile& p) {
    start(Mode::Homing, direction, p.homingSpeed, p);
}

void Axis::decelerateToStop() {
    if (mode_ == Mode::Idle) return;
    // It ramps down from the speed it runs at.
    plan_.reset();
    mode_ = Mode::Stopping;
}

void Axis::stop() {
    mode_ = Mode::Idle;
    speed_ = 0;
    plan_.reset();
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
    const double before = position_;

    if (plan_) {
        planTime_ += dt;
        position_ = planFrom_ + plan_->positionAt(planTime_);
        speed_ = plan_->speedAt(planTime_);
        if (mode_ == Mode::Position && planTime_ >= plan_->duration().value_or(0)) {
            position_ = target_;
            return stop();
        }
    } else {
        if (mode_ == Mode::Stopping) {
            speed_ -= decel * dt;
            if (speed_ <= floor) return stop();
        } else if (speed_ < cruise_) {
            speed_ = std::min(cruise_, speed_ + accel * dt);
        } else {
            speed_ = std::max(cruise_, speed_ - decel * dt);
        }
        position_ += direction_ * speed_ * dt;
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
