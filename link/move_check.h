#pragma once

#include "commands/motion_plan.h"
#include "link/motion_sampler.h"

#include <deque>
#include <limits>
#include <optional>

namespace stepbench {

// A move (or run) commanded while its drive was sampled, with the plan it should follow.
struct PlannedMove {
    std::uint8_t address = 1;
    double start = 0; // s on the sampler's clock: when the command reached the drive
    double from = 0;  // the absolute position it started from
    CommandedMotion motion;
    // When the next move to the drive began, ending this one's part of the samples.
    double until = std::numeric_limits<double>::infinity();

    // Where the plan has the drive, and how fast, at a time of the sampler's clock.
    double positionAt(double seconds) const {
        return from + motion.plan.positionAt(seconds - start);
    }
    double speedAt(double seconds) const { return motion.plan.speedAt(seconds - start); }
};

// How the drive followed the plan: the largest differences of position and speed over the
// samples of the move (up to the standstill after it, or to the last sample of a run), and the
// time it took to reach the target against the planned time.
struct Deviation {
    int samples = 0;
    int speedSamples = 0;
    double maxPosition = 0;
    double maxSpeed = 0;
    std::optional<double> arrival;        // s from the start to the first sample at the target
    std::optional<double> plannedArrival; // the plan's duration
    bool done = false;                    // the drive has stood still after the move
};

// Where a drive was, and how fast it went, when a command reached it.
struct DriveAt {
    double position = 0;
    double speed = 0;
};

// The plan of a command a transaction carried to a sampled drive, from where the drive was;
// empty when the transaction carries no motion command or was not answered. why says why when
// the plan cannot be made (an acceleration of 0).
std::optional<PlannedMove> PlanOfTransaction(const Transaction& t, double start, const DriveAt& at,
                                             const MotionParameters& p, QString* why = nullptr);

// The plan after a stop reached a drive running its move: an emergency stop holds it where it
// is, a decelerating one ramps it down from the speed of the plan at that moment.
PlannedMove PlanOfStop(const PlannedMove& running, double start, bool emergency,
                       const MotionParameters& p);

Deviation CompareWithPlan(const PlannedMove& move, const std::deque<MotionSample>& samples);

} // namespace stepbench
