// The cost of one more row in the transaction monitor, shown on screen: while the table is
// young, and at its bound of 100,000 rows where the oldest go; with "只看错误" off and on.
#include "bench_support.h"
#include "core/bench.h"
#include "ui/monitor_view.h"
#include "ui/prompter.h"

#include <QAbstractButton>
#include <QElapsedTimer>

using namespace stepbench;

namespace {

Transaction Sample(quint64 id) {
    Transaction t;
    t.id = id;
    t.written = QDateTime::currentDateTime();
    t.request.frame = {0x01, 0x26, 0x00, 0x3A, 0x60};
    t.request.command = 0x26;
    t.reply = {0x01, 0x26, 0x04, 0x00, 0x00, 0x00, 0x64, 0xFC, 0xED};
    // One in ten fails, for the filter to show.
    t.verdict = id % 10 == 0 ? Verdict::NoReply : Verdict::Ok;
    if (t.verdict == Verdict::Ok) t.roundTripMs = 2.5;
    return t;
}

// The mean time of adding each of count rows, in ms, with the events of the view handled.
double MeanAddMs(MonitorView& view, quint64& next, int count) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        view.add(Sample(next++));
        if (i % 50 == 0) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    return double(clock.nsecsElapsed()) / 1e6 / count;
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);
    bench::Header("Transaction monitor: time to add one row (table shown)");
    for (bool errorsOnly : {false, true}) {
        Prompter prompter;
        stepbench::Bench bench;
        MonitorView view(bench, &prompter);
        view.resize(1200, 700);
        view.show();
        view.findChild<QAbstractButton*>("CheckErrorsOnly")->setChecked(errorsOnly);
        quint64 next = 1;
        const double young = MeanAddMs(view, next, 2000);
        while (next <= quint64(TransactionModel::kMaxRows))
            MeanAddMs(view, next, 10000);
        const double full = MeanAddMs(view, next, 5000);
        const std::string filter = errorsOnly ? " (只看错误)" : "";
        bench::Row("first 2,000 rows, ms per row" + filter, bench::Fixed(young, 3), "");
        bench::Row("at the 100,000 bound, ms per row" + filter, bench::Fixed(full, 3),
                   "<= 2 x the first");
    }
    bench::Reproduce("build/bench/bench_monitor_rows");
    return 0;
}
