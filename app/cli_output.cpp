#include "app/cli_output.h"

#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/catalogue.h"
#include "commands/values.h"
#include "link/reply_decoder.h"
#include "link/transaction_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>
#include <cmath>

namespace stepbench::cli {
namespace {

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

QStringList Names(const std::vector<std::string>& list) {
    QStringList out;
    for (const std::string& n : list)
        out << QString::fromStdString(n);
    return out;
}

DecodedReply Decoded(const Transaction& t) {
    if (t.verdict != Verdict::Ok && t.verdict != Verdict::Exception) return {};
    return DecodePieceOf({PieceKind::Frame, t.reply, t.framing()}, t.request.command);
}

} // namespace

int ExitStatus(const Outcome& outcome, bool scan) {
    using E = Outcome::Ending;
    switch (outcome.ending) {
    case E::Interrupted:
        return 128 + outcome.signal;
    case E::PortLost:
    case E::PortFailed:
        return kPortFailed;
    case E::NotStarted:
        return kFailed;
    default:
        break;
    }
    if (scan) return outcome.found > 0 ? kOk : kFailed;
    return outcome.passed() ? kOk : kFailed;
}

Output::Output(const Options& options) : o_(options) {
    out_.setEncoding(QStringConverter::Utf8);
    err_.setEncoding(QStringConverter::Utf8);
}

void Output::event(const char* kind, const QString& message, QJsonObject more) {
    if (done_) return;
    err_ << "stepbench-cli: " << message << Qt::endl;
    if (!o_.json) return;
    more["kind"] = kind;
    more["message"] = message;
    more["time"] = IsoTime(QDateTime::currentDateTime());
    line(QJsonObject{{"event", more}});
}

void Output::refusal(const char* kind, const QString& message, int status) {
    event(kind, message);
    if (o_.json) summary({.ending = Outcome::Ending::NotStarted, .why = message}, {}, status);
    done_ = true;
}

void Output::sessionNote(const char* kind, const QString& message, QJsonObject more) {
    if (done_) return;
    if (!o_.json) {
        // On standard output, where a program driving the session waits for the line's answer.
        out_ << message << Qt::endl;
        return;
    }
    more["kind"] = kind;
    more["message"] = message;
    more["time"] = IsoTime(QDateTime::currentDateTime());
    line(QJsonObject{{"event", more}});
}

void Output::line(const QJsonObject& object) {
    out_ << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    out_.flush();
}

void Output::commands() {
    for (const CommandInfo& c : CommandTable()) {
        const QString key = QString::fromUtf8(c.key.data(), qsizetype(c.key.size()));
        const QString values = QString::fromStdString(ValuesUsage(c));
        if (o_.json) {
            line(QJsonObject{{"code", "0x" + QString::fromStdString(HexByte(c.code))},
                             {"key", key},
                             {"name", Tr(c.name)},
                             {"values", values}});
            continue;
        }
        out_ << QString("0x%1  %2  %3  %4")
                    .arg(QString::fromStdString(HexByte(c.code)))
                    .arg(key, -28)
                    .arg(Tr(c.name), values)
                    .trimmed()
             << '\n';
    }
    out_.flush();
}

void Output::transaction(const Transaction& t) {
    if (done_) return;
    const DecodedReply d = Decoded(t);
    QStringList values;
    for (const TypedValue& v : d.values)
        values << (v.key == "value"
                       ? Text(v)
                       : QString::fromUtf8(v.key.data(), qsizetype(v.key.size())) + "=" + Text(v));
    QString verdict = Tr(VerdictName(t.verdict));
    if (const auto code = t.exceptionCode())
        verdict += QString(" %1 %2").arg(QString::fromStdString(HexByte(*code)),
                                         Tr(ExceptionMeaning(*code)));
    if (t.cause != Cause::None) verdict += " (" + Tr(CauseNote(t.cause)) + ")";
    if (o_.valueOnly) {
        // The value alone on standard output; why there is none on standard error.
        if (t.verdict == Verdict::Ok || t.verdict == Verdict::Broadcast)
            out_ << values.join(' ') << Qt::endl;
        else
            err_ << "stepbench-cli: " << verdict << Qt::endl;
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
        if (const auto a = t.address()) {
            object["address"] = *a;
            object["address_hex"] = QString::fromStdString(HexByte(*a));
        }
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
    out_ << QString("%1  %2  %3  %4 ms  %5 -> %6  %7 %8")
                .arg(t.written.toString("hh:mm:ss.zzz"), KeyOf(t.request.command), verdict,
                     t.roundTripMs ? QString::number(*t.roundTripMs, 'f', 1) : QString("-"),
                     Hex(t.request.frame), Hex(t.reply), report, values.join(' '))
                .trimmed()
         << Qt::endl;
}

void Output::late(const Transaction& t) {
    if (done_ || o_.quiet) return;
    const QString text = Tr("%1  迟到应答  %2%3")
                             .arg(t.written.toString("hh:mm:ss.zzz"), Hex(t.reply),
                                  t.answers ? Tr(" (答第 %1 条)").arg(*t.answers) : QString());
    // A session's output is one line for each line in: a late reply is told aside (and counted).
    if (o_.command == "session") {
        err_ << "stepbench-cli: " << text << Qt::endl;
        return;
    }
    if (o_.valueOnly) return;
    if (o_.json) {
        QJsonObject late{{"time", IsoTime(t.written)},
                         {"command", KeyOf(t.request.command)},
                         {"reply", Hex(t.reply)}};
        if (t.answers) late["answers"] = qint64(*t.answers);
        return line(QJsonObject{{"late", late}});
    }
    out_ << text << Qt::endl;
}

void Output::check(int scriptLine, bool passed, const QString& why) {
    if (pending_) pendingChecks_ << (passed ? QString() : why);
    if (done_ || (o_.quiet && passed)) return;
    if (o_.valueOnly && !passed) err_ << "stepbench-cli: " << why << Qt::endl;
    if (o_.valueOnly) return;
    if (o_.json)
        return line(QJsonObject{
            {"check", QJsonObject{{"line", scriptLine + 1}, {"passed", passed}, {"reason", why}}}});
    out_ << (passed ? Tr("第 %1 行检查通过").arg(scriptLine + 1)
                    : Tr("第 %1 行检查未通过：%2").arg(scriptLine + 1).arg(why))
         << Qt::endl;
}

void Output::found(const ScanHit& hit) {
    if (done_) return;
    if (o_.json)
        return line(QJsonObject{
            {"found", QJsonObject{{"address", hit.address},
                                  {"address_hex", QString::fromStdString(HexByte(hit.address))},
                                  {"baud", hit.baud},
                                  {"round_trip_ms", Tenth(hit.roundTripMs)}}}});
    if (o_.quiet) return;
    out_ << Tr("找到设备：地址 %1，波特率 %2，往返 %3 ms")
                .arg(QString::fromStdString(HexByte(hit.address)))
                .arg(hit.baud ? QString::number(hit.baud) : Tr("由设备服务器设定"))
                .arg(hit.roundTripMs, 0, 'f', 1)
         << Qt::endl;
}

void Output::drive(const DriveResult& r, const QString& action, const QString& saveError) {
    if (done_) return;
    const ProfileOutcome& o = r.outcome;
    const bool differs = action == "compare" && !r.differing.empty();
    const bool failed = !r.ok() || !saveError.isEmpty();
    const QString verdict = o.cancelled ? "cancelled"
                            : failed    ? "failed"
                            : differs   ? "different"
                                        : "ok";
    if (o_.json) {
        QJsonObject drive{{"address", r.address},
                          {"address_hex", QString::fromStdString(HexByte(r.address))},
                          {"action", action},
                          {"verdict", verdict}};
        if (action == "write") {
            drive["written"] = qint64(o.written.size());
            drive["not_taken"] = QJsonArray::fromStringList(Names(o.notTaken));
        }
        if (action != "write") drive["settings"] = qint64(o.drive.size());
        if (action == "compare")
            drive["differing"] = QJsonArray::fromStringList(Names(r.differing));
        if (!o.stoppedAt.empty()) {
            drive["stopped_at"] = QString::fromStdString(o.stoppedAt);
            drive["why"] = o.why;
        }
        if (!saveError.isEmpty()) drive["why"] = saveError;
        return line(QJsonObject{{"drive", drive}});
    }
    if (o_.quiet && !failed && !differs) return;
    QString text = Tr("地址 %1：").arg(QString::fromStdString(HexByte(r.address)));
    if (o.cancelled)
        text += Tr("已取消");
    else if (!o.stoppedAt.empty())
        text += Tr("在设置“%1”处停止：%2").arg(QString::fromStdString(o.stoppedAt), o.why);
    else if (!saveError.isEmpty())
        text += TrN("已读取 %n 项设置", qsizetype(o.drive.size())) +
                Tr("，但没有保存：%1").arg(saveError);
    else if (action == "write")
        text += TrN("已写入 %n 项设置", qsizetype(o.written.size())) +
                (o.notTaken.empty() ? QString()
                                    : Tr("；读回后未生效：%1").arg(Names(o.notTaken).join(", ")));
    else if (action == "compare")
        text += differs ? Tr("%1：%2").arg(
                              TrN("驱动器与配置文件有 %n 项不同", qsizetype(r.differing.size())),
                              Names(r.differing).join(", "))
                        : Tr("驱动器与配置文件相同");
    else
        text += TrN("已读取 %n 项设置", qsizetype(o.drive.size()));
    out_ << text << Qt::endl;
}

void Output::summary(const Outcome& outcome, const CommandStats& s, int status) {
    if (std::exchange(done_, true)) return;
    const bool completed = outcome.completed();
    if (o_.json) {
        QJsonObject summary{{"transactions", qint64(s.sent)},
                            {"ok", qint64(s.ok)},
                            {"no_reply", qint64(s.noReply)},
                            {"bad_checksum", qint64(s.badChecksum)},
                            {"exception", qint64(s.exception)},
                            {"mismatch", qint64(s.mismatch)},
                            {"broadcast", qint64(s.broadcast)},
                            {"unchecked", qint64(s.unchecked)},
                            {"cancelled", qint64(s.cancelled)},
                            {"late", qint64(s.late)},
                            {"checks_passed", outcome.checksPassed},
                            {"checks_failed", outcome.checksFailed},
                            {"completed", completed},
                            {"exit", status}};
        if (s.timed)
            summary["round_trip_ms"] = QJsonObject{
                {"min", Tenth(s.minMs)}, {"mean", Tenth(s.meanMs())}, {"max", Tenth(s.maxMs)}};
        if (o_.command == "scan") summary["devices_found"] = outcome.found;
        if (o_.command == "run") summary["loops"] = outcome.loops;
        if (o_.command == "profile") summary["drives"] = outcome.drives;
        line(QJsonObject{{"summary", summary}});
        return;
    }
    if (o_.valueOnly) return;
    QString text = TrN("%n 次通讯：正常 %1，无应答 %2，校验错误 %3，异常应答 %4，应答不符 %5",
                       qsizetype(s.sent))
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
    if (outcome.checksFailed) text += Tr("；%1 项检查未通过").arg(outcome.checksFailed);
    if (o_.command == "scan") text += Tr("；找到 %1 个设备").arg(outcome.found);
    if (!completed) text += Tr("；没有完成");
    err_ << text << Qt::endl;
}

void Output::junitCase(int scriptLine, const Transaction& t) {
    if (done_) return;
    flushCase();
    pending_ = {scriptLine, t};
}

void Output::flushCase() {
    if (!pending_) return;
    const auto& [scriptLine, t] = *pending_;
    const auto esc = [](QString s) { return s.toHtmlEscaped(); };
    // A line run again (the next loop, a jump back) is a case of its own name.
    const int run = ++runsOfLine_[scriptLine];
    QString name = QString("line %1: %2").arg(scriptLine + 1).arg(KeyOf(t.request.command));
    if (run > 1) name += QString(" (%1)").arg(run);
    // A request without a reply took its whole timeout.
    const double ms = t.roundTripMs                               ? *t.roundTripMs
                      : t.verdict == Verdict::NoReply && t.leftNs ? double(o_.timeout)
                                                                  : 0.0;
    QString text = QString("    <testcase classname=\"%1\" name=\"%2\" time=\"%3\"")
                       .arg(esc(script_), esc(name))
                       .arg(ms / 1000, 0, 'f', 4);
    QStringList why;
    if (IsFailure(t.verdict) || t.verdict == Verdict::Cancelled) why << Tr(VerdictName(t.verdict));
    for (const QString& check : pendingChecks_)
        if (!check.isEmpty()) why << check;
    if (why.isEmpty()) {
        text += "/>\n";
    } else {
        ++failures_;
        text += QString(">\n      <failure message=\"%1\">%2 -> %3</failure>\n    </testcase>\n")
                    .arg(esc(why.join("; ")), Hex(t.request.frame), Hex(t.reply));
    }
    if (!cases_.isOpen()) cases_.open();
    cases_.write(text.toUtf8());
    ++caseCount_;
    pending_.reset();
    pendingChecks_.clear();
}

bool Output::writeJunit(const QString& path, bool completed) {
    flushCase();
    const auto esc = [](QString s) { return s.toHtmlEscaped(); };
    const int errors = completed ? 0 : 1;
    QByteArray cases;
    if (cases_.isOpen() && cases_.seek(0)) cases = cases_.readAll();
    if (!completed)
        cases += QString("    <testcase classname=\"%1\" name=\"run\">\n      <error "
                         "message=\"%2\"/>\n    </testcase>\n")
                     .arg(esc(script_), esc(Tr("没有完成")))
                     .toUtf8();
    const QByteArray xml =
        QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n  <testsuite "
                "name=\"%1\" tests=\"%2\" failures=\"%3\" errors=\"%4\" timestamp=\"%5\" "
                "time=\"%6\" hostname=\"%7\">\n")
            .arg(esc("stepbench-cli run " + script_))
            .arg(caseCount_ + errors)
            .arg(failures_)
            .arg(errors)
            .arg(started_.toString(Qt::ISODate))
            .arg(double(started_.msecsTo(QDateTime::currentDateTime())) / 1000, 0, 'f', 3)
            .arg(esc(QSysInfo::machineHostName()))
            .toUtf8() +
        cases + "  </testsuite>\n</testsuites>\n";
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size() && file.commit())
        return true;
    event("junit_error", Tr("无法写入 %1：%2").arg(path, file.errorString()));
    return false;
}

} // namespace stepbench::cli
