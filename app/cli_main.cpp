// stepbench-cli: the drive's commands, scripts and the bus scan from a terminal, for test stands
// and production lines. The same core as the window: the protocol table, the link, the queue and
// the script runner; this program only prints what the queue decided.
#include "app/cli_options.h"
#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/catalogue.h"
#include "commands/profile_file.h"
#include "commands/values.h"
#include "link/bus_scan.h"
#include "link/profile_session.h"
#include "link/reply_decoder.h"
#include "link/traffic_log.h"
#include "link/transaction_queue.h"
#include "link/transaction_stats.h"
#include "link/transaction_text.h"
#include "script/script_file.h"
#include "script/script_runner.h"
#include "script/script_text.h"
#include "translations/catalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <map>
#include <unistd.h>

using namespace stepbench;
using namespace stepbench::cli;

namespace {

constexpr std::chrono::milliseconds kSignalPoll{20};
constexpr std::uint8_t kAddressQuery = 0x21;

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int number) {
    // A second one ends at once: the user has waited long enough.
    if (g_signal) _exit(128 + number);
    g_signal = number;
}

const char* const kUsageText = R"(Usage: stepbench-cli [options] COMMAND ...

Commands:
  commands                      every command: code, key, name and its values
  send KEY [VALUE...]           one command by its key, e.g. send set-start-speed 500
  send --hex "01 26 00"         bytes as pairs of hex digits (blanks optional); the checksum
                                is added
  run FILE|- [--loops N] [--interval MS] [--stop-on-fail] [--junit FILE]
                                a script file, or standard input (-): frame, Delay:, GoIdx:,
                                Expect: and # comment lines; N loops, 0 (the default) until
                                interrupted; MS between lines (100)
  scan [--from A --to B] [--all-bauds]
                                a handshake to every address from A to B (1-32)
  profile read FILE             every setting of the drive at --address, saved as a profile
  profile compare FILE          each drive of --address (1-10, 1,3,5) against the profile
  profile write FILE            the profile written to each drive of --address, read back;
                                --stop-on-fail stops at the first drive that fails

Options:
  -p, --port P        the serial port: a COM number, a device name or path; or a serial
                      device server, tcp://HOST:PORT (required)
  -b, --baud B        baud rate (9600; a device server sets its own)
  -a, --address A     device address in hex, 0-FF (1); for profile also a list or range
      --ascii         ASCII framing (":" ... LRC CR LF) instead of RTU
      --plc           wrap requests as Modbus register reads/writes (03/0x10)
      --mapping M     the PLC register mapping address, 0-65503 (0)
  -t, --timeout MS    reply timeout, from the request leaving the line, 10-60000 (300)
      --turnaround MS the pause after a broadcast, 0-60000 (100)
      --echo          the adapter hands back what it sends: skip that echo
      --line-timing T auto, baud or none: whether a reply can begin only after the
                      request's bytes have had their time on the wire at the baud rate
                      (auto: yes on ttyS and ttyUSB ports; not on ttyACM, pseudo-
                      terminals and device servers)
  -j, --json          one JSON object per line: transactions, checks, events, a summary
  -q, --quiet         no line per transaction, only failed checks and the summary
      --value         send: print only the decoded value of the reply
      --junit FILE    run: write a JUnit XML report
      --log FILE      append every transaction to a CSV file as it closes (set aside as
                      FILE-1, FILE-2, ... at --log-rotate MB, 100)
      --lang en|zh    language of report lines and messages (default: LANG, else zh)
  -h, --help          this text
      --version       the program's version
Options take their value as "--timeout 500" or "--timeout=500".

Exit status: 0 every transaction answered intact, every check passed and the run completed as
asked (scan: a device found); 1 a reply missing, damaged, an exception, a mismatch, a request
cancelled or a failed check; 2 a usage or script error (nothing sent); 3 the port could not be
opened or was lost; 130 or 143 interrupted by SIGINT or SIGTERM (after the summary).
)";

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

double Tenth(double ms) {
    return std::round(ms * 10) / 10;
}

QString KeyOf(std::optional<std::uint8_t> code) {
    const CommandInfo* info = code ? FindCommand(*code) : nullptr;
    return info ? QString::fromUtf8(info->key.data(), qsizetype(info->key.size())) : "raw";
}

QJsonValue Json(const TypedValue& v) {
    if (const auto* n = std::get_if<std::int64_t>(&v.value)) return qint64(*n);
    if (const auto* b = std::get_if<bool>(&v.value)) return *b;
    return QString::fromStdString(std::get<std::string>(v.value));
}

