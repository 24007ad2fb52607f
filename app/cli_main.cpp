// stepbench-cli: the drive's commands, scripts and the bus scan from a terminal, for test stands
// and production lines. The same core as the window: the protocol table, the link, the queue and
// the script runner.
#include "codec/hextext.h"
#include "commands/request.h"
#include "commands/values.h"
#include "link/bus_scan.h"
#include "link/reply_decoder.h"
#include "link/transaction_stats.h"
#include "script/script_file.h"
#include "script/script_runner.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>

using namespace stepbench;

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kPortFailed = 3;
constexpr std::chrono::milliseconds kSignalPoll{20};

volatile std::sig_atomic_t g_interrupted = 0;

const char* const kUsageText = R"(Usage: stepbench-cli [options] COMMAND ...

Commands:
  commands                      list every command: code, key, name and its values
  send KEY [VALUE...]           one command by its key, e.g. send set-start-speed 500
  send --hex "01 26 00"         typed bytes, framed with their checksum
  run FILE [--loops N] [--interval MS] [--stop-on-fail]
                                a script file (frame, Delay:, GoIdx:, Expect: lines); N loops,
                                0 (the default) until interrupted; MS between lines (100)
  scan [--from A --to B] [--all-bauds]
                                the bus scan: a handshake to every address (1-32)

Options:
  --port P        the serial port: a COM number, a device name or path; or a serial device
                  server, tcp://HOST:PORT (required)
  --baud B        baud rate (9600; a device server sets its own)
  --address A     device address in hex (1)
  --ascii         ASCII framing (":" ... LRC CR LF) instead of RTU
  --plc           wrap requests for the PLC standard protocol (Modbus 03/0x10)
  --mapping M     the PLC register mapping address (0)
  --timeout MS    reply timeout (300)
  --json          one JSON object per transaction per line on standard output
  --quiet         no line per transaction, only the summary
  --help          this text

Exit status: 0 every transaction answered intact and every check passed (scan: a device found);
1 a reply missing, damaged, an exception or a failed check; 2 a usage error (nothing sent);
3 the port could not be opened or was lost.
)";

void OnSignal(int) {
    g_interrupted = 1;
}

QString VerdictKey(Verdict v) {
    switch (v) {
    case Verdict::Ok:
        return "ok";
    case Verdict::BadChecksum:
        return "bad_checksum";
    case Verdict::Exception:
        return "exception";
    case Verdict::NoReply:
        return "no_reply";
    case Verdict::Mismatch:
        return "mismatch";
    case Verdict::Broadcast:
        return "broadcast";
    case Verdict::Unchecked:
        return "unchecked";
    case Verdict::Cancelled:
        return "cancelled";
    case Verdict::Late:
        return "late";
    }
    return {};
}

QString Hex(const Bytes& b) {
    return QString::fromStdString(HexFrameText(b)).trimmed();
}

struct Options {
    QString port;
    QString baud = "9600";
    QString address = "1";
    bool ascii = false;
    bool plc = false;
    double mapping = 0;
    int timeout = 300;
    bool json = false;
    bool quiet = false;
    QString hex;
    bool hexSet = false;
    int loops = 0;
    int interval = 100;
    bool stopOnFail = false;
    int from = 1;
    int to = 32;
    bool allBauds = false;
    QStringList positional;
};

