#include "core/commissioning_record.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace stepbench {
namespace {

// After its planned end a move's plot runs on this long, for the drive to settle.
constexpr double kSettleSeconds = 1.0;
// And starts this long before the command reached the drive.
constexpr double kLeadSeconds = 0.2;
constexpr int kPlanPoints = 200;

} // namespace

std::vector<std::uint8_t> CommissioningRecord::drives() const {
    std::set<std::uint8_t> seen;
    for (const Traffic& t : traffic)
        seen.insert(t.address);
    for (const auto& [address, p] : profiles)
        if (p.said) seen.insert(address);
    for (const Move& m : moves)
        seen.insert(m.address);
    for (const CheckTally& c : checks)
        if (c.address) seen.insert(*c.address);
    seen.erase(0); // the broadcast address is no drive
    return {seen.begin(), seen.end()};
}

std::vector<CommissioningRecord::Traffic> TrafficOf(const TransactionStats& stats) {
    std::vector<CommissioningRecord::Traffic> out;
    for (const auto& [address, s] : stats.byAddress()) {
        if (address < 0 || s.sent == 0) continue;
        CommissioningRecord::Traffic t{.address = std::uint8_t(address),
                                       .transactions = s.sent,
                                       .failed =
                                           s.noReply + s.badChecksum + s.exception + s.mismatch,
                                       .timed = s.timed};
        if (s.timed) {
            t.medianMs = s.percentileMs(50);
            t.p99Ms = s.percentileMs(99);
            t.ofRecent = s.timed > TransactionStats::kRecentRoundTrips;
        }
        out.push_back(t);
    }
    return out;
}

CommissioningRecord::Profile ProfileOf(const DriveStates& drives, std::uint8_t address,
                                       const ProfileFile* compared, const QString& comparedPath) {
    CommissioningRecord::Profile p;
    if (compared) p.comparedWith = comparedPath;
    const ProfileValues said = drives.values(address);
    for (const ProfileSetting& s : ProfileSettings()) {
        CommissioningRecord::Setting row{.name = s.name()};
        if (const auto it = said.find(row.name); it != said.end()) {
            row.drive = ValueText(s, it->second);
            ++p.said;
        }
        if (compared)
            if (const auto it = compared->values.find(row.name); it != compared->values.end())
                row.file = ValueText(s, it->second);
        p.settings.push_back(std::move(row));
    }
    p.complete = MissingSettings(said).empty();
    return p;
}

CommissioningRecord::Move MoveOf(const PlannedMove& move, const std::deque<MotionSample>& samples) {
    CommissioningRecord::Move m{.address = move.address, .start = move.start};
    double lastSample = move.start;
    for (const MotionSample& s : samples)
        if (s.address == move.address) lastSample = std::max(lastSample, s.seconds);
    double end = std::min(move.until, lastSample);
    if (const auto duration = move.motion.plan.duration())
        end = std::min(end, move.start + *duration + kSettleSeconds);
    for (const MotionSample& s : samples) {
        if (s.address != move.address || s.seconds < move.start - kLeadSeconds || s.seconds > end)
            continue;
        if (s.position) m.position.emplace_back(s.seconds - move.start, *s.position);
        if (s.speed) m.speed.emplace_back(s.speedSeconds - move.start, *s.speed);
    }
    const double span = std::max(0.0, end - move.start);
    for (int i = 0; i <= kPlanPoints; ++i) {
        const double t = span * i / kPlanPoints;
        m.plannedPosition.emplace_back(t, move.positionAt(move.start + t));
        m.plannedSpeed.emplace_back(t, move.speedAt(move.start + t));
    }
    m.deviation = CompareWithPlan(move, samples);
    return m;
}

} // namespace stepbench
