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

std::optional<PlannedMove> PlanOfTransaction(const Transaction& t, double start,
                                             const std::deque<MotionSample>& samples,
                                             const MotionParameters& p, QString* why) {
    const bool reached = t.verdict == Verdict::Ok || t.verdict == Verdict::Broadcast;
    const auto address = t.address();
    if (!reached || !t.request.command || !address) return std::nullopt;
    // Where the drive was last seen before the command, and how fast it went.
    double position = 0, speed = 0;
    for (auto it = samples.rbegin(); it != samples.rend(); ++it)
        if (it->address == *address && it->position && it->seconds <= start) {
            position = *it->position;
            speed = it->moving.value_or(false) ? std::fabs(double(it->speed.value_or(0))) : 0;
            break;
        }
    const auto motion = MotionOfCommand(*t.request.command, DataOf(t), position, p, speed);
    if (!motion) return std::nullopt;
    if (!*motion) {
        if (why) *why = TrError(motion->failure());
        return std::nullopt;
    }
    return PlannedMove{*address, start, position, **motion};
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
        if (it->speed)
            d.maxSpeed = std::max(d.maxSpeed, std::fabs(*it->speed - move.speedAt(it->seconds)));
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
