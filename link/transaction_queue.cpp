#include "link/transaction_queue.h"

#include "codec/modbus.h"
#include "codec/tr.h"
#include "commands/protocol.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace stepbench {

void ReadTimeZoneOnce() {
    if (!qEnvironmentVariableIsSet("TZ") && QFileInfo::exists("/etc/localtime"))
        qputenv("TZ", ":/etc/localtime");
}
namespace {

// Late replies name one of the latest requests that ended.
constexpr std::size_t kEndedKept = 16;

QByteArray ToQ(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

qint64 Ns(std::chrono::milliseconds ms) {
    return std::chrono::nanoseconds(ms).count();
}

double Ms(qint64 ns) {
    return double(ns) / 1e6;
}

} // namespace

std::string_view CauseNote(Cause cause) {
    switch (cause) {
    case Cause::None:
        return {};
    case Cause::Stop:
        return ZH("停止命令优先，未发送");
    case Cause::Closed:
        return ZH("串口已关闭");
    case Cause::Lost:
        return ZH("串口断开");
    case Cause::WriteFailed:
        return ZH("写入失败");
    }
    return {};
}

// A late reply has no request: its own bytes tell.
LinkMode Transaction::framing() const {
    const auto e = ExpectationOf(request.frame.empty() ? reply : request.frame);
    return e ? e->framing : LinkMode::Rtu;
}

std::optional<std::uint8_t> Transaction::address() const {
    if (request.raw) return std::nullopt;
    const auto e = ExpectationOf(request.frame.empty() ? reply : request.frame);
    return e ? std::optional(e->address) : std::nullopt;
}

std::optional<std::uint8_t> Transaction::exceptionCode() const {
    if (verdict != Verdict::Exception) return std::nullopt;
    const Bytes message = FrameMessage({PieceKind::Frame, reply, framing()});
    return message.size() >= 3 ? std::optional(message[2]) : std::nullopt;
}

TransactionQueue::TransactionQueue(Link& link, QObject* parent) : QObject(parent), link_(link) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TransactionQueue::service);
    connect(&link_, &Link::pieceReceived, this, &TransactionQueue::onPiece);
    connect(&link_, &Link::writeCompleted, this, &TransactionQueue::onWriteCompleted);
    connect(&link_, &Link::echoed, this, [this](const QByteArray& bytes) {
        const Piece echo{PieceKind::Noise, Bytes(bytes.begin(), bytes.end()), link_.framing()};
        post([this, echo] {
            emit pieceReceived(echo, std::nullopt, PieceRole::Echo, std::nullopt);
        });
    });
    connect(&link_, &Link::lost, this,
            [this](const QString& reason) { goDown(Cause::Lost, reason); });
    connect(&link_, &Link::closed, this, [this] { goDown(Cause::Closed, {}); });
}

void TransactionQueue::post(std::function<void()> emission) {
    if (submitting_) {
        if (outbox_.empty())
            QMetaObject::invokeMethod(this, &TransactionQueue::deliver, Qt::QueuedConnection);
        outbox_.push_back(std::move(emission));
        return;
    }
    deliver();
    emission();
}

void TransactionQueue::deliver() {
    while (!outbox_.empty()) {
        const std::function<void()> emission = std::move(outbox_.front());
        outbox_.pop_front();
        emission();
    }
}

quint64 TransactionQueue::submit(Request request, QString* error) {
    const auto refuse = [error](const QString& why) {
        if (error) *error = why;
        return quint64{0};
    };
    if (!link_.isOpen()) return refuse(Tr("串口未打开，没有发送"));
    const bool stop = !request.raw && request.command && IsStopCommand(*request.command);
    if (!stop && waiting_.size() >= kMaxWaiting)
        return refuse(Tr("已有 %1 条命令在排队等待发送，这条命令未发送").arg(kMaxWaiting));
    const bool wasSubmitting = std::exchange(submitting_, true);
    Transaction t;
    t.id = nextId_++;
    t.request = std::move(request);
    const quint64 id = t.id;
    if (!stop) {
        waiting_.push_back(std::move(t));
    } else {
        // The stop is written before anything else can be: nothing is read first (a reply read
        // now could end the request on the line and let the next one out), and nothing waiting
        // goes.
        const bool wasPumping = std::exchange(pumping_, true);
        write(std::move(t));
        pumping_ = wasPumping;
        std::deque<Transaction> cancelled;
        cancelled.swap(waiting_);
        for (Transaction& c : cancelled)
            cancel(std::move(c), Cause::Stop);
    }
    pump();
    submitting_ = wasSubmitting;
    return id;
}

