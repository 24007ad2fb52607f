#pragma once

#include "link/link.h"
#include "link/transaction.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <list>
#include <optional>
#include <vector>

namespace stepbench {

// Who asked for a request. The window shows the replies of every request but the motion
// sampler's in its receive log.
enum class Origin : std::uint8_t { Panel, Manual, Script, Scan, Profile, Sampler, Cli };

struct Request {
    Bytes frame; // exactly as it goes on the line
    // The device command it carries (for its name, its statistics and its reply's value); empty
    // for raw bytes. A stop (0x3C, 0x3D) goes out at once, ahead of anything waiting.
    std::optional<std::uint8_t> command;
    Origin origin = Origin::Panel;
    bool raw = false; // typed bytes: no particular reply expected, done when the line is quiet
    std::optional<std::chrono::milliseconds> timeout; // default: the queue's reply timeout
};

// Why a request ended without its own answer being waited for.
enum class Cause : std::uint8_t {
    None,
    Stop,        // a stop went out first and cancelled it
    Closed,      // the port was closed
    Lost,        // the port went away
    WriteFailed, // the system would not take the bytes
};
// The note the monitor shows for it ("串口已关闭"); empty for None.
std::string_view CauseNote(Cause cause);

struct Transaction {
    quint64 id = 0;
    Request request;
    QDateTime written; // when the request went on the line (or was cancelled, or came late)
    Bytes reply;       // the frame that closed it (for raw bytes: all that came back)
    Verdict verdict = Verdict::NoReply;
    std::optional<double> roundTripMs; // from the request leaving the line to the reply's end
    qint64 leftNs = 0; // when it left the line, on the link's clock; 0 when it never did
    // When a drive heard it: its bytes through at the baud rate, also on a line not timed by it
    // (the virtual device, a drive behind a pseudo-terminal hear it then); 0 when it never went.
    qint64 heardNs = 0;
    Cause cause = Cause::None;
    // Not a transaction but an event of the line in its place ("串口重新打开"), when not empty.
    QString event;
    // A late reply: the request it answers, when its address and function say so.
    std::optional<quint64> answers;
    // The time from the end of the line's frame before it to its request leaving the line.
    std::optional<double> gapMs;

    // The request's device address, when its frame names one (a late reply's, from the reply).
    std::optional<std::uint8_t> address() const;
    // The Modbus exception code of an exception reply.
    std::optional<std::uint8_t> exceptionCode() const;
    // The framing the request went out in.
    LinkMode framing() const;
};

// What a piece off the line is to the queue.
enum class PieceRole : std::uint8_t {
    Reply, // it answers a request
    Typed, // it came back after typed bytes: shown as it is, never read into fields
    Late,  // it came when no request was waiting for it, or before its request had left
    Echo,  // the request's own bytes, handed back by the adapter
    Other, // noise, or a frame for something else while a request waits
};

// Every request of the program goes through this one queue, which alone decides what a reply
// belongs to and when a request has ended:
// - requests never overlap on the bus: each waits until the one before it has ended, and then
//   for 3.5 silent characters after the line's last byte (after a broadcast, the turnaround);
// - after a request got no reply (or only foreign frames), the next one its late reply could
//   also answer (the same address and function) waits until the line has been quiet for a
//   reply timeout, or until that late reply has come; requests to other addresses go on;
// - a stop is written at once, before anything else can be, and cancels every request still
//   waiting;
// - a request leaves the line when the system has taken its bytes, plus their time on the wire
//   on a timed line (Link::timed()); only a frame that began to arrive after that can answer
//   it, and only one from its address with its function and the size its request asks for
//   (for a register read, twice as many bytes as registers; a register write echoed; a device
//   command's data length). Its reply timeout runs from the bytes' time on the wire to the
//   reply's first byte, and a reply that has begun (its first bytes the address and function
//   awaited) has its own time on the wire plus a gap allowance to complete;
// - a frame that answers nothing waiting is a late reply, linked to the oldest ended request
//   that got no reply and that it answers; it never closes a later request;
// - every accepted request ends exactly once (closed()), also when the port closes or goes;
//   a request's events reach its owner only after submit() has returned its id.
// Every transaction is stamped with the local time. With TZ unset, the C library looks at
// /etc/localtime again on each conversion (a file system call per frame on a busy line); naming
// it once in TZ makes it read the zone once. Call before any thread starts.
void ReadTimeZoneOnce();

class TransactionQueue : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxWaiting = 100;
    static constexpr std::chrono::milliseconds kDefaultTimeout{300};
    static constexpr std::chrono::milliseconds kDefaultTurnaround{100};
    // A reply that has begun may pause this long between its bytes (a USB adapter's latency).
    static constexpr std::chrono::milliseconds kByteGap{50};
    // A write the system does not finish taking within this much beyond its wire time has
    // failed to leave.
    static constexpr std::chrono::milliseconds kWriteAllowance{1000};

