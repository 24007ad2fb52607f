#include "link/transaction_stats.h"

#include <algorithm>
#include <cmath>

namespace stepbench {

double CommandStats::percentileMs(double p) const {
    if (recent_.empty()) return 0;
    std::vector<double> v = recent_;
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100 * double(v.size())));
    const auto at = v.begin() + static_cast<std::ptrdiff_t>(std::max<std::size_t>(rank, 1) - 1);
    std::nth_element(v.begin(), at, v.end());
    return *at;
}

void CommandStats::add(Verdict verdict, std::optional<double> roundTripMs) {
    // Requests that never went out, and replies after their request, are not sendings.
    if (verdict != Verdict::Cancelled && verdict != Verdict::Late) ++sent;
    switch (verdict) {
    case Verdict::Ok:
        ++ok;
        break;
    case Verdict::NoReply:
        ++noReply;
        break;
    case Verdict::BadChecksum:
        ++badChecksum;
        break;
    case Verdict::Exception:
        ++exception;
        break;
    case Verdict::Mismatch:
        ++mismatch;
        break;
    case Verdict::Broadcast:
        ++broadcast;
        break;
    case Verdict::Unchecked:
        ++unchecked;
        break;
    case Verdict::Cancelled:
        ++cancelled;
        break;
    case Verdict::Late:
        ++late;
        break;
    }
    if (!roundTripMs) return;
    const double ms = *roundTripMs;
    minMs = timed ? std::min(minMs, ms) : ms;
    maxMs = timed ? std::max(maxMs, ms) : ms;
    sumMs += ms;
    ++timed;
    if (recent_.size() < TransactionStats::kRecentRoundTrips) {
        recent_.push_back(ms);
    } else {
        recent_[next_] = ms;
        next_ = (next_ + 1) % recent_.size();
    }
}

void TransactionStats::add(int command, Verdict verdict, std::optional<double> roundTripMs,
                           int address) {
    byCommand_[command].add(verdict, roundTripMs);
    byAddress_[address].add(verdict, roundTripMs);
    total_.add(verdict, roundTripMs);
}

} // namespace stepbench
