#include "app/cli_session.h"

#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/catalogue.h"
#include "commands/request.h"
#include "commands/values.h"
#include "core/bench.h"
#include "script/expect.h"
#include "script/step.h"

#include <QProcess>
#include <QRegularExpression>
#include <cerrno>
#include <unistd.h>

namespace stepbench::cli {
namespace {

constexpr std::uint8_t kAddressQuery = 0x21;
constexpr qsizetype kReadChunk = 65536;
constexpr int kLongestPause = 65535; // ms, as a script's delay line

} // namespace

Result<Request> SendRequest(const SendAsked& asked, const LineFraming& framing) {
    Bytes request;
    if (asked.hex) {
        if (!asked.values.isEmpty()) return Error{ZH("send --hex 不带命令键")};
        const auto b = ReadHexBytes(asked.hex->toStdString());
        if (!b)
            return Error{ZH("--hex 的值“%1”不对：应为成对的16进制数字，可用空格隔开，如“01 26 00”"),
                         {asked.hex->toStdString()}};
        if (b->size() < 2) return Error{ZH("--hex 至少要有地址和命令码两个字节")};
        request = *b;
    } else {
        if (asked.values.isEmpty())
            return Error{ZH("send 需要命令键（见 stepbench-cli commands）")};
        const CommandInfo* c = FindCommand(asked.values[0].toStdString());
        if (!c)
            return Error{ZH("未知的命令键 %1（见 stepbench-cli commands）"),
                         {asked.values[0].toStdString()}};
        std::vector<std::string> values;
        for (qsizetype i = 1; i < asked.values.size(); ++i)
            values.push_back(asked.values[i].toStdString());
        // The address query goes to address 0, as in the window, unless an address was named.
        const std::uint8_t address =
            c->code == kAddressQuery && !asked.addressGiven ? 0 : asked.address;
        const auto r = RequestFromValues(address, *c, values);
        if (!r) return r.failure();
        request = *r;
    }
    // Some commands go in the device's own protocol even to a PLC, as in the window.
    LineFraming f = framing;
    if (OwnProtocolOnly(request[1])) f.plc = false;
    const auto frame = FrameForLine(request, f);
    if (!frame) return frame.failure();
    return Request{.frame = *frame, .command = request[1], .origin = Origin::Cli};
}

Session::Session(Bench& bench, Output& out, const Options& options, LineFraming framing,
                 std::uint8_t address)
    : bench_(bench), out_(out), o_(options), framing_(framing), address_(address), job_(bench),
      input_(STDIN_FILENO, QSocketNotifier::Read) {
    input_.setEnabled(false);
    connect(&input_, &QSocketNotifier::activated, this, &Session::readInput);
    pause_.setSingleShot(true);
    pause_.setTimerType(Qt::PreciseTimer);
    connect(&pause_, &QTimer::timeout, this, [this] {
        out_.sessionNote("delay", Tr("已等待 %1 ms").arg(pause_.interval()),
                         {{"line", lineNumber_}, {"ms", pause_.interval()}});
        next();
    });
    connect(&job_, &Job::transaction, this, [this](const Transaction& t) {
        out_.transaction(t);
        // The next line once this one has ended for good, not from inside its ending.
        QMetaObject::invokeMethod(this, &Session::next, Qt::QueuedConnection);
    });
    connect(&job_, &Job::finished, this, [this](const Outcome& o) {
        ended_ = true;
        input_.setEnabled(false);
        pause_.stop();
        emit finished(o);
    });
}

bool Session::start() {
    if (!job_.start()) return false;
    input_.setEnabled(true);
    return true;
}

void Session::stop(Outcome::Ending why, int signal) {
    ended_ = true;
    input_.setEnabled(false);
    pause_.stop();
    job_.stop(why, signal);
}

void Session::readInput() {
    char chunk[kReadChunk];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        // The end of the input (or an input that cannot be read): what came is still run.
        input_.setEnabled(false);
        if (n < 0)
            out_.event("input_error",
                       Tr("无法读取标准输入：%1").arg(QString::fromLocal8Bit(strerror(errno))));
        buffer_ += '\n';
        ended_ = true;
    } else {
        buffer_.append(chunk, qsizetype(n));
    }
    next();
}

