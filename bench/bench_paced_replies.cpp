// Replies at the real speed of slow lines: the virtual device hears and sends 10 bits a byte at
// the baud rate the window set. Two queries alternate (start speed and maximum speed, set to
// different values first) with the default reply timeout; after each reply its own field must
// show its own value, and no reply may come late or be taken for another's.
#include "bench_support.h"
#include "sim/virtual_device.h"
#include "ui/frm_main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

using namespace std::chrono_literals;

namespace {

struct Outcome {
    int ok = 0;
    int wrongField = 0;    // a field that does not show its reply's value
    int misattributed = 0; // 应答不符, or a late reply
    int timedOut = 0;
    int failed = 0;
    double medianMs = 0;
};

Outcome Run(int baud, int queries) {
    stepbench::sim::VirtualDevice device({.replyDelay = 2ms, .pace = true, .trace = {}});
    Outcome outcome;
    if (!device.start()) return outcome;
    stepbench::FrmMain window;
    const auto edit = [&](const char* name) { return window.findChild<QLineEdit*>(name); };
    const auto click = [&](const char* name) { window.findChild<QAbstractButton*>(name)->click(); };
    window.setPortText(QString::fromStdString(device.path()));
    window.findChild<QComboBox*>("Combo2")->setEditText(QString::number(baud));
    click("Command32");
    if (!window.link().isOpen()) return outcome;
    // Until the two settings have been answered, however slow the line.
    const auto settle = [&] {
        QElapsedTimer t;
        t.start();
        while ((t.elapsed() < 400 || !window.queue().idle()) && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    };
    edit("Text12")->setText("1111");
    click("Command17");
    edit("Text13")->setText("22222");
    click("Command24");
    settle();

    std::vector<double> times;
    QObject::connect(&window.queue(), &stepbench::TransactionQueue::closed,
                     [&](const stepbench::Transaction& t) {
                         const bool start = t.request.command == 0x26;
                         if (t.verdict == stepbench::Verdict::Mismatch) ++outcome.misattributed;
                         if (t.verdict == stepbench::Verdict::NoReply) ++outcome.timedOut;
                         if (t.verdict != stepbench::Verdict::Ok) {
                             ++outcome.failed;
                             return;
                         }
                         ++outcome.ok;
                         times.push_back(*t.roundTripMs);
                         const QString want = start ? "1111" : "22222";
                         if (edit(start ? "Text27" : "Text26")->text() != want)
                             ++outcome.wrongField;
                     });
    QObject::connect(&window.queue(), &stepbench::TransactionQueue::lateReply,
                     [&](const stepbench::Transaction&) { ++outcome.misattributed; });
    for (int i = 0; i < queries; ++i) {
        edit("Text27")->clear();
        edit("Text26")->clear();
        click(i % 2 ? "Command58" : "Command57");
        QElapsedTimer t;
        t.start();
        while (!window.queue().idle() && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    outcome.medianMs = bench::Percentile(times, 50);
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);
    int queries = 1000;
    std::vector<int> bauds = {300, 1200, 2400, 4800, 9600};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--queries") queries = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--baud") bauds = {std::atoi(argv[i + 1])};
    }

    bench::Header("Replies at the line's real speed (alternating queries, device paced, "
                  "reply timeout 300 ms)");
    bool clean = true;
    for (int baud : bauds) {
        const Outcome o = Run(baud, queries);
        const std::string at = std::to_string(baud) + " baud: ";
        bench::Row(at + "answered / queries",
                   std::to_string(o.ok) + " / " + std::to_string(queries), "all");
        bench::Row(at + "field wrong after its reply", std::to_string(o.wrongField), "0");
        bench::Row(at + "misattributed or late replies", std::to_string(o.misattributed), "0");
        bench::Row(at + "timed out", std::to_string(o.timedOut), "0");
        bench::Row(at + "round trip, median (ms)", bench::Fixed(o.medianMs, 1), "");
        clean = clean && o.ok == queries && o.wrongField == 0 && o.misattributed == 0 &&
                o.timedOut == 0;
    }
    bench::Reproduce("build/bench/bench_paced_replies [--queries 1000] [--baud 300]");
    return clean ? 0 : 1;
}
