#pragma once

#include "link/transaction_queue.h"

#include <QStringList>
#include <optional>

namespace stepbench {

// A transaction as the monitor's table, its CSV export and the traffic log write it, in the
// language chosen: one column each, in this order.
enum class TransactionColumn {
    Id,
    Time,
    Gap,
    Address,
    Command,
    RequestBytes,
    ReplyBytes,
    RoundTrip,
    Result,
    Count
};

// The text of one column; time as the table shows it (hh:mm:ss.zzz).
QString TransactionCell(const Transaction& t, std::optional<double> gapMs,
                        TransactionColumn column);
// The columns of the CSV export and the log, by their keys, and a row of them (its time in ISO
// 8601 with its UTC offset).
QString TransactionCsvHeader();
QStringList TransactionCsvFields(const Transaction& t, std::optional<double> gapMs);
// With its offset from UTC, so the times of a file read elsewhere still say when.
QString IsoTime(const QDateTime& t);
// A device command's name ("握手"), "0x5A" for a code the table does not know, or "原始字节".
QString CommandName(std::optional<std::uint8_t> code);

// The time from the end of the line's last frame to a transaction's request leaving it, the
// sampler's frames included.
class GapClock {
public:
    std::optional<double> next(const Transaction& t);
    void reset() { lastEndNs_ = 0; }

private:
    qint64 lastEndNs_ = 0;
};

} // namespace stepbench
