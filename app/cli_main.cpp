// stepbench-cli: the drive's commands, scripts, the bus scan and profiles from a terminal, for
// test stands and production lines. It works on the same bench as the window (the link, the
// queue, the jobs); this file only reads the options, starts the work and prints what it comes to.
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/catalogue.h"
#include "commands/profile_file.h"
#include "commands/values.h"
#include "core/bench.h"
#include "core/jobs.h"
#include "script/script_file.h"
#include "script/script_text.h"
#include "translations/catalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
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
// The run: checks everything it can before the port opens, starts the one job the command asks
// for on the bench, prints what happens, and exits with the status its outcome maps to.
class CommandLine : public QObject {
public:
    explicit CommandLine(Options options) : o_(std::move(options)), out_(o_) {
        connect(&bench_, &Bench::recorded, this, [this](const Transaction& t) {
            if (t.verdict == Verdict::Late) out_.late(t);
        });
        connect(&bench_, &Bench::logFailed, this, [this](const QString& why) {
            out_.event("log_error", why);
            stop(Outcome::Ending::LogFailed);
        });
        connect(&bench_.queue(), &TransactionQueue::lineDown, this,
                [this](const TransactionQueue::LineDown& down) {
                    if (down.cause == Cause::Lost)
                        out_.event("port_lost", Tr("串口已断开：%1").arg(down.reason));
                });
        connect(&bench_.link(), &Link::echoMissing, this, [this] {
            if (!std::exchange(echoMissingSaid_, true))
                out_.event("echo_missing", Tr("已开“回显抑制”，但收到的字节不是刚发出的命令："
                                              "这个转换器可能不回显"));
        });
        connect(&bench_, &Bench::opened, this, [this] {
            if (!ended_) begin();
        });
        connect(&bench_, &Bench::openFailed, this, [this](const QString& why) {
            out_.event("port_error", why);
            end({.ending = Outcome::Ending::PortFailed, .why = why});
        });
        signals_.setInterval(kSignalPoll);
        connect(&signals_, &QTimer::timeout, this, [this] {
            if (!g_signal || interrupted_) return;
            interrupted_ = int(g_signal);
            out_.event("interrupted", Tr("已中断（信号 %1），等待线上的命令结束").arg(interrupted_));
            stop(Outcome::Ending::Interrupted, interrupted_);
        });
        signals_.start();
    }

    // Everything that can be checked before the port opens; an exit status when the run ends
    // there (nothing sent).
    std::optional<int> prepare() {
        if (o_.command == "commands") {
            out_.commands();
            return kOk;
        }
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
        if (!o_.log.isEmpty() && !bench_.startLog(o_.log, qint64(o_.logRotate) * 1024 * 1024, &error))
            return usage(error);
        return std::nullopt;
    }

    // Opens the port and starts; an exit status when it cannot be opened.
    std::optional<int> start() {
        Link& link = bench_.link();
        link.setLineTiming(o_.lineTiming == "baud"   ? Link::LineTiming::Baud
                           : o_.lineTiming == "none" ? Link::LineTiming::Untimed
                                                     : Link::LineTiming::Auto);
        bench_.queue().setReplyTimeout(std::chrono::milliseconds(o_.timeout));
        if (o_.turnaround) bench_.queue().setTurnaround(std::chrono::milliseconds(*o_.turnaround));
        QString error;
        if (!bench_.open(o_.port, QString::number(o_.baud), &error)) {
            out_.event("port_error", error);
            return kPortFailed;
        }
        link.setEchoSuppression(o_.echo);
        return std::nullopt;
    }

private:
    int usage(const QString& why) {
        out_.event("usage_error", why);
        std::fprintf(stderr, "%s\n", qPrintable(Tr("请看 stepbench-cli --help")));
        return kUsage;
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
        const QString name = path == "-" ? QString("stdin") : path;
        out_.setScriptName(name);
        const auto problems = CheckScript(script_);
        for (const LineProblem& p : problems)
            out_.event("script_error",
                       Tr("%1 第 %2 行“%3”：%4")
                           .arg(name)
                           .arg(p.line + 1)
                           .arg(QString::fromStdString(script_[std::size_t(p.line)]),
                                TrError(p.why)),
                       {{"line", p.line + 1}});
        if (!problems.empty()) return kUsage;
        if (std::none_of(script_.begin(), script_.end(),
                         [](const std::string& l) { return KindOfLine(l) == LineKind::Frame; }))
            return usage(Tr("%1 中没有命令行").arg(name));
        return std::nullopt;
    }