qint64 TransactionQueue::freeAt(const Transaction& next) const {
    // The line stays silent for 3.5 characters after its last byte, and for the turnaround
    // after a broadcast.
    const qint64 silence = link_.silenceNs();
    qint64 free = std::max({lineFreeNs_, link_.lastByteNs() + silence, lastLeftNs_ + silence});
    // A late reply to a request that got none could answer this one too: it waits for the line
    // to be quiet for a reply timeout (no longer than two after that request ended), or for
    // the late reply.
    if (next.request.raw) return free;
    const auto e = ExpectationOf(next.request.frame);
    if (!e || e->broadcast) return free;
    for (const Ended& ended : ended_) {
        if (!ended.unanswered || ended.expected.function != e->function) continue;
        if (!ended.expected.anyAddress && !e->anyAddress && ended.expected.address != e->address)
            continue;
        const qint64 quiet = std::max(ended.endNs, link_.lastByteNs()) + ended.timeoutNs;
        free = std::max(free, std::min(quiet, ended.endNs + 2 * ended.timeoutNs));
    }
    return free;
}

void TransactionQueue::pump() {
    // A request ending inside a write (a reply read just before it) must not start a second
    // write from within the first.
    if (pumping_) return;
    pumping_ = true;
    while (active_.empty() && !waiting_.empty() && link_.isOpen()) {
        if (Link::now() < freeAt(waiting_.front())) break;
        // Replies to earlier requests are read, and shown, before this one goes out; what
        // they bring may call for more silence.
        const qint64 lastByte = link_.lastByteNs();
        link_.pollNow();
        if (link_.lastByteNs() != lastByte) continue;
        if (!active_.empty() || waiting_.empty() || !link_.isOpen()) break;
        Transaction next = std::move(waiting_.front());
        waiting_.pop_front();
        write(std::move(next));
    }
    pumping_ = false;
    arm();
    if (idle()) post([this] { emit becameIdle(); });
}

void TransactionQueue::write(Transaction t) {
    Active a;
    a.expected = t.request.raw ? std::nullopt : ExpectationOf(t.request.frame);
    if (a.expected) link_.setFraming(a.expected->framing);
    // Its reply would answer an earlier request of its kind too: from now on a reply of that
    // kind is this one's (the earlier one's was waited for).
    for (Ended& e : ended_)
        if (a.expected && e.expected.function == a.expected->function &&
            e.expected.address == a.expected->address)
            e.unanswered = false;
    t.written = QDateTime::currentDateTime();
    const std::size_t size = t.request.frame.size();
    a.deadlineNs = Link::now() + wireNs(size) + Ns(kWriteAllowance);
    // Only time tells the echo of a request whose reply would be its own bytes.
    const bool mayBeReply = !a.expected || Judge(*a.expected, {PieceKind::Frame, t.request.frame,
                                                               a.expected->framing}) == Verdict::Ok;
    a.t = std::move(t);
    active_.push_back(std::move(a));
    Active& added = active_.back();
    const quint64 id = added.t.id;
    const QByteArray bytes = ToQ(added.t.request.frame);
    link_.setAwaitingReply(true);
    post([this, t = added.t] { emit started(t); });
    // A failed write takes the link down, which ends this request with the rest.
    if (!link_.write(bytes, mayBeReply)) {
        const auto it = std::find_if(active_.begin(), active_.end(),
                                     [id](const Active& x) { return x.t.id == id; });
        if (it != active_.end())
            finish(it, Verdict::Cancelled, {}, std::nullopt, Cause::WriteFailed);
        return;
    }
    arm();
}

void TransactionQueue::onWriteCompleted(qint64 ns) {
    std::vector<quint64> broadcasts;
    for (Active& a : active_) {
        if (!a.writing) continue;
        a.writing = false;
        // The bytes leave one after another, each at the line's speed.
        const qint64 through = std::max(ns, lastLeftNs_) + wireNs(a.t.request.frame.size());
        lastLeftNs_ = through;
        // On a line without baud timing (a simulator, a device's own USB port) the reply may
        // come as soon as the system has taken the request.
        a.throughNs = through;
        a.t.heardNs = through;
        a.leftNs = link_.timed() ? through : ns;
        a.t.leftNs = a.leftNs;
        // One character of slack for an adapter's own buffering; the timeout allows for the
        // bytes' time at the baud rate also where the line is not timed by it.
        a.deadlineNs = through + link_.characterNs() + Ns(a.t.request.timeout.value_or(timeout_));
        if (a.expected && a.expected->broadcast) {
            lineFreeNs_ = std::max(lineFreeNs_, through + Ns(turnaround_));
            broadcasts.push_back(a.t.id);
        }
    }
    for (quint64 id : broadcasts) {
        const auto it = std::find_if(active_.begin(), active_.end(),
                                     [id](const Active& x) { return x.t.id == id; });
        if (it != active_.end()) finish(it, Verdict::Broadcast, {}, std::nullopt);
    }
    arm();
}

