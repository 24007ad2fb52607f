#include "link/link.h"

#include "codec/number.h"
#include "codec/tr.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QUrl>
#include <fcntl.h>
#include <unistd.h>

namespace stepbench {
namespace {

// Whether a device is a terminal; true when it cannot be told (the port's own error stands).
bool IsTerminal(const QString& device) {
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;
    const bool terminal = isatty(fd);
    ::close(fd);
    return terminal;
}

const QString kLabelSeparator = " — ";
const QString kNetworkScheme = "tcp://";

// "tcp://cabinet-3:4001" or "tcp://[fe80::1]:4001", with a host and a port.
std::optional<QUrl> NetworkTarget(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != "tcp" || url.host().isEmpty() || url.port() < 1 ||
        !url.path().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

Link::Link(QObject* parent)
    : QObject(parent), port_(this), socket_(this), connectTimeout_(this), poll_(this),
      quiet_(this) {
    poll_.setObjectName("Timer1");
    // The poll's 20 ms after a send must not drift by the coarse timer's 5 %.
    poll_.setTimerType(Qt::PreciseTimer);
    poll_.setInterval(kPollInterval);
    quiet_.setTimerType(Qt::PreciseTimer);
    quiet_.setSingleShot(true);
    connect(&poll_, &QTimer::timeout, this, [this] {
        pollNow();
        restartPoll(kPollInterval);
    });
    connect(&quiet_, &QTimer::timeout, this, &Link::flushIfQuiet);
    connect(&port_, &QSerialPort::readyRead, this, &Link::readAvailable);
    connect(&port_, &QSerialPort::bytesWritten, this, &Link::onBytesWritten);
    connect(&socket_, &QTcpSocket::bytesWritten, this, &Link::onBytesWritten);
    connect(&port_, &QSerialPort::errorOccurred, this, &Link::onError);
    connect(&socket_, &QTcpSocket::readyRead, this, &Link::readAvailable);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &Link::onSocketError);
    connect(&socket_, &QTcpSocket::connected, this, &Link::onConnected);
    // A server that closes the connection in good order has gone as surely as one that fails.
    connect(&socket_, &QTcpSocket::disconnected, this,
            [this] { onSocketError(QAbstractSocket::RemoteHostClosedError); });
    // The socket is closed only once its own handling of the error is over: aborting it from
    // inside its signal pulls the engine from under the code that emitted it.
    connect(this, &Link::socketFailed, this, &Link::afterSocketError, Qt::QueuedConnection);
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setInterval(kConnectTimeout);
    connect(&connectTimeout_, &QTimer::timeout, this,
            [this] { onSocketError(QAbstractSocket::SocketTimeoutError); });
}

qint64 Link::now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QList<qint32> StandardBaudRates() {
    return {300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000};
}

QString PortLabel(const QString& name, const QString& description, const QString& manufacturer,
                  const QString& serialNumber) {
    QStringList maker;
    for (const QString& s : {manufacturer, serialNumber})
        if (!s.trimmed().isEmpty()) maker << s.trimmed();
    QString detail = description.trimmed();
    if (!maker.isEmpty()) detail += (detail.isEmpty() ? "(" : " (") + maker.join(", ") + ")";
    return detail.isEmpty() ? name : name + kLabelSeparator + detail;
}

QString PortNameOfLabel(const QString& text) {
    return text.section(kLabelSeparator, 0, 0).trimmed();
}

bool Link::IsNetworkTarget(const QString& text) {
    return text.trimmed().startsWith(kNetworkScheme, Qt::CaseInsensitive);
}

QString Link::deviceForPortText(const QString& text, QString* error) {
    if (IsNetworkTarget(text)) {
        if (const auto url = NetworkTarget(text)) return url->toString();
        if (error)
            *error =
                Tr("设备服务器地址 “%1” 无效（应为 tcp://主机:端口，如 tcp://192.168.1.20:4001）")
                    .arg(text);
        return {};
    }
    const QString t = PortNameOfLabel(text);
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
        *error = Tr("找不到该串口 “%1”（请填 COM 号 1-256，或设备名如 ttyUSB0、/dev/ttyUSB0）")
                     .arg(text);
    return {};
}

bool Link::open(const QString& portText, const QString& baudText, QString* error) {
    close();
    const QString device = deviceForPortText(portText, error);
    if (device.isEmpty()) return false;
    network_ = IsNetworkTarget(device);
    kind_ = KindOfPort(device);
    if (network_) {
        const QUrl url(device);
        target_ = device;
        cutter_.flush();
        resetEcho();
        ++attempt_;
        connecting_ = true;
        connectTimeout_.start();
        socket_.connectToHost(url.host(), quint16(url.port()));
        return true;
    }
    bool ok = false;
    const int baud = baudText.trimmed().toInt(&ok);
    if (!ok || baud <= 0) {
        *error = Tr("波特率“%1”无效，串口未打开。").arg(baudText);
        return false;
    }
    target_ = device;
    port_.setPortName(device);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // No cap on Qt's buffer: every read takes all there is, so a busy line loses nothing.
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite) || !port_.setBaudRate(baud)) {
        QString reason = DescribePortError(port_.error());
        // A device that is no terminal at all (/dev/null, a disk) has no baud rate to set.
        if (port_.error() == QSerialPort::UnsupportedOperationError && !IsTerminal(device))
            reason = Tr("它不是串口（不是终端设备）");
        else if (port_.error() == QSerialPort::PermissionError)
            reason = access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0
                         ? Tr("串口已被其他程序占用")
                         : Tr("没有访问权限：请把当前用户加入 dialout 组（sudo usermod -aG dialout "
                              "$USER），然后重新登录");
        *error = Tr("无法打开串口 %1：%2（%3）").arg(device, reason, port_.errorString());
        port_.close();
        return false;
    }
    // Bytes that waited in the line before the open belong to nobody's request.
    port_.clear();
    cutter_.flush();
    resetEcho();
    return true;
}

