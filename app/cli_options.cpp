#include "app/cli_options.h"

#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/request.h"

#include <QRegularExpression>
#include <functional>
#include <map>

namespace stepbench::cli {
namespace {

// A whole decimal number and nothing else ("1.5", "1e3", " 7" and "" are not).
std::optional<long long> Whole(const QString& text) {
    static const QRegularExpression kWhole("^[+-]?[0-9]{1,12}$");
    if (!kWhole.match(text).hasMatch()) return std::nullopt;
    return text.toLongLong();
}

} // namespace

bool AsksForJson(const QStringList& args) {
    for (const QString& a : args) {
        if (a == "--") return false;
        if (a == "--json") return true;
        // A cluster of short flags ("-jq"), not a short option's attached value ("-p/dev/j").
        if (a.startsWith('-') && !a.startsWith("--"))
            for (int c = 1; c < a.size() && QString("jqh").contains(a[c]); ++c)
                if (a[c] == 'j') return true;
    }
    return false;
}

bool EnvironmentIsEnglish() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) return value.startsWith("en");
    }
    return false;
}

std::optional<Options> ParseOptions(const QStringList& args, QString* why) {
    Options o;
    const auto number = [&](int& into, long long low, long long high) {
        return [&into, low, high](const QString& v) {
            const auto n = Whole(v);
            if (!n || *n < low || *n > high) return false;
            into = int(*n);
            return true;
        };
    };
    // A bus address in hex, 1 to F7, as everywhere else.
    const auto address = [](int& into) {
        return [&into](const QString& v) {
            const auto a = ReadAddress({"", v.toStdString()});
            if (!a || *a < 1 || *a > 0xF7) return false;
            into = *a;
            return true;
        };
    };
    const auto nonEmpty = [](QString& into) {
        return [&into](const QString& v) {
            into = v;
            return !v.isEmpty();
        };
    };
    using Setter = std::function<bool(const QString&)>;
    const std::map<QString, Setter> valued = {
        {"port", nonEmpty(o.port)},
        {"baud", number(o.baud, 1, 4000000)},
        {"address",
         [&](const QString& v) {
             o.address = v;
             o.addressSet = true;
             return !v.isEmpty();
         }},
        {"mapping", number(o.mapping, 0, 65503)},
        {"timeout", number(o.timeout, 10, 60000)},
        {"turnaround",
         [&](const QString& v) {
             int t = 0;
             if (!number(t, 0, 60000)(v)) return false;
             o.turnaround = t;
             return true;
         }},
        {"hex",
         [&](const QString& v) {
             o.hex = v;
             o.hexSet = true;
             return true;
         }},
        {"loops", number(o.loops, 0, 1000000000)},
        {"interval", number(o.interval, 1, 65535)},
        {"from", address(o.from)},
        {"to", address(o.to)},
        {"junit", nonEmpty(o.junit)},
        {"log", nonEmpty(o.log)},
        {"log-rotate", number(o.logRotate, 1, 100000)},
        {"line-timing",
         [&](const QString& v) {
             o.lineTiming = v;
             return QStringList{"auto", "baud", "none"}.contains(v);
         }},
        {"lang",
         [&](const QString& v) {
             if (v != "en" && v != "zh") return false;
             o.english = v == "en";
             return true;
         }},
    };
    const std::map<QString, bool*> flags = {
        {"ascii", &o.ascii},        {"plc", &o.plc},         {"json", &o.json},
        {"quiet", &o.quiet},        {"value", &o.valueOnly}, {"stop-on-fail", &o.stopOnFail},
        {"all-bauds", &o.allBauds}, {"echo", &o.echo},       {"help", &o.help},
        {"version", &o.version}};
    const std::map<QChar, QString> shorts = {{'p', "port"},    {'b', "baud"}, {'a', "address"},
                                             {'t', "timeout"}, {'j', "json"}, {'q', "quiet"},
                                             {'h', "help"}};
    const auto fail = [why](const QString& text) -> std::optional<Options> {
        *why = text;
        return std::nullopt;
    };
    // The value of an option by its long name; why not, when it will not take it.
    const auto take = [&](const QString& name, const QString& value) -> std::optional<QString> {
        const auto v = valued.find(name);
        if (v == valued.end()) return Tr("未知的选项 --%1").arg(name);
        if (!v->second(value)) return Tr("选项 --%1 的值“%2”不对").arg(name, value);
        return std::nullopt;
    };
    static const QRegularExpression kNegative("^-[0-9]");
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnd || !a.startsWith('-') || a == "-" || kNegative.match(a).hasMatch()) {
            if (o.command.isEmpty())
                o.command = a;
            else
                o.values << a;
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
            continue;
        }
        if (!a.startsWith("--")) {
            // Short options: flags together ("-jq"), the last may take a value, attached
            // ("-t500") or as the next word.
            for (int c = 1; c < a.size(); ++c) {
                const auto s = shorts.find(a[c]);
                if (s == shorts.end())
                    return fail(Tr("未知的选项 -%1（在 %2 中）").arg(a[c]).arg(a));
                if (const auto f = flags.find(s->second); f != flags.end()) {
                    *f->second = true;
                    continue;
                }
                QString value = a.mid(c + 1);
                if (value.isEmpty()) {
                    if (i + 1 >= args.size())
                        return fail(Tr("选项 --%1 需要一个值").arg(s->second));
                    value = args[++i];
                }
                if (const auto bad = take(s->second, value)) return fail(*bad);
                break;
            }
            continue;
        }
        const QString name = a.mid(2).section('=', 0, 0);
        std::optional<QString> inlineValue;
        if (a.contains('=')) inlineValue = a.section('=', 1);
        if (const auto f = flags.find(name); f != flags.end()) {
            if (inlineValue) return fail(Tr("选项 --%1 不带值").arg(name));
            *f->second = true;
            continue;
        }
        if (!valued.count(name)) return fail(Tr("未知的选项 %1").arg(a));
        if (!inlineValue) {
            if (i + 1 >= args.size()) return fail(Tr("选项 --%1 需要一个值").arg(name));
            inlineValue = args[++i];
        }
        if (const auto bad = take(name, *inlineValue)) return fail(*bad);
    }
    if (o.help || o.version) return o;
    if (o.command.isEmpty())
        return fail(Tr("没有给出命令（commands、send、run、scan、profile 或 session）"));
    if (!QStringList{"commands", "send", "run", "scan", "profile", "session"}.contains(o.command))
        return fail(Tr("未知的命令 %1（可用：commands、send、run、scan、profile、session）")
                        .arg(o.command));
    if (o.command == "profile" &&
        (o.values.size() != 2 || !QStringList{"read", "compare", "write"}.contains(o.values[0])))
        return fail(Tr("profile 的用法：profile read|compare|write FILE"));
    if (o.from > o.to)
        return fail(Tr("--from %1 大于 --to %2")
                        .arg(QString::fromStdString(HexByte(std::uint8_t(o.from))),
                             QString::fromStdString(HexByte(std::uint8_t(o.to)))));
    if (o.hexSet && o.command != "send") return fail(Tr("--hex 只用于 send"));
    if (o.valueOnly && o.command != "send" && o.command != "session")
        return fail(Tr("--value 只用于 send 和 session"));
    if (o.valueOnly && o.json)
        return fail(Tr("--value 和 --json 不能同时用：JSON 的每一行已带着值"));
    if (!o.junit.isEmpty() && o.command != "run") return fail(Tr("--junit 只用于 run"));
    // A script's lines are whole frames: their address and framing are their own.
    if (o.command == "run" && o.addressSet)
        return fail(Tr("run 不用 -a：脚本每一行的地址写在那一行里"));
    if (o.command == "run" && o.ascii)
        return fail(Tr("run 不用 --ascii：脚本每一行的帧写的是什么就发什么"));
    if (o.port.isEmpty() && o.command != "commands") return fail(Tr("需要 --port"));
    return o;
}

} // namespace stepbench::cli