void TransactionQueue::onPiece(const Piece& piece, qint64 firstNs, qint64 lastNs) {
    const auto left = [firstNs](const Active& a) { return !a.writing && firstNs >= a.leftNs; };
    // A request's own bytes before its bytes could have crossed the line are the adapter's echo,
    // also on a line not timed by the baud rate: there only a reply that is not the request's
    // own bytes counts however soon it comes.
    for (const Active& a : active_)
        if ((a.writing || firstNs < a.throughNs) && piece.bytes == a.t.request.frame)
            return post([this, piece] {
                emit pieceReceived(piece, std::nullopt, PieceRole::Echo, std::nullopt);
            });
    // The reply of a request waiting for one: a stop's, ahead of typed bytes keeping the line.
    for (auto it = active_.begin(); it != active_.end(); ++it) {
        if (!it->expected || !left(*it)) continue;
        const auto verdict = Judge(*it->expected, piece);
        if (!verdict || *verdict == Verdict::Mismatch) continue;
        const Origin origin = it->t.request.origin;
        const auto command = it->t.request.command;
        const quint64 id = it->t.id;
        const double roundTrip = Ms(lastNs - it->leftNs);
        post([this, piece, origin, command] {
            emit pieceReceived(piece, origin, PieceRole::Reply, command);
        });
        // The listeners may have closed the line meanwhile.
        const auto found = std::find_if(active_.begin(), active_.end(),
                                        [id](const Active& x) { return x.t.id == id; });
        if (found != active_.end()) finish(found, *verdict, piece.bytes, roundTrip);
        return;
    }
    // A late reply to a request that got none stays one.
    if (piece.kind != PieceKind::Noise)
        if (auto answers = takeLateFor(piece)) return late(piece, answers);
    // Typed bytes collect whatever else comes back until the line is quiet.
    for (Active& a : active_) {
        if (a.expected || !left(a)) continue;
        Bytes& reply = a.t.reply;
        reply.insert(reply.end(), piece.bytes.begin(), piece.bytes.end());
        a.t.roundTripMs = Ms(lastNs - a.leftNs);
        a.deadlineNs = lastNs + link_.silenceNs();
        const Origin origin = a.t.request.origin;
        post([this, piece, origin] {
            emit pieceReceived(piece, origin, PieceRole::Typed, std::nullopt);
        });
        return arm();
    }
    bool awaited = false;
    if (piece.kind != PieceKind::Noise) {
        // A frame for another address or command while a request waits.
        for (Active& a : active_) {
            if (!a.expected || !left(a)) continue;
            awaited = true;
            a.mismatch = true;
            if (a.t.reply.empty()) a.t.reply = piece.bytes;
        }
        // A frame that answers nothing (nothing waits, or it began before its request had
        // left): a row of its own.
        if (!awaited) return late(piece, std::nullopt);
    }
    post(
        [this, piece] { emit pieceReceived(piece, std::nullopt, PieceRole::Other, std::nullopt); });
}

// Drives answer in order: the oldest request without a reply that the frame answers.
std::optional<TransactionQueue::Ended> TransactionQueue::takeLateFor(const Piece& piece) {
    for (Ended& e : ended_) {
        if (!e.unanswered || !Concerns(e.expected, piece)) continue;
        e.unanswered = false;
        return e;
    }
    return std::nullopt;
}

void TransactionQueue::late(const Piece& piece, const std::optional<Ended>& answers) {
    Transaction late;
    late.verdict = Verdict::Late;
    late.written = QDateTime::currentDateTime();
    late.reply = piece.bytes;
    late.request.frame = {};
    if (answers) {
        late.answers = answers->id;
        late.request.command = answers->command;
        late.request.origin = answers->origin;
    } else {
        const Bytes m = FrameMessage(piece);
        const bool device = m.size() >= 2 && m[1] != modbus::kReadRegisters &&
                            m[1] != modbus::kWriteRegisters && !(m[1] & modbus::kExceptionBit);
        if (device) late.request.command = m[1];
    }
    post([this, piece, late] {
        emit pieceReceived(piece, late.request.origin, PieceRole::Late, late.request.command);
        emit lateReply(late);
    });
    // A request held back for this reply may go now.
    if (answers) pump();
}