// Parses the arguments; the reason on a usage error. Values may be negative numbers, so only
// words starting with "--" are options.
std::optional<QString> Parse(const QStringList& args, Options& o) {
    const std::map<QString, std::function<bool(const QString&)>> valued = {
        {"--port",
         [&](const QString& v) {
             o.port = v;
             return !v.isEmpty();
         }},
        {"--baud",
         [&](const QString& v) {
             o.baud = v;
             return v.toInt() > 0;
         }},
        {"--address",
         [&](const QString& v) {
             o.address = v;
             return true;
         }},
        {"--mapping",
         [&](const QString& v) {
             bool ok;
             o.mapping = v.toDouble(&ok);
             return ok && o.mapping >= 0 && o.mapping <= 65535;
         }},
        {"--timeout",
         [&](const QString& v) {
             o.timeout = v.toInt();
             return o.timeout >= 10 && o.timeout <= 60000;
         }},
        {"--hex",
         [&](const QString& v) {
             o.hex = v;
             o.hexSet = true;
             return true;
         }},
        {"--loops",
         [&](const QString& v) {
             bool ok;
             o.loops = v.toInt(&ok);
             return ok && o.loops >= 0;
         }},
        {"--interval",
         [&](const QString& v) {
             o.interval = v.toInt();
             return o.interval >= 1 && o.interval <= 65535;
         }},
        {"--from",
         [&](const QString& v) {
             o.from = v.toInt();
             return o.from >= 1 && o.from <= 247;
         }},
        {"--to",
         [&](const QString& v) {
             o.to = v.toInt();
             return o.to >= 1 && o.to <= 247;
         }},
    };
    const std::map<QString, bool*> flags = {{"--ascii", &o.ascii},
                                            {"--plc", &o.plc},
                                            {"--json", &o.json},
                                            {"--quiet", &o.quiet},
                                            {"--stop-on-fail", &o.stopOnFail},
                                            {"--all-bauds", &o.allBauds}};
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith("--")) {
            o.positional << a;
        } else if (flags.count(a)) {
            *flags.at(a) = true;
        } else if (valued.count(a)) {
            if (i + 1 >= args.size()) return a + " needs a value";
            if (!valued.at(a)(args[++i])) return QString("bad value for %1: %2").arg(a, args[i]);
        } else {
            return "unknown option " + a;
        }
    }
    if (o.positional.isEmpty()) return QString("no command given");
    return std::nullopt;
}

// The program over the link: sends, runs or scans, prints each transaction, and ends with a
// summary and the exit status.
class CommandLine : public QObject {
public:
    explicit CommandLine(Options options)
        : o_(std::move(options)), queue_(link_), scan_(link_, queue_) {
        out_.setEncoding(QStringConverter::Utf8);
        err_.setEncoding(QStringConverter::Utf8);
        connect(&queue_, &TransactionQueue::closed, this, &CommandLine::print);
        connect(&queue_, &TransactionQueue::lineDown, this,
                [this](const TransactionQueue::LineDown& down) {
                    if (down.cause != Cause::Lost) return;
                    err_ << "stepbench-cli: 串口已断开：" << down.reason << Qt::endl;
                    portLost_ = true;
                    finish();
                });
        signals_.setInterval(kSignalPoll);
        connect(&signals_, &QTimer::timeout, this, [this] {
            if (g_interrupted && !stopping_) stopAfterCurrent();
        });
        signals_.start();
    }

    // Starts the command; an exit status at once when it ends before anything is sent.
    std::optional<int> start() {
        const QString command = o_.positional[0];
        if (command == "commands") return listCommands();
        const auto address = ReadAddress({"--address", o_.address.toStdString()});
        if (!address) return usage(QString::fromStdString(address.error()));
        address_ = *address;
        framing_ = {o_.ascii ? LinkMode::Ascii : LinkMode::Rtu, o_.plc, o_.mapping};
        if (command != "send" && command != "run" && command != "scan")
            return usage("unknown command " + command);
        // Everything is checked before the port opens, so a usage error sends nothing.
        std::optional<Bytes> framed;
        std::optional<std::uint8_t> code;
        std::vector<std::string> script;
        if (command == "send") {
            const auto r = sendRequest();
            if (!r) return usage(QString::fromStdString(r.error()));
            const auto f = FrameForLine(*r, framing_);
            if (!f) return usage(QString::fromStdString(f.error()));
            framed = *f;
            if (r->size() >= 2) code = (*r)[1];
        } else if (command == "run") {
            if (o_.positional.size() != 2) return usage("run needs one script file");
            const auto lines = LoadScriptFile(o_.positional[1]);
            if (!lines) return usage(QString::fromStdString(lines.error()));
            script = *lines;
        }
        QString error;
        if (!link_.open(o_.port, o_.baud, &error)) {
            err_ << "stepbench-cli: " << error << Qt::endl;
            return kPortFailed;
        }
        const auto begin = [this, command, framed, code, script] {
            link_.setFraming(framing_.mode);
            queue_.setReplyTimeout(std::chrono::milliseconds(o_.timeout));
            if (framed) {
                submit(*framed, code);
                connect(&queue_, &TransactionQueue::becameIdle, this, &CommandLine::finish);
            } else if (command == "run") {
                runScript(script);
            } else {
                scan();
            }
        };
        if (!link_.connecting()) {
            begin();
            return std::nullopt;
        }
        // A device server answers, or fails to, once the event loop runs.
        connect(&link_, &Link::connected, this, begin);
        connect(&link_, &Link::connectFailed, this, [this](const QString& why) {
            err_ << "stepbench-cli: " << why << Qt::endl;
            QCoreApplication::exit(kPortFailed);
        });
        return std::nullopt;
    }

private:
    int usage(const QString& why) {
        err_ << "stepbench-cli: " << why << "\nTry stepbench-cli --help" << Qt::endl;
        return kUsage;
    }

