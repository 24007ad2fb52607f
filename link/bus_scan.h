#pragma once

#include "link/transaction_queue.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <functional>

namespace stepbench {

// A device that answered the scan.
struct ScanHit {
    std::uint8_t address = 0;
    qint32 baud = 0;
    double roundTripMs = 0;
};

// Finds the devices on the bus: a handshake (0x20) to every address of a range, at the port's
// baud rate or at each of a list, through the transaction queue like any request, so it never
// collides with other traffic.
class BusScan : public QObject {
    Q_OBJECT
public:
    struct Plan {
        int from = 1;
        int to = 32;
        QList<qint32> bauds; // empty: the port's own rate only
        // The wait for each answer, from the request leaving the line; empty: the queue's reply
        // timeout.
        std::optional<std::chrono::milliseconds> timeout;
        LinkMode framing = LinkMode::Rtu;
    };

    BusScan(Link& link, TransactionQueue& queue, QObject* parent = nullptr);

    // False, with the reason, when the port is closed or the plan makes no sense.
    bool start(const Plan& plan, QString* error);
    // Stops at once; the request on the line ends with its short timeout.
    void cancel();
    // How its requests go to the queue (a job's own submit); the queue's when unset.
    void setSubmit(std::function<quint64(Request, QString*)> submit) { submit_ = std::move(submit); }
    bool running() const { return running_; }

signals:
    void progress(int address, qint32 baud, int done, int total);
    void found(const stepbench::ScanHit& hit);
    void finished(bool cancelled);

private:
    void next();
    void onClosed(const Transaction& transaction);
    void end(bool cancelled);

    Link& link_;
    TransactionQueue& queue_;
    Plan plan_;
    qint32 portBaud_ = 0; // the rate to go back to
    int step_ = 0;        // the request now on the line, counted over every address and rate
    quint64 current_ = 0; // its id
    std::function<quint64(Request, QString*)> submit_;
    bool running_ = false;
};

} // namespace stepbench
