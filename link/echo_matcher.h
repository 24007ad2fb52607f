#pragma once

#include "codec/bytes.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace stepbench {

// Tells an RS-485 adapter's echo of a request from the drive's reply by when it comes. An
// adapter without echo cancelling hands back each byte as it goes out, so an echo begins while
// its request is being sent; a reply can only begin after the request has left the line. A USB
// adapter delivers what it receives late (its latency timer, up to 16 ms), so an echo may also
// come shortly after. Where the request's own bytes could also be its reply (a handshake, a
// stop), only time tells:
// - a copy that began before the request had left the line (and a moment after) is its echo;
// - once this adapter has shown its echo (a request's own bytes where the reply differs), a copy
//   within the latency the adapter has shown, and a few ms, is its echo;
// - until then, within the latency allowance of the kind of port (none for a UART, a
//   pseudo-terminal or a USB modem port, which deliver at once);
// - later, it is the reply.
// Something else coming first shows that the adapter does not echo: no echo is looked for again
// until reset(), and missing() says so once. Bytes held while they may still be an echo are never
// lost: they are given out in order when they turn out to be something else.
class EchoMatcher {
public:
    using Ns = std::int64_t;
    enum class Adapter : std::uint8_t { Unknown, Echoes, Silent };
    // What an echo may come later than its request's last byte, beyond what the adapter has
    // shown, before a copy of the request counts as the reply.
    static constexpr Ns kSlackNs = 10'000'000;
    // A port that delivers at once still takes a moment to hand on the last byte's echo.
    static constexpr Ns kPromptNs = 1'000'000;
    // A USB adapter's or a device server's latency, before it has shown its own.
    static constexpr Ns kUsbLatencyNs = 20'000'000;
    // An echo not begun this long after its request left never comes: the adapter is silent.
    static constexpr Ns kGiveUpNs = 60'000'000;

    // A run of bytes that is no echo, with the time its first byte came.
    struct Run {
        Bytes bytes;
        Ns ns = 0;
    };
    struct Out {
        std::vector<Run> passed;   // in the order they came
        std::vector<Bytes> echoes; // whole echoes recognised
        bool missing = false;      // this call showed that the adapter does not echo
    };

    // A new line: nothing is known of the adapter. latencyNs: how late this kind of port may
    // deliver what it receives; characterNs: one character's time on the line.
    void reset(Ns latencyNs, Ns characterNs);
    void setCharacterNs(Ns characterNs) { characterNs_ = characterNs; }
    // Off: nothing is held or looked for (what is held is given out by the next take()).
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

    // A request is being written at writeNs; mayBeReply when its own bytes would pass for its
    // reply.
    void expect(ByteView request, bool mayBeReply, Ns writeNs);
    // The requests written so far have left the line at sentNs (the system took them, plus their
    // time on the wire).
    void sent(Ns sentNs);
    // Bytes off the line that came at ns.
    Out take(ByteView bytes, Ns ns);
    // Gives up echoes that can no longer come by now (the adapter is then known to be silent)
    // and, with all, what is held of one begun: the line has gone quiet for good.
    Out expire(Ns now, bool all = false);

    Adapter adapter() const { return adapter_; }
    bool holding() const { return !held_.empty(); }
    // The echoes still looked for.
    std::size_t waiting() const { return waits_.size(); }

private:
    struct Wait {
        Bytes bytes;
        bool mayBeReply = false;
        Ns writeNs = 0;
        std::optional<Ns> sentNs;
        std::size_t seen = 0;
        Ns firstNs = 0;
    };
    bool mayBegin(const Wait& w, Ns ns) const;
    void learn(const Wait& w);
    void giveUpAll(Out& out);
    void pass(Out& out, ByteView bytes, Ns ns);

    bool enabled_ = false;
    Adapter adapter_ = Adapter::Unknown;
    Ns portLatencyNs_ = 0;
    Ns shownLatencyNs_ = 0;
    Ns characterNs_ = 0;
    std::deque<Wait> waits_;
    Bytes held_; // the bytes of the front echo seen so far
};

} // namespace stepbench
