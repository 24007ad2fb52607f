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

// The longest device reply: address, code, length, 16 data bytes, CRC.
constexpr std::size_t kLongestReply = 21;
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
    connect(&link_, &Link::lost, this,
            [this](const QString& reason) { goDown(Cause::Lost, reason); });
    connect(&link_, &Link::closed, this, [this] { goDown(Cause::Closed, {}); });
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
    Transaction t;
    t.id = nextId_++;
    t.request = std::move(request);
    const quint64 id = t.id;
    if (!stop) {
        waiting_.push_back(std::move(t));
        pump();
        return id;
    }
    // The stop is written before anything else can be: nothing is read first (a reply read now
    // could end the request on the line and let the next one out), and nothing waiting goes.
    const bool wasPumping = std::exchange(pumping_, true);
    write(std::move(t));
    pumping_ = wasPumping;
    std::deque<Transaction> cancelled;
    cancelled.swap(waiting_);
    for (Transaction& c : cancelled)
        cancel(std::move(c), Cause::Stop);
    pump();
    return id;
}

void TransactionQueue::pump() {
    // A request ending inside a write (a reply read just before it) must not start a second
    // write from within the first.
    if (pumping_) return;
    pumping_ = true;
    while (active_.empty() && !waiting_.empty() && link_.isOpen()) {
        // The line stays silent for 3.5 characters after its last byte, and for the
        // turnaround after a broadcast.
        const qint64 silence = link_.silenceNs();
        const qint64 free =
            std::max({lineFreeNs_, link_.lastByteNs() + silence, lastLeftNs_ + silence});
        if (Link::now() < free) break;
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
    if (idle()) emit becameIdle();
}

void TransactionQueue::write(Transaction t) {
    Active a;
    a.expected = t.request.raw ? std::nullopt : ExpectationOf(t.request.frame);
    if (a.expected) link_.setFraming(a.expected->framing);
    t.written = QDateTime::currentDateTime();
    const std::size_t size = t.request.frame.size();
    a.deadlineNs = Link::now() + wireNs(size) + Ns(kWriteAllowance);
    a.t = std::move(t);
    active_.push_back(std::move(a));
    Active& added = active_.back();
    const quint64 id = added.t.id;
    const QByteArray bytes = ToQ(added.t.request.frame);
    link_.setAwaitingReply(true);
    emit started(added.t);
    // A failed write takes the link down, which ends this request with the rest.
    if (!link_.write(bytes)) {
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
        a.leftNs = std::max(ns, lastLeftNs_) + wireNs(a.t.request.frame.size());
        a.t.leftNs = a.leftNs;
        lastLeftNs_ = a.leftNs;
        // One character of slack for an adapter's own buffering.
        a.deadlineNs = a.leftNs + link_.characterNs() + Ns(a.t.request.timeout.value_or(timeout_));
        if (a.expected && a.expected->broadcast) {
            lineFreeNs_ = std::max(lineFreeNs_, a.leftNs + Ns(turnaround_));
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
    for (auto it = active_.begin(); it != active_.end(); ++it) {
        // Only what began to arrive after the request had left the line can answer it; its
        // own bytes before then are the adapter's echo.
        if (it->writing || firstNs < it->leftNs) {
            if (piece.bytes == it->t.request.frame) {
                emit pieceReceived(piece, std::nullopt, PieceRole::Echo, std::nullopt);
                return;
            }
            continue;
        }
        const Origin origin = it->t.request.origin;
        if (!it->expected) {
            // Raw bytes collect what comes back until the line is quiet.
            Bytes& reply = it->t.reply;
            reply.insert(reply.end(), piece.bytes.begin(), piece.bytes.end());
            it->t.roundTripMs = Ms(lastNs - it->leftNs);
            it->deadlineNs = lastNs + link_.silenceNs();
            emit pieceReceived(piece, origin, PieceRole::Reply, std::nullopt);
            arm();
            return;
        }
        const auto verdict = Judge(*it->expected, piece);
        if (!verdict || *verdict == Verdict::Mismatch) continue;
        emit pieceReceived(piece, origin, PieceRole::Reply, it->t.request.command);
        // The listeners may have closed the line meanwhile.
        const quint64 id = it->t.id;
        const auto found = std::find_if(active_.begin(), active_.end(),
                                        [id](const Active& x) { return x.t.id == id; });
        if (found != active_.end())
            finish(found, *verdict, piece.bytes, Ms(lastNs - found->leftNs));
        return;
    }
    if (piece.kind == PieceKind::Noise || takeLate(piece)) {
        if (piece.kind == PieceKind::Noise)
            emit pieceReceived(piece, std::nullopt, PieceRole::Other, std::nullopt);
        return;
    }
    // A frame for another address or command while a request waits.
    for (Active& a : active_) {
        if (a.writing || firstNs < a.leftNs || !a.expected) continue;
        a.mismatch = true;
        if (a.t.reply.empty()) a.t.reply = piece.bytes;
    }
    emit pieceReceived(piece, std::nullopt, PieceRole::Other, std::nullopt);
}

// A frame that answers no request waiting for it: a reply to one that has ended, or one that
// came while none was waiting. False when a request is waiting and the frame is foreign to it.
bool TransactionQueue::takeLate(const Piece& piece) {
    const auto ended = std::find_if(ended_.rbegin(), ended_.rend(), [&piece](const Ended& e) {
        return Concerns(e.expected, piece);
    });
    const bool awaited = std::any_of(active_.begin(), active_.end(),
                                     [](const Active& a) { return !a.writing && a.expected; });
    if (ended == ended_.rend() && awaited) return false;
    Transaction late;
    late.verdict = Verdict::Late;
    late.written = QDateTime::currentDateTime();
    late.reply = piece.bytes;
    late.request.frame = {};
    if (ended != ended_.rend()) {
        late.answers = ended->id;
        late.request.command = ended->command;
        late.request.origin = ended->origin;
    } else {
        const Bytes m = FrameMessage(piece);
        const bool device = m.size() >= 2 && m[1] != modbus::kReadRegisters &&
                            m[1] != modbus::kWriteRegisters && !(m[1] & modbus::kExceptionBit);
        if (device) late.request.command = m[1];
    }
    emit pieceReceived(piece, late.request.origin, PieceRole::Late, late.request.command);
    emit lateReply(late);
    return true;
}

qint64 TransactionQueue::replyAllowanceNs(const Active& a) const {
    std::size_t bytes = kLongestReply;
    if (a.expected && a.expected->function == modbus::kReadRegisters)
        bytes = 3 + 2 * std::size_t{a.expected->count} + 2;
    const std::size_t characters =
        a.expected && a.expected->framing == LinkMode::Ascii ? 2 * bytes + 3 : bytes;
    return wireNs(characters) + Ns(kByteGap);
}

void TransactionQueue::service() {
    const qint64 now = Link::now();
    const auto started = link_.frameStartedNs();
    std::vector<quint64> expired;
    for (const Active& a : active_) {
        qint64 deadline = a.deadlineNs;
        // A reply that has begun is given its time on the wire to complete.
        if (!a.writing && a.expected && started && *started >= a.leftNs)
            deadline = std::max(deadline, *started + replyAllowanceNs(a));
        if (now >= deadline) expired.push_back(a.t.id);
    }
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
    const auto started = link_.frameStartedNs();
    for (const Active& a : active_) {
        qint64 deadline = a.deadlineNs;
        if (!a.writing && a.expected && started && *started >= a.leftNs)
            deadline = std::max(deadline, *started + replyAllowanceNs(a));
        wake = std::min(wake, deadline);
    }
    if (active_.empty() && !waiting_.empty()) {
        const qint64 silence = link_.silenceNs();
        wake = std::max({lineFreeNs_, link_.lastByteNs() + silence, lastLeftNs_ + silence});
    }
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
    if (it->expected && !it->expected->broadcast) {
        ended_.push_back({done.id, *it->expected, done.request.command, done.request.origin});
        if (ended_.size() > kEndedKept) ended_.pop_front();
    }
    active_.erase(it);
    if (active_.empty()) link_.setAwaitingReply(false);
    emit closed(done);
    pump();
}

void TransactionQueue::cancel(Transaction t, Cause cause) {
    t.verdict = Verdict::Cancelled;
    t.cause = cause;
    t.written = QDateTime::currentDateTime();
    emit closed(t);
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
    emit lineDown(down);
}

} // namespace stepbench
