#pragma once

#include <QHash>
#include <QSettings>
#include <QStringList>

class QMainWindow;
class QTabWidget;
class QWidget;

namespace stepbench {

// What the window keeps besides its controls' values.
struct KeptState {
    static constexpr int kMaxRecent = 8;
    QString scriptFolder;
    QStringList recentScripts; // newest first
    // The commissioning record's heading, and where the last one was saved.
    QString reportTitle;
    QString reportMachine;
    QString reportEngineer;
    QString reportFolder;

    // Puts a script file first in the list of recent ones.
    void usedScript(const QString& path);
};

// The window's set-up between runs: the port, link and PLC settings, the reply timeout, the
// script timings, every parameter and motion field, the window's geometry and tab, the script
// folder and the recent scripts. Restoring leaves out whatever does not make sense (a baud rate
// "abc", an address 999, a geometry off every screen), so that control keeps its start-up value.
void RestoreSetUp(QSettings& settings, QMainWindow& window, QTabWidget& tabs,
                  const QHash<QString, QWidget*>& controls, KeptState& kept);
void SaveSetUp(QSettings& settings, const QMainWindow& window, const QTabWidget& tabs,
               const QHash<QString, QWidget*>& controls, const KeptState& kept);

// Shrinks and moves a window, its frame included, into the available area of its screen.
void FitOnScreen(QWidget& window);

} // namespace stepbench
