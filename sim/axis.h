#pragma once

#include "commands/motion_plan.h"

#include <optional>

namespace stepbench::sim {

// The speed profile a motion is shaped by: the core's motion parameters and the homing speed.
struct Profile : MotionParameters {
    double homingSpeed = 10000;
};

// One stepper axis moving in real time: positions in steps, a home switch and two limit switches
// on the physical travel. Directions: +1 positive, -1 negative. Moves and constant-speed runs
// follow the motion plan of the core (the one the motion view draws); homing and a decelerating
// stop ramp on their own.
class Axis {
public:
    static constexpr double kHomeSwitchAt = 5000;   // physical position of the home switch
    static constexpr double kLeftLimitAt = -500000; // limit switches at the ends of travel
    static constexpr double kRightLimitAt = 500000;

    void moveBy(double steps, const Profile& p);
    void moveTo(double absolute, const Profile& p);
    void runAt(double speed, int direction, const Profile& p);
    void changeSpeed(double speed);   // only while running at constant speed
    void changeSpeedBy(double delta); // likewise; never below the start speed
    void home(int direction, const Profile& p);
    void decelerateToStop();
    void stop();

    // Moves the axis on by the given time.
    void advance(double seconds);

    double absolute() const { return position_ - origin_; }
    double relative() const { return position_ - relativeOrigin_; }
    void zeroAbsolute() { origin_ = position_; }
    void zeroRelative() { relativeOrigin_ = position_; }
    double speed() const { return speed_; }
    bool moving() const { return mode_ != Mode::Idle; }

    bool leftLimit() const { return forcedLeft_ || position_ <= kLeftLimitAt; }
    bool rightLimit() const { return forcedRight_ || position_ >= kRightLimitAt; }
    bool atHome() const;
    void forceLimit(bool left, bool active) { (left ? forcedLeft_ : forcedRight_) = active; }

    // The parameters a plan takes from a profile, as the axis uses them.
    static MotionParameters Parameters(const Profile& p);

private:
    enum class Mode { Idle, Position, Constant, Homing, Stopping };
    void start(Mode mode, int direction, double cruise, const Profile& p);
    void follow(Mode mode, const MotionPlan& plan, const Profile& p);
    void step(double dt);

    Mode mode_ = Mode::Idle;
    Profile profile_;
    double position_ = 0; // physical, in steps
    double origin_ = 0;
    double relativeOrigin_ = 0;
    double speed_ = 0; // always >= 0; direction_ gives the sign
    double cruise_ = 0;
    double target_ = 0;
    int direction_ = 1;
    bool forcedLeft_ = false;
    bool forcedRight_ = false;
    std::optional<MotionPlan> plan_; // of a move or a run
    double planFrom_ = 0;            // the physical position it started at
    double planTime_ = 0;            // s since it started
};

} // namespace stepbench::sim
