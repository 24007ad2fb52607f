#include "link/transaction_text.h"

#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/protocol.h"

namespace stepbench {
namespace {

QString Hex(const Bytes& b) {
    return QString::fromStdString(HexFrameText(b)).trimmed();
}

// A frame as the user reads it: an ASCII line as its text, anything else in hex.
QString FrameText(const Bytes& b) {
    if (const auto line = ReadAsciiLine(b); line && line->complete)
        return QString::fromLatin1(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()))
            .trimmed();
    return Hex(b);
}

QString Ms(double ms) {
    return QString::number(ms, 'f', 1);
}

} // namespace

QString CommandName(std::optional<std::uint8_t> code) {
    if (!code) return Tr("原始字节");
    const CommandInfo* info = FindCommand(*code);
    return info ? Tr(info->name) : "0x" + QString::fromStdString(HexByte(*code));
}

QString IsoTime(const QDateTime& t) {
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString TransactionCell(const Transaction& t, std::optional<double> gapMs,
                        TransactionColumn column) {
    using C = TransactionColumn;
    // In the CSV an event's words stand in the last column.
    if (!t.event.isEmpty() && column != C::Time)
        return column == C::Command ? Tr("事件") : column == C::Result ? t.event : QString();
    switch (column) {
    case C::Id:
        return t.id ? QString::number(t.id) : QString();
    case C::Time:
        return t.written.toString("hh:mm:ss.zzz");
    case C::Gap:
        return gapMs ? Ms(*gapMs) : QString();
    case C::Address: {
        const auto a = t.address();
        return a ? QString::fromStdString(HexByte(*a)) : QString();
    }
    case C::Command:
        return CommandName(t.request.command);
    case C::RequestBytes:
        return FrameText(t.request.frame);
    case C::ReplyBytes:
        return FrameText(t.reply);
    case C::RoundTrip:
        return t.roundTripMs ? Ms(*t.roundTripMs) : QString();
    case C::Result: {
        QString text = Tr(VerdictName(t.verdict));
        if (const auto code = t.exceptionCode())
            text += QString(" %1 %2").arg(QString::fromStdString(HexByte(*code)),
                                          Tr(ExceptionMeaning(*code)));
        if (t.cause != Cause::None) text += " (" + Tr(CauseNote(t.cause)) + ")";
        if (t.answers) text += " " + Tr("(答第 %1 条)").arg(*t.answers);
        return text;
    }
    case C::Count:
        break;
    }
    return {};
}

QString TransactionCsvHeader() {
    return "id,time,gap_ms,address,command,request,reply,round_trip_ms,verdict";
}

QStringList TransactionCsvFields(const Transaction& t, std::optional<double> gapMs) {
    QStringList fields{TransactionCell(t, gapMs, TransactionColumn::Id), IsoTime(t.written)};
    for (int c = int(TransactionColumn::Gap); c < int(TransactionColumn::Count); ++c)
        fields << TransactionCell(t, gapMs, TransactionColumn(c));
    return fields;
}

std::optional<double> GapClock::next(const Transaction& t) {
    std::optional<double> gap;
    if (t.leftNs && lastEndNs_) gap = double(t.leftNs - lastEndNs_) / 1e6;
    if (t.leftNs) lastEndNs_ = t.leftNs + qint64(t.roundTripMs.value_or(0) * 1e6);
    return gap;
}

} // namespace stepbench
