#include "sim/virtual_device.h"
#include "support.h"
#include "ui/motion_view.h"
#include "ui/translation.h"
#include "window_support.h"

#include <QDialog>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace stepbench;

namespace {

// Moves drive 1 by a number of steps to a position, and waits until it stands there, sampled.
void MoveBy(Window& win, sim::VirtualDevice& device, int steps, int position) {
    win.type("Text8", QString::number(steps));
    win.click("Command18");
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000 && !device.withDevice([&](sim::Device& d) {
        return d.axis().absolute() == position && !d.axis().moving();
    }))
        Spin(20);
    // The standstill sampled.
    const auto& samples = win.main.findChild<MotionView*>("MotionView")->record().samples();
    while (clock.elapsed() < 30000 && !(samples.size() && samples.back().position == position &&
                                        samples.back().moving == false))
        Spin(20);
}

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The cells of a table row as a pattern of the PDF's text laid out: in order, blanks between.
QRegularExpression RowOf(const QStringList& cells) {
    QStringList escaped;
    for (const QString& c : cells)
        escaped << QRegularExpression::escape(c);
    return QRegularExpression(escaped.join("\\s+").normalized(QString::NormalizationForm_KC));
}

} // namespace

class TestRecord : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // A session on a bus of two, on record: a profile read and compared with a file that differs
    // in one setting, two moves sampled, a script with a check that passes and one that fails.
    // Read back from the PDF, its numbers are the session's; every page has something on it.
    void aSessionOnRecord_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("中文") << false;
        QTest::newRow("English") << true;
    }
    void aSessionOnRecord() {
        QFETCH(bool, english);
        sim::VirtualDevice device({.more = {2}});
        QVERIFY(device.start());
        Window win;
        if (english) SetLanguage(Language::English);
        win.main.show();
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));

        const QString profile = dir_.filePath(english ? "en.json" : "zh.json");
        QVERIFY(ClickProfileButton(win, "CommandReadAll"));
        win.prompter.fileName = profile;
        win.click("CommandSaveProfile");
        win.main.SendComm(B("01 25 04 00 00 02 26 7D 8F")); // start speed 550
        Spin(100);
        QVERIFY(ClickProfileButton(win, "CommandOpenProfile"));
        QVERIFY(ClickProfileButton(win, "CommandCompareProfile"));

        // The motion tab on show, as when the user watches the moves.
        win.main.findChild<QTabWidget*>("SSTab1")->setCurrentWidget(
            win.main.findChild<MotionView*>("MotionView"));
        win.type("TextSampleAddresses", "1");
        win.click("CommandReadPlanParameters");
        win.click("CheckSampling");
        Spin(300);
        MoveBy(win, device, 3000, 3000);
        MoveBy(win, device, 1000, 4000);
        // The table catches up at its next redraw: both moves arrived.
        auto* deviations = win.main.findChild<QTableWidget*>("MotionDeviation");
        QTRY_VERIFY(deviations->rowCount() == 2 && deviations->item(0, 3)->text() != "—");
        win.click("CheckSampling");

        for (const char* line :
             {"01 26 00 3A 60", "Expect:value=550", "02 26 00 CA 60", "Expect:value=999"})
            win.w<QListWidget>("List1")->addItem(line);
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY_WITH_TIMEOUT(!win.main.runner().isRunning(), 5000);

        win.click("CommandRecord");
        auto* dialog = win.main.findChild<QDialog*>("RecordDialog");
        QVERIFY(dialog && dialog->isVisible());
        win.type("TextRecordTitle", "Line 3 commissioning");
        win.type("TextRecordMachine", "Order 4711");
        win.type("TextRecordEngineer", "R. Engineer");
        const QString pdf = dir_.filePath(english ? "en.pdf" : "zh.pdf");
        win.prompter.fileName = pdf;
        win.click("CommandRecordSave");
        QVERIFY(QFileInfo(pdf).size() > 0);
        // Some Chinese characters come back as their Kangxi radicals, which read the same.
        const QString text =
            Run("pdftotext", {"-layout", pdf, "-"}).normalized(QString::NormalizationForm_KC);
        const auto has = [&](const QRegularExpression& pattern) {
            QVERIFY2(text.contains(pattern), qPrintable(pattern.pattern()));
        };

        has(RowOf({"Line 3 commissioning"}));
        has(RowOf({"Order 4711"}));
        has(RowOf({"R. Engineer"}));
        has(QRegularExpression("UTC[+-]\\d\\d:\\d\\d"));
        // The traffic of each drive, as the statistics have it.
        for (const auto& [address, s] : win.main.bench().stats().byAddress()) {
            if (address < 1) continue;
            const std::size_t failed = s.noReply + s.badChecksum + s.exception + s.mismatch;
            has(RowOf({QString("%1").arg(address, 2, 16, QChar('0')).toUpper(),
                       QString::number(s.sent), QString::number(failed),
                       QString::number(s.percentileMs(50), 'f', 1),
                       QString::number(s.p99Ms(), 'f', 1)}));
        }
        // The setting that differs, marked; one that does not.
        has(RowOf({"(start-speed)", "550", "100", english ? "Differs" : "不同"}));
        has(RowOf({"(max-speed)", "10000", "10000\n"}));
        // The two moves, with the figures the motion view shows.
        QCOMPARE(deviations->rowCount(), 2);
        for (int row = 0; row < 2; ++row) {
            QStringList cells;
            for (int c : {2, 3, 4, 5, 6})
                cells << deviations->item(row, c)->text();
            has(RowOf(cells));
        }
        // The checks, each on its drive's page.
        has(RowOf({"2", "Expect:value=550", "1", "0", english ? "passed" : "通过"}));
        has(RowOf({"4", "Expect:value=999", "0", "1"}));
        has(RowOf({english ? "the value is \"100\", expected \"999\"" : "值为“100”，应为“999”"}));
        has(QRegularExpression(english ? "Page 1 of \\d" : "第 1 .{1,2}共 \\d"));
        // Each plot's legend names both lines; the checks have their heading.
        has(QRegularExpression(english ? "Measured\\s+\\S*\\s*Plan\\b"
                                       : QString("测量\\s+\\S*\\s*计划(?!用时)")
                                             .normalized(QString::NormalizationForm_KC)));
        has(RowOf({english ? "Script checks" : "脚本检查"}));

        // The first drive's page marks the setting that differs (a light red row); every page
        // has something drawn on it.
        const QString prefix = dir_.filePath(english ? "en-page" : "zh-page");
        Run("pdftoppm", {"-r", "20", "-png", pdf, prefix});
        const QStringList pages =
            QDir(dir_.path()).entryList({QFileInfo(prefix).fileName() + "*.png"});
        QVERIFY(pages.size() >= 4); // the first, a page for each drive, the last
        for (const QString& page : pages) {
            const QImage image(dir_.filePath(page));
            int inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    inked += qGray(image.pixel(x, y)) < 200;
            QVERIFY2(inked > 100, qPrintable(page));
        }
        const QImage drivePage(dir_.filePath(pages[1]));
        int reddish = 0;
        for (int y = 0; y < drivePage.height(); ++y)
            for (int x = 0; x < drivePage.width(); ++x) {
                const QColor c = drivePage.pixelColor(x, y);
                reddish += c.red() > 200 && c.red() - c.green() > 15 && c.green() == c.blue();
            }
        QVERIFY2(reddish > 20, qPrintable(pages[1]));
        if (english) SetLanguage(Language::Chinese);
    }

    // Before any traffic the record says that nothing was measured; a place that cannot take the
    // file gets a message and leaves no file behind.
    void nothingMeasuredAndNowhereToWrite() {
        Window win;
        win.main.show();
        win.click("CommandRecord");
        win.prompter.fileName = dir_.filePath("missing/record.pdf");
        win.click("CommandRecordSave");
        QCOMPARE(win.prompter.messages.size(), 1);
        QVERIFY(win.prompter.messages[0].contains("missing/record.pdf"));
        QVERIFY(!QFileInfo::exists(dir_.filePath("missing")));

        const QString pdf = dir_.filePath("empty.pdf");
        win.prompter.fileName = pdf;
        win.click("CommandRecordSave");
        const QString text =
            Run("pdftotext", {"-layout", pdf, "-"}).normalized(QString::NormalizationForm_KC);
        QVERIFY2(!text.contains(QRegularExpression("^01 ", QRegularExpression::MultilineOption)),
                 qPrintable(text));
        for (const char* unknown : {"没有通讯记录", "没有记录运动", "没有脚本检查的结果"})
            QVERIFY2(text.contains(QString(unknown).normalized(QString::NormalizationForm_KC)),
                     unknown);
    }
};

QTEST_MAIN(TestRecord)
#include "test_record.moc"