void Link::close() {
    const bool wasOpen = isOpen() || connecting_;
    shutDown();
    if (wasOpen) emit closed();
}

void Link::shutDown() {
    quiet_.stop();
    writing_ = false;
    unsentBytes_ = 0;
    connectTimeout_.stop();
    if (port_.isOpen()) port_.close();
    // Cleared first: the abort's own signals are not a loss.
    socketOpen_ = connecting_ = false;
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
    // What was held belongs to the closed line; it is shown, not carried over to the next.
    for (const EchoMatcher::Run& run : echo_.expire(now(), true).passed)
        cut(run.bytes, run.ns);
    resetEcho();
    handOn(cutter_.flush());
    arrivals_.clear();
    receivedCount_ = handedCount_ = 0;
    startedAt_ = -1;
}

bool Link::isOpen() const {
    return network_ ? socketOpen_ : port_.isOpen();
}

QString Link::portName() const {
    return target_;
}

qint32 Link::baudRate() const {
    return network_ ? 0 : port_.baudRate();
}

void Link::onConnected() {
    connectTimeout_.stop();
    connecting_ = false;
    // Each request leaves at once, not held back to be sent with the next.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socketOpen_ = true;
    emit connected();
}

void Link::onSocketError(QAbstractSocket::SocketError error) {
    if (connecting_ || socketOpen_)
        emit socketFailed(attempt_, DescribeSocketError(error, socket_.errorString()));
}

void Link::afterSocketError(int attempt, const QString& reason) {
    // A failure of an earlier connection, reported after it was closed or replaced.
    if (attempt != attempt_) return;
    if (connecting_) {
        shutDown();
        emit connectFailed(Tr("无法连接设备服务器 %1：%2").arg(target_, reason));
    } else if (socketOpen_) {
        shutDown();
        emit lost(reason);
    }
}

bool Link::setBaudRate(qint32 baud) {
    if (network_ || !port_.isOpen()) return false;
    handOn(cutter_.flush());
    startedAt_ = -1;
    const bool set = port_.setBaudRate(baud);
    echo_.setCharacterNs(characterNs());
    return set;
}

Link::PortKind Link::KindOfPort(const QString& device) {
    if (IsNetworkTarget(device)) return PortKind::Network;
    // /dev/serial/by-id/… and socat's links name the device they point to.
    const QFileInfo info(device);
    const QString path = info.canonicalFilePath().isEmpty() ? device : info.canonicalFilePath();
    const QString name = QFileInfo(path).fileName();
    if (path.startsWith("/dev/pts/") || name.startsWith("pty") || name.startsWith("tnt"))
        return PortKind::PseudoTerminal;
    if (name.startsWith("ttyACM") || name.startsWith("rfcomm")) return PortKind::UsbModem;
    if (name.startsWith("ttyUSB")) return PortKind::UsbSerial;
    return PortKind::Uart;
}

bool Link::timed() const {
    if (network_) return false;
    switch (timing_) {
    case LineTiming::Baud:
        return true;
    case LineTiming::Untimed:
        return false;
    case LineTiming::Auto:
        return kind_ == PortKind::Uart || kind_ == PortKind::UsbSerial;
    }
    return true;
}

