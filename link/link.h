#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <chrono>

namespace stepbench {

// The one serial port of the program and its receive poll (the timer "Timer1"). Replies are not
// taken as they arrive but collected by the poll: every 100 ms, 20 ms after a send, and once
// directly before each send, so that older replies are shown first.
class SerialLink : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{100};
    static constexpr std::chrono::milliseconds kFirstPollAfterSend{20};
    // One decode covers at most this many bytes, as the device's tools always read.
    static constexpr qsizetype kReadChunk = 512;

    explicit SerialLink(QObject* parent = nullptr);

    // The device a COM_PORT text names: a path as it is, a number N from 1 to 256 as COM port N,
    // a listed port name or an existing device under /dev. Empty, with the reason in error, when
    // the text names none of these.
    static QString deviceForPortText(const QString& text, QString* error = nullptr);

    // Opens the port at "baud,n,8,1" and discards what was waiting. On failure the port stays
    // closed and error says why, in Chinese with the system's own words.
    bool open(const QString& portText, const QString& baudText, QString* error);
    void close();
    bool isOpen() const { return port_.isOpen(); }
    QString portName() const { return port_.portName(); }

    // Reads every waiting byte and hands it on through received(), in pieces of kReadChunk.
    void pollNow();
    // Writes the whole frame; a failed write closes the port and reports lost().
    bool write(const QByteArray& frame);
    // Stops the poll timer and starts it again with the interval.
    void restartPoll(std::chrono::milliseconds interval);
    QTimer& pollTimer() { return timer_; }

signals:
    void received(const QByteArray& bytes);
    // The port went away (adapter pulled, write failed); it is closed already.
    void lost(const QString& reason);

private:
    void onError(QSerialPort::SerialPortError error);
    void onTick();

    QSerialPort port_;
    QTimer timer_;
};

// The Chinese words for what went wrong with a port.
QString DescribePortError(QSerialPort::SerialPortError error);

} // namespace stepbench
