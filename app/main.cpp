// stepbench: the window, on a real serial port or on the built-in virtual device.
#include "sim/pty_device.h"
#include "ui/frm_main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFontDatabase>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("stepbench");
    QApplication::setApplicationName("stepbench");
    QApplication::setApplicationVersion(STEPBENCH_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Bench tool for serial-bus stepper motor drivers.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        "simulate", "Start the virtual device on a pseudo-terminal and put its path in COM_PORT.");
    parser.addOption(simulate);
    const QCommandLineOption reset("reset-settings", "Start from the default set-up, forgetting "
                                                     "the one kept from the last run.");
    parser.addOption(reset);
    parser.process(app);

    // The Chinese captions need a CJK face; use Noto's when it is installed.
    for (const QString& family : {QString("Noto Sans CJK SC"), QString("Noto Sans SC")})
        if (QFontDatabase::hasFamily(family)) {
            QFont font(family);
            font.setPointSizeF(8.5);
            QApplication::setFont(font);
            break;
        }

    stepbench::FrmMain window;
    auto settings = std::make_unique<QSettings>();
    if (parser.isSet(reset)) settings->clear();
    window.useSettings(std::move(settings));
    std::unique_ptr<stepbench::sim::PtyDevice> device;
    if (parser.isSet(simulate)) {
        device = std::make_unique<stepbench::sim::PtyDevice>();
        std::string error;
        if (device->start(&error)) {
            const QString path = QString::fromStdString(device->path());
            window.setPortText(path, false);
            window.statusBar()->showMessage(
                QString("虚拟设备在 %1 上运行（地址 1），点击“打开”即可连接").arg(path));
        } else {
            window.statusBar()->showMessage("无法启动虚拟设备：" + QString::fromStdString(error));
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
