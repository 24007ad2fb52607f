#pragma once

#include "core/jobs.h"
#include "ui/frm_main_ui.h"
#include "ui/setup_keeper.h"

#include <QObject>
#include <functional>

class QMainWindow;

namespace stepbench {

class Bench;
class Prompter;

// The script list of the working tab ("高级自动控制功能"): its lines, their files (open, save,
// the recent ones), and the run of them ("按行循环执行命令") as a script job on the bench, each
// frame through the window's own sender so that it shows in the send log. A failed check stops
// the run there and says why.
class ScriptPanel : public QObject {
    Q_OBJECT
public:
    using Send = ScriptJob::Send;
    ScriptPanel(FrmMainUi& ui, Bench& bench, QMainWindow* window, Prompter* prompter,
                KeptState& kept, Send send);

    void appendLine(const QString& line);
    std::vector<std::string> lines() const;
    ScriptJob& job() { return job_; }
    bool running() const { return job_.running(); }
    // Switches the run off, its check box with it.
    void stop();
    // While the port is away (with "自动重连"): the run waits where it was cut, and carries on.
    void hold(bool rewind) { job_.runner().hold(rewind); }
    void release() { job_.runner().release(); }

signals:
    // A line for the status bar; or a message box too.
    void status(const QString& text);
    void refused(const QString& text);

private:
    void switchRun(bool on);
    void highlight(int index);
    void reportProblem(int line, StepProblem problem);
    void clampDelayField();
    void removeSelectedLine();
    void open();
    void load(const QString& path);
    void save();
    void showRecent();

    FrmMainUi& ui_;
    QMainWindow* window_;
    Prompter* prompter_;
    KeptState& kept_;
    ScriptJob job_;
    int highlighted_ = -1;
};

} // namespace stepbench