    int listCommands() {
        for (const CommandInfo& c : CommandTable())
            out_ << QString("0x%1  %2  %3  %4\n")
                        .arg(QString::fromStdString(HexByte(c.code)))
                        .arg(QString::fromUtf8(c.key.data(), qsizetype(c.key.size())), -28)
                        .arg(QString::fromUtf8(c.name.data(), qsizetype(c.name.size())))
                        .arg(QString::fromStdString(ValuesUsage(c)));
        out_.flush();
        return kOk;
    }

    Result<Bytes> sendRequest() {
        if (o_.hexSet) {
            if (o_.positional.size() != 1) return Error{"send --hex takes no key"};
            const Bytes b = ParseHexText(o_.hex.toStdString());
            if (b.size() < 2) return Error{"--hex needs at least an address and a command"};
            return b;
        }
        if (o_.positional.size() < 2)
            return Error{"send needs a command key (see stepbench-cli commands)"};
        const CommandInfo* c = FindCommand(o_.positional[1].toStdString());
        if (!c) return Error{"unknown command key " + o_.positional[1].toStdString()};
        std::vector<std::string> values;
        for (int i = 2; i < o_.positional.size(); ++i)
            values.push_back(o_.positional[i].toStdString());
        // The address query goes to address 0, as in the window.
        return RequestFromValues(c->code == 0x21 ? 0 : address_, *c, values);
    }

    void submit(const Bytes& frame, std::optional<std::uint8_t> command,
                Origin origin = Origin::Cli) {
        QString error;
        if (!queue_.submit({.frame = frame, .command = command, .origin = origin}, &error))
            err_ << "stepbench-cli: " << error << Qt::endl;
    }

    void runScript(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        runner_ = std::make_unique<ScriptRunner>(
            [this] { return lines_; },
            [this](const Bytes& frame) {
                // Script lines are whole frames; in the PLC protocol they are wrapped as the
                // window wraps them.
                Bytes out = frame;
                if (framing_.plc)
                    if (auto w = WrapForPlc(frame, PlcFormOf(frame), framing_.mappingAddress))
                        out = *w;
                submit(out, CommandCodeOfFrame(frame), Origin::Script);
            });
        runner_->setGate([this] { return queue_.idle(); });
        // After the transaction's own line: its Expect lines.
        connect(&queue_, &TransactionQueue::closed, this, [this](const Transaction& t) {
            if (t.request.origin != Origin::Script) return;
            const auto e = ExpectationOf(t.request.frame);
            runner_->checkReply(t.verdict == Verdict::Ok, t.reply, e ? e->framing : LinkMode::Rtu);
        });
        connect(&queue_, &TransactionQueue::becameIdle, runner_.get(), &ScriptRunner::resume);
        connect(runner_.get(), &ScriptRunner::stepped, this, [this](int index) {
            // A loop ends where the script goes back: past its end, or by a jump.
            if (index <= lastIndex_ && ++loopsDone_ >= o_.loops && o_.loops > 0) stopAfterCurrent();
            lastIndex_ = index;
        });
        connect(runner_.get(), &ScriptRunner::checkPassed, this,
                [this](int line) { report(line, true, {}); });
        connect(runner_.get(), &ScriptRunner::checkFailed, this,
                [this](int line, const QString& why) {
                    ++checksFailed_;
                    report(line, false, why);
                    if (o_.stopOnFail) stopAfterCurrent();
                });
        runner_->start(o_.interval);
    }

