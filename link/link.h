#pragma once

#include "link/echo_matcher.h"
#include "link/frame_cutter.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <deque>
#include <optional>

namespace stepbench {

// The one line of the program to the device: a serial port, or a TCP connection to a serial
// device server ("tcp://HOST:PORT") that carries the line's bytes as they are; the reading of
// bytes as they arrive and their cutting into frames, and the receive poll (the timer "Timer1").
// Each frame is handed on the moment its last byte is in. Bytes that make no frame are handed on
// once the line has been quiet for 3.5 character times (at least 2 ms; over the network 20 ms),
// or at the latest by the poll, which keeps its rhythm of every 100 ms and 20 ms after a send as
// a fallback; the beginning of a frame whose rest is late (a slow adapter) waits for the poll, or
// while a reply is awaited for its timeout.
class Link : public QObject {
    Q_OBJECT
public:
    // What carries the line, as far as its path tells: whether its bytes take their time on a
    // wire at the baud rate, and how late it may deliver what it receives.
    enum class PortKind : std::uint8_t {
        Uart,           // ttyS*, and anything not known to be otherwise
        UsbSerial,      // a USB-serial adapter (ttyUSB*): a UART behind USB's latency
        UsbModem,       // a device's own USB port (ttyACM*), Bluetooth (rfcomm*)
        PseudoTerminal, // a simulator, socat or a virtual COM pair behind /dev/pts/*
        Network,        // a device server, tcp://
    };
    // Whether a request is taken to leave the line after its bytes' time at the baud rate (so
    // that nothing beginning before then can answer it), or when the system has taken it.
    enum class LineTiming : std::uint8_t { Auto, Baud, Untimed };

    static constexpr std::chrono::milliseconds kPollInterval{100};
    static constexpr std::chrono::milliseconds kFirstPollAfterSend{20};
    static constexpr std::chrono::milliseconds kMinQuiet{2};
    // A device server passes on the bytes in network packets, with their jitter.
    static constexpr std::chrono::milliseconds kNetworkQuiet{20};
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};

    explicit Link(QObject* parent = nullptr);

    // The device a COM_PORT text names: a path as it is, a number N from 1 to 256 as COM port N,
    // a listed port name or an existing device under /dev; or a device server, "tcp://HOST:PORT".
    // Empty, with the reason in error, when the text names none of these.
    static QString deviceForPortText(const QString& text, QString* error = nullptr);
    // Whether a COM_PORT text names a device server rather than a serial port.
    static bool IsNetworkTarget(const QString& text);

    // Opens the port at "baud,n,8,1" and discards what was waiting. On failure the port stays
    // closed and error says why, in the user's language with the system's own words. A device
    // server sets the line itself: the baud rate is not used, and the connection is made in the
    // background: connecting() is true until connected() or connectFailed().
    bool open(const QString& portText, const QString& baudText, QString* error);
    // Changes the baud rate of the open port (the bus scan tries every rate); false over TCP.
    bool setBaudRate(qint32 baud);
    void close();
    bool isOpen() const;
    bool connecting() const { return connecting_; }
    bool isNetwork() const { return network_; }
    // The serial port's whole path ("/dev/pts/5", never Qt's short "pts/5", which names nothing
    // outside /dev), or "tcp://HOST:PORT".
    QString portName() const;
    // 0 over TCP, where the device server sets the rate.
    qint32 baudRate() const;
    static PortKind KindOfPort(const QString& device);
    PortKind portKind() const { return kind_; }
    // Automatic: a UART and a USB-serial adapter are timed, the rest are not.
    void setLineTiming(LineTiming timing) { timing_ = timing; }
    LineTiming lineTiming() const { return timing_; }
    bool timed() const;
    // Which timing is in force and why, for the status bar ("线路按波特率计时").
    QString timingNote() const;

    // How replies are framed, and so how the bytes are cut.
    void setFraming(LinkMode framing);
    LinkMode framing() const { return cutter_.framing(); }
    // While a reply is awaited, the beginning of a frame is not given up at a quiet spell (a
    // slow line, a USB adapter's latency); flush() gives it up when the wait is over.
    void setAwaitingReply(bool awaiting) { awaiting_ = awaiting; }
    // Adapters without echo cancelling hand back every byte they send: with this on, a
    // request's own bytes coming back as it goes out (see EchoMatcher) are its echo, handed on
    // by echoed() and never to the frames.
    void setEchoSuppression(bool on);
    bool echoSuppression() const { return echo_.enabled(); }

    // Reads every waiting byte now, and hands on what has been quiet long enough.
    void pollNow();
    // Hands on everything held, whatever it is.
    void flush();
    // Writes the whole frame and hands it to the system at once; writeCompleted() says when
    // the system has taken all of it: the time of the call when it took it at once, or the
    // time it took the rest later. A failed write closes the port and reports lost().
    // echoMayBeReply: the frame's own bytes would pass for its reply (only time tells its echo).
    bool write(const QByteArray& frame, bool echoMayBeReply = true);
    // Stops the poll timer and starts it again with the interval.
    void restartPoll(std::chrono::milliseconds interval);
    QTimer& pollTimer() { return poll_; }