    // The port is open: the job the command asks for.
    void begin() {
        bench_.link().setFraming(framing_.mode);
        if (o_.command == "send") {
            auto job = std::make_unique<SendJob>(bench_);
            connect(job.get(), &Job::transaction, this,
                    [this](const Transaction& t) { out_.transaction(t); });
            auto* send = job.get();
            run(std::move(job));
            send->start({.frame = frame_, .command = code_, .origin = Origin::Cli});
        } else if (o_.command == "run") {
            auto job = std::make_unique<ScriptJob>(bench_);
            auto* script = job.get();
            connect(script, &Job::transaction, this, [this, script](const Transaction& t) {
                out_.transaction(t);
                out_.junitCase(script->lineOf(t.id), t);
            });
            connect(script, &ScriptJob::checked, this,
                    [this](int line, bool passed, const QString& why) { out_.check(line, passed, why); });
            run(std::move(job));
            script->start({.lines = [this] { return script_; },
                           .interval = o_.interval,
                           .loops = o_.loops,
                           .stopOnFail = o_.stopOnFail,
                           .framing = framing_});
        } else if (o_.command == "profile") {
            auto job = std::make_unique<ProfileJob>(bench_);
            auto* profile = job.get();
            connect(profile, &ProfileJob::driveDone, this,
                    [this, profile](const DriveResult& r) { onDrive(*profile, r); });
            run(std::move(job));
            const QString action = o_.values[0];
            const auto kind = action == "read"      ? ProfileBatch::Action::Read
                              : action == "compare" ? ProfileBatch::Action::Compare
                                                    : ProfileBatch::Action::Write;
            QString error;
            profile->start(kind, drives_, framing_.mode, profileFile_.values, o_.stopOnFail, &error);
        } else {
            auto job = std::make_unique<ScanJob>(bench_);
            auto* scan = job.get();
            connect(scan, &ScanJob::found, this, [this](const ScanHit& hit) { out_.found(hit); });
            run(std::move(job));
            BusScan::Plan plan{.from = o_.from,
                               .to = o_.to,
                               .timeout = std::chrono::milliseconds(o_.timeout),
                               .framing = framing_.mode};
            if (o_.allBauds) plan.bauds = StandardBaudRates();
            QString error;
            scan->start(plan, &error);
        }
    }

    void run(std::unique_ptr<Job> job) {
        job_ = std::move(job);
        connect(job_.get(), &Job::refused, this,
                [this](const QString& why) { out_.event("not_sent", why); });
        // After the last transaction has been printed and counted.
        connect(job_.get(), &Job::finished, this, &CommandLine::end, Qt::QueuedConnection);
    }

    // A profile read is saved as the window saves it; a read that did not complete is not.
    void onDrive(ProfileJob& job, const DriveResult& r) {
        if (o_.values[0] == "read" && r.ok()) {
            ProfileFile file;
            file.address = r.address;
            file.baud = bench_.link().baudRate();
            file.readAt = QDateTime::currentDateTime();
            file.program = "stepbench-cli " STEPBENCH_VERSION;
            file.values = r.outcome.drive;
            if (const auto missing = MissingSettings(file.values); !missing.empty()) {
                out_.event("profile_error",
                           TrN("读取不完整：还有 %n 项设置没有读到（如“%1”），没有保存。"
                               "请重新“读取全部”。",
                               qsizetype(missing.size()))
                               .arg(QString::fromStdString(missing.front())));
                job.failDrive();
            } else if (const QString error = SaveProfile(o_.values[1], file); !error.isEmpty()) {
                out_.event("profile_error", error);
                job.failDrive();
            }
        }
        out_.drive(r, o_.values[0]);
    }

    void stop(Outcome::Ending why, int signal = 0) {
        if (job_ && job_->running()) return job_->stop(why, signal);
        // Nothing is on the line yet while a device server is being reached.
        if (!job_) end({.ending = why, .signal = signal});
    }

    void end(const Outcome& outcome) {
        if (std::exchange(ended_, true)) return;
        int status = ExitStatus(outcome, o_.command == "scan");
        out_.summary(outcome, bench_.stats().total(), status);
        if (!o_.junit.isEmpty() && !out_.writeJunit(o_.junit, outcome.completed()) && status == kOk)
            status = kFailed;
        bench_.link().close();
        // Also when this runs before the event loop has started.
        QMetaObject::invokeMethod(
            qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    }

    Options o_;
    Output out_;
    Bench bench_;
    std::unique_ptr<Job> job_;
    QTimer signals_;
    std::vector<std::uint8_t> drives_;
    ProfileFile profileFile_;
    std::vector<std::string> script_;
    std::uint8_t address_ = 1;
    LineFraming framing_;
    Bytes frame_;
    std::optional<std::uint8_t> code_;
    int interrupted_ = 0; // the signal's number
    bool ended_ = false;
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
