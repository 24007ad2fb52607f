#pragma once

#include "app/cli_options.h"
#include "core/job.h"
#include "link/bus_scan.h"
#include "link/profile_session.h"
#include "link/transaction_stats.h"

#include <QDateTime>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QTextStream>
#include <map>

namespace stepbench::cli {

// The exit status of a run that ended with this outcome; a scan passes when it found a device.
int ExitStatus(const Outcome& outcome, bool scan);

// What stepbench-cli prints: a line per transaction, late reply, check, device found, drive and
// event, as text or (--json) as JSON objects, then the summary last; and the JUnit report of a
// run, its cases kept on disk as they come, not in memory.
class Output {
public:
    explicit Output(const Options& options);

    // A line for what happened to the run: on standard error, and with --json as a JSON line.
    void event(const char* kind, const QString& message, QJsonObject more = {});
    // A run that ends before anything was sent: its event, and with --json a summary.
    void refusal(const char* kind, const QString& message, int status);
    void transaction(const Transaction& t);
    void late(const Transaction& t);
    void check(int scriptLine, bool passed, const QString& why);
    void found(const ScanHit& hit);
    // A drive's result; saveError, when its profile could not be saved, makes it a failure.
    void drive(const DriveResult& r, const QString& action, const QString& saveError = {});
    // The last line of the run: nothing is printed after it.
    void summary(const Outcome& outcome, const CommandStats& total, int status);
    // The command table ("commands").
    void commands();
    // A line of a session that does nothing on the line: a pause, a problem with the line.
    void sessionNote(const char* kind, const QString& message, QJsonObject more = {});

    // The report's cases: a script line's transaction, then its failed checks; the script's
    // name ("stdin" for standard input) names their class.
    void setScriptName(const QString& name) { script_ = name; }
    void junitCase(int scriptLine, const Transaction& t);
    // Writes the report; false, with a junit_error event, when it cannot.
    bool writeJunit(const QString& path, bool completed);

private:
    void line(const QJsonObject& object);
    void flushCase();

    const Options& o_;
    QTextStream out_{stdout};
    QTextStream err_{stderr};
    QDateTime started_ = QDateTime::currentDateTime();
    QString script_;
    // The report's cases so far, on disk, and the one whose checks may still come.
    QTemporaryFile cases_;
    int caseCount_ = 0;
    int failures_ = 0;
    std::optional<std::pair<int, Transaction>> pending_;
    QStringList pendingChecks_;
    std::map<int, int> runsOfLine_; // how often each script line has had a case
    bool done_ = false;             // the summary is out
};

} // namespace stepbench::cli