    explicit TransactionQueue(Link& link, QObject* parent = nullptr);

    void setReplyTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    std::chrono::milliseconds replyTimeout() const { return timeout_; }
    // How long devices are given after a broadcast before the next request.
    void setTurnaround(std::chrono::milliseconds turnaround) { turnaround_ = turnaround; }
    std::chrono::milliseconds turnaround() const { return turnaround_; }

    // Queues the request (a stop goes out at once). Its id, or 0 with the reason when the port
    // is closed or the queue is full.
    quint64 submit(Request request, QString* error = nullptr);
    // Nothing on the line and nothing waiting.
    bool idle() const { return active_.empty() && waiting_.empty(); }
    std::size_t waiting() const { return waiting_.size(); }

    // What went with the line when it closed or was lost.
    struct LineDown {
        Cause cause = Cause::Closed;
        QString reason;
        std::size_t cancelled = 0; // requests that never went out
        std::vector<Origin> cut;   // the origins of the requests cut off on the line
    };

signals:
    void started(const stepbench::Transaction& transaction);
    // Each accepted request, exactly once.
    void closed(const stepbench::Transaction& transaction);
    // A late reply, a row of its own.
    void lateReply(const stepbench::Transaction& reply);
    // A piece off the line, what it is, and the origin and device command of the request it
    // answers (a register read's reply is read as that command's).
    void pieceReceived(const stepbench::Piece& piece, std::optional<stepbench::Origin> origin,
                       stepbench::PieceRole role, std::optional<std::uint8_t> command);
    void becameIdle();
    // After every request of the line has been closed.
    void lineDown(const stepbench::TransactionQueue::LineDown& down);

private:
    struct Active {
        Transaction t;
        std::optional<Expectation> expected; // empty for raw bytes
        bool writing = true;                 // the system has not taken all its bytes yet
        qint64 leftNs = 0;                   // when it left the line
        qint64 throughNs = 0; // when its bytes were through at the baud rate, timed or not
        qint64 deadlineNs = 0;
        bool mismatch = false; // a frame for another address or command came meanwhile
    };
    struct Ended {
        quint64 id;
        Expectation expected;
        std::optional<std::uint8_t> command;
        Origin origin;
        qint64 endNs;
        qint64 timeoutNs;
        bool unanswered; // no reply came: a late one may still come, and none has yet
    };

    void pump();
    // When the request may go on the line, at the earliest.
    qint64 freeAt(const Transaction& next) const;
    void write(Transaction t);
    void onWriteCompleted(qint64 ns);
    void onPiece(const Piece& piece, qint64 firstNs, qint64 lastNs);
    // The ended request a frame is the late reply of, taken; empty when none.
    std::optional<Ended> takeLateFor(const Piece& piece);
    void late(const Piece& piece, const std::optional<Ended>& answers);
    void service();
    void arm();
    qint64 deadline(const Active& a, const std::optional<Link::StartedFrame>& started) const;
    void finish(std::list<Active>::iterator it, Verdict verdict, Bytes reply,
                std::optional<double> roundTripMs, Cause cause = Cause::None);
    void cancel(Transaction t, Cause cause);
    void goDown(Cause cause, const QString& reason);
    qint64 wireNs(std::size_t bytes) const { return qint64(bytes) * link_.characterNs(); }
    // Emits now, or after what is waiting to be emitted; from inside submit() once the event
    // loop runs, when the caller knows the request's id.
    void post(std::function<void()> emission);
    void deliver();

    Link& link_;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
    std::chrono::milliseconds turnaround_ = kDefaultTurnaround;
    std::deque<Transaction> waiting_;
    std::list<Active> active_; // on the line, oldest first: one, and any stops written meanwhile
    std::deque<Ended> ended_;  // the latest requests ended, for late replies to name
    QTimer timer_;
    quint64 nextId_ = 1;
    qint64 lineFreeNs_ = 0; // no request before this (after a broadcast, or a request's end)
    qint64 lastLeftNs_ = 0; // when the last request's bytes were through, on the wire
    bool pumping_ = false;
    bool submitting_ = false;
    std::deque<std::function<void()>> outbox_;
};

} // namespace stepbench
