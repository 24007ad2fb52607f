#include "link/serial_link.h"

#include "codec/number.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <unistd.h>

namespace stepbench {

SerialLink::SerialLink(QObject* parent) : QObject(parent), port_(this), timer_(this) {
    timer_.setObjectName("Timer1");
    // The poll's 20 ms after a send must not drift by the coarse timer's 5 %.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kPollInterval);
    connect(&timer_, &QTimer::timeout, this, &SerialLink::onTick);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

QString SerialLink::deviceForPortText(const QString& text, QString* error) {
    const QString t = text.trimmed();
    if (t.startsWith('/')) return t;
    bool isNumber = false;
    const double n = RoundHalfEven(t.toDouble(&isNumber));
    if (isNumber && n >= 1 && n <= 256) {
#ifdef Q_OS_WIN
        return QString("COM%1").arg(static_cast<long long>(n));
#else
        return QString("/dev/ttyS%1").arg(static_cast<long long>(n) - 1);
#endif
    }
    if (!isNumber && !t.isEmpty()) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            if (info.portName() == t) return info.systemLocation();
        // Devices the port list does not show, such as pseudo-terminals ("pts/3").
        if (QFileInfo::exists("/dev/" + t)) return "/dev/" + t;
    }
    // Never a guess: a stray number or name must not open whatever sits on the first port.
    if (error)
        *error = QString("找不到该串口 “%1”（请填 COM 号 1-256，或设备名如 ttyUSB0、/dev/ttyUSB0）")
                     .arg(text);
    return {};
}

bool SerialLink::open(const QString& portText, const QString& baudText, QString* error) {
    close();
    const QString device = deviceForPortText(portText, error);
    if (device.isEmpty()) return false;
    bool ok = false;
    const int baud = baudText.trimmed().toInt(&ok);
    if (!ok || baud <= 0) {
        *error = QString("波特率“%1”无效，串口未打开。").arg(baudText);
        return false;
    }
    port_.setPortName(device);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // No cap on Qt's buffer: the poll reads everything each tick, so a busy line loses nothing.
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite) || !port_.setBaudRate(baud)) {
        QString reason = DescribePortError(port_.error());
        if (port_.error() == QSerialPort::PermissionError)
            reason = access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0
                         ? "串口已被其他程序占用"
                         : "没有访问权限：请把当前用户加入 dialout 组（sudo usermod -aG dialout "
                           "$USER），然后重新登录";
        *error = QString("无法打开串口 %1：%2（%3）").arg(device, reason, port_.errorString());
        port_.close();
        return false;
    }
    // Bytes that waited in the line before the open belong to nobody's request.
    port_.clear();
    return true;
}

void SerialLink::close() {
    if (port_.isOpen()) port_.close();
}

void SerialLink::pollNow() {
    if (!port_.isOpen()) return;
    // Take what the kernel holds now, not only what the event loop has already fetched.
    port_.waitForReadyRead(0);
    while (port_.isOpen() && port_.bytesAvailable() > 0)
        emit received(port_.read(kReadChunk));
}

bool SerialLink::write(const QByteArray& frame) {
    if (!port_.isOpen()) return false;
    if (port_.write(frame) != frame.size()) {
        const QString reason = DescribePortError(QSerialPort::WriteError);
        close();
        emit lost(reason);
        return false;
    }
    return true;
}

void SerialLink::restartPoll(std::chrono::milliseconds interval) {
    timer_.stop();
    timer_.start(interval);
}

void SerialLink::onTick() {
    pollNow();
    restartPoll(kPollInterval);
}

void SerialLink::onError(QSerialPort::SerialPortError error) {
    // A vanished device makes Qt repeat the error at full speed until the port is closed.
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError &&
        error != QSerialPort::ResourceError)
        return;
    if (!port_.isOpen()) return;
    // Not errorString(): after a hang-up it still holds the text of an earlier, unrelated call.
    const QString reason = DescribePortError(error);
    close();
    emit lost(reason);
}

QString DescribePortError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
        return "没有错误";
    case QSerialPort::DeviceNotFoundError:
        return "找不到该串口";
    case QSerialPort::PermissionError:
        return "串口已被其他程序占用或没有访问权限";
    case QSerialPort::OpenError:
        return "串口已经打开";
    case QSerialPort::WriteError:
        return "写串口失败";
    case QSerialPort::ReadError:
        return "读串口失败，设备可能已断开";
    case QSerialPort::ResourceError:
        return "串口设备已断开";
    case QSerialPort::UnsupportedOperationError:
        return "串口不支持该设置（如波特率）";
    case QSerialPort::TimeoutError:
        return "串口操作超时";
    case QSerialPort::NotOpenError:
        return "串口未打开";
    default:
        return "未知的串口错误";
    }
}

} // namespace stepbench