QString Text(const TypedValue& v) {
    if (const auto* n = std::get_if<std::int64_t>(&v.value)) return QString::number(*n);
    if (const auto* b = std::get_if<bool>(&v.value)) return *b ? "true" : "false";
    return QString::fromStdString(std::get<std::string>(v.value));
}

// The program over the link: sends, runs or scans, prints what the queue decided, and ends
// with a summary and the exit status.
class CommandLine : public QObject {
public:
    explicit CommandLine(Options options)
        : o_(std::move(options)), queue_(link_), scan_(link_, queue_) {
        out_.setEncoding(QStringConverter::Utf8);
        err_.setEncoding(QStringConverter::Utf8);
        connect(&queue_, &TransactionQueue::closed, this, &CommandLine::onClosed);
        connect(&queue_, &TransactionQueue::lateReply, this, &CommandLine::onLate);
        connect(&queue_, &TransactionQueue::lineDown, this,
                [this](const TransactionQueue::LineDown& down) {
                    if (down.cause != Cause::Lost) return;
                    event("port_lost", Tr("串口已断开：%1").arg(down.reason));
                    portLost_ = true;
                    finish();
                });
        connect(&link_, &Link::echoMissing, this, [this] {
            if (!std::exchange(echoMissingSaid_, true))
                event("echo_missing", Tr("已开“回显抑制”，但收到的字节不是刚发出的命令："
                                         "这个转换器可能不回显"));
        });
        signals_.setInterval(kSignalPoll);
        connect(&signals_, &QTimer::timeout, this, [this] {
            if (!g_signal || interrupted_) return;
            interrupted_ = int(g_signal);
            event("interrupted", Tr("已中断（信号 %1），等待线上的命令结束").arg(interrupted_));
            // Nothing is on the line yet while a device server is being reached.
            if (link_.connecting()) return finish();
            stopAfterCurrent();
        });
        signals_.start();
    }

    // Everything that can be checked before the port opens; an exit status when the run ends
    // there (nothing sent).
    std::optional<int> prepare() {
        if (o_.command == "commands") return listCommands();
        if (o_.command == "profile") {
            const auto list = ReadAddressList({"--address", o_.address.toStdString()});
            if (!list) return usage(TrError(list.failure()));
            drives_ = *list;
        } else {
            const auto address = ReadAddress({"--address", o_.address.toStdString()});
            if (!address) return usage(TrError(address.failure()));
            address_ = *address;
        }
        framing_ = {o_.ascii ? LinkMode::Ascii : LinkMode::Rtu, o_.plc, double(o_.mapping)};
        if (o_.command == "send") {
            const auto r = sendRequest();
            if (!r) return usage(TrError(r.failure()));
            // Some commands go in the device's own protocol even to a PLC, as in the window.
            LineFraming framing = framing_;
            if (r->size() >= 2 && OwnProtocolOnly((*r)[1])) framing.plc = false;
            const auto f = FrameForLine(*r, framing);
            if (!f) return usage(TrError(f.failure()));
            frame_ = *f;
            if (r->size() >= 2) code_ = (*r)[1];
        } else if (o_.command == "run") {
            if (o_.values.size() != 1) return usage(Tr("run 需要一个脚本文件，或 - 表示标准输入"));
            if (const auto why = loadScript()) return *why;
        } else if (o_.command == "profile") {
            if (o_.values[0] == "read" && drives_.size() != 1)
                return usage(Tr("profile read 读一台驱动器：--address 应为一个地址"));
            if (o_.values[0] != "read") {
                const auto loaded = LoadProfile(o_.values[1]);
                if (!loaded) return usage(TrError(loaded.failure()));
                profileFile_ = *loaded;
            }
        } else if (!o_.values.isEmpty()) {
            return usage(Tr("%1 不带其他参数：%2").arg(o_.command, o_.values.join(' ')));
        }
        if (o_.command == "scan" && o_.allBauds && Link::IsNetworkTarget(o_.port))
            return usage(Tr("经设备服务器连接时不能换波特率，只能扫描地址"));
        QString error;
        if (!o_.log.isEmpty() && !log_.open(o_.log, qint64(o_.logRotate) * 1024 * 1024, &error))
            return usage(error);
        return std::nullopt;
    }

