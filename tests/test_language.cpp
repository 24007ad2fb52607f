#include "codec/tr.h"
#include "commands/profile_file.h"
#include "sim/virtual_device.h"
#include "ui/translation.h"
#include "window_support.h"

#include <QAbstractItemView>
#include <QChartView>
#include <QDialog>
#include <QGroupBox>
#include <QLegendMarker>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QValueAxis>

using namespace stepbench;

namespace {

// Every text a user can see under the window, each prefixed with where it stands.
QStringList VisibleTexts(QWidget* root) {
    QStringList out;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        const QString at =
            w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
        const auto add = [&](const QString& text) {
            if (!text.isEmpty()) out << at + ": " + text;
        };
        // The port box's tool tip is the port typed, in no language.
        if (w->objectName() != "COM_PORT") add(w->toolTip());
        if (w->isWindow()) add(w->windowTitle());
        if (auto* l = qobject_cast<QLabel*>(w)) add(l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text());
        if (auto* g = qobject_cast<QGroupBox*>(w)) add(g->title());
        if (auto* m = qobject_cast<QMenu*>(w)) add(m->title());
        if (auto* e = qobject_cast<QLineEdit*>(w)) add(e->placeholderText());
        if (auto* t = qobject_cast<QTextEdit*>(w)) add(t->toPlainText());
        for (QAction* a : w->actions())
            add(a->text());
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
        // The monitor's command filter grows with the commands met on the line.
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < (at == "ComboFilterCommand" ? 1 : c->count()); ++i)
                add(c->itemText(i));
        if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model())
            for (int i = 0; i < v->model()->columnCount(); ++i)
                add(v->model()->headerData(i, Qt::Horizontal).toString());
        if (auto* chart = qobject_cast<QChartView*>(w)) {
            for (QAbstractAxis* axis : chart->chart()->axes())
                add(axis->titleText());
            for (QLegendMarker* marker : chart->chart()->legend()->markers())
                add(marker->label());
        }
    }
    return out;
}

QStringList Chinese(const QStringList& texts) {
    static const QRegularExpression han(
        "[\\x{3400}-\\x{9FFF}\\x{FF01}-\\x{FF5E}\\x{3001}-\\x{3011}]");
    QStringList found = texts.filter(han);
    // The port list shows the system's own port descriptions; the language box names Chinese
    // in Chinese.
    found.removeIf(
        [](const QString& t) { return t.startsWith("COM_PORT: ") || t == "Combo10: 中文"; });
    return found;
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { SetLanguage(Language::Chinese); }

    // Everything the window shows has an English text, and Chinese comes back exactly.
    void englishAndBack() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("CommandScanBus");
        auto* scan = win.main.findChild<QDialog*>();
        QVERIFY(scan);
        const QStringList chinese = VisibleTexts(&win.main);
        QVERIFY(!Chinese(chinese).isEmpty());

        win.w<QComboBox>("Combo10")->setCurrentText("English");
        QCOMPARE(CurrentLanguage(), Language::English);
        const QStringList english = VisibleTexts(&win.main);
        QCOMPARE(english.size(), chinese.size());
        QVERIFY2(Chinese(english).isEmpty(), qPrintable(Chinese(english).join('\n')));
        // The English captions are short enough for the panel to fit a 1366-wide screen.
        QVERIFY(win.w("WorkingTab")->sizeHint().width() <= 1366 - 24);

        // What the window says from now on is English too: a report line, a status message,
        // a message box.
        win.type("Text1", "01 26 00");
        win.click("Command11");
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        QVERIFY(win.lines("RichTextBox1").contains("Query start speed:"));
        QVERIFY(win.lines("RichTextBox2").contains("Query start speed:"));
        // A worded choice sends the same bytes whatever language it shows.
        win.w<QComboBox>("Combo1")->setCurrentIndex(2);
        win.click("Command112");
        QTRY_VERIFY(win.lines("RichTextBox2").filter("SndHex:01 53 02 01 01 ").size() == 1);
        win.click("Command33");
        QVERIFY(!win.open("/dev/stepbench-none"));
        QCOMPARE(win.prompter.messages.size(), 1);
        QVERIFY2(Chinese(win.prompter.messages).isEmpty(), qPrintable(win.prompter.messages[0]));
        QVERIFY2(Chinese({win.main.statusBar()->currentMessage()}).isEmpty(),
                 qPrintable(win.main.statusBar()->currentMessage()));

        win.w<QComboBox>("Combo10")->setCurrentText("中文");
        win.click("Command36"); // the logs emptied, their counters with them
        win.click("Command6");
        win.main.statusBar()->clearMessage();
        QCOMPARE(VisibleTexts(&win.main), chinese);
    }

    // Texts made while working follow a change of language both ways: the motion state word,
    // the plan's line, the profile file's line and the end of a read on the progress bar.
    void textsMadeWhileWorking() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));
        win.click("Command29"); // the motion state: "停止"
        QTRY_COMPARE(win.text("LabelMotionState"), QString("停止"));
        win.click("CheckSampling");
        win.type("Text8", "200");
        win.click("Command18");
        QTRY_VERIFY(win.text("LabelPlan").startsWith("规划"));
        win.click("CheckSampling");
        ProfileFile file;
        for (const ProfileSetting& s : ProfileSettings())
            if (s.read) file.values[s.name()] = s.isNumber() ? Bytes{0, 0, 1, 0} : Bytes{};
        QTemporaryDir dir;
        QCOMPARE(SaveProfile(dir.filePath("p.json"), file), QString());
        win.prompter.fileName = dir.filePath("p.json");
        win.click("CommandOpenProfile");
        win.click("CommandReadAll");
        QTRY_COMPARE(win.w<QProgressBar>("ProgressProfile")->format(), QString("完成"));
        const QStringList shown = {"LabelMotionState", "LabelPlan", "LabelProfileFile"};
        const auto texts = [&] {
            QStringList out;
            for (const QString& name : shown)
                out << win.text(name.toLatin1().constData());
            return out << win.w<QProgressBar>("ProgressProfile")->format();
        };
        const QStringList chinese = texts();
        win.w<QComboBox>("Combo10")->setCurrentText("English");
        QVERIFY2(Chinese(texts()).isEmpty(), qPrintable(texts().join(" | ")));
        QCOMPARE(texts()[0], QString("Stopped"));
        win.w<QComboBox>("Combo10")->setCurrentText("中文");
        QCOMPARE(texts(), chinese);
        QVERIFY(win.main.statusBar()->currentMessage().isEmpty());
    }

    // Counts take their language's plural forms; the Chinese has one form, its count filled in.
    void pluralForms() {
        QCOMPARE(TrN("已写入 %n 项设置", 3), QString("已写入 3 项设置"));
        SetLanguage(Language::English);
        QCOMPARE(TrN("已写入 %n 项设置", 1), QString("Wrote 1 setting"));
        QCOMPARE(TrN("已写入 %n 项设置", 2), QString("Wrote 2 settings"));
        QCOMPARE(TrN("将向地址 %1 的驱动器写入 %n 项设置，是否继续？", 1).arg("01"),
                 QString("Write 1 setting to the drive at address 01?"));
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