QString Link::timingNote() const {
    if (timed())
        return timing_ == LineTiming::Auto ? Tr("线路按波特率计时")
                                           : Tr("线路按波特率计时（按设置）");
    if (network_) return Tr("线路不计时（设备服务器）");
    if (timing_ == LineTiming::Untimed) return Tr("线路不计时（按设置）");
    return kind_ == PortKind::PseudoTerminal ? Tr("线路不计时（伪终端）")
                                             : Tr("线路不计时（USB 虚拟串口）");
}

void Link::resetEcho() {
    // A USB adapter and a device server deliver what they receive late; a UART, a
    // pseudo-terminal and a device's own USB port at once.
    const bool late = kind_ == PortKind::UsbSerial || kind_ == PortKind::Network;
    echo_.reset(late ? EchoMatcher::kUsbLatencyNs : 0, characterNs());
}

void Link::setFraming(LinkMode framing) {
    if (framing == cutter_.framing()) return;
    handOn(cutter_.flush());
    cutter_.setFraming(framing);
}

std::chrono::milliseconds Link::quietTime() const {
    if (network_) return kNetworkQuiet;
    // 3.5 characters of 10 bits, rounded up to the timer's millisecond.
    const qint32 baud = std::max<qint32>(1, port_.baudRate());
    const auto ms = std::chrono::milliseconds((35 * 1000 + baud - 1) / baud);
    return std::max(ms, kMinQuiet);
}

qint64 Link::characterNs() const {
    if (network_) return 0;
    return 10'000'000'000LL / std::max<qint32>(1, port_.baudRate());
}

qint64 Link::silenceNs() const {
    const qint64 minimum = std::chrono::nanoseconds(kMinQuiet).count();
    return std::max(characterNs() * 7 / 2, minimum);
}

void Link::setEchoSuppression(bool on) {
    // Switched on, the adapter is asked afresh whether it echoes.
    if (on && !echo_.enabled()) resetEcho();
    echo_.setEnabled(on);
}

void Link::readAvailable() {
    if (!isOpen()) return;
    const QByteArray bytes = line().readAll();
    if (bytes.isEmpty()) return;
    lastByteNs_ = now();
    takeEchoOut(echo_.take(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    std::size_t(bytes.size())),
                           lastByteNs_));
}

void Link::takeEchoOut(EchoMatcher::Out out) {
    for (const Bytes& echo : out.echoes)
        emit echoed(QByteArray(reinterpret_cast<const char*>(echo.data()), qsizetype(echo.size())));
    for (const EchoMatcher::Run& run : out.passed)
        cut(run.bytes, run.ns);
    if (out.missing) emit echoMissing();
}

