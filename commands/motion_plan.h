#pragma once

#include "codec/bytes.h"

#include <optional>
#include <vector>

namespace stepbench {

// The drive's speed profile, in steps/s and steps/s².
struct MotionParameters {
    double startSpeed = 100;
    double maxSpeed = 10000;
    double endSpeed = 1000;
    double acceleration = 10000;
    double deceleration = 10000;
};

// How the drive moves for a command, from the moment it hears it: a move starts at the start
// speed (or at the speed it is running at), accelerates at the acceleration up to the maximum
// speed and decelerates at the deceleration so as to reach its target at the end speed, where it
// stops: a trapezoid, or a triangle when the move is too short for the maximum (and, when the end
// speed is above the start speed and the move shorter than the ramp between them, a climb that
// the target cuts off). A constant-speed run ramps to its speed and keeps it. The virtual device
// moves by this plan, and the motion view draws it against what the drive reports.
class MotionPlan {
public:
    // A move of distance steps (negative: backwards), starting at the given speed (0: at rest,
    // at the start speed). Refused when the acceleration or deceleration is 0.
    static Result<MotionPlan> Move(const MotionParameters& p, double distance,
                                   double initialSpeed = 0);
    // A run at speed in the direction (+1, -1), until something else is commanded.
    static Result<MotionPlan> Run(const MotionParameters& p, double speed, int direction,
                                  double initialSpeed = 0);
    // A stop from running at speed in the direction: an emergency stop at once, a decelerating
    // stop down to the start speed at the deceleration, and then at once.
    static MotionPlan Stop(const MotionParameters& p, double speed, int direction, bool emergency);

    // The distance covered (signed), and the speed (never negative), at t seconds after the
    // start; after the end of a move, its distance and 0.
    double positionAt(double t) const;
    double speedAt(double t) const;
    // How long a move takes; empty for a run.
    std::optional<double> duration() const;
    int direction() const { return direction_; }
    double distance() const { return distance_; }
    double peakSpeed() const;

private:
    struct Phase {
        double start;    // s after the plan's start
        double length;   // s; the last phase of a run lasts for ever
        double distance; // covered before the phase, unsigned
        double speed;    // at the phase's start
        double accel;    // signed
    };
    const Phase& phaseAt(double t) const;

    std::vector<Phase> phases_;
    int direction_ = 1;
    double distance_ = 0; // signed; a run's is 0
    bool run_ = false;
};

// The motion a command starts, planned from where the drive is: a relative move (0x31, signed
// 32-bit steps; 0x32, direction and 24-bit count), an absolute one (0x50), or a constant-speed
// run (0x33, signed 32-bit speed; 0x34, direction and 24-bit speed). data is the request's data
// bytes. Empty for any other command.
struct CommandedMotion {
    MotionPlan plan;
    std::optional<double> target; // where a move ends, in absolute steps
};
std::optional<Result<CommandedMotion>> MotionOfCommand(std::uint8_t code, ByteView data,
                                                       double position, const MotionParameters& p,
                                                       double initialSpeed = 0);

} // namespace stepbench
