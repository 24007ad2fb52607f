// stepbench-shots: sets the window up as a user would (on the virtual device) and photographs
// the screen, for the README's pictures. Run under a 1366x768 X server: scripts/screenshot.
#include "sim/virtual_device.h"
#include "ui/frm_main.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <cstdio>
#include <functional>
#include <map>

using namespace stepbench;

namespace {

void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Answers the file dialogs of a scene with its files, and every question with yes.
struct Answers : Prompter {
    QString file;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return file;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return file;
    }
    bool ask(QWidget*, const QString&, const QString&) override { return true; }
    // A message means the scene went wrong: say it rather than wait for a click.
    void inform(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
};

struct Scene {
    FrmMain& window;
    Answers& answers;
    QString out;
    void click(const char* name) {
        window.findChild<QAbstractButton*>(name)->click();
        Wait(120);
    }
    void type(const char* name, const QString& text) {
        if (auto* combo = window.findChild<QComboBox*>(name))
            combo->setEditText(text);
        else
            window.findChild<QLineEdit*>(name)->setText(text);
    }
    void tab(const char* title) {
        auto* tabs = window.findChild<QTabWidget*>("SSTab1");
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == Tr(title)) tabs->setCurrentIndex(i);
    }
};

// The drive read, its profile saved, its start speed changed (and an IO-override entry), and
// compared with the file.
void ProfileComparedWithChanges(Scene& s, bool anOverrideToo) {
    s.click("Command32");
    s.tab("驱动器配置");
    s.click("CommandReadAll");
    Wait(800);
    s.answers.file = QDir::temp().filePath("stepbench-shot-profile.json");
    s.click("CommandSaveProfile");
    s.type("Text12", "250");
    s.click("Command17");
    if (anOverrideToo) {
        s.type("Text31", "3C 00");
        s.type("Combo8", "00011");
        s.click("Command81");
    }
    s.click("CommandOpenProfile");
    s.click("CommandCompareProfile");
    Wait(800);
    QFile::remove(s.answers.file);
}

// A 10,000-step move and a move back by 4,000, sampled.
void TwoMovesSampled(Scene& s) {
    s.tab("运动曲线");
    s.click("CommandReadPlanParameters");
    s.click("CheckSampling");
    Wait(500);
    s.type("Text8", "10000");
    s.click("Command18");
    Wait(3200);
    s.type("Text8", "-4000");
    s.click("Command18");
    Wait(2500);
}

const std::map<std::string, std::function<void(Scene&)>> kScenes = {
    {"window", [](Scene&) {}},
    {"replies",
     [](Scene& s) {
         s.click("Command32");
         s.click("Command12");
         s.click("Command57");
         s.click("Command43");
         s.click("Command99");
     }},
    {"tcp",
     [](Scene& s) {
         static sim::VirtualDevice server;
         server.startTcp("127.0.0.1", 0);
         s.type("COM_PORT", QString::fromStdString(server.path()));
         s.click("Command32");
         Wait(300);
         s.click("Command12");
         s.click("Command57");
     }},
    {"monitor",
     [](Scene& s) {
         s.click("Command32");
         for (const char* b : {"Command12", "Command57", "Command58", "Command59", "Command60",
                               "Command28", "Command30", "Command29", "Command94"})
             s.click(b);
         s.type("Text23", "2"); // nobody answers there
         s.click("Command12");
         Wait(400);
         s.type("Text23", "1");
         s.click("Command20");
         for (int i = 0; i < 6; ++i)
             s.click("Command30");
         s.click("Command23");
         s.tab("通讯监视");
     }},
    {"profile", [](Scene& s) { ProfileComparedWithChanges(s, true); }},
    {"profile-many",
     [](Scene& s) {
         s.click("Command32");
         s.type("Text12", "250");
         s.click("Command17");
         s.type("Text13", "6000");
         s.click("Command24");
         s.tab("驱动器配置");
         s.click("CommandReadAll");
         Wait(800);
         s.answers.file = QDir::temp().filePath("stepbench-shot-profile.json");
         s.click("CommandSaveProfile");
         s.click("CommandOpenProfile");
         s.type("TextProfileAddresses", "1-5"); // nobody answers at 5
         s.window.findChild<QAbstractButton*>("CheckContinueOnFailure")->setChecked(true);
         s.click("CommandWriteMany");
         Wait(6000);
         QFile::remove(s.answers.file);
     }},
    {"motion",
     [](Scene& s) {
         s.click("Command32");
         s.type("Text13", "5000");
         s.click("Command24");
         TwoMovesSampled(s);
     }},
    // The record's dialog over the monitor, filled in.
    {"record-dialog",
     [](Scene& s) {
         s.click("Command32");
         s.click("Command57");
         s.tab("通讯监视");
         s.click("CommandRecord");
         s.type("TextRecordTitle", QString::fromUtf8("3 号线调试"));
         s.type("TextRecordMachine", "M-2041");
         s.type("TextRecordEngineer", "Li Wei");
     }},
    // A session on a bus of two on record: a profile compared with a file that differs in one
    // setting, two moves sampled, a script with a check that passes and one that fails. The
    // scene's picture is the record itself, a PDF.
    {"record",
     [](Scene& s) {
         ProfileComparedWithChanges(s, false);
         TwoMovesSampled(s);
         s.click("CheckSampling");
         auto* list = s.window.findChild<QListWidget*>("List1");
         for (const char* line :
              {"01 26 00 3A 60", "Expect:value=250", "02 26 00 CA 60", "Expect:value=300"})
             list->addItem(line);
         s.type("Text22", "50");
         s.click("Check1");
         Wait(1000);
         s.click("CommandRecord");
         s.type("TextRecordTitle", QString::fromUtf8("3 号线调试"));
         s.type("TextRecordMachine", "M-2041");
         s.type("TextRecordEngineer", "Li Wei");
         s.answers.file = s.out;
         s.click("CommandRecordSave");
     }},
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(STEPBENCH_VERSION);
    // "en-" before a scene's name takes it in English.
    std::string name = argc == 3 ? argv[1] : "";
    const bool english = name.starts_with("en-");
    if (english) name.erase(0, 3);
    if (argc != 3 || !kScenes.count(name)) {
        std::fprintf(stderr,
                     "usage: stepbench-shots "
                     "[en-]window|replies|tcp|monitor|profile|profile-many|motion|record-dialog "
                     "OUT.png, or [en-]record OUT.pdf\n");
        return 2;
    }
    UseWindowFont();
    sim::DeviceOptions bus;
    if (name == "profile-many") bus.more = {2, 3, 4};
    if (name == "record") bus.more = {2};
    sim::VirtualDevice device(bus);
    if (!device.start()) return 1;
    Answers answers;
    FrmMain window(&answers);
    // STEPBENCH_SHOT_PORT plays the scene on another port (a device of its own, a misbehaving
    // line) instead of the built-in device.
    const QString port = qEnvironmentVariable("STEPBENCH_SHOT_PORT");
    window.setPortText(port.isEmpty() ? QString::fromStdString(device.path()) : port);
    if (english) window.findChild<QComboBox*>("Combo10")->setCurrentText("English");
    window.show();
    Wait(500);
    Scene scene{window, answers, QString::fromLocal8Bit(argv[2])};
    kScenes.at(name)(scene);
    if (name == "record") return QFile::exists(scene.out) ? 0 : 1;
    Wait(800);
    return window.screen()->grabWindow(0).save(argv[2]) ? 0 : 1;
}
