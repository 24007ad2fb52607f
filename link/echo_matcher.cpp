#include "link/echo_matcher.h"

#include <algorithm>

namespace stepbench {

void EchoMatcher::reset(Ns latencyNs, Ns characterNs) {
    adapter_ = Adapter::Unknown;
    portLatencyNs_ = latencyNs;
    shownLatencyNs_ = 0;
    characterNs_ = characterNs;
    waits_.clear();
    held_.clear();
}

void EchoMatcher::setEnabled(bool on) {
    enabled_ = on;
    if (!on) waits_.erase(waits_.begin() + (held_.empty() ? 0 : 1), waits_.end());
}

void EchoMatcher::expect(ByteView request, bool mayBeReply, Ns writeNs) {
    if (!enabled_ || adapter_ == Adapter::Silent || request.empty()) return;
    waits_.push_back({Bytes(request.begin(), request.end()), mayBeReply, writeNs});
}

void EchoMatcher::sent(Ns sentNs) {
    for (Wait& w : waits_)
        if (!w.sentNs) w.sentNs = sentNs;
}

bool EchoMatcher::mayBegin(const Wait& w, Ns ns) const {
    // Where the reply differs from the request, the bytes tell.
    if (!w.mayBeReply || !w.sentNs) return true;
    // Until the adapter has shown its echo, a copy that begins after the request has left is the
    // reply (a drive waits 3.5 characters before it answers), unless the port delivers late.
    const Ns latency = adapter_ == Adapter::Echoes
                           ? characterNs_ + shownLatencyNs_ + kSlackNs
                           : std::max(portLatencyNs_, std::min(characterNs_, kPromptNs));
    return ns <= *w.sentNs + latency;
}

void EchoMatcher::learn(const Wait& w) {
    adapter_ = Adapter::Echoes;
    // Only an echo that can have been nothing else shows how late this adapter hands back; a
    // copy taken for the echo by its time must not widen the time it is given.
    if (w.sentNs && !w.mayBeReply)
        shownLatencyNs_ = std::max(shownLatencyNs_, w.firstNs - *w.sentNs);
}

void EchoMatcher::pass(Out& out, ByteView bytes, Ns ns) {
    if (bytes.empty()) return;
    out.passed.push_back({Bytes(bytes.begin(), bytes.end()), ns});
}

void EchoMatcher::giveUpAll(Out& out) {
    if (!held_.empty()) pass(out, held_, waits_.front().firstNs);
    held_.clear();
    waits_.clear();
    if (adapter_ == Adapter::Unknown) {
        adapter_ = Adapter::Silent;
        out.missing = true;
    }
}

EchoMatcher::Out EchoMatcher::take(ByteView bytes, Ns ns) {
    Out out;
    std::size_t i = 0;
    std::size_t passFrom = 0; // the start of the bytes of this call not held or taken yet
    const auto passUpTo = [&](std::size_t end) {
        pass(out, bytes.subspan(passFrom, end - passFrom), ns);
        passFrom = end;
    };
    while (i < bytes.size()) {
        if (!enabled_ && held_.empty()) waits_.clear();
        if (waits_.empty()) break;
        Wait& w = waits_.front();
        const std::uint8_t b = bytes[i];
        if (w.seen == 0) {
            // A copy that can only be the reply now.
            if (!mayBegin(w, ns)) {
                waits_.pop_front();
                continue;
            }
            if (b != w.bytes[0]) {
                // Something else came first: an adapter that echoes hands back the request
                // before anything can answer it.
                if (adapter_ != Adapter::Echoes) {
                    giveUpAll(out);
                    break;
                }
                ++i;
                continue;
            }
            passUpTo(i);
            w.firstNs = ns;
        }
        if (b == w.bytes[w.seen]) {
            held_.push_back(b);
            ++w.seen;
            passFrom = ++i;
            if (w.seen == w.bytes.size()) {
                learn(w);
                out.echoes.push_back(std::move(held_));
                held_.clear();
                waits_.pop_front();
            }
            continue;
        }
        // It began like the echo and went on as something else.
        if (adapter_ != Adapter::Echoes) {
            giveUpAll(out);
            break;
        }
        pass(out, held_, w.firstNs);
        held_.clear();
        w.seen = 0;
    }
    passUpTo(bytes.size());
    return out;
}

EchoMatcher::Out EchoMatcher::expire(Ns now, bool all) {
    Out out;
    if (all && !held_.empty()) {
        pass(out, held_, waits_.front().firstNs);
        held_.clear();
        waits_.pop_front();
    }
    while (!waits_.empty() && waits_.front().seen == 0 && waits_.front().sentNs &&
           now > *waits_.front().sentNs + kGiveUpNs + shownLatencyNs_) {
        waits_.pop_front();
        // Nothing at all came back: an adapter that echoes always does.
        if (adapter_ == Adapter::Unknown) {
            adapter_ = Adapter::Silent;
            out.missing = true;
            waits_.clear();
        }
    }
    return out;
}

} // namespace stepbench
