// stepbench-cli: the drive's commands, scripts, the bus scan and profiles from a terminal, for
// test stands and production lines. It works on the same bench as the window (the link, the
// queue, the jobs); this file only reads the options, starts the work and prints what it comes to.
#include "app/cli_options.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
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
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace stepbench;
using namespace stepbench::cli;

namespace {

constexpr std::chrono::milliseconds kSignalPoll{20};
// After the work: the line is listened to until it has been quiet this long (or, after a
// question any drive may answer, a reply timeout), so that a reply on its way is counted before
// the summary; a line that never falls quiet is left after kLongestDrain more.
constexpr std::chrono::milliseconds kQuietAfterWork{5};
constexpr std::chrono::milliseconds kDrainPoll{2};
constexpr std::chrono::milliseconds kLongestDrain{1000};
constexpr std::uint8_t kAddressQuery = 0x21;
constexpr std::size_t kReadChunk = 65536;

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int number) {
    // Output with nowhere to go raises it again on each write: once is enough.
    if (number == SIGPIPE && g_signal) return;
    // A second one ends at once, as the signal does: the user has waited long enough.
    if (g_signal) {
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    g_signal = number;
}

// INT, TERM, HUP and PIPE end a run with its summary and reports. Without SA_RESTART a read
// waiting for the input returns, so that a signal is not held until the input closes.
void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaction(s, &action, nullptr);
}

// Ends as the signal that interrupted the run would have, once everything is out: a shell loop
// around the program then stops, as it does around any other program.
int Finish(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    const int number = g_signal;
    if (number && status == 128 + number) {
        std::signal(number, SIG_DFL);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, number);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        std::raise(number);
    }
    return status;
}

// All of a file that is not a regular one (standard input, a pipe, /dev/stdin), read once. Empty,
// with why empty too, when a signal came while it waited.
std::optional<QByteArray> ReadWhole(const QString& path, QString* why) {
    int fd = STDIN_FILENO;
    if (path != "-") {
        do
            fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR && !g_signal);
        if (fd < 0) {
            if (!g_signal)
                *why = Tr("无法打开文件 %1：%2").arg(path, QString::fromLocal8Bit(strerror(errno)));
            return std::nullopt;
        }
    }
    QByteArray data;
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            data.append(chunk, qsizetype(n));
            continue;
        }
        if (n < 0 && errno == EINTR && !g_signal) continue;
        if (n < 0 && !g_signal)
            *why = Tr("读取 %1 出错：%2")
                       .arg(path == "-" ? Tr("标准输入") : path,
                            QString::fromLocal8Bit(strerror(errno)));
        if (fd != STDIN_FILENO) ::close(fd);
        if (n == 0) return data;
        return std::nullopt;
    }
}

// Why a file cannot be written there, found before anything is sent; empty when it can.
QString CannotWrite(const QString& path) {
    if (QFileInfo(path).isDir()) return Tr("%1 是文件夹，不能写成文件").arg(path);
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return Tr("无法写入 %1：%2").arg(path, probe.errorString());
    probe.cancelWriting();
    return {};
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
                                a handshake to every address from A to B, in hex (1-20)
  profile read FILE             every setting of the drive at --address, saved as a profile
  profile compare FILE          each drive of --address (1-A, 1,3,5: hex) against the profile
  profile write FILE            the profile written to each drive of --address, read back;
                                --stop-on-fail stops at the first drive that fails
  session                       lines from standard input, each answered at once with the
                                port kept open: "send KEY VALUE...", "send -a 2 KEY",
                                "send --hex 01 26 00", a frame in hex, "Expect:...",
                                "Delay:MS" or "quit"; one line of output per line

Options:
  -p, --port P          the serial port: a COM number, a device name or path; or a serial
                        device server, tcp://HOST:PORT (required)
  -b, --baud B          baud rate (9600; a device server sets its own)
  -a, --address A       device address in hex, 0-FF (1); for profile also a list or range in
                        hex: 1-10 is the sixteen drives 01 to 10
      --ascii           ASCII framing (":" ... LRC CR LF) instead of RTU
      --plc             wrap requests as Modbus register reads/writes (03/0x10)
      --mapping M       the PLC register mapping address, 0-65503 (0)
  -t, --timeout MS      reply timeout, from the request leaving the line, 10-60000 (300)
      --turnaround MS   the pause after a broadcast, 0-60000 (100)
      --echo            the adapter hands back what it sends: skip that echo
      --line-timing T   auto, baud or none: whether a reply can begin only after the
                        request's bytes have had their time on the wire at the baud rate
                        (auto: yes on ttyS and ttyUSB ports; not on ttyACM, pseudo-
                        terminals and device servers)
  -j, --json            one JSON object per line: transactions, checks, events, a summary
  -q, --quiet           no line per transaction, only failed checks and the summary
      --value           send, session: print only the decoded value of each reply (the
                        number, or the state or inputs as name=value); why there is none
                        on standard error
      --junit FILE      run: write a JUnit XML report
      --log FILE        append every transaction to a CSV file as it closes
      --log-rotate MB   set the log aside as FILE-1, FILE-2, ... at this size (100)
      --lang en|zh      language of report lines and messages (default: LANG, else zh)
  -h, --help            this text
      --version         the program's version
Options take their value as "--timeout 500", "--timeout=500", "-t 500" or "-t500"; short
flags go together ("-jq"); every word after "--" is a value.

Exit status: 0 every transaction answered intact, every check passed and the run completed as
asked (scan: a device found); 1 a reply missing, damaged, an exception, a mismatch, a request
cancelled, a failed check, a send answered more than once, or a report that could not be
written; 2 a usage, script, profile or log file error (nothing sent); 3 the port could not be
opened or was lost. SIGINT, SIGTERM, SIGHUP and SIGPIPE end the run with its summary and
reports, and then the program ends by that signal (a shell sees 130, 143, 129 or 141); a
second signal ends it at once.
)";

