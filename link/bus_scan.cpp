#include "link/bus_scan.h"

#include "codec/tr.h"

namespace stepbench {
namespace {

constexpr std::uint8_t kHandshake = 0x20;

} // namespace

BusScan::BusScan(Link& link, TransactionQueue& queue, QObject* parent)
    : QObject(parent), link_(link), queue_(queue) {
    connect(&queue_, &TransactionQueue::closed, this, &BusScan::onClosed);
}

bool BusScan::start(const Plan& plan, QString* error) {
    if (running_) return false;
    if (!link_.isOpen()) {
        *error = Tr("串口未打开，无法扫描");
        return false;
    }
    if (plan.from < 1 || plan.to > 247 || plan.from > plan.to) {
        *error = Tr("扫描地址范围应在 1 到 247 之间，且起始不大于结束");
        return false;
    }
    if (link_.isNetwork() && !plan.bauds.isEmpty()) {
        *error = Tr("经设备服务器连接时不能换波特率，只能扫描地址");
        return false;
    }
    plan_ = plan;
    portBaud_ = link_.baudRate();
    if (plan_.bauds.isEmpty()) plan_.bauds = {portBaud_};
    step_ = 0;
    running_ = true;
    next();
    return true;
}

void BusScan::cancel() {
    if (running_) end(true);
}

void BusScan::next() {
    const int perBaud = plan_.to - plan_.from + 1;
    const int total = perBaud * int(plan_.bauds.size());
    if (step_ >= total) return end(false);
    const qint32 baud = plan_.bauds[step_ / perBaud];
    const auto address = static_cast<std::uint8_t>(plan_.from + step_ % perBaud);
    if (step_ % perBaud == 0 && link_.baudRate() != baud) link_.setBaudRate(baud);
    emit progress(address, baud, step_, total);
    const Bytes request{address, kHandshake, 0x00};
    const Request r{.frame = EncodeFrame(request, plan_.framing),
                    .command = kHandshake,
                    .origin = Origin::Scan,
                    .timeout = plan_.timeout};
    current_ = submit_ ? submit_(r, nullptr) : queue_.submit(r);
    if (!current_) end(true);
}

void BusScan::onClosed(const Transaction& t) {
    if (!running_ || t.id != current_) return;
    // A stop, or the port closing, ends the scan.
    if (t.verdict == Verdict::Cancelled || t.cause != Cause::None) return end(true);
    if (t.verdict == Verdict::Ok) {
        const int perBaud = plan_.to - plan_.from + 1;
        emit found({*t.address(), plan_.bauds[step_ / perBaud], t.roundTripMs.value_or(0)});
    }
    ++step_;
    next();
}

void BusScan::end(bool cancelled) {
    running_ = false;
    current_ = 0;
    if (link_.isOpen() && link_.baudRate() != portBaud_) link_.setBaudRate(portBaud_);
    emit finished(cancelled);
}

} // namespace stepbench
