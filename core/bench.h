#pragma once

#include "core/drive_state.h"
#include "link/link.h"
#include "link/port_watch.h"
#include "link/traffic_log.h"
#include "link/transaction_queue.h"
#include "link/transaction_stats.h"
#include "link/transaction_text.h"

#include <QObject>
#include <optional>

namespace stepbench {

// The bench both faces work on: the link to the line, the transaction queue every request goes
// through, the port watch, the statistics and the traffic log, and what each drive has said. The
// window and the command line start work on it and show what it hands out; neither counts
// transactions nor keeps a drive's state of its own.
class Bench : public QObject {
    Q_OBJECT
public:
    explicit Bench(QObject* parent = nullptr);

    Link& link() { return link_; }
    const Link& link() const { return link_; }
    TransactionQueue& queue() { return queue_; }
    PortWatch& portWatch() { return portWatch_; }

    // Opens the port (a device server in the background: opened() or openFailed() tells); false,
    // with the reason, when it cannot be.
    bool open(const QString& portText, const QString& baudText, QString* error);

    const TransactionStats& stats() const { return stats_; }
    void resetStats();
    // Failures (a reply missing, damaged, refused, mismatched) since the port opened, or since
    // the statistics were reset; a scan's silences are no failures.
    int failuresSinceOpen() const { return failures_; }
    std::optional<double> lastRoundTripMs() const { return lastRoundTrip_; }

    const DriveStates& drives() const { return drives_; }

    // The traffic log, kept until stopLog() or until the disk will not take a line.
    bool startLog(const QString& path, qint64 rotateBytes, QString* error);
    void stopLog() { log_.close(); }
    void setLogRotate(qint64 bytes) { log_.setRotateBytes(bytes); }
    const TrafficLog& log() const { return log_; }

    // A request whose frame is a script line (or typed for the line): wrapped for the PLC
    // protocol as the window wraps it, but for the commands of the device's own protocol.
    static Bytes ScriptFrame(const Bytes& frame, const LineFraming& framing);

signals:
    // Every transaction as it ends and every late reply, in order, with the gap before it.
    void recorded(const stepbench::Transaction& t);
    // The port the user asked for is open; or it could not be (a device server).
    void opened();
    void openFailed(const QString& why);
    // The traffic log stopped: the disk would not take a line.
    void logFailed(const QString& why);
    // A drive has said something of its settings.
    void driveSaid(std::uint8_t address);

private:
    void record(Transaction t);

    Link link_;
    TransactionQueue queue_;
    PortWatch portWatch_;
    TransactionStats stats_;
    TrafficLog log_;
    GapClock gaps_;
    DriveStates drives_;
    int failures_ = 0;
    std::optional<double> lastRoundTrip_;
    bool opening_ = false;
};

} // namespace stepbench
