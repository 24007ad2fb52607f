// stepbench: the window, on a real serial port or on the built-in virtual device.
#include "codec/tr.h"
#include "link/transaction_queue.h"
#include "sim/virtual_device.h"
#include "ui/frm_main.h"
#include "ui/translation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>

using stepbench::Tr;

namespace {

struct Options {
    QCommandLineParser parser;
    QCommandLineOption simulate{
        "simulate", "Start the virtual device on a pseudo-terminal and put its path in COM_PORT."};
    QCommandLineOption reset{"reset-settings", "Start from the default set-up, forgetting the "
                                               "one kept from the last run."};
    Options() {
        parser.setApplicationDescription("Bench tool for serial-bus stepper motor drivers.");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(simulate);
        parser.addOption(reset);
    }
};

void NameTheProgram() {
    QCoreApplication::setOrganizationName("stepbench");
    QCoreApplication::setApplicationName("stepbench");
    QCoreApplication::setApplicationVersion(STEPBENCH_VERSION);
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer in a terminal without a display.
    for (int i = 1; i < argc; ++i)
        if (const QByteArray a(argv[i]);
            a == "-h" || a == "--help" || a == "--help-all" || a == "-v" || a == "--version") {
            QCoreApplication core(argc, argv);
            NameTheProgram();
            Options().parser.process(core);
        }
    stepbench::ReadTimeZoneOnce();
    QApplication app(argc, argv);
    NameTheProgram();
    QGuiApplication::setDesktopFileName("org.stepbench.StepBench");
    Options options;
    options.parser.process(app);
    stepbench::UseWindowFont();

    // Qt's own dialogs speak the window's language from the start.
    stepbench::SetLanguage(stepbench::Language::Chinese);
    stepbench::FrmMain window;
    auto settings = std::make_unique<QSettings>();
    if (options.parser.isSet(options.reset)) settings->clear();
    window.useSettings(std::move(settings));
    std::unique_ptr<stepbench::sim::VirtualDevice> device;
    if (options.parser.isSet(options.simulate)) {
        device = std::make_unique<stepbench::sim::VirtualDevice>();
        std::string error;
        if (device->start(&error)) {
            const QString path = QString::fromStdString(device->path());
            window.setPortText(path, false);
            window.statusBar()->showMessage(
                Tr("虚拟设备在 %1 上运行（地址 1），点击“打开”即可连接").arg(path));
        } else {
            window.statusBar()->showMessage(
                Tr("无法启动虚拟设备：%1").arg(QString::fromStdString(error)));
        }
    }
    window.show();
    // The start-up benchmark's probe: report once the window is up and the event loop idle.
    if (qEnvironmentVariableIsSet("STEPBENCH_STARTUP_PROBE"))
        QTimer::singleShot(0, &app, [] {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            QApplication::quit();
        });
    return QApplication::exec();
}
