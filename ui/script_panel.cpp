#include "ui/script_panel.h"

#include "codec/number.h"
#include "core/bench.h"
#include "script/script_file.h"
#include "script/step.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QFileInfo>
#include <QMainWindow>

namespace stepbench {
namespace {

const char* const kSystemTitleId = ZH("系统提示");

} // namespace

ScriptPanel::ScriptPanel(FrmMainUi& ui, Bench& bench, QMainWindow* window, Prompter* prompter,
                         KeptState& kept, Send send)
    : QObject(window), ui_(ui), window_(window), prompter_(prompter), kept_(kept),
      job_(bench, this) {
    job_.setSend(std::move(send));
    connect(ui_.Check1, &QCheckBox::clicked, this, &ScriptPanel::switchRun);
    connect(ui_.Text20, &QLineEdit::editingFinished, this, &ScriptPanel::clampDelayField);
    connect(ui_.Command34, &QPushButton::clicked, this, [this] {
        clampDelayField();
        appendLine("Delay:" + ui_.Text20->text());
    });
    connect(ui_.List1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ui_.MenuCMD->popup(ui_.List1->mapToGlobal(at)); });
    connect(ui_.DelectList, &QAction::triggered, this, &ScriptPanel::removeSelectedLine);
    connect(ui_.DelectAll, &QAction::triggered, ui_.List1, &QListWidget::clear);
    connect(ui_.Command54, &QPushButton::clicked, this, &ScriptPanel::open);
    connect(ui_.Command55, &QPushButton::clicked, this, &ScriptPanel::save);
    connect(ui_.MenuRecentScripts, &QMenu::aboutToShow, this, &ScriptPanel::showRecent);
    connect(&job_.runner(), &ScriptRunner::stepped, this, &ScriptPanel::highlight);
    connect(&job_.runner(), &ScriptRunner::problem, this, &ScriptPanel::reportProblem);
    // A failed check stops the script there.
    connect(&job_, &ScriptJob::checked, this, [this](int line, bool passed, const QString& why) {
        if (passed) return;
        stop();
        highlight(line);
        emit refused(Tr("脚本第 %1 行的检查未通过，脚本已停止：%2").arg(line + 1).arg(why));
    });
    // However the run ends (the port closed or lost), its check box says so.
    connect(&job_, &Job::finished, this, [this](const Outcome& outcome) {
        ui_.Check1->setChecked(false);
        ui_.Text22->setEnabled(true);
        highlight(-1);
        emit status(Tr("脚本结束：%1").arg(OutcomeText(outcome)));
    });
}

void ScriptPanel::appendLine(const QString& line) {
    ui_.List1->addItem(line);
}

std::vector<std::string> ScriptPanel::lines() const {
    std::vector<std::string> lines;
    lines.reserve(std::size_t(ui_.List1->count()));
    for (int i = 0; i < ui_.List1->count(); ++i)
        lines.push_back(ui_.List1->item(i)->text().toStdString());
    return lines;
}

void ScriptPanel::stop() {
    ui_.Check1->setChecked(false);
    switchRun(false);
}

void ScriptPanel::switchRun(bool on) {
    if (!on) {
        job_.stop();
        highlight(-1);
        ui_.Text22->setEnabled(true);
        return;
    }
    const double interval = ReadInteger(ui_.Text22->text().toStdString());
    if (!(interval >= 0 && interval <= 65535)) {
        ui_.Check1->setChecked(false);
        return emit refused(Tr("循环间隔“%1”超出范围（允许 0 到 65535 毫秒），脚本未运行。")
                                .arg(ui_.Text22->text()));
    }
    ui_.Text22->setEnabled(false);
    job_.start(
        {.lines = [this] { return lines(); }, .interval = int(interval), .stopOnCheckFail = true});
}

void ScriptPanel::highlight(int index) {
    if (QListWidgetItem* old = ui_.List1->item(highlighted_)) old->setBackground({});
    highlighted_ = index;
    if (QListWidgetItem* item = ui_.List1->item(index)) {
        item->setBackground(window_->palette().color(QPalette::Highlight).lighter(170));
        ui_.List1->scrollToItem(item);
    }
}