    void scan() {
        BusScan::Plan plan{.from = o_.from, .to = o_.to, .framing = framing_.mode};
        if (o_.allBauds) plan.bauds = StandardBaudRates();
        if (o_.from > o_.to) {
            err_ << "stepbench-cli: --from is above --to" << Qt::endl;
            exitCode_ = kUsage;
            return finish();
        }
        scanning_ = true;
        connect(&scan_, &BusScan::found, this, [this](const ScanHit& hit) {
            ++found_;
            if (o_.json)
                out_ << QJsonDocument(
                            QJsonObject{{"found", QJsonObject{{"address", hit.address},
                                                              {"baud", hit.baud},
                                                              {"round_trip_ms", hit.roundTripMs}}}})
                            .toJson(QJsonDocument::Compact)
                     << '\n';
            else
                out_ << QString("找到设备：地址 %1 (0x%2)，波特率 %3，往返 %4 ms\n")
                            .arg(hit.address)
                            .arg(hit.address, 2, 16, QChar('0'))
                            .arg(hit.baud ? QString::number(hit.baud) : "由设备服务器设定")
                            .arg(hit.roundTripMs, 0, 'f', 1);
            out_.flush();
        });
        connect(&scan_, &BusScan::finished, this, &CommandLine::finish);
        QString error;
        if (!scan_.start(plan, &error)) {
            err_ << "stepbench-cli: " << error << Qt::endl;
            exitCode_ = kUsage;
            finish();
        }
    }

    void stopAfterCurrent() {
        stopping_ = true;
        if (runner_) runner_->stop();
        if (scan_.running()) return scan_.cancel();
        if (queue_.idle()) return finish();
        connect(&queue_, &TransactionQueue::becameIdle, this, &CommandLine::finish);
    }

    void print(const Transaction& t) {
        if (t.request.origin == Origin::Script || t.request.origin == Origin::Cli)
            stats_.add(t.request.command ? int(*t.request.command) : TransactionStats::kRawCommand,
                       t.verdict, t.roundTripMs);
        if (t.request.origin == Origin::Scan) return;
        if (IsFailure(t.verdict)) anyFailed_ = true;
        if (o_.quiet) return;
        const auto e = ExpectationOf(t.request.frame);
        const DecodedReply decoded =
            DecodePiece({PieceKind::Frame, t.reply, e ? e->framing : LinkMode::Rtu});
        const QString report = t.verdict == Verdict::Ok && decoded.report
                                   ? QString::fromStdString(decoded.report->chinese())
                                   : QString();
        const QString value = t.verdict == Verdict::Ok && !decoded.fields.empty()
                                  ? QString::fromStdString(decoded.fields.front().text)
                                  : QString();
        const CommandInfo* info = t.request.command ? FindCommand(*t.request.command) : nullptr;
        const QString key = info ? QString::fromUtf8(info->key.data(), qsizetype(info->key.size()))
                                 : QString("raw");
        if (o_.json) {
            QJsonObject line{{"time", t.written.toString(Qt::ISODateWithMs)},
                             {"command", key},
                             {"request", Hex(t.request.frame)},
                             {"reply", Hex(t.reply)},
                             {"verdict", VerdictKey(t.verdict)}};
            if (const auto a = t.address()) line["address"] = *a;
            if (t.request.command)
                line["code"] = QString("0x") + QString::fromStdString(HexByte(*t.request.command));
            if (t.roundTripMs) line["round_trip_ms"] = std::round(*t.roundTripMs * 10) / 10;
            if (!report.isEmpty()) line["report"] = report;
            if (!value.isEmpty()) {
                bool number = false;
                const qlonglong n = value.toLongLong(&number);
                line["value"] = number ? QJsonValue(n) : QJsonValue(value);
            }
            out_ << QJsonDocument(line).toJson(QJsonDocument::Compact) << '\n';
        } else {
            out_ << QString("%1  %2  %3  %4 ms  %5 -> %6  %7 %8\n")
                        .arg(t.written.toString("hh:mm:ss.zzz"), key,
                             QString::fromUtf8(VerdictName(t.verdict).data()),
                             t.roundTripMs ? QString::number(*t.roundTripMs, 'f', 1) : QString("-"),
                             Hex(t.request.frame), Hex(t.reply), report, value);
        }
        out_.flush();
    }

