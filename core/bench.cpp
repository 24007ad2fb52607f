#include "core/bench.h"

#include "commands/protocol.h"

namespace stepbench {

Bench::Bench(QObject* parent)
    : QObject(parent), link_(this), queue_(link_, this), portWatch_(link_, this) {
    connect(&queue_, &TransactionQueue::closed, this, &Bench::record);
    connect(&queue_, &TransactionQueue::lateReply, this, &Bench::record);
    // A connection asked for; the port watch makes its own when it reconnects.
    connect(&link_, &Link::connected, this, [this] {
        if (!std::exchange(opening_, false)) return;
        failures_ = 0;
        emit opened();
    });
    connect(&link_, &Link::connectFailed, this, [this](const QString& why) {
        if (std::exchange(opening_, false)) emit openFailed(why);
    });
}

bool Bench::open(const QString& portText, const QString& baudText, QString* error) {
    opening_ = false;
    if (!link_.open(portText, baudText, error)) return false;
    // The poll is the fallback that notices a line gone quiet, or gone.
    link_.pollTimer().start();
    if (link_.connecting()) {
        opening_ = true;
        return true;
    }
    failures_ = 0;
    lastRoundTrip_.reset();
    emit opened();
    return true;
}

void Bench::resetStats() {
    stats_.clear();
    failures_ = 0;
}

bool Bench::startLog(const QString& path, qint64 rotateBytes, QString* error) {
    return log_.open(path, rotateBytes, error);
}

Bytes Bench::ScriptFrame(const Bytes& frame, const LineFraming& framing) {
    const auto code = CommandCodeOfFrame(frame);
    if (!framing.plc || (code && OwnProtocolOnly(*code))) return frame;
    auto wrapped = WrapForPlc(frame, PlcFormOf(frame), framing.mappingAddress);
    return wrapped ? *wrapped : frame;
}

void Bench::record(Transaction t) {
    t.gapMs = gaps_.next(t);
    const auto address = t.address();
    stats_.add(t.request.command ? int(*t.request.command) : TransactionStats::kRawCommand,
               t.verdict, t.verdict == Verdict::Late ? std::nullopt : t.roundTripMs,
               address ? int(*address) : TransactionStats::kNoAddress);
    if (IsFailure(t.verdict) && t.request.origin != Origin::Scan) ++failures_;
    if (t.roundTripMs && t.verdict != Verdict::Late) lastRoundTrip_ = t.roundTripMs;
    if (const auto said = drives_.take(t)) emit driveSaid(*said);
    // On disk before anything says it happened.
    QString error;
    if (log_.isOpen() && !log_.append(t, t.gapMs, &error)) emit logFailed(error);
    emit recorded(t);
}

} // namespace stepbench
