#pragma once

#include "app/cli_output.h"
#include "core/jobs.h"

#include <QSocketNotifier>
#include <QTimer>

namespace stepbench {
class Bench;
}

namespace stepbench::cli {

// What a send asks for: a command by its key and values, or bytes typed in hex (the checksum
// added), to a drive's address.
struct SendAsked {
    QStringList values;         // the key, then its values
    std::optional<QString> hex; // --hex
    std::uint8_t address = 1;   // -a
    bool addressGiven = false;  // the address query goes to address 0 unless one was given
};
// The request, framed for the line as the window frames it (the device's own commands stay in
// its own protocol under --plc); or why it cannot be sent.
Result<Request> SendRequest(const SendAsked& asked, const LineFraming& framing);

// stepbench-cli session: a line in, its result out at once, the port kept open. A line is a send
// as on the command line ("send set-max-speed 3000", "send -a 2 handshake", "send --hex 01 26
// 00"), or a script line: a frame in hex, "Expect:..." on the last reply, "Delay:MS". Blank and
// "#" lines are passed over; every other line gives exactly one line of output (a transaction, a
// check, a pause, or why the line could not run), so a program can drive it line by line. It
// ends at the end of its input, at "quit", or when stopped.
class Session : public QObject {
    Q_OBJECT
public:
    Session(Bench& bench, Output& out, const Options& options, LineFraming framing,
            std::uint8_t address);
    // False when nothing can be sent (the outcome is out through finished()).
    bool start();
    void stop(Outcome::Ending why, int signal);
    // Lines that could not run.
    int lineErrors() const { return lineErrors_; }

signals:
    void finished(const stepbench::Outcome& outcome);

private:
    void readInput();
    void next();
    void run(const QString& line);
    void runSend(const QStringList& words);
    void runScriptLine(const std::string& line);
    void refuse(const QString& why);

    Bench& bench_;
    Output& out_;
    const Options& o_;
    LineFraming framing_;
    std::uint8_t address_;
    SessionJob job_;
    QSocketNotifier input_;
    QTimer pause_;
    QByteArray buffer_;
    int lineNumber_ = 0;
    int lineErrors_ = 0;
    bool ended_ = false; // the input has ended, or "quit"
};

} // namespace stepbench::cli