// The run: checks everything it can before the port opens, starts the one job the command asks
// for on the bench, prints what happens, and exits with the status its outcome maps to.
class CommandLine : public QObject {
public:
    explicit CommandLine(Options options) : o_(std::move(options)), out_(o_) {
        connect(&bench_, &Bench::recorded, this, [this](const Transaction& t) {
            if (t.verdict != Verdict::Late) return;
            ++late_;
            out_.late(t);
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
            if (!ending_) begin();
        });
        connect(&bench_, &Bench::openFailed, this, [this](const QString& why) {
            out_.event("port_error", why);
            end({.ending = Outcome::Ending::PortFailed, .why = why});
        });
        signals_.setInterval(kSignalPoll);
        connect(&signals_, &QTimer::timeout, this, [this] {
            if (!g_signal || interrupted_) return;
            interrupted_ = int(g_signal);
            out_.event("interrupted",
                       Tr("已中断（信号 %1），等待线上的命令结束").arg(interrupted_));
            stop(Outcome::Ending::Interrupted, interrupted_);
        });
        signals_.start();
        drain_.setInterval(kDrainPoll);
        connect(&drain_, &QTimer::timeout, this, &CommandLine::drain);
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
            SendAsked asked{
                .values = o_.values, .address = address_, .addressGiven = o_.addressSet};
            if (o_.hexSet) asked.hex = o_.hex;
            const auto r = SendRequest(asked, framing_);
            if (!r) return usage(TrError(r.failure()));
            request_ = *r;
            // Any drive may answer a question to address 0: a second answer is listened for.
            anyDriveAnswers_ = !r->frame.empty() && r->frame[0] == 0 && r->command == kAddressQuery;
        } else if (o_.command == "run") {
            if (o_.values.size() != 1) return usage(Tr("run 需要一个脚本文件，或 - 表示标准输入"));
            if (!o_.junit.isEmpty())
                if (const QString why = CannotWrite(o_.junit); !why.isEmpty())
                    return refuse("junit_error", why, kUsage);
            if (const auto why = loadScript()) return *why;
        } else if (o_.command == "profile") {
            if (o_.values[0] == "read" && drives_.size() != 1)
                return usage(Tr("profile read 读一台驱动器：--address 应为一个地址"));
            if (o_.values[0] == "read") {
                if (const QString why = CannotWrite(o_.values[1]); !why.isEmpty())
                    return refuse("profile_error", why, kUsage);
            } else {
                const auto loaded = LoadProfile(o_.values[1]);
                if (!loaded) return refuse("profile_error", TrError(loaded.failure()), kUsage);
                profileFile_ = *loaded;
            }
        } else if (!o_.values.isEmpty()) {
            return usage(Tr("%1 不带其他参数：%2").arg(o_.command, o_.values.join(' ')));
        }
        if (o_.command == "scan" && o_.allBauds && Link::IsNetworkTarget(o_.port))
            return usage(Tr("经设备服务器连接时不能换波特率，只能扫描地址"));
        QString error;
        if (!o_.log.isEmpty() &&
            !bench_.startLog(o_.log, qint64(o_.logRotate) * 1024 * 1024, &error))
            return refuse("log_error", error, kUsage);
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
        if (!bench_.open(o_.port, QString::number(o_.baud), &error))
            return refuse("port_error", error, kPortFailed);
        link.setEchoSuppression(o_.echo);
        return std::nullopt;
    }

