#pragma once

#include "link/link.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace stepbench {

// Keeps an eye on the system's serial ports: lists them (with description, maker and serial
// number) as adapters come and go, and after a port was lost waits for it to come back, then
// opens it again with the same settings: the same path, or for a USB adapter the same serial
// number under whatever name the kernel gives it this time; a device server is connected to
// again until it answers.
class PortWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kListInterval{1000};
    static constexpr std::chrono::milliseconds kRetryInterval{500};

    explicit PortWatch(Link& link, QObject* parent = nullptr);

    // Lists the ports now and every second until stopped (while the port is closed).
    void watchList(bool on);
    QStringList labels() const { return labels_; }

    // Remembers what the link has open, so that it can be found again.
    void remember(const QString& device, const QString& baudText);
    // Waits for the remembered port and reopens it; stop() gives up.
    void waitForReturn();
    void stop();
    bool waiting() const { return retry_.isActive(); }

signals:
    void listChanged(const QStringList& labels);
    void reopened(const QString& device);

private:
    void list();
    void retry();

    Link& link_;
    QTimer lister_;
    QTimer retry_;
    QStringList labels_;
    QString device_;
    QString serialNumber_;
    QString baudText_;
};

} // namespace stepbench