    // Opens the port and starts; an exit status when it cannot be opened.
    std::optional<int> start() {
        QString error;
        if (!link_.open(o_.port, QString::number(o_.baud), &error)) {
            event("port_error", error);
            return kPortFailed;
        }
        link_.setEchoSuppression(o_.echo);
        link_.setLineTiming(o_.lineTiming == "baud"   ? Link::LineTiming::Baud
                            : o_.lineTiming == "none" ? Link::LineTiming::Untimed
                                                      : Link::LineTiming::Auto);
        // The poll is the fallback that notices a line gone quiet, or gone.
        link_.pollTimer().start();
        queue_.setReplyTimeout(std::chrono::milliseconds(o_.timeout));
        if (o_.turnaround) queue_.setTurnaround(std::chrono::milliseconds(*o_.turnaround));
        if (!link_.connecting()) {
            begin();
            return std::nullopt;
        }
        // A device server answers, or fails to, once the event loop runs.
        connect(&link_, &Link::connected, this, [this] {
            if (!finished_) begin();
        });
        connect(&link_, &Link::connectFailed, this, [this](const QString& why) {
            event("port_error", why);
            portFailed_ = true;
            finish();
        });
        return std::nullopt;
    }

private:
    int usage(const QString& why) {
        event("usage_error", why);
        err_ << Tr("请看 stepbench-cli --help") << Qt::endl;
        return kUsage;
    }

    // A line for what happened to the run: on standard error, and with --json as a JSON line.
    void event(const char* kind, const QString& message, QJsonObject more = {}) {
        err_ << "stepbench-cli: " << message << Qt::endl;
        if (!o_.json) return;
        more["kind"] = kind;
        more["message"] = message;
        more["time"] = IsoTime(QDateTime::currentDateTime());
        line(QJsonObject{{"event", more}});
    }

    void line(const QJsonObject& object) {
        out_ << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        out_.flush();
    }

    int listCommands() {
        for (const CommandInfo& c : CommandTable())
            out_ << QString("0x%1  %2  %3  %4\n")
                        .arg(QString::fromStdString(HexByte(c.code)))
                        .arg(QString::fromUtf8(c.key.data(), qsizetype(c.key.size())), -28)
                        .arg(Tr(c.name))
                        .arg(QString::fromStdString(ValuesUsage(c)));
        out_.flush();
        return kOk;
    }

    Result<Bytes> sendRequest() {
        if (o_.hexSet) {
            if (!o_.values.isEmpty()) return Error{ZH("send --hex 不带命令键")};
            const auto b = ReadHexBytes(o_.hex.toStdString());
            if (!b)
                return Error{
                    ZH("--hex 的值“%1”不对：应为成对的16进制数字，可用空格隔开，如“01 26 00”"),
                    {o_.hex.toStdString()}};
            if (b->size() < 2) return Error{ZH("--hex 至少要有地址和命令码两个字节")};
            return *b;
        }
        if (o_.values.isEmpty()) return Error{ZH("send 需要命令键（见 stepbench-cli commands）")};
        const CommandInfo* c = FindCommand(o_.values[0].toStdString());
        if (!c)
            return Error{ZH("未知的命令键 %1（见 stepbench-cli commands）"),
                         {o_.values[0].toStdString()}};
        std::vector<std::string> values;
        for (int i = 1; i < o_.values.size(); ++i)
            values.push_back(o_.values[i].toStdString());
        // The address query goes to address 0, as in the window.
        return RequestFromValues(c->code == kAddressQuery ? 0 : address_, *c, values);
    }

