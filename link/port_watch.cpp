#include "link/port_watch.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace stepbench {

PortWatch::PortWatch(Link& link, QObject* parent) : QObject(parent), link_(link) {
    lister_.setInterval(kListInterval);
    retry_.setInterval(kRetryInterval);
    connect(&lister_, &QTimer::timeout, this, &PortWatch::list);
    connect(&retry_, &QTimer::timeout, this, &PortWatch::retry);
    connect(&link_, &Link::connected, this, [this] {
        if (!retry_.isActive()) return;
        retry_.stop();
        emit reopened(device_);
    });
}

void PortWatch::watchList(bool on) {
    if (!on) return lister_.stop();
    list();
    lister_.start();
}

void PortWatch::list() {
    QStringList labels;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        labels << PortLabel(info.portName(), info.description(), info.manufacturer(),
                            info.serialNumber());
    if (labels == labels_) return;
    labels_ = labels;
    emit listChanged(labels_);
}

void PortWatch::remember(const QString& device, const QString& baudText) {
    device_ = device;
    baudText_ = baudText;
    serialNumber_.clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation() == device) serialNumber_ = info.serialNumber();
}

void PortWatch::waitForReturn() {
    retry_.start();
}

void PortWatch::stop() {
    retry_.stop();
}

void PortWatch::retry() {
    QString error;
    // A device server is tried again and again until it answers (connected() above).
    if (Link::IsNetworkTarget(device_)) {
        if (!link_.connecting()) link_.open(device_, baudText_, &error);
        return;
    }
    QString device = QFileInfo::exists(device_) ? device_ : QString();
    if (device.isEmpty() && !serialNumber_.isEmpty())
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            if (info.serialNumber() == serialNumber_) device = info.systemLocation();
    if (device.isEmpty() || !link_.open(device, baudText_, &error)) return;
    retry_.stop();
    device_ = device;
    emit reopened(device);
}

} // namespace stepbench
