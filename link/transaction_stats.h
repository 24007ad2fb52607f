#pragma once

#include "link/transaction.h"

#include <cstddef>
#include <map>
#include <optional>
#include <vector>

namespace stepbench {

// Counts and round trips of the transactions of one command.
struct CommandStats {
    std::size_t sent = 0;
    std::size_t ok = 0;
    std::size_t noReply = 0;
    std::size_t badChecksum = 0;
    std::size_t exception = 0;
    std::size_t mismatch = 0;
    std::size_t broadcast = 0;
    std::size_t unchecked = 0;
    std::size_t cancelled = 0; // never went out: not among those sent
    std::size_t late = 0;      // late replies: not among those sent
    std::size_t timed = 0;     // transactions with a round trip
    double minMs = 0;
    double maxMs = 0;
    double sumMs = 0;

    double meanMs() const { return timed ? sumMs / double(timed) : 0; }
    // A percentile (0-100) of the most recent round trips (nearest rank); the 99th.
    double percentileMs(double p) const;
    double p99Ms() const { return percentileMs(99); }

    void add(Verdict verdict, std::optional<double> roundTripMs);

private:
    friend class TransactionStats;
    std::vector<double> recent_; // a ring of the latest round trips, for the percentile
    std::size_t next_ = 0;
};

// The statistics of every command seen, and of all of them together. The command is the device
// command code, or kRawCommand for bytes sent as they were typed.
class TransactionStats {
public:
    static constexpr int kRawCommand = -1;
    static constexpr std::size_t kRecentRoundTrips = 10000;

    static constexpr int kNoAddress = -1;

    // A transaction of the command (and to the address, on a bus of drives).
    void add(int command, Verdict verdict, std::optional<double> roundTripMs,
             int address = kNoAddress);
    void clear() { byCommand_.clear(), byAddress_.clear(), total_ = {}; }
    const std::map<int, CommandStats>& byCommand() const { return byCommand_; }
    const std::map<int, CommandStats>& byAddress() const { return byAddress_; }
    const CommandStats& total() const { return total_; }

private:
    std::map<int, CommandStats> byCommand_;
    std::map<int, CommandStats> byAddress_;
    CommandStats total_;
};

} // namespace stepbench