    // Reads and checks the script; why the run cannot start, when it cannot.
    std::optional<int> loadScript() {
        const QString path = o_.values[0];
        if (path == "-") {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly)) return usage(Tr("无法读取标准输入"));
            const QByteArray data = in.readAll();
            script_ = ParseScript(ByteView(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                           std::size_t(data.size())));
        } else {
            const auto lines = LoadScriptFile(path);
            if (!lines) return usage(QString::fromStdString(lines.error()));
            script_ = *lines;
        }
        scriptName_ = path == "-" ? QString("stdin") : path;
        const auto problems = CheckScript(script_);
        for (const LineProblem& p : problems)
            event("script_error",
                  Tr("%1 第 %2 行“%3”：%4")
                      .arg(scriptName_)
                      .arg(p.line + 1)
                      .arg(QString::fromStdString(script_[std::size_t(p.line)]), TrError(p.why)),
                  {{"line", p.line + 1}});
        if (!problems.empty()) return kUsage;
        if (std::none_of(script_.begin(), script_.end(),
                         [](const std::string& l) { return KindOfLine(l) == LineKind::Frame; }))
            return usage(Tr("%1 中没有命令行").arg(scriptName_));
        return std::nullopt;
    }

    void begin() {
        link_.setFraming(framing_.mode);
        if (o_.command == "send") {
            sendId_ = submit(frame_, code_, Origin::Cli);
            if (!sendId_) finish();
        } else if (o_.command == "run") {
            runScript();
        } else if (o_.command == "profile") {
            runProfile();
        } else {
            scan();
        }
    }

    void runProfile() {
        session_ = std::make_unique<ProfileSession>(queue_);
        batch_ = std::make_unique<ProfileBatch>(*session_);
        const QString action = o_.values[0];
        const auto kind = action == "read"      ? ProfileBatch::Action::Read
                          : action == "compare" ? ProfileBatch::Action::Compare
                                                : ProfileBatch::Action::Write;
        connect(batch_.get(), &ProfileBatch::driveDone, this, &CommandLine::onDrive);
        connect(batch_.get(), &ProfileBatch::finished, this, [this](bool stopped) {
            stoppedEarly_ = stoppedEarly_ || stopped;
            // After the last transaction has been counted too.
            QTimer::singleShot(0, this, &CommandLine::finish);
        });
        QString error;
        if (!batch_->start(kind, drives_, framing_.mode, profileFile_.values, o_.stopOnFail,
                           &error)) {
            event("not_sent", error);
            finish();
        }
    }

    void onDrive(const DriveResult& r) {
        ++drivesDone_;
        const ProfileOutcome& o = r.outcome;
        const QString action = o_.values[0];
        const bool differs = action == "compare" && !r.differing.empty();
        const bool failed = !r.ok();
        anyFailed_ = anyFailed_ || failed || differs;
        if (action == "read" && !failed) {
            ProfileFile file;
            file.address = r.address;
            file.baud = link_.baudRate();
            file.readAt = QDateTime::currentDateTime();
            file.program = "stepbench-cli " STEPBENCH_VERSION;
            file.values = o.drive;
            // A read cut short makes no file the tools would refuse.
            if (const auto missing = MissingSettings(file.values); !missing.empty()) {
                event("profile_error",
                      TrN("读取不完整：还有 %n 项设置没有读到（如“%1”），没有保存。"
                          "请重新“读取全部”。",
                          qsizetype(missing.size()))
                          .arg(QString::fromStdString(missing.front())));
                anyFailed_ = true;
            } else if (const QString error = SaveProfile(o_.values[1], file); !error.isEmpty()) {
                event("profile_error", error);
                anyFailed_ = true;
            }
        }
        const auto names = [](const std::vector<std::string>& list) {
            QStringList out;
            for (const std::string& n : list)
                out << QString::fromStdString(n);
            return out;
        };
        const QString verdict = o.cancelled ? "cancelled"
                                : failed    ? "failed"
                                : differs   ? "different"
                                            : "ok";
        if (o_.json) {
            QJsonObject drive{{"address", r.address}, {"action", action}, {"verdict", verdict}};
            if (action == "write") {
                drive["written"] = qint64(o.written.size());
                drive["not_taken"] = QJsonArray::fromStringList(names(o.notTaken));
            }
            if (action != "write") drive["settings"] = qint64(o.drive.size());
            if (action == "compare")
                drive["differing"] = QJsonArray::fromStringList(names(r.differing));
            if (!o.stoppedAt.empty()) {
                drive["stopped_at"] = QString::fromStdString(o.stoppedAt);
                drive["why"] = o.why;
            }
            return line(QJsonObject{{"drive", drive}});
        }
        if (o_.quiet && !failed && !differs) return;
        QString text = Tr("地址 %1：").arg(QString::fromStdString(HexByte(r.address)));
        if (o.cancelled)
            text += Tr("已取消");
        else if (!o.stoppedAt.empty())
            text += Tr("在设置“%1”处停止：%2").arg(QString::fromStdString(o.stoppedAt), o.why);
        else if (action == "write")
            text +=
                TrN("已写入 %n 项设置", qsizetype(o.written.size())) +
                (o.notTaken.empty() ? QString()
                                    : Tr("；读回后未生效：%1").arg(names(o.notTaken).join(", ")));
        else if (action == "compare")
            text += differs ? TrN("驱动器与配置文件有 %n 项不同", qsizetype(r.differing.size())) +
                                  "：" + names(r.differing).join(", ")
                            : Tr("驱动器与配置文件相同");
        else
            text += TrN("已读取 %n 项设置", qsizetype(o.drive.size()));
        out_ << text << Qt::endl;
    }

    quint64 submit(const Bytes& frame, std::optional<std::uint8_t> command, Origin origin) {
        QString error;
        const quint64 id =
            queue_.submit({.frame = frame, .command = command, .origin = origin}, &error);
        if (!id) event("not_sent", error);
        return id;
    }

    void runScript() {
        runner_ = std::make_unique<ScriptRunner>(
            [this] { return script_; },
            [this](const Bytes& frame) {
                // Script lines are whole frames; in the PLC protocol they are wrapped as the
                // window wraps them, but for the commands of the device's own protocol.
                Bytes out = frame;
                const auto code = CommandCodeOfFrame(frame);
                if (framing_.plc && !(code && OwnProtocolOnly(*code)))
                    if (auto w = WrapForPlc(frame, PlcFormOf(frame), framing_.mappingAddress))
                        out = *w;
                if (const quint64 id = submit(out, code, Origin::Script)) lineOf_[id] = stepLine_;
            });
        runner_->setGate([this] { return queue_.idle(); });
        connect(&queue_, &TransactionQueue::becameIdle, runner_.get(), &ScriptRunner::resume);
        connect(runner_.get(), &ScriptRunner::stepped, this, [this](int index) {
            // A loop ends where the script goes back: past its end, or by a jump.
            if (index <= stepLine_ && ++loopsDone_ >= o_.loops && o_.loops > 0) {
                loopsComplete_ = true;
                return stopAfterCurrent();
            }
            stepLine_ = index;
        });
        connect(runner_.get(), &ScriptRunner::checkPassed, this,
                [this](int l) { report(l, true, {}); });
        connect(runner_.get(), &ScriptRunner::checkFailed, this, [this](int l, const QString& why) {
            report(l, false, why);
            if (o_.stopOnFail) stopAfterCurrent();
        });
        runner_->start(o_.interval);
    }

    void scan() {
        BusScan::Plan plan{.from = o_.from,
                           .to = o_.to,
                           .timeout = std::chrono::milliseconds(o_.timeout),
                           .framing = framing_.mode};
        if (o_.allBauds) plan.bauds = StandardBaudRates();
        connect(&scan_, &BusScan::found, this, [this](const ScanHit& hit) {
            ++found_;
            if (o_.json)
                line(
                    QJsonObject{{"found", QJsonObject{{"address", hit.address},
                                                      {"baud", hit.baud},
                                                      {"round_trip_ms", Tenth(hit.roundTripMs)}}}});
            else if (!o_.quiet)
                out_ << Tr("找到设备：地址 %1，波特率 %2，往返 %3 ms")
                            .arg(QString::fromStdString(HexByte(hit.address)))
                            .arg(hit.baud ? QString::number(hit.baud) : Tr("由设备服务器设定"))
                            .arg(hit.roundTripMs, 0, 'f', 1)
                     << Qt::endl;
        });
        // After the last transaction of the scan has been counted too.
        connect(
            &scan_, &BusScan::finished, this, [this](bool) { finish(); }, Qt::QueuedConnection);
        QString error;
        if (!scan_.start(plan, &error)) {
            event("not_sent", error);
            finish();
        }
    }

    void stopAfterCurrent() {
        stoppedEarly_ = stoppedEarly_ || !loopsComplete_;
        if (stopping_) return;
        stopping_ = true;
        if (runner_) runner_->stop();
        if (scan_.running()) scan_.cancel();
        if (batch_ && batch_->running()) batch_->cancel();
        if (queue_.idle()) return finish();
        connect(&queue_, &TransactionQueue::becameIdle, this, &CommandLine::finish);
    }

    void onClosed(const Transaction& t) {
        stats_.add(t.request.command ? int(*t.request.command) : TransactionStats::kRawCommand,
                   t.verdict, t.roundTripMs);
        // A scan's silent addresses are what a scan is for; a profile's drives are judged
        // whole.
        const bool failed = t.request.origin != Origin::Scan &&
                            t.request.origin != Origin::Profile &&
                            (IsFailure(t.verdict) || t.verdict == Verdict::Cancelled);
        anyFailed_ = anyFailed_ || failed;
        // On disk before anything says it happened.
        record(t);
        if (t.request.origin != Origin::Scan && t.request.origin != Origin::Profile) print(t);
        if (t.request.origin == Origin::Script) {
            cases_.push_back({lineOf_.count(t.id) ? lineOf_.at(t.id) : -1, t, {}});
            // The checks of its reply, after it; a request cut off with its line has none.
            if (t.cause == Cause::None)
                runner_->checkReply(t.verdict == Verdict::Ok, t.reply, t.framing(),
                                    t.request.command);
        }
        // A request cut off with its line: the line's end is told next, and ends the run.
        if (t.cause == Cause::Lost || t.cause == Cause::WriteFailed) return;
        if (failed && o_.stopOnFail) stopAfterCurrent();
        if (t.id == sendId_) finish();
    }

    // The traffic log, the window's own lines; a log that fails stops the run.
    void record(const Transaction& t) {
        const auto gap = gaps_.next(t);
        QString error;
        if (!log_.isOpen() || log_.append(t, gap, &error)) return;
        event("log_error", error);
        logFailed_ = true;
        stopAfterCurrent();
    }

    void onLate(const Transaction& t) {
        stats_.add(t.request.command ? int(*t.request.command) : TransactionStats::kRawCommand,
                   t.verdict, std::nullopt);
        record(t);
        if (o_.quiet || o_.valueOnly) return;
        if (o_.json) {
            QJsonObject late{{"time", IsoTime(t.written)},
                             {"command", KeyOf(t.request.command)},
                             {"reply", Hex(t.reply)}};
            if (t.answers) late["answers"] = qint64(*t.answers);
            return line(QJsonObject{{"late", late}});
        }
        out_ << Tr("%1  迟到应答  %2%3")
                    .arg(t.written.toString("hh:mm:ss.zzz"), Hex(t.reply),
                         t.answers ? Tr(" (答第 %1 条)").arg(*t.answers) : QString())
             << Qt::endl;
    }

    DecodedReply decoded(const Transaction& t) const {
        if (t.verdict != Verdict::Ok && t.verdict != Verdict::Exception) return {};
        return DecodePieceOf({PieceKind::Frame, t.reply, t.framing()}, t.request.command);
    }

    void print(const Transaction& t) {
        const DecodedReply d = decoded(t);
        if (o_.valueOnly) {
            for (const TypedValue& v : d.values)
                if (v.key == "value") out_ << Text(v) << Qt::endl;
            return;
        }
        if (o_.quiet) return;
        const QString report =
            d.report ? Tr(d.report->text) + QString::fromStdString(d.report->data) : QString();
        if (o_.json) {
            QJsonObject object{{"id", qint64(t.id)},
                               {"time", IsoTime(t.written)},
                               {"command", KeyOf(t.request.command)},
                               {"request", Hex(t.request.frame)},
                               {"reply", Hex(t.reply)},
                               {"verdict", VerdictKey(t.verdict)}};
            if (const auto a = t.address()) object["address"] = *a;
            if (t.request.command)
                object["code"] = "0x" + QString::fromStdString(HexByte(*t.request.command));
            if (t.roundTripMs) object["round_trip_ms"] = Tenth(*t.roundTripMs);
            if (t.cause != Cause::None) object["note"] = Tr(CauseNote(t.cause));
            if (!report.isEmpty()) object["report"] = report;
            for (const TypedValue& v : d.values)
                object[QString::fromUtf8(v.key.data(), qsizetype(v.key.size()))] = Json(v);
            if (const auto code = t.exceptionCode())
                object["exception"] =
                    QJsonObject{{"code", *code}, {"meaning", Tr(ExceptionMeaning(*code))}};
            return line(object);
        }
        QStringList values;
        for (const TypedValue& v : d.values)
            values << (v.key == "value" ? Text(v)
                                        : QString::fromUtf8(v.key.data(), qsizetype(v.key.size())) +
                                              "=" + Text(v));
        QString verdict = Tr(VerdictName(t.verdict));
        if (const auto code = t.exceptionCode())
            verdict += QString(" %1 %2").arg(QString::fromStdString(HexByte(*code)),
                                             Tr(ExceptionMeaning(*code)));
        if (t.cause != Cause::None) verdict += " (" + Tr(CauseNote(t.cause)) + ")";
        out_ << QString("%1  %2  %3  %4 ms  %5 -> %6  %7 %8")
                    .arg(t.written.toString("hh:mm:ss.zzz"), KeyOf(t.request.command), verdict,
                         t.roundTripMs ? QString::number(*t.roundTripMs, 'f', 1) : QString("-"),
                         Hex(t.request.frame), Hex(t.reply), report, values.join(' '))
                    .trimmed()
             << Qt::endl;
    }

    void report(int scriptLine, bool passed, const QString& why) {
        passed ? ++checksPassed_ : ++checksFailed_;
        if (!cases_.empty()) cases_.back().checks << (passed ? QString() : why);
        if ((o_.quiet && passed) || o_.valueOnly) return;
        if (o_.json)
            return line(QJsonObject{
                {"check",
                 QJsonObject{{"line", scriptLine + 1}, {"passed", passed}, {"reason", why}}}});
        out_ << (passed ? Tr("第 %1 行检查通过").arg(scriptLine + 1)
                        : Tr("第 %1 行检查未通过：%2").arg(scriptLine + 1).arg(why))
             << Qt::endl;
    }

    void finish() {
        if (finished_) return;
        finished_ = true;
        const bool scanning = o_.command == "scan";
        // Ends as asked: a send answered, a scan through, a run's loops all done, every drive
        // of a profile's seen to.
        const bool completed = !interrupted_ && !portLost_ && !portFailed_ && !stoppedEarly_ &&
                               !logFailed_ && (o_.command != "run" || loopsComplete_) &&
                               (o_.command != "profile" || drivesDone_ == int(drives_.size()));
        int code = interrupted_                                    ? 128 + interrupted_
                   : portLost_ || portFailed_                      ? kPortFailed
                   : scanning                                      ? (found_ > 0 ? kOk : kFailed)
                   : anyFailed_ || checksFailed_ > 0 || !completed ? kFailed
                                                                   : kOk;
        if (code == kOk && ((o_.command == "send" && !sendId_) || logFailed_)) code = kFailed;
        summary(completed, code);
        if (!o_.junit.isEmpty() && !writeJunit(completed) && code == kOk) code = kFailed;
        link_.close();
        // Also when this runs before the event loop has started.
        QMetaObject::invokeMethod(
            qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    }

    void summary(bool completed, int code) {
        const CommandStats& s = stats_.total();
        if (o_.json) {
            QJsonObject summary{
                {"transactions", qint64(s.sent)},   {"ok", qint64(s.ok)},
                {"no_reply", qint64(s.noReply)},    {"bad_checksum", qint64(s.badChecksum)},
                {"exception", qint64(s.exception)}, {"mismatch", qint64(s.mismatch)},
                {"broadcast", qint64(s.broadcast)}, {"unchecked", qint64(s.unchecked)},
                {"cancelled", qint64(s.cancelled)}, {"late", qint64(s.late)},
                {"checks_passed", checksPassed_},   {"checks_failed", checksFailed_},
                {"completed", completed},           {"exit", code}};
            if (s.timed)
                summary["round_trip_ms"] = QJsonObject{
                    {"min", Tenth(s.minMs)}, {"mean", Tenth(s.meanMs())}, {"max", Tenth(s.maxMs)}};
            if (o_.command == "scan") summary["devices_found"] = found_;
            if (o_.command == "run") summary["loops"] = loopsDone_;
            if (o_.command == "profile") summary["drives"] = drivesDone_;
            line(QJsonObject{{"summary", summary}});
            return;
        }
        if (o_.valueOnly) return;
        QString text = Tr("%1 次通讯：正常 %2，无应答 %3，校验错误 %4，异常应答 %5，应答不符 %6")
                           .arg(s.sent)
                           .arg(s.ok)
                           .arg(s.noReply)
                           .arg(s.badChecksum)
                           .arg(s.exception)
                           .arg(s.mismatch);
        if (s.broadcast) text += Tr("，广播 %1").arg(s.broadcast);
        if (s.unchecked) text += Tr("，未检查 %1").arg(s.unchecked);
        if (s.cancelled) text += Tr("，已取消 %1").arg(s.cancelled);
        if (s.late) text += Tr("，迟到应答 %1").arg(s.late);
        if (s.timed)
            text += Tr("；往返 最小 %1 / 平均 %2 / 最大 %3 ms")
                        .arg(s.minMs, 0, 'f', 1)
                        .arg(s.meanMs(), 0, 'f', 1)
                        .arg(s.maxMs, 0, 'f', 1);
        if (checksFailed_) text += Tr("；%1 项检查未通过").arg(checksFailed_);
        if (o_.command == "scan") text += Tr("；找到 %1 个设备").arg(found_);
        if (!completed) text += Tr("；没有完成");
        err_ << text << Qt::endl;
    }

    // One test case per transaction of the script, failing with its verdict or a failed check
    // of its reply; an interrupted or cut-off run adds one in error.
    bool writeJunit(bool completed) {
        QString cases;
        int failures = 0;
        const auto esc = [](QString s) { return s.toHtmlEscaped(); };
        for (const Case& c : cases_) {
            const QString name =
                QString("line %1: %2").arg(c.line + 1).arg(KeyOf(c.t.request.command));
            cases += QString("    <testcase classname=\"%1\" name=\"%2\" time=\"%3\"")
                         .arg(esc(scriptName_), esc(name))
                         .arg(c.t.roundTripMs.value_or(0) / 1000, 0, 'f', 4);
            QStringList why;
            if (IsFailure(c.t.verdict) || c.t.verdict == Verdict::Cancelled)
                why << Tr(VerdictName(c.t.verdict));
            for (const QString& check : c.checks)
                if (!check.isEmpty()) why << check;
            if (why.isEmpty()) {
                cases += "/>\n";
                continue;
            }
            ++failures;
            cases +=
                QString(">\n      <failure message=\"%1\">%2 -> %3</failure>\n    </testcase>\n")
                    .arg(esc(why.join("; ")), Hex(c.t.request.frame), Hex(c.t.reply));
        }
        const int errors = completed ? 0 : 1;
        if (!completed)
            cases += QString("    <testcase classname=\"%1\" name=\"run\">\n      <error "
                             "message=\"%2\"/>\n    </testcase>\n")
                         .arg(esc(scriptName_), esc(Tr("没有完成")));
        const QString xml =
            QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n  <testsuite "
                    "name=\"%1\" tests=\"%2\" failures=\"%3\" errors=\"%4\" timestamp=\"%5\">\n%6  "
                    "</testsuite>\n</testsuites>\n")
                .arg(esc("stepbench-cli run " + scriptName_))
                .arg(cases_.size() + errors)
                .arg(failures)
                .arg(errors)
                .arg(started_.toString(Qt::ISODate), cases);
        QSaveFile file(o_.junit);
        const QByteArray bytes = xml.toUtf8();
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
            return true;
        event("junit_error", Tr("无法写入 %1：%2").arg(o_.junit, file.errorString()));
        return false;
    }

    struct Case {
        int line;
        Transaction t;
        QStringList checks; // the reasons of failed checks, empty for passed ones
    };

    Options o_;
    QTextStream out_{stdout};
    QTextStream err_{stderr};
    Link link_;
    TransactionQueue queue_;
    BusScan scan_;
    TransactionStats stats_;
    TrafficLog log_;
    GapClock gaps_;
    std::unique_ptr<ScriptRunner> runner_;
    std::unique_ptr<ProfileSession> session_;
    std::unique_ptr<ProfileBatch> batch_;
    std::vector<std::uint8_t> drives_;
    ProfileFile profileFile_;
    int drivesDone_ = 0;
    std::vector<std::string> script_;
    QString scriptName_;
    std::map<quint64, int> lineOf_; // the script line of each script request
    std::vector<Case> cases_;
    QTimer signals_;
    QDateTime started_ = QDateTime::currentDateTime();
    std::uint8_t address_ = 1;
    LineFraming framing_;
    Bytes frame_;
    std::optional<std::uint8_t> code_;
    quint64 sendId_ = 0;
    int stepLine_ = -1;
    int loopsDone_ = 0;
    int checksPassed_ = 0;
    int checksFailed_ = 0;
    int found_ = 0;
    int interrupted_ = 0; // the signal's number
    bool loopsComplete_ = false;
    bool stoppedEarly_ = false;
    bool anyFailed_ = false;
    bool portLost_ = false;
    bool portFailed_ = false;
    bool logFailed_ = false;
    bool stopping_ = false;
    bool finished_ = false;
    bool echoMissingSaid_ = false;
};

} // namespace

