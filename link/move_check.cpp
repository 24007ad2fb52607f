#include "link/move_check.h"

#include "codec/modbus.h"
#include "codec/tr.h"

#include <algorithm>
#include <cmath>

namespace stepbench {
namespace {

// A sample this close to the target is at it: positions are whole steps.
constexpr double kAtTarget = 0.5;

// The data bytes a request carries to the drive: in the device's own protocol after its length
// byte; in a register write after its byte count.
Bytes DataOf(const Transaction& t) {
    const Bytes m = FrameMessage({PieceKind::Frame, t.request.frame, t.framing()});
    if (m.size() > modbus::kWriteHeaderSize && m[1] == modbus::kWriteRegisters)
        return Bytes(m.begin() + modbus::kWriteHeaderSize, m.end());
    if (m.size() > 3) return Bytes(m.begin() + 3, m.end());
    return {};
}

} // namespace

std::optional<PlannedMove> PlanOfTransaction(const Transaction& t, double start, const DriveAt& at,
                                             const MotionParameters& p, QString* why) {
    const bool reached = t.verdict == Verdict::Ok || t.verdict == Verdict::Broadcast;
    const auto address = t.address();
    if (!reached || !t.request.command || !address) return std::nullopt;
    const auto motion = MotionOfCommand(*t.request.command, DataOf(t), at.position, p, at.speed);
    if (!motion) return std::nullopt;
    if (!*motion) {
        if (why) *why = TrError(motion->failure());
        return std::nullopt;
    }
    return PlannedMove{*address, start, at.position, **motion};
}

PlannedMove PlanOfStop(const PlannedMove& running, double start, bool emergency,
                       const MotionParameters& p) {
    const double speed = running.speedAt(start);
    PlannedMove stop{running.address,
                     start,
                     running.positionAt(start),
                     {MotionPlan::Stop(p, speed, running.motion.plan.direction(), emergency), {}}};
    stop.motion.target = stop.from + stop.motion.plan.distance();
    return stop;
}

Deviation CompareWithPlan(const PlannedMove& move, const std::deque<MotionSample>& samples) {
    Deviation d;
    d.plannedArrival = move.motion.plan.duration();
    const auto first =
        std::lower_bound(samples.begin(), samples.end(), move.start,
                         [](const MotionSample& s, double t) { return s.seconds < t; });
    for (auto it = first; it != samples.end() && it->seconds < move.until; ++it) {
        if (it->address != move.address || !it->position) continue;
        ++d.samples;
        d.maxPosition =
            std::max(d.maxPosition, std::fabs(*it->position - move.positionAt(it->seconds)));
        // Each value at the time the drive took it.
        if (it->speed && it->speedSeconds < move.until) {
            ++d.speedSamples;
            d.maxSpeed =
                std::max(d.maxSpeed, std::fabs(*it->speed - move.speedAt(it->speedSeconds)));
        }
        const bool atTarget =
            move.motion.target && std::fabs(*it->position - *move.motion.target) <= kAtTarget;
        if (atTarget && !d.arrival) d.arrival = it->seconds - move.start;
        // Standing still at the end of the move: what comes after is no part of it.
        if (d.arrival && it->moving == false) {
            d.done = true;
            break;
        }
    }
    return d;
}

} // namespace stepbench