private:
    int refuse(const char* kind, const QString& why, int status) {
        out_.refusal(kind, why, status);
        return status;
    }

    int usage(const QString& why) {
        out_.refusal("usage_error", why, kUsage);
        std::fprintf(stderr, "%s\n", qPrintable(Tr("请看 stepbench-cli --help")));
        return kUsage;
    }

    // Reads and checks the script; why the run cannot start, when it cannot.
    std::optional<int> loadScript() {
        const QString path = o_.values[0];
        const QString name = path == "-" ? QString("stdin") : path;
        if (path == "-" ||
            (QFileInfo::exists(path) && !QFileInfo(path).isFile() && !QFileInfo(path).isDir())) {
            // Standard input, a pipe, /dev/stdin: read once, as it comes.
            QString why;
            const auto data = ReadWhole(path, &why);
            if (!data && g_signal)
                return refuse("interrupted", Tr("已中断（信号 %1）").arg(int(g_signal)),
                              128 + g_signal);
            if (!data) return usage(why);
            script_ = ParseScript(ByteView(reinterpret_cast<const std::uint8_t*>(data->constData()),
                                           std::size_t(data->size())));
        } else {
            const auto lines = LoadScriptFile(path);
            if (!lines) return usage(QString::fromStdString(lines.error()));
            script_ = *lines;
        }
        out_.setScriptName(name);
        const auto said = [&](const char* kind, const LineProblem& p) {
            out_.event(
                kind,
                Tr("%1 第 %2 行“%3”：%4")
                    .arg(name)
                    .arg(p.line + 1)
                    .arg(QString::fromStdString(script_[std::size_t(p.line)]), TrError(p.why)),
                {{"line", p.line + 1}});
        };
        const auto problems = CheckScript(script_);
        for (const LineProblem& p : problems)
            said("script_error", p);
        if (!problems.empty())
            return refuse("script_error",
                          TrN("脚本有 %n 行不能运行，没有发送", qsizetype(problems.size())),
                          kUsage);
        if (std::none_of(script_.begin(), script_.end(),
                         [](const std::string& l) { return KindOfLine(l) == LineKind::Frame; }))
            return usage(Tr("%1 中没有命令行").arg(name));
        for (const LineProblem& p : ScriptWarnings(script_))
            said("script_warning", p);
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
            send->start(request_);
        } else if (o_.command == "session") {
            session_ = std::make_unique<Session>(bench_, out_, o_, framing_, address_);
            connect(session_.get(), &Session::finished, this, &CommandLine::end,
                    Qt::QueuedConnection);
            session_->start();
        } else if (o_.command == "run") {
            auto job = std::make_unique<ScriptJob>(bench_);
            auto* script = job.get();
            connect(script, &Job::transaction, this, [this, script](const Transaction& t) {
                out_.transaction(t);
                out_.junitCase(script->lineOf(t.id), t);
            });
            connect(script, &ScriptJob::checked, this,
                    [this](int line, bool passed, const QString& why) {
                        out_.check(line, passed, why);
                    });
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
            profile->start(kind, drives_, framing_.mode, profileFile_.values, o_.stopOnFail,
                           &error);
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

    // A profile read is saved as the window saves it; a read that did not complete is not, and
    // a drive whose profile could not be saved has failed.
    void onDrive(ProfileJob& job, const DriveResult& r) {
        QString saveError;
        if (o_.values[0] == "read" && r.ok()) {
            ProfileFile file;
            file.address = r.address;
            file.baud = bench_.link().baudRate();
            file.readAt = QDateTime::currentDateTime();
            file.program = "stepbench-cli " STEPBENCH_VERSION;
            file.values = r.outcome.drive;
            if (const auto missing = MissingSettings(file.values); !missing.empty())
                saveError = TrN("读取不完整：还有 %n 项设置没有读到（如“%1”），没有保存。"
                                "请重新“读取全部”。",
                                qsizetype(missing.size()))
                                .arg(QString::fromStdString(missing.front()));
            else
                saveError = SaveProfile(o_.values[1], file);
            if (!saveError.isEmpty()) {
                out_.event("profile_error", saveError);
                job.failDrive();
            }
        }
        out_.drive(r, o_.values[0], saveError);
    }

    void stop(Outcome::Ending why, int signal = 0) {
        if (session_) return session_->stop(why, signal);
        if (job_ && job_->running()) return job_->stop(why, signal);
        // Nothing is on the line yet while a device server is being reached.
        if (!job_) end({.ending = why, .signal = signal});
    }

    // The work has ended: the line is listened to until it is quiet, then the summary.
    void end(const Outcome& outcome) {
        if (std::exchange(ending_, true)) return;
        outcome_ = outcome;
        if (!bench_.link().isOpen()) return finish();
        drainFrom_ = Link::now();
        drain_.start();
    }

    void drain() {
        const Link& link = bench_.link();
        const qint64 now = Link::now();
        const std::chrono::nanoseconds quiet =
            anyDriveAnswers_ ? std::chrono::nanoseconds(std::chrono::milliseconds(o_.timeout))
                             : std::max<std::chrono::nanoseconds>(
                                   kQuietAfterWork, std::chrono::nanoseconds(2 * link.silenceNs()));
        const qint64 quietSince = std::max(link.lastByteNs(), drainFrom_);
        const bool quietNow = now - quietSince >= quiet.count() && !link.startedFrame();
        const bool tooLong = now - drainFrom_ >= (quiet + kLongestDrain).count();
        if (!link.isOpen() || quietNow || tooLong) {
            drain_.stop();
            // After whatever the last poll handed on has been recorded.
            QMetaObject::invokeMethod(this, &CommandLine::finish, Qt::QueuedConnection);
        }
    }

    void finish() {
        if (std::exchange(finished_, true)) return;
        const Outcome& outcome = outcome_;
        int status = ExitStatus(outcome, o_.command == "scan");
        if (o_.command == "send" && late_ && status == kOk) {
            out_.event("extra_replies",
                       TrN("这条命令有了应答之后又收到 %n 条应答：总线上不止一台驱动器回答了它"
                           "（用 -a 指定一台）",
                           late_));
            status = kFailed;
        }
        if (session_ && session_->lineErrors() && status == kOk) status = kFailed;
        if (!o_.junit.isEmpty() && !out_.writeJunit(o_.junit, outcome.completed()) && status == kOk)
            status = kFailed;
        out_.summary(outcome, bench_.stats().total(), status);
        bench_.link().close();
        // Also when this runs before the event loop has started.
        QMetaObject::invokeMethod(
            qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
    }

    Options o_;
    Output out_;
    Bench bench_;
    std::unique_ptr<Job> job_;
    std::unique_ptr<Session> session_;
    QTimer signals_;
    QTimer drain_;
    std::vector<std::uint8_t> drives_;
    ProfileFile profileFile_;
    std::vector<std::string> script_;
    std::uint8_t address_ = 1;
    LineFraming framing_;
    Request request_;
    Outcome outcome_;
    qint64 drainFrom_ = 0;
    int late_ = 0;
    int interrupted_ = 0; // the signal's number
    bool anyDriveAnswers_ = false;
    bool ending_ = false;
    bool finished_ = false;
    bool echoMissingSaid_ = false;
};

} // namespace