int main(int argc, char** argv) {
    // Answered before anything of Qt is set up: a packaging script or a shell asking for these
    // waits for nothing else.
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") return std::fputs(kUsageText, stdout) < 0 ? kFailed : kOk;
        if (a == "--version") return std::printf("stepbench-cli %s\n", STEPBENCH_VERSION) < 0;
    }
    stepbench::ReadTimeZoneOnce();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("stepbench-cli");
    QCoreApplication::setApplicationVersion(STEPBENCH_VERSION);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    // The language first, so that even a usage error speaks it.
    bool english = EnvironmentIsEnglish();
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang=en" || (args[i] == "--lang" && args.value(i + 1) == "en"))
            english = true;
        if (args[i] == "--lang=zh" || (args[i] == "--lang" && args.value(i + 1) == "zh"))
            english = false;
    }
    if (english) UseEnglishCatalogue(true);
    QString why;
    const auto options = ParseOptions(args, &why);
    if (!options) {
        std::fprintf(stderr, "stepbench-cli: %s\n%s\n", qPrintable(why),
                     qPrintable(Tr("请看 stepbench-cli --help")));
        return kUsage;
    }
    if (options->help) {
        std::fputs(kUsageText, stdout);
        return kOk;
    }
    if (options->version) {
        std::printf("stepbench-cli %s\n", STEPBENCH_VERSION);
        return kOk;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    CommandLine cli(*options);
    if (const auto done = cli.prepare()) return *done;
    if (const auto done = cli.start()) return *done;
    return QCoreApplication::exec();
}
