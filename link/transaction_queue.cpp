#include "link/transaction_queue.h"

#include "link/tr.h"

namespace stepbench {
namespace {

QByteArray ToQ(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

} // namespace

std::optional<std::uint8_t> Transaction::address() const {
    if (request.raw) return std::nullopt;
    const auto e = ExpectationOf(request.frame);
    return e ? std::optional(e->address) : std::nullopt;
}

std::optional<std::uint8_t> Transaction::exceptionCode() const {
    if (verdict != Verdict::Exception) return std::nullopt;
    const auto e = ExpectationOf(request.frame);
    const Bytes message = FrameMessage({PieceKind::Frame, reply, e ? e->framing : LinkMode::Rtu});
    return message.size() >= 3 ? std::optional(message[2]) : std::nullopt;
}

TransactionQueue::TransactionQueue(Link& link, QObject* parent) : QObject(parent), link_(link) {
    connect(&link_, &Link::pieceReceived, this, &TransactionQueue::onPiece);
}

bool TransactionQueue::submit(Request request, QString* error) {
    const auto refuse = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!link_.isOpen()) return refuse(Tr("串口未打开，没有发送"));
    if (request.urgent) return start(std::move(request));
    if (waiting_.size() >= kMaxWaiting)
        return refuse(Tr("已有 %1 条命令在排队等待发送，这条命令未发送").arg(kMaxWaiting));
    waiting_.push_back(std::move(request));
    pump();
    return true;
}

void TransactionQueue::pump() {
    // A close inside a write (a reply to an earlier request read just before it) must not start
    // a second write from within the first.
    if (pumping_) return;
    pumping_ = true;
    while (active_.empty() && !holding_ && !waiting_.empty() && link_.isOpen()) {
        Request next = std::move(waiting_.front());
        waiting_.pop_front();
        start(std::move(next));
    }
    pumping_ = false;
    if (idle()) emit becameIdle();
}

bool TransactionQueue::start(Request request) {
    // Replies to earlier requests are read, and shown, before this one goes out.
    link_.pollNow();
    Active active;
    active.expected = request.raw ? std::nullopt : ExpectationOf(request.frame);
    if (active.expected) link_.setFraming(active.expected->framing);
    active.transaction.id = nextId_++;
    active.transaction.request = std::move(request);
    if (!link_.write(ToQ(active.transaction.request.frame))) return false;
    active.writtenNs = link_.lastWriteNs();
    active.transaction.written = QDateTime::currentDateTime();
    emit started(active.transaction);

    const Expectation* e = active.expected ? &*active.expected : nullptr;
    if (e && e->broadcast) {
        Transaction done = std::move(active.transaction);
        done.verdict = Verdict::Broadcast;
        emit closed(done);
        holding_ = true;
        QTimer::singleShot(kBroadcastTurnaround, this, [this] {
            holding_ = false;
            pump();
        });
        return true;
    }
    active.timer = std::make_unique<QTimer>();
    active.timer->setSingleShot(true);
    active.timer->setTimerType(Qt::PreciseTimer);
    const auto wait = active.transaction.request.raw
                          ? kRawQuiet
                          : active.transaction.request.timeout.value_or(timeout_);
    active_.push_back(std::move(active));
    Active* added = &active_.back();
    connect(added->timer.get(), &QTimer::timeout, this, [this, added] { onTimeout(added); });
    added->timer->start(wait);
    link_.setAwaitingReply(true);
    return true;
}

void TransactionQueue::onPiece(const Piece& piece, qint64 lastByteNs) {
    std::optional<Origin> owner;
    for (auto it = active_.begin(); it != active_.end(); ++it) {
        // Bytes that were complete before the request went out cannot answer it.
        if (lastByteNs < it->writtenNs) continue;
        const double roundTrip = double(lastByteNs - it->writtenNs) / 1e6;
        if (!it->expected) {
            // Raw bytes collect what comes back until the line is quiet.
            it->transaction.reply.insert(it->transaction.reply.end(), piece.bytes.begin(),
                                         piece.bytes.end());
            it->transaction.roundTripMs = roundTrip;
            it->timer->start(kRawQuiet);
            owner = it->transaction.request.origin;
            break;
        }
        const auto verdict = Judge(*it->expected, piece);
        if (!verdict) continue;
        if (*verdict == Verdict::Mismatch) {
            it->mismatch = true;
            if (it->transaction.reply.empty()) it->transaction.reply = piece.bytes;
            continue;
        }
        owner = it->transaction.request.origin;
        emit pieceReceived(piece, owner);
        finish(it, *verdict, piece.bytes, roundTrip);
        return;
    }
    emit pieceReceived(piece, owner);
}

void TransactionQueue::onTimeout(Active* active) {
    // A frame that began but never ended is shown now; it may still answer the request.
    link_.flush();
    for (auto it = active_.begin(); it != active_.end(); ++it) {
        if (&*it != active) continue;
        if (!it->expected)
            finish(it, Verdict::Unchecked, it->transaction.reply, it->transaction.roundTripMs);
        else
            finish(it, it->mismatch ? Verdict::Mismatch : Verdict::NoReply, it->transaction.reply,
                   std::nullopt);
        return;
    }
}

void TransactionQueue::finish(std::list<Active>::iterator it, Verdict verdict, Bytes reply,
                              std::optional<double> roundTripMs, const QString& note) {
    Transaction done = std::move(it->transaction);
    done.verdict = verdict;
    done.reply = std::move(reply);
    done.roundTripMs = roundTripMs;
    done.note = note;
    it->timer->stop();
    // The timer may be the one calling: delete it once it has returned.
    it->timer.release()->deleteLater();
    active_.erase(it);
    if (active_.empty()) link_.setAwaitingReply(false);
    emit closed(done);
    pump();
}

TransactionQueue::Aborted TransactionQueue::abort(const QString& note) {
    Aborted aborted{waiting_.size(), {}};
    waiting_.clear();
    while (!active_.empty()) {
        aborted.cut.push_back(active_.front().transaction.request.origin);
        finish(active_.begin(), Verdict::NoReply, {}, std::nullopt, note);
    }
    return aborted;
}

} // namespace stepbench
