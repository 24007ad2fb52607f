#pragma once

#include "link/link.h"
#include "link/transaction.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <list>
#include <memory>
#include <optional>

namespace stepbench {

// Who asked for a request. The window shows the replies of every request but the motion
// sampler's in its receive log.
enum class Origin : std::uint8_t { Panel, Manual, Script, Scan, Profile, Sampler, Cli };

struct Request {
    Bytes frame; // exactly as it goes on the line
    // The device command it carries (for its name and its statistics); empty for raw bytes.
    std::optional<std::uint8_t> command;
    Origin origin = Origin::Panel;
    bool urgent = false; // a stop: written at once, ahead of anything waiting
    bool raw = false;    // typed bytes: no particular reply expected, done when the line is quiet
    std::optional<std::chrono::milliseconds> timeout; // default: the queue's reply timeout
};

struct Transaction {
    quint64 id = 0;
    Request request;
    QDateTime written; // when the request went on the line
    Bytes reply;       // the frame that closed it (for raw bytes: all that came back)
    Verdict verdict = Verdict::NoReply;
    std::optional<double> roundTripMs; // from the end of the write to the reply's last byte
    QString note;                      // why it ended early ("串口断开")
    // Not a transaction but an event of the line in its place ("串口重新打开"), when not empty.
    QString event;

    // The request's device address, when its frame names one.
    std::optional<std::uint8_t> address() const;
    // The Modbus exception code of an exception reply.
    std::optional<std::uint8_t> exceptionCode() const;
};

// Every request of the program goes through this one queue, so requests never overlap on the
// bus: each waits until the one before it is answered or timed out. A stop goes out at once. The
// queue matches each frame off the line to the request waiting for it, times the round trip and
// gives every transaction its verdict.
class TransactionQueue : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxWaiting = 100;
    static constexpr std::chrono::milliseconds kDefaultTimeout{300};
    // Raw bytes are done when the line has been quiet this long after them.
    static constexpr std::chrono::milliseconds kRawQuiet{20};
    // Devices need a moment after a broadcast before the next request.
    static constexpr std::chrono::milliseconds kBroadcastTurnaround{20};

    explicit TransactionQueue(Link& link, QObject* parent = nullptr);

    void setReplyTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    std::chrono::milliseconds replyTimeout() const { return timeout_; }

    // Queues the request; false, with the reason, when the port is closed or the queue is full.
    bool submit(Request request, QString* error = nullptr);
    // Nothing on the line and nothing waiting.
    bool idle() const { return active_.empty() && waiting_.empty() && !holding_; }
    std::size_t waiting() const { return waiting_.size(); }
    // Ends what is on the line (with the note, verdict 无应答) and drops what waits. For a port
    // that was closed or lost; its owner calls it.
    struct Aborted {
        std::size_t dropped = 0; // requests that never went out
        std::vector<Origin> cut; // the origins of the requests cut off on the line
    };
    Aborted abort(const QString& note);

signals:
    void started(const stepbench::Transaction& transaction);
    void closed(const stepbench::Transaction& transaction);
    // A piece off the line, and the origin of the request it answers (empty when it answers none).
    void pieceReceived(const stepbench::Piece& piece, std::optional<stepbench::Origin> origin);
    void becameIdle();

private:
    struct Active {
        Transaction transaction;
        std::optional<Expectation> expected; // empty for raw bytes
        qint64 writtenNs = 0;
        bool mismatch = false; // a frame for another address or command came meanwhile
        std::unique_ptr<QTimer> timer;
    };

    void pump();
    bool start(Request request);
    void onPiece(const Piece& piece, qint64 lastByteNs);
    void finish(std::list<Active>::iterator it, Verdict verdict, Bytes reply,
                std::optional<double> roundTripMs, const QString& note = {});
    void onTimeout(Active* active);

    Link& link_;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
    std::deque<Request> waiting_;
    std::list<Active> active_; // on the line, oldest first: one, and any stops written meanwhile
    quint64 nextId_ = 1;
    bool holding_ = false; // the turnaround after a broadcast
    bool pumping_ = false;
};

} // namespace stepbench