void Link::cut(ByteView bytes, qint64 ns) {
    if (bytes.empty()) return;
    arrivals_.push_back({receivedCount_ + qint64(bytes.size()), ns});
    receivedCount_ += qint64(bytes.size());
    emit received(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    handOn(cutter_.push(bytes));
    // Bytes that start no frame are shown after a quiet spell; the beginning of a frame waits
    // for its rest, or at the latest for the poll (or the reply timeout, when awaited).
    if (cutter_.holding() && !cutter_.holdingStartedFrame()) quiet_.start(quietTime());
    const auto started = cutter_.startedFrame();
    const qint64 at = started ? handedCount_ + qint64(*started) : -1;
    if (at != startedAt_ && at >= 0) {
        startedAt_ = at;
        emit frameStarted(arrivalNs(at));
    }
    startedAt_ = at;
}

qint64 Link::arrivalNs(qint64 offset) const {
    for (const Arrival& a : arrivals_)
        if (a.end > offset) return a.ns;
    return lastByteNs_;
}

std::optional<Link::StartedFrame> Link::startedFrame() const {
    const auto started = cutter_.startedFrame();
    if (!started) return std::nullopt;
    return StartedFrame{arrivalNs(handedCount_ + qint64(*started)),
                        cutter_.heldBytes().subspan(*started)};
}

void Link::handOn(std::vector<Piece> pieces) {
    for (Piece& piece : pieces) {
        const qint64 first = handedCount_;
        handedCount_ += qint64(piece.bytes.size());
        handing_.push_back({std::move(piece), arrivalNs(first), arrivalNs(handedCount_ - 1)});
    }
    while (!arrivals_.empty() && arrivals_.front().end <= handedCount_)
        arrivals_.pop_front();
    // A listener that reads the line meanwhile adds its pieces behind these.
    if (emitting_) return;
    emitting_ = true;
    while (!handing_.empty()) {
        const Handed h = std::move(handing_.front());
        handing_.pop_front();
        emit pieceReceived(h.piece, h.firstNs, h.lastNs);
    }
    emitting_ = false;
}

void Link::flushIfQuiet() {
    if (!cutter_.holding()) return;
    const qint64 quiet = std::chrono::nanoseconds(quietTime()).count();
    if (now() - lastByteNs_ < quiet) return;
    handOn(cutter_.flush(awaiting_));
    if (!cutter_.holdingStartedFrame()) startedAt_ = -1;
}

void Link::flush() {
    // Half an echo that never went on is what it is.
    takeEchoOut(echo_.expire(now(), true));
    handOn(cutter_.flush());
    startedAt_ = -1;
}

void Link::pollNow() {
    if (!isOpen()) return;
    // Take what the kernel holds now, not only what the event loop has already fetched. (A
    // socket's wait would report its timeout as an error: the event loop feeds it instead.)
    if (!network_) port_.waitForReadyRead(0);
    readAvailable();
    takeEchoOut(echo_.expire(now()));
    flushIfQuiet();
}

bool Link::write(const QByteArray& frame, bool echoMayBeReply) {
    if (!isOpen()) return false;
    writing_ = true;
    unsentBytes_ += std::size_t(frame.size());
    // When the system takes the bytes at once they begin to leave during the call: its start is
    // the write's time, whatever else holds up this thread after it.
    writeStartNs_ = now();
    echo_.expect(ByteView(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                          std::size_t(frame.size())),
                 echoMayBeReply, writeStartNs_);
    // flush() hands the bytes to the system now rather than at the next turn of the event loop;
    // a port or socket whose buffer is full sends the rest when it can (onBytesWritten).
    const bool written =
        network_ ? socket_.write(frame) == frame.size() : port_.write(frame) == frame.size();
    if (written) network_ ? socket_.flush() : port_.flush();
    if (!written || !isOpen()) {
        const QString reason = network_
                                   ? DescribeSocketError(socket_.error(), socket_.errorString())
                                   : DescribePortError(QSerialPort::WriteError);
        if (isOpen()) {
            shutDown();
            emit lost(reason);
        }
        return false;
    }
    if (line().bytesToWrite() > 0) writeStartNs_ = 0; // it completes later, when it does
    onBytesWritten();
    return true;
}

void Link::onBytesWritten() {
    if (!writing_ || line().bytesToWrite() > 0) return;
    writing_ = false;
    const qint64 done = std::exchange(writeStartNs_, 0);
    const qint64 at = done ? done : now();
    echo_.sent(at + qint64(std::exchange(unsentBytes_, 0)) * characterNs());
    emit writeCompleted(at);
}

void Link::restartPoll(std::chrono::milliseconds interval) {
    poll_.stop();
    poll_.start(interval);
}

void Link::onError(QSerialPort::SerialPortError error) {
    // A vanished device makes Qt repeat the error at full speed until the port is closed.
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError &&
        error != QSerialPort::ResourceError)
        return;
    if (!port_.isOpen()) return;
    // Not errorString(): after a hang-up it still holds the text of an earlier, unrelated call.
    const QString reason = DescribePortError(error);
    shutDown();
    emit lost(reason);
}

QString DescribePortError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
        return Tr("没有错误");
    case QSerialPort::DeviceNotFoundError:
        return Tr("找不到该串口");
    case QSerialPort::PermissionError:
        return Tr("串口已被其他程序占用或没有访问权限");
    case QSerialPort::OpenError:
        return Tr("串口已经打开");
    case QSerialPort::WriteError:
        return Tr("写串口失败");
    case QSerialPort::ReadError:
        return Tr("读串口失败，设备可能已断开");
    case QSerialPort::ResourceError:
        return Tr("串口设备已断开");
    case QSerialPort::UnsupportedOperationError:
        return Tr("串口不支持该设置（如波特率）");
    case QSerialPort::TimeoutError:
        return Tr("串口操作超时");
    case QSerialPort::NotOpenError:
        return Tr("串口未打开");
    default:
        return Tr("未知的串口错误");
    }
}

QString DescribeSocketError(QAbstractSocket::SocketError error, const QString& errorString) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return Tr("连接被拒绝，该端口上没有服务");
    case QAbstractSocket::HostNotFoundError:
        return Tr("找不到该主机名");
    case QAbstractSocket::SocketTimeoutError:
        return Tr("%1 秒内没有连上").arg(Link::kConnectTimeout.count() / 1000);
    case QAbstractSocket::RemoteHostClosedError:
        return Tr("设备服务器关闭了连接");
    case QAbstractSocket::NetworkError:
        return Tr("网络中断（%1）").arg(errorString);
    default:
        return Tr("网络错误（%1）").arg(errorString);
    }
}

} // namespace stepbench