    // How long one character (10 bits) takes on the line, in ns; 0 over TCP, where the device
    // server sets the line's timing.
    qint64 characterNs() const;
    // The silence between frames: 3.5 characters, at least 2 ms (over TCP, 2 ms).
    qint64 silenceNs() const;
    // A frame that has begun to arrive and is not complete yet: when its first byte came, and
    // its bytes so far.
    struct StartedFrame {
        qint64 firstNs = 0;
        ByteView bytes;
    };
    std::optional<StartedFrame> startedFrame() const;
    // When the last byte came off the line, on the clock of now().
    qint64 lastByteNs() const { return lastByteNs_; }

    // The monotonic clock of every time stamp of the link, in ns.
    static qint64 now();

signals:
    // Every byte as it is read, before it is cut (an echo skipped already).
    void received(const QByteArray& bytes);
    // A request's echo, with echo suppression on.
    void echoed(const QByteArray& bytes);
    // A frame, a frame with a wrong checksum, or noise, with the times its first and last
    // bytes came.
    void pieceReceived(const stepbench::Piece& piece, qint64 firstByteNs, qint64 lastByteNs);
    // The beginning of a frame has come; the rest may be on its way.
    void frameStarted(qint64 firstByteNs);
    // The system has taken the whole of the last write.
    void writeCompleted(qint64 ns);
    // With echo suppression on, the adapter turned out not to echo (something else came back
    // first, or nothing at all): once per opening.
    void echoMissing();
    // The port went away (adapter pulled, write failed, connection reset); it is closed already.
    void lost(const QString& reason);
    // The link was closed on purpose (close(), or open() of another port).
    void closed();
    // The connection to a device server is made; or it could not be, and the link is closed.
    void connected();
    void connectFailed(const QString& error);
    // Inside the link: a socket's failure, handled once the socket is done with it.
    void socketFailed(int attempt, const QString& reason);

private:
    void readAvailable();
    void handOn(std::vector<Piece> pieces);
    // Hands on the echoes recognised, and the bytes that are none to be cut into frames.
    void takeEchoOut(EchoMatcher::Out out);
    void cut(ByteView bytes, qint64 ns);
    void resetEcho();
    // When the byte at this count of bytes received came.
    qint64 arrivalNs(qint64 offset) const;
    void shutDown();
    void onBytesWritten();
    void flushIfQuiet();
    std::chrono::milliseconds quietTime() const;
    void onError(QSerialPort::SerialPortError error);
    void onSocketError(QAbstractSocket::SocketError error);
    void afterSocketError(int attempt, const QString& reason);
    void onConnected();
    QIODevice& line() { return network_ ? static_cast<QIODevice&>(socket_) : port_; }

    QSerialPort port_;
    QTcpSocket socket_;
    QTimer connectTimeout_;
    QString target_;
    bool network_ = false;
    bool socketOpen_ = false;
    bool connecting_ = false;
    int attempt_ = 0; // counts connections, to tell a late failure of an old one
    QTimer poll_;
    QTimer quiet_;
    FrameCutter cutter_;
    bool awaiting_ = false;
    PortKind kind_ = PortKind::Uart;
    LineTiming timing_ = LineTiming::Auto;
    EchoMatcher echo_;
    bool writing_ = false; // a write the system has not taken all of yet
    qint64 writeStartNs_ = 0;
    std::size_t unsentBytes_ = 0; // of the writes the system has not taken all of yet
    qint64 lastByteNs_ = 0;
    // When each run of bytes read came, by the count of bytes received up to its end, and the
    // count of bytes handed on: the times of a piece's first and last bytes.
    struct Arrival {
        qint64 end;
        qint64 ns;
    };
    std::deque<Arrival> arrivals_;
    qint64 receivedCount_ = 0;
    qint64 handedCount_ = 0;
    qint64 startedAt_ = -1; // the count of bytes received where the frame held began
    // Pieces are handed on in order, also when a listener reads the line meanwhile.
    struct Handed {
        Piece piece;
        qint64 firstNs;
        qint64 lastNs;
    };
    std::deque<Handed> handing_;
    bool emitting_ = false;
};

// The baud rates the port list offers, slowest first.
QList<qint32> StandardBaudRates();

// The words for what went wrong with a port, or with the connection to a device server.
QString DescribePortError(QSerialPort::SerialPortError error);
QString DescribeSocketError(QAbstractSocket::SocketError error, const QString& errorString);

// How the port list names a port: "ttyUSB0 — FT232R USB UART (FTDI, A50285BI)", with whatever
// of the description, maker and serial number the system knows.
QString PortLabel(const QString& name, const QString& description, const QString& manufacturer,
                  const QString& serialNumber);
// The port name at the start of a label (or of a typed text).
QString PortNameOfLabel(const QString& text);

} // namespace stepbench