void ScriptPanel::reportProblem(int line, StepProblem problem) {
    QString why;
    switch (problem) {
    case StepProblem::EmptyLine:
        why = Tr("空行，脚本在此等待");
        break;
    case StepProblem::NoLine:
        why = Tr("没有这一行，脚本在此等待");
        break;
    case StepProblem::DelayStops:
        why = Tr("延时为0或不是数字，脚本停止执行");
        break;
    case StepProblem::DelayOutOfRange:
        why = Tr("延时超出 0-65535 毫秒，改用循环间隔");
        break;
    case StepProblem::NotHex:
        why = Tr("不是16进制，没有发送");
        break;
    case StepProblem::None:
        return;
    }
    emit status(Tr("脚本第 %1 行：%2").arg(line + 1).arg(why));
}

void ScriptPanel::clampDelayField() {
    const double v = ReadNumber(ui_.Text20->text().toStdString());
    if (v > 60000)
        ui_.Text20->setText("60000");
    else if (v < 50)
        ui_.Text20->setText("50");
}

void ScriptPanel::removeSelectedLine() {
    for (int i = 0; i < ui_.List1->count(); ++i)
        if (ui_.List1->item(i)->isSelected()) {
            delete ui_.List1->takeItem(i);
            return;
        }
}

void ScriptPanel::open() {
    const QString path = prompter_->openPath(
        window_, Tr("打开文件"), Tr("txt文件(*.txt);;所有文件(*.*)"), kept_.scriptFolder);
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path))
        return prompter_->inform(window_, Tr(kSystemTitleId), Tr("文件名无效,请重新打开!"));
    load(path);
}

void ScriptPanel::load(const QString& path) {
    const auto lines = LoadScriptFile(path);
    if (!lines) return emit refused(TrError(lines.failure()));
    ui_.List1->clear();
    for (const std::string& line : *lines)
        ui_.List1->addItem(QString::fromStdString(line));
    kept_.scriptFolder = QFileInfo(path).absolutePath();
    kept_.usedScript(QFileInfo(path).absoluteFilePath());
    QStringList warnings;
    for (const LineProblem& w : ScriptWarnings(*lines))
        if (KindOfLine((*lines)[std::size_t(w.line)]) == LineKind::Frame)
            warnings << TrError(w.why);
    if (warnings.isEmpty()) return emit status(Tr("已载入 %1 行：%2").arg(lines->size()).arg(path));
    emit status(Tr("已载入 %1 行：%2。注意：%3，这样的帧照原样发出，驱动器不会应答")
                    .arg(lines->size())
                    .arg(path, warnings.join(Tr("，"))));
}

void ScriptPanel::showRecent() {
    QMenu* menu = ui_.MenuRecentScripts;
    menu->clear();
    for (const QString& path : kept_.recentScripts) {
        QAction* action = menu->addAction(path);
        // A file that is gone stays in the list, greyed, until it is back or pushed out.
        action->setEnabled(QFileInfo(path).isFile());
        connect(action, &QAction::triggered, this, [this, path] {
            if (QFileInfo(path).isFile()) return load(path);
            kept_.recentScripts.removeAll(path);
            emit refused(Tr("文件 %1 已不存在，已从“最近打开”中去掉").arg(path));
        });
    }
    if (kept_.recentScripts.isEmpty())
        menu->addAction(Tr("（没有最近打开的文件）"))->setEnabled(false);
}

void ScriptPanel::save() {
    const QString path = prompter_->savePath(
        window_, Tr("保存文件"), Tr("TXT文件(*.TXT);;所有文件(*.*)"), kept_.scriptFolder);
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !prompter_->ask(window_, Tr("文件保存"), Tr("是否覆盖文件？")))
        return;
    const bool existed = QFileInfo::exists(path);
    const std::vector<std::string> all = lines();
    const QString error = SaveScriptFile(path, all);
    if (!error.isEmpty()) return emit refused(error);
    const bool empty = std::all_of(all.begin(), all.end(), [](auto& l) { return l.empty(); });
    kept_.scriptFolder = QFileInfo(path).absolutePath();
    if (!empty) kept_.usedScript(QFileInfo(path).absoluteFilePath());
    if (!empty)
        emit status(Tr("已保存：%1").arg(path));
    else
        emit status(existed ? Tr("列表为空，没有写入文件；原文件已删除：%1").arg(path)
                            : Tr("列表为空，没有保存文件"));
}

} // namespace stepbench
