#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace stepbench::cli {

// Exit statuses of stepbench-cli; an interrupted run ends with 128 + the signal's number.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kPortFailed = 3;

// What the command line asks for, every value checked before the port is opened.
struct Options {
    QString command; // commands, send, run, scan, profile, session
    QStringList values;
    QString port;
    int baud = 9600;
    QString address = "1";
    bool addressSet = false;
    bool ascii = false;
    bool plc = false;
    int mapping = 0;
    int timeout = 300;
    std::optional<int> turnaround;
    bool echo = false;
    QString lineTiming = "auto"; // auto, baud or none
    bool json = false;
    bool quiet = false;
    bool valueOnly = false;
    QString junit;
    QString log;                 // every transaction appended to this CSV file as it closes
    int logRotate = 100;         // MB
    std::optional<bool> english; // --lang; otherwise the environment's language
    QString hex;
    bool hexSet = false;
    int loops = 0;
    int interval = 100;
    bool stopOnFail = false;
    int from = 0x01;
    int to = 0x20;
    bool allBauds = false;
    bool help = false;
    bool version = false;
};

// Reads the arguments (without the program's name): the options, or why they make no sense.
// Options are "--name VALUE", "--name=VALUE", a short "-p VALUE" or "-pVALUE", and short flags
// together ("-jq"); a word that starts with "-" and a digit is a value (a negative number), not an
// option, and every word after "--" is a value.
std::optional<Options> ParseOptions(const QStringList& args, QString* why);

// Whether the arguments ask for JSON output, read as far as they can be (for an option error).
bool AsksForJson(const QStringList& args);

// Whether the user's environment asks for English (LC_ALL, LC_MESSAGES or LANG starting with
// "en").
bool EnvironmentIsEnglish();

} // namespace stepbench::cli