void Session::next() {
    if (!job_.running() || !job_.idle() || pause_.isActive()) return;
    for (;;) {
        const qsizetype end = buffer_.indexOf('\n');
        if (end < 0) break;
        const QString line = QString::fromUtf8(buffer_.left(end)).trimmed();
        buffer_.remove(0, end + 1);
        ++lineNumber_;
        if (line.isEmpty() || line.startsWith('#')) continue;
        return run(line);
    }
    if (ended_) job_.close();
}

void Session::run(const QString& line) {
    if (line == "quit") {
        ended_ = true;
        input_.setEnabled(false);
        buffer_.clear();
        return job_.close();
    }
    const QStringList words = QProcess::splitCommand(line);
    if (!words.isEmpty() && words[0] == "send") return runSend(words.mid(1));
    runScriptLine(line.toStdString());
}

void Session::runSend(const QStringList& words) {
    static const QRegularExpression kNegative("^-[0-9]");
    SendAsked asked{.address = address_};
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& w = words[i];
        if (w == "--hex") {
            asked.hex = words.mid(i + 1).join(' ');
            break;
        }
        QString address;
        if (w == "-a" || w == "--address")
            address = words.value(++i);
        else if (w.startsWith("--address="))
            address = w.section('=', 1);
        else if (w.startsWith("-a") && w.size() > 2)
            address = w.mid(2);
        else if (w.startsWith('-') && !kNegative.match(w).hasMatch())
            return refuse(Tr("send 在会话中只带 -a 和 --hex：%1").arg(w));
        else {
            asked.values << w;
            continue;
        }
        const auto a = ReadAddress({"--address", address.toStdString()});
        if (!a) return refuse(TrError(a.failure()));
        asked.address = *a;
        asked.addressGiven = true;
    }
    const auto request = SendRequest(asked, framing_);
    if (!request) return refuse(TrError(request.failure()));
    QString why;
    if (!job_.send(*request, &why)) refuse(why);
}

void Session::runScriptLine(const std::string& line) {
    switch (KindOfLine(line)) {
    case LineKind::Frame: {
        const auto bytes = ReadHexBytes(line);
        if (!bytes || bytes->size() < 2)
            return refuse(Tr("16进制命令行应为成对的16进制数字（每字节两位），至少有地址和命令码"));
        QString why;
        if (!job_.send({.frame = Bench::ScriptFrame(*bytes, framing_),
                        .command = CommandCodeOfFrame(*bytes),
                        .origin = Origin::Cli},
                       &why))
            refuse(why);
        return;
    }
    case LineKind::Expect: {
        const auto check = ParseExpectLine(line);
        if (!check)
            return refuse(Tr("Expect: 后应为应答的字节（如 01 26 04 00 00 03 E8）或 value=数值"));
        const auto why = job_.check(*check);
        out_.check(lineNumber_ - 1, !why, why.value_or(QString()));
        break;
    }
    case LineKind::Delay: {
        bool ok = false;
        const int ms = QString::fromStdString(line).mid(6).toInt(&ok);
        if (!ok || ms < 1 || ms > kLongestPause)
            return refuse(Tr("延时应为 1 到 65535 毫秒的整数"));
        pause_.start(ms);
        return;
    }
    case LineKind::Jump:
        return refuse(Tr("会话中没有跳转：GoIdx: 只用于脚本文件"));
    default:
        return refuse(Tr("不是 send 命令，也不是16进制命令行、Expect: 或 Delay: 行"));
    }
    QMetaObject::invokeMethod(this, &Session::next, Qt::QueuedConnection);
}

void Session::refuse(const QString& why) {
    ++lineErrors_;
    out_.sessionNote("line_error", Tr("第 %1 行：%2").arg(lineNumber_).arg(why),
                     {{"line", lineNumber_}});
    QMetaObject::invokeMethod(this, &Session::next, Qt::QueuedConnection);
}

} // namespace stepbench::cli