int main(int argc, char** argv) {
    // Answered before anything of Qt is set up: a packaging script or a shell asking for these
    // waits for nothing else.
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") break;
        if (a == "--help" || a == "-h") return std::fputs(kUsageText, stdout) < 0 ? kFailed : kOk;
        if (a == "--version") return std::printf("stepbench-cli %s\n", STEPBENCH_VERSION) < 0;
    }
    CatchSignals();
    stepbench::ReadTimeZoneOnce();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("stepbench-cli");
    QCoreApplication::setApplicationVersion(STEPBENCH_VERSION);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    // The language first, so that even a usage error speaks it.
    bool english = EnvironmentIsEnglish();
    for (int i = 0; i < args.size() && args[i] != "--"; ++i) {
        if (args[i] == "--lang=en" || (args[i] == "--lang" && args.value(i + 1) == "en"))
            english = true;
        if (args[i] == "--lang=zh" || (args[i] == "--lang" && args.value(i + 1) == "zh"))
            english = false;
    }
    if (english) UseEnglishCatalogue(true);
    QString why;
    const auto options = ParseOptions(args, &why);
    if (!options) {
        Options shown;
        shown.json = AsksForJson(args);
        Output(shown).refusal("usage_error", why, kUsage);
        std::fprintf(stderr, "%s\n", qPrintable(Tr("请看 stepbench-cli --help")));
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
    CommandLine cli(*options);
    if (const auto done = cli.prepare()) return Finish(*done);
    if (const auto done = cli.start()) return Finish(*done);
    return Finish(QCoreApplication::exec());
}