    void report(int line, bool passed, const QString& why) {
        if (o_.quiet && passed) return;
        if (o_.json)
            out_ << QJsonDocument(QJsonObject{{"check", QJsonObject{{"line", line + 1},
                                                                    {"passed", passed},
                                                                    {"reason", why}}}})
                        .toJson(QJsonDocument::Compact)
                 << '\n';
        else
            out_ << QString("第 %1 行检查%2%3\n")
                        .arg(line + 1)
                        .arg(passed ? "通过" : "未通过：", why);
        out_.flush();
    }

    void finish() {
        if (finished_) return;
        finished_ = true;
        const CommandStats& s = stats_.total();
        if (o_.json) {
            QJsonObject summary{
                {"transactions", qint64(s.sent)},   {"ok", qint64(s.ok)},
                {"no_reply", qint64(s.noReply)},    {"bad_checksum", qint64(s.badChecksum)},
                {"exception", qint64(s.exception)}, {"mismatch", qint64(s.mismatch)},
                {"checks_failed", checksFailed_}};
            const auto tenth = [](double ms) { return std::round(ms * 10) / 10; };
            if (s.timed)
                summary["round_trip_ms"] = QJsonObject{
                    {"min", tenth(s.minMs)}, {"mean", tenth(s.meanMs())}, {"max", tenth(s.maxMs)}};
            if (scanning_) summary["devices_found"] = found_;
            out_ << QJsonDocument(QJsonObject{{"summary", summary}}).toJson(QJsonDocument::Compact)
                 << '\n';
            out_.flush();
        } else {
            err_ << QString("%1 次通讯：正常 %2，无应答 %3，校验错误 %4，异常应答 %5，应答不符 %6")
                        .arg(s.sent)
                        .arg(s.ok)
                        .arg(s.noReply)
                        .arg(s.badChecksum)
                        .arg(s.exception)
                        .arg(s.mismatch);
            if (s.timed)
                err_ << QString("；往返 最小 %1 / 平均 %2 / 最大 %3 ms")
                            .arg(s.minMs, 0, 'f', 1)
                            .arg(s.meanMs(), 0, 'f', 1)
                            .arg(s.maxMs, 0, 'f', 1);
            if (checksFailed_) err_ << QString("；%1 项检查未通过").arg(checksFailed_);
            if (scanning_) err_ << QString("；找到 %1 个设备").arg(found_);
            err_ << Qt::endl;
        }
        link_.close();
        if (exitCode_ == kOk)
            exitCode_ = portLost_                         ? kPortFailed
                        : scanning_                       ? (found_ > 0 ? kOk : kFailed)
                        : anyFailed_ || checksFailed_ > 0 ? kFailed
                                                          : kOk;
        QCoreApplication::exit(exitCode_);
    }

    Options o_;
    QTextStream out_{stdout};
    QTextStream err_{stderr};
    Link link_;
    TransactionQueue queue_;
    BusScan scan_;
    TransactionStats stats_;
    std::unique_ptr<ScriptRunner> runner_;
    std::vector<std::string> lines_;
    QTimer signals_;
    std::uint8_t address_ = 1;
    LineFraming framing_;
    int lastIndex_ = -1;
    int loopsDone_ = 0;
    int checksFailed_ = 0;
    int found_ = 0;
    int exitCode_ = kOk;
    bool anyFailed_ = false;
    bool portLost_ = false;
    bool stopping_ = false;
    bool scanning_ = false;
    bool finished_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("stepbench-cli");
    QCoreApplication::setApplicationVersion(STEPBENCH_VERSION);
    const QStringList args = QCoreApplication::arguments();
    if (args.contains("--help") || args.contains("-h")) {
        std::fputs(kUsageText, stdout);
        return kOk;
    }
    if (args.contains("--version")) {
        std::printf("stepbench-cli %s\n", STEPBENCH_VERSION);
        return kOk;
    }
    Options options;
    if (const auto why = Parse(args, options)) {
        std::fprintf(stderr, "stepbench-cli: %s\nTry stepbench-cli --help\n", qPrintable(*why));
        return kUsage;
    }
    if (options.port.isEmpty() && options.positional[0] != "commands") {
        std::fputs("stepbench-cli: --port is required\nTry stepbench-cli --help\n", stderr);
        return kUsage;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    CommandLine cli(options);
    if (const auto done = cli.start()) return *done;
    return QCoreApplication::exec();
}