qint64 TransactionQueue::deadline(const Active& a,
                                  const std::optional<Link::StartedFrame>& started) const {
    // A reply that has begun (its first bytes those awaited) is given its time on the wire to
    // complete; noise that merely came before the timeout is not.
    if (a.writing || !a.expected || !started || started->firstNs < a.leftNs ||
        !CouldBegin(*a.expected, started->bytes))
        return a.deadlineNs;
    const qint64 complete = started->firstNs + wireNs(ReplyCharacters(*a.expected)) + Ns(kByteGap);
    return std::max(a.deadlineNs, complete);
}

void TransactionQueue::service() {
    // What has come is read before any request is given up: a busy moment that held up this
    // timer must not turn a reply that is there into a missing one.
    link_.pollNow();
    const qint64 now = Link::now();
    const auto started = link_.startedFrame();
    std::vector<quint64> expired;
    for (const Active& a : active_)
        if (now >= deadline(a, started)) expired.push_back(a.t.id);
    // A frame that began but never ended is shown now; it may still answer the request.
    if (!expired.empty()) link_.flush();
    for (quint64 id : expired) {
        const auto it = std::find_if(active_.begin(), active_.end(),
                                     [id](const Active& x) { return x.t.id == id; });
        if (it == active_.end()) continue;
        if (!it->expected)
            finish(it, Verdict::Unchecked, it->t.reply, it->t.roundTripMs);
        else
            finish(it, it->mismatch ? Verdict::Mismatch : Verdict::NoReply, it->t.reply,
                   std::nullopt);
    }
    pump();
}

void TransactionQueue::arm() {
    qint64 wake = std::numeric_limits<qint64>::max();
    const auto started = link_.startedFrame();
    for (const Active& a : active_)
        wake = std::min(wake, deadline(a, started));
    if (active_.empty() && !waiting_.empty()) wake = freeAt(waiting_.front());
    if (wake == std::numeric_limits<qint64>::max()) return timer_.stop();
    // Rounded up: a timer that fires early only comes round again.
    const qint64 ms = std::max<qint64>(0, (wake - Link::now() + 999'999) / 1'000'000);
    timer_.start(std::chrono::milliseconds(ms));
}

void TransactionQueue::finish(std::list<Active>::iterator it, Verdict verdict, Bytes reply,
                              std::optional<double> roundTripMs, Cause cause) {
    Transaction done = std::move(it->t);
    done.verdict = verdict;
    done.reply = std::move(reply);
    done.roundTripMs = roundTripMs;
    done.cause = cause;
    if (it->expected && !it->expected->broadcast && cause == Cause::None) {
        const bool unanswered = verdict == Verdict::NoReply || verdict == Verdict::Mismatch;
        ended_.push_back({done.id, *it->expected, done.request.command, done.request.origin,
                          Link::now(), Ns(done.request.timeout.value_or(timeout_)), unanswered});
        if (ended_.size() > kEndedKept) ended_.pop_front();
    }
    active_.erase(it);
    if (active_.empty()) link_.setAwaitingReply(false);
    post([this, done] { emit closed(done); });
    pump();
}

void TransactionQueue::cancel(Transaction t, Cause cause) {
    t.verdict = Verdict::Cancelled;
    t.cause = cause;
    t.written = QDateTime::currentDateTime();
    post([this, t] { emit closed(t); });
}

void TransactionQueue::goDown(Cause cause, const QString& reason) {
    LineDown down{cause, reason, waiting_.size(), {}};
    timer_.stop();
    // Nothing is started while the line goes: every request of it ends first.
    const bool wasPumping = std::exchange(pumping_, true);
    std::deque<Transaction> cancelled;
    cancelled.swap(waiting_);
    while (!active_.empty()) {
        const auto it = active_.begin();
        down.cut.push_back(it->t.request.origin);
        const Cause why = it->writing && cause == Cause::Lost ? Cause::WriteFailed : cause;
        if (!it->expected && !it->writing)
            finish(it, Verdict::Unchecked, it->t.reply, it->t.roundTripMs, why);
        else
            finish(it, it->writing ? Verdict::Cancelled : Verdict::NoReply, {}, std::nullopt, why);
    }
    for (Transaction& t : cancelled)
        cancel(std::move(t), cause);
    ended_.clear();
    lineFreeNs_ = lastLeftNs_ = 0;
    pumping_ = wasPumping;
    post([this, down] { emit lineDown(down); });
}

} // namespace stepbench
