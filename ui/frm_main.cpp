#include "ui/frm_main.h"

#include "codec/checksum.h"
#include "codec/codepage.h"
#include "codec/hextext.h"
#include "codec/number.h"
#include "commands/protocol.h"
#include "commands/request.h"
#include "link/reply_decoder.h"
#include "script/script_file.h"
#include "ui/lamp.h"
#include "ui/monitor_view.h"
#include "ui/motion_view.h"
#include "ui/profile_view.h"
#include "ui/protocol_help.h"
#include "ui/scan_dialog.h"
#include "ui/translation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

namespace stepbench {
namespace {

constexpr auto kStatusTimeout = 8000;
const char* const kSystemTitleId = ZH("系统提示");
// Text40 has no caption of its own; messages name it by the two buttons that send it.
constexpr std::string_view kAddressLabel = ZH("设备操作地址(Hex)");
constexpr std::string_view kValueFieldLabel = ZH("LastChr/通讯不返回的数值");
constexpr std::chrono::milliseconds kLinkStatsRefresh{200};
// The highest mapping address the device accepts: with the lowest command code, 0x20, it names
// register 65535. (The message names 65500, as the device's documentation does.)
constexpr double kMaxMappingAddress = 65503;

QString FromStd(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ToStd(const QString& s) {
    return s.toStdString();
}

QString AboutHtml() {
    return QString("<h2>stepbench %1</h2><p>%2</p><p>%3</p><p>Qt %4</p>")
        .arg(QCoreApplication::applicationVersion(), Tr("串口步进电机驱动器调试工具"),
             Tr("源代码的许可证: MIT。本程序使用 Qt Charts (GPL-3)，因此编译出的程序按 GPL-3 "
                "的条款分发。"),
             qVersion());
}

QWidget* AboutPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* text = new QLabel(AboutHtml());
    text->setObjectName("AboutText");
    v->addWidget(text);
    v->addStretch(1);
    return page;
}

} // namespace

FrmMain::FrmMain(Prompter* prompter, QWidget* parent)
    : QMainWindow(parent), ownPrompter_(prompter ? nullptr : std::make_unique<Prompter>()),
      prompter_(prompter ? prompter : ownPrompter_.get()), link_(this), queue_(link_, this),
      runner_([this] { return scriptLines(); },
              [this](const Bytes& frame) { SendComm(frame, Origin::Script); }, this),
      portWatch_(link_, this), busScan_(link_, queue_, this), sampler_(queue_, this),
      profiles_(queue_, this), monitor_(new MonitorView(prompter_)), linkStats_(new QLabel) {
    ui_.setupUi(this);
    receiveLog_ = std::make_unique<LogPane>(ui_.RichTextBox1, ui_.Label45);
    sendLog_ = std::make_unique<LogPane>(ui_.RichTextBox2, ui_.Label44);
    ui_.SSTab1->insertTab(0, AboutPage(), QString());
    SetTabCaption(ui_.SSTab1, 0, ZH("关于"));
    motion_ = new MotionView(
        sampler_, queue_, [this] { return samplingPlan(); }, [this] { return planParameters(); },
        prompter_);
    auto* motion = motion_;
    // "读取参数": the panel's own queries, whose replies fill its query fields.
    connect(motion_, &MotionView::parametersWanted, this, [this] {
        for (QPushButton* query :
             {ui_.Command57, ui_.Command58, ui_.Command59, ui_.Command60, ui_.Command61})
            query->click();
    });
    auto* profile = new ProfileView(
        profiles_,
        [this]() -> std::optional<ProfileView::Target> {
            if (!link_.isOpen()) {
                refuse(Tr("请先打开串口。"));
                return std::nullopt;
            }
            const auto address = deviceAddress();
            if (!address) return std::nullopt;
            return ProfileView::Target{*address, linkMode(), link_.baudRate()};
        },
        prompter_);
    ui_.SSTab1->insertTab(2, motion, QString());
    ui_.SSTab1->insertTab(3, profile, QString());
    ui_.SSTab1->insertTab(4, monitor_, QString());
    SetTabCaption(ui_.SSTab1, 2, ZH("运动曲线"));
    SetTabCaption(ui_.SSTab1, 3, ZH("驱动器配置"));
    SetTabCaption(ui_.SSTab1, 4, ZH("通讯监视"));
    connect(motion, &MotionView::message, this, &FrmMain::showStatus);
    connect(profile, &ProfileView::message, this, &FrmMain::showStatus);
    ui_.SSTab1->setCurrentIndex(1);
    linkStats_->setObjectName("LabelLinkStats");
    statusBar()->addPermanentWidget(linkStats_);
    linkStatsTimer_.setSingleShot(true);
    linkStatsTimer_.setInterval(kLinkStatsRefresh);
    connect(&linkStatsTimer_, &QTimer::timeout, this, [this] {
        linkStats_->setText(Tr("%1   失败 %2").arg(lastRoundTrip_).arg(failuresSinceOpen_));
    });
    ui_.RichTextBox3->setHtml(ProtocolHelpHtml());
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) byName_.insert(w->objectName(), w);

    resize(workingTabWants());

    wire();
    armAddToScript(false);
    armIoOverride(false);
    portWatch_.watchList(true);
}

void FrmMain::useSettings(std::unique_ptr<QSettings> settings) {
    settings_ = std::move(settings);
    RestoreSetUp(*settings_, *this, *ui_.SSTab1, byName_, kept_);
    applyReplyTimeout();
    applyTurnaround();
    applyLineTiming();
    link_.setEchoSuppression(ui_.CheckEchoSuppression->isChecked());
}

void FrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    Retranslate(this);
    ui_.RichTextBox3->setHtml(ProtocolHelpHtml());
    findChild<QLabel*>("AboutText")->setText(AboutHtml());
    showCaptureState();
    // Captions in another language take another width: grow to show them, never shrink what
    // the user has chosen.
    QTimer::singleShot(0, this, [this] {
        if (!isMaximized() && !isFullScreen()) resize(size().expandedTo(workingTabWants()));
    });
}

// As large as the working tab wants, within the screen; the tab scrolls on smaller screens.
QSize FrmMain::workingTabWants() const {
    const QSize want = ui_.workingTab->sizeHint() + QSize(24, 72);
    return want.boundedTo(screen()->availableGeometry().size());
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (settings_) {
        SaveSetUp(*settings_, *this, *ui_.SSTab1, byName_, kept_);
        // The virtual device's path is for this run only; a port the user typed is kept.
        if (portForNextStart_ && PortNameOfLabel(ui_.COM_PORT->currentText()) == runOnlyPort_)
            settings_->setValue("controls/COM_PORT", *portForNextStart_);
    }
    QMainWindow::closeEvent(event);
}

FrmMain::~FrmMain() = default;

void FrmMain::wire() {
    // The motion sampler's replies update fields and lamps but stay out of the receive log.
    connect(&queue_, &TransactionQueue::pieceReceived, this,
            [this](const Piece& piece, std::optional<Origin> origin, PieceRole role,
                   std::optional<std::uint8_t> command) {
                CommRec(piece, origin != Origin::Sampler, role, command);
            });
    connect(&queue_, &TransactionQueue::closed, this, &FrmMain::onTransaction);
    connect(&queue_, &TransactionQueue::lateReply, monitor_, &MonitorView::add);
    connect(&queue_, &TransactionQueue::lineDown, this, &FrmMain::onLineDown);
    connect(&link_, &Link::echoMissing, this, [this] {
        // Once per opening: it says the setting does not fit the adapter.
        if (std::exchange(echoMissingShown_, true)) return;
        statusBar()->showMessage(
            Tr("已开“回显抑制”，但收到的字节不是刚发出的命令：这个转换器可能不回显"),
            kStatusTimeout);
    });
    connect(ui_.CheckEchoSuppression, &QCheckBox::toggled, &link_, &Link::setEchoSuppression);
    connect(ui_.ComboLineTiming, &QComboBox::currentIndexChanged, this, &FrmMain::applyLineTiming);
    connect(ui_.TextTurnaround, &QLineEdit::editingFinished, this, &FrmMain::applyTurnaround);
    connect(&portWatch_, &PortWatch::reopened, this, &FrmMain::onPortBack);
    // A connection the user asked for; the port watch makes its own when it reconnects.
    connect(&link_, &Link::connected, this, [this] {
        if (std::exchange(connectingByUser_, false)) portOpened();
    });
    connect(&link_, &Link::connectFailed, this, [this](const QString& error) {
        if (std::exchange(connectingByUser_, false)) failToOpen(error);
    });
    connect(ui_.COM_PORT, &QComboBox::editTextChanged, this, &FrmMain::applyPortKind);
    connect(ui_.Combo10, &QComboBox::currentIndexChanged, this, [this](int index) {
        SetLanguage(ui_.Combo10->itemText(index) == "English" ? Language::English
                                                              : Language::Chinese);
    });
    connect(&portWatch_, &PortWatch::listChanged, this, &FrmMain::showPortList);
    connect(ui_.CommandScanBus, &QPushButton::clicked, this, &FrmMain::scanBus);
    connect(ui_.MenuRecentScripts, &QMenu::aboutToShow, this, &FrmMain::showRecentScripts);
    connect(monitor_, &MonitorView::message, this, &FrmMain::showStatus);
    // The traffic log's file and size, while one is kept.
    auto* logStatus = new QLabel;
    logStatus->setObjectName("LabelLogStatus");
    statusBar()->addPermanentWidget(logStatus);
    connect(monitor_, &MonitorView::logChanged, logStatus, &QLabel::setText);
    connect(monitor_, &MonitorView::statsReset, this, [this] {
        failuresSinceOpen_ = 0;
        linkStatsTimer_.start();
    });
    connect(ui_.TextReplyTimeout, &QLineEdit::editingFinished, this, &FrmMain::applyReplyTimeout);
    // The runner takes its next step only when the bus is free.
    runner_.setGate([this] { return queue_.idle(); });
    connect(&queue_, &TransactionQueue::becameIdle, &runner_, &ScriptRunner::resume);
    connect(ui_.Command32, &QPushButton::clicked, this, &FrmMain::openPort);
    connect(ui_.Command33, &QPushButton::clicked, this, &FrmMain::closePort);
    connect(ui_.Combo7, &QComboBox::currentTextChanged, this, &FrmMain::applyLinkMode);
    connect(ui_.Check2, &QCheckBox::toggled, this, &FrmMain::applyPlcControls);
    // An arming button pressed while its capture is armed disarms it instead.
    const auto arming = [this](QAbstractButton* b, QList<QAbstractButton*>& group,
                               void (FrmMain::*arm)(bool), auto run) {
        b->setCheckable(true);
        group << b;
        connect(b, &QAbstractButton::clicked, this, [this, arm, run](bool checked) {
            (this->*arm)(checked);
            if (checked) run();
        });
    };
    for (const SenderRow& row : SenderTable()) {
        const auto button = [this](std::string_view name) {
            return qobject_cast<QAbstractButton*>(
                byName_.value(QString::fromLatin1(name.data(), qsizetype(name.size()))));
        };
        const auto run = [this, &row] { runSender(row); };
        connect(button(row.button), &QAbstractButton::clicked, this, run);
        if (!row.addButton.empty())
            arming(button(row.addButton), addButtons_, &FrmMain::armAddToScript, run);
        if (!row.ioButton.empty())
            arming(button(row.ioButton), ioButtons_, &FrmMain::armIoOverride, run);
    }
    connect(ui_.Check1, &QCheckBox::clicked, this, &FrmMain::switchRunner);
    connect(ui_.Text20, &QLineEdit::editingFinished, this, &FrmMain::clampDelayField);
    connect(ui_.Command34, &QPushButton::clicked, this, [this] {
        clampDelayField();
        appendScriptLine("Delay:" + ui_.Text20->text());
    });
    connect(ui_.List1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ui_.MenuCMD->popup(ui_.List1->mapToGlobal(at)); });
    connect(ui_.DelectList, &QAction::triggered, this, &FrmMain::removeSelectedLine);
    connect(ui_.DelectAll, &QAction::triggered, ui_.List1, &QListWidget::clear);
    connect(ui_.Command54, &QPushButton::clicked, this, &FrmMain::openScript);
    connect(ui_.Command55, &QPushButton::clicked, this, &FrmMain::saveScript);

    // A double click on the tab strip turns both relay states off, and the captions with them,
    // so each button still says what its next press does.
    connect(ui_.SSTab1->tabBar(), &QTabBar::tabBarDoubleClicked, this, [this] {
        relayK1_ = relayK2_ = false;
        SetCaption(ui_.Command109, ZH("(刹车)K1开"));
        SetCaption(ui_.Command110, ZH("K2开"));
    });

    connect(ui_.Command1, &QPushButton::clicked, this, [this] { sendTypedHex(Typed::Raw); });
    connect(ui_.Command11, &QPushButton::clicked, this, [this] { sendTypedHex(Typed::Rtu); });
    connect(ui_.Command10, &QPushButton::clicked, this, [this] { sendTypedHex(Typed::Ascii); });
    connect(ui_.Command37, &QPushButton::clicked, this, &FrmMain::sendTypedString);
    // The "添加高级命令" buttons arm add-to-script and run their sender.
    for (auto [arm, sender] :
         {std::pair{ui_.Command79, ui_.Command1}, std::pair{ui_.Command77, ui_.Command10},
          std::pair{ui_.Command80, ui_.Command11}})
        arming(arm, addButtons_, &FrmMain::armAddToScript, [sender = sender] { sender->click(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        armAddToScript(false);
        armIoOverride(false);
    });
    connect(&runner_, &ScriptRunner::stepped, this, &FrmMain::highlightScriptLine);
    connect(&runner_, &ScriptRunner::problem, this, &FrmMain::reportScriptProblem);
    // A failed check stops the script there.
    connect(&runner_, &ScriptRunner::checkFailed, this, [this](int line, const QString& why) {
        ui_.Check1->setChecked(false);
        switchRunner(false);
        highlightScriptLine(line);
        refuse(Tr("脚本第 %1 行的检查未通过，脚本已停止：%2").arg(line + 1).arg(why));
    });
    connect(ui_.Command5, &QPushButton::clicked, this,
            [this] { ui_.Text1->setText(FromStd(TextToHex(ToStd(ui_.Text5->text())))); });
    connect(ui_.Command8, &QPushButton::clicked, this, &FrmMain::showCrc);
    connect(ui_.Command2, &QPushButton::clicked, this, [this] {
        showCrc();
        const QString low = ui_.Text2->text();
        ui_.Text2->setText(ui_.Text3->text());
        ui_.Text3->setText(low);
    });
    connect(ui_.Command36, &QPushButton::clicked, this, [this] { receiveLog_->clear(); });
    connect(ui_.Command6, &QPushButton::clicked, this, [this] { sendLog_->clear(); });
}

LinkMode FrmMain::linkMode() const {
    return LinkModeFromText(ToStd(ui_.Combo7->currentText()));
}

void FrmMain::setPortText(const QString& text, bool keep) {
    if (!keep && !portForNextStart_) portForNextStart_ = ui_.COM_PORT->currentText();
    if (!keep) runOnlyPort_ = text;
    ui_.COM_PORT->setEditText(text);
}

void FrmMain::showPortList(const QStringList& labels) {
    // The typed text stays; only the offered ports change.
    const QString typed = ui_.COM_PORT->currentText();
    ui_.COM_PORT->clear();
    ui_.COM_PORT->addItems(labels);
    ui_.COM_PORT->setEditText(typed);
}

// --- Serial port -------------------------------------------------------------------------------

void FrmMain::armAddToScript(bool on) {
    addToScriptPending_ = on;
    showCaptureState();
}

void FrmMain::armIoOverride(bool on) {
    ioOverridePending_ = on;
    showCaptureState();
}

void FrmMain::showCaptureState() {
    for (QAbstractButton* b : addButtons_)
        b->setChecked(addToScriptPending_);
    for (QAbstractButton* b : ioButtons_)
        b->setChecked(ioOverridePending_);
    QString note;
    if (ioOverridePending_)
        note = Tr("“↓”已按下：下一条运动命令写入IO命令框，不发送（再按一次或按 Esc 取消）");
    else if (addToScriptPending_)
        note = Tr("“>”已按下：下一条命令加入脚本列表并发送（再按一次或按 Esc 取消）");
    if (note.isEmpty()) {
        if (!captureMessage_.isEmpty() && statusBar()->currentMessage() == captureMessage_)
            statusBar()->clearMessage();
    } else {
        statusBar()->showMessage(note);
    }
    captureMessage_ = note;
}

void FrmMain::openPort() {
    QString error;
    if (!link_.open(ui_.COM_PORT->currentText(), ui_.Combo2->currentText(), &error))
        return failToOpen(error);
    setPanelOpen(true);
    if (link_.connecting()) {
        // "关闭" gives the attempt up.
        connectingByUser_ = true;
        statusBar()->showMessage(Tr("正在连接设备服务器 %1 …").arg(link_.portName()));
        return;
    }
    portOpened();
}

void FrmMain::failToOpen(const QString& error) {
    setPanelOpen(false);
    statusBar()->showMessage(error);
    prompter_->inform(this, Tr(kSystemTitleId), error);
}

void FrmMain::portOpened() {
    portWatch_.watchList(false);
    portWatch_.remember(link_.portName(), ui_.Combo2->currentText());
    link_.setFraming(linkMode());
    failuresSinceOpen_ = 0;
    echoMissingShown_ = false;
    linkStats_->clear();
    link_.pollTimer().start();
    statusBar()->showMessage(
        (link_.isNetwork()
             ? Tr("已连接设备服务器：%1（波特率等线路参数由设备服务器设定）").arg(link_.portName())
             : Tr("串口已打开：%1  %2,n,8,1").arg(link_.portName(), ui_.Combo2->currentText())) +
        "  " + link_.timingNote());
}

void FrmMain::applyLineTiming() {
    const int i = ui_.ComboLineTiming->currentIndex();
    link_.setLineTiming(i == 1   ? Link::LineTiming::Baud
                        : i == 2 ? Link::LineTiming::Untimed
                                 : Link::LineTiming::Auto);
    if (link_.isOpen()) statusBar()->showMessage(link_.timingNote(), kStatusTimeout);
}

void FrmMain::applyPortKind() {
    // A long target (tcp://cabinet-3.plant.example:4001) is read whole from its tool tip.
    ui_.COM_PORT->setToolTip(ui_.COM_PORT->currentText());
    const bool network = Link::IsNetworkTarget(ui_.COM_PORT->currentText());
    ui_.Combo2->setEnabled(!network && !ui_.Command33->isEnabled());
    if (network != networkTyped_ && network)
        statusBar()->showMessage(Tr("设备服务器由它自己设定线路（波特率等），波特率框不起作用"),
                                 kStatusTimeout);
    networkTyped_ = network;
}

void FrmMain::closePort() {
    connectingByUser_ = false;
    const bool waited = portWatch_.waiting();
    portWatch_.stop();
    // A script whose port is closed has nothing to run on.
    stopRunner();
    motion_->lineDown(false);
    cancelledAtClose_ = 0;
    link_.close();
    const std::size_t dropped = cancelledAtClose_;
    setPanelOpen(false);
    portWatch_.watchList(true);
    statusBar()->showMessage(waited ? Tr("不再等待串口，已关闭")
                             : dropped ? Tr("串口已关闭，%1 条排队的命令没有发送").arg(dropped)
                                       : Tr("串口已关闭"),
                             kStatusTimeout);
}

void FrmMain::applyReplyTimeout() {
    const QString text = ui_.TextReplyTimeout->text();
    const double ms = ReadInteger(ToStd(text));
    if (!(ms >= 10 && ms <= 60000)) {
        ui_.TextReplyTimeout->setText(QString::number(queue_.replyTimeout().count()));
        return refuse(Tr("应答超时“%1”超出范围（允许 10 到 60000 毫秒），仍为 %2 毫秒。")
                          .arg(text)
                          .arg(queue_.replyTimeout().count()));
    }
    queue_.setReplyTimeout(std::chrono::milliseconds(static_cast<long long>(ms)));
}

void FrmMain::applyTurnaround() {
    const QString text = ui_.TextTurnaround->text();
    const double ms = ReadInteger(ToStd(text));
    if (!(ms >= 0 && ms <= 60000)) {
        ui_.TextTurnaround->setText(QString::number(queue_.turnaround().count()));
        return refuse(Tr("广播后间隔“%1”超出范围（允许 0 到 60000 毫秒），仍为 %2 毫秒。")
                          .arg(text)
                          .arg(queue_.turnaround().count()));
    }
    queue_.setTurnaround(std::chrono::milliseconds(static_cast<long long>(ms)));
}

void FrmMain::stopRunner() {
    if (!runner_.isRunning() && !runner_.held()) return;
    ui_.Check1->setChecked(false);
    switchRunner(false);
}

void FrmMain::onTransaction(const Transaction& transaction) {
    monitor_->add(transaction);
    // A request cut off with its line is run again when the line is back, not checked.
    if (transaction.request.origin == Origin::Script && transaction.cause == Cause::None)
        runner_.checkReply(transaction.verdict == Verdict::Ok, transaction.reply,
                           transaction.framing(), transaction.request.command);
    // A scan's silent addresses are what a scan expects, not failures.
    if (IsFailure(transaction.verdict) && transaction.request.origin != Origin::Scan)
        ++failuresSinceOpen_;
    // The user's own press that gets nothing is not silent.
    const Origin origin = transaction.request.origin;
    if (IsFailure(transaction.verdict) && (origin == Origin::Panel || origin == Origin::Manual)) {
        const CommandInfo* info =
            transaction.request.command ? FindCommand(*transaction.request.command) : nullptr;
        statusBar()->showMessage(Tr("%1：%2").arg(info ? Tr(info->name) : Tr("原始字节"),
                                                  Tr(VerdictName(transaction.verdict))),
                                 kStatusTimeout);
    }
    if (transaction.roundTripMs)
        lastRoundTrip_ = Tr("往返 %1 ms").arg(*transaction.roundTripMs, 0, 'f', 1);
    // Shown a few times a second at most: the sampler closes 80 transactions a second.
    if (!linkStatsTimer_.isActive()) linkStatsTimer_.start();
}

void FrmMain::onLineDown(const TransactionQueue::LineDown& down) {
    if (down.cause != Cause::Lost) {
        cancelledAtClose_ = down.cancelled;
        return;
    }
    const QString message = Tr("串口已断开并关闭：%1").arg(down.reason);
    monitor_->addEvent(message);
    if (ui_.CheckAutoReconnect->isChecked()) {
        // The script waits where it was cut: the line whose request was lost runs again.
        runner_.hold(std::find(down.cut.begin(), down.cut.end(), Origin::Script) != down.cut.end());
        motion_->lineDown(true);
        portWatch_.waitForReturn();
        statusBar()->showMessage(Tr("等待串口重新出现…（%1）").arg(down.reason));
        return;
    }
    stopRunner();
    motion_->lineDown(false);
    setPanelOpen(false);
    portWatch_.watchList(true);
    statusBar()->showMessage(message);
    prompter_->inform(this, Tr(kSystemTitleId), message);
}

void FrmMain::onPortBack(const QString& device) {
    link_.setFraming(linkMode());
    monitor_->addEvent(Tr("串口重新打开：%1").arg(device));
    statusBar()->showMessage(Tr("串口已重新打开：%1").arg(device), kStatusTimeout);
    runner_.release();
    motion_->lineBack();
}

std::optional<std::uint8_t> FrmMain::deviceAddress() {
    const std::string address = ToStd(ui_.Text23->text());
    const auto a = ReadAddress({kAddressLabel, address});
    if (!a) {
        refuse(TrError(a.failure()));
        return std::nullopt;
    }
    return *a;
}

void FrmMain::showStatus(const QString& text) {
    statusBar()->showMessage(text, kStatusTimeout);
}

std::optional<MotionSampler::Plan> FrmMain::samplingPlan() {
    const auto a = deviceAddress();
    if (!a) return std::nullopt;
    return MotionSampler::Plan{
        .addresses = {*a},
        .framing = {.mode = linkMode(),
                    .plc = ui_.Check2->isChecked(),
                    .mappingAddress = ReadNumber(ToStd(ui_.Text34->text()))}};
}

std::pair<MotionParameters, QString> FrmMain::planParameters() const {
    // What the drive said when asked, or else what the panel would set.
    const auto number = [this](QLineEdit* field, bool* ok) {
        const QString text = field->text().trimmed();
        *ok = *ok && !text.isEmpty();
        return ReadNumber(ToStd(text));
    };
    bool read = true;
    const MotionParameters drive{number(ui_.Text27, &read), number(ui_.Text26, &read),
                                 number(ui_.Text25, &read), number(ui_.Text24, &read),
                                 number(ui_.Text6, &read)};
    if (read) return {drive, Tr("驱动器读回值")};
    bool typed = true;
    return {{number(ui_.Text12, &typed), number(ui_.Text13, &typed), number(ui_.Text14, &typed),
             number(ui_.Text15, &typed), number(ui_.Text16, &typed)},
            Tr("面板设置值")};
}

void FrmMain::scanBus() {
    if (runner_.isRunning())
        return refuse(Tr("脚本正在运行，扫描会打乱它的命令；请先停止“按行循环执行命令”。"));
    if (!link_.isOpen()) return refuse(Tr("请先打开串口，再扫描总线。"));
    QList<qint32> bauds;
    for (int i = 0; i < ui_.Combo2->count() && !link_.isNetwork(); ++i)
        bauds << ui_.Combo2->itemText(i).toInt();
    auto* dialog =
        new ScanDialog(busScan_, bauds, linkMode(), queue_.replyTimeout(), prompter_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ScanDialog::chosen, this, [this](std::uint8_t address, qint32 baud) {
        ui_.Text23->setText(QString::number(address, 16).toUpper());
        if (!baud) {
            statusBar()->showMessage(Tr("已取用地址 %1").arg(ui_.Text23->text()), kStatusTimeout);
            return;
        }
        ui_.Combo2->setEditText(QString::number(baud));
        if (const int i = ui_.Combo2->findText(QString::number(baud)); i >= 0)
            ui_.Combo2->setCurrentIndex(i);
        // The open line goes over to the device's rate at once: a request at the old one would
        // go unheard.
        const bool switched = link_.isOpen() && link_.setBaudRate(baud);
        if (switched) portWatch_.remember(link_.portName(), QString::number(baud));
        statusBar()->showMessage(
            (switched ? Tr("已取用地址 %1、波特率 %2，串口已改用该波特率")
                      : Tr("已取用地址 %1、波特率 %2（波特率在重新打开串口后生效）"))
                .arg(ui_.Text23->text())
                .arg(baud),
            kStatusTimeout);
    });
    dialog->open();
}

void FrmMain::setPanelOpen(bool open) {
    ui_.COM_PORT->setEnabled(!open);
    ui_.Command32->setEnabled(!open);
    ui_.Command33->setEnabled(open);
    applyPortKind();
}

// --- Link mode and PLC controls ------------------------------------------------------------------

void FrmMain::applyLinkMode() {
    // The IO-override entry always travels in RTU framing, so its buttons need RTU mode.
    const bool rtu = linkMode() == LinkMode::Rtu;
    link_.setFraming(linkMode());
    ui_.Command81->setEnabled(rtu);
    ui_.Command88->setEnabled(rtu);
}

void FrmMain::applyPlcControls() {
    const bool on = ui_.Check2->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(ui_.Command3), static_cast<QWidget*>(ui_.Option3),
                       static_cast<QWidget*>(ui_.Option4), static_cast<QWidget*>(ui_.Text34)})
        w->setEnabled(on);
}

// --- Senders -------------------------------------------------------------------------------------

void FrmMain::refuse(const QString& message) {
    statusBar()->showMessage(message, kStatusTimeout);
    prompter_->inform(this, Tr(kSystemTitleId), message);
}

void FrmMain::refuseSender(const QString& message) {
    // An armed capture must not swallow the user's next click (a stop) after a refusal.
    armAddToScript(false);
    armIoOverride(false);
    refuse(message);
}

bool FrmMain::dispatchRequest(const Result<Bytes>& request, const SenderOptions& options) {
    if (!request) {
        refuseSender(TrError(request.failure()));
        return false;
    }
    if (options.mapping)
        (*options.mapping == PlcForm::Read ? ui_.Option3 : ui_.Option4)->setChecked(true);
    const Bytes frame = EncodeFrame(*request, options.alwaysRtu ? LinkMode::Rtu : linkMode());
    if (options.honoursIoOverride && ioOverridePending_) {
        armIoOverride(false);
        // Command, length and data: the entry "下载" sends in RTU framing whatever the link
        // mode, so it is taken from the request rather than from the framed line.
        ui_.Text31->setText(FromStd(HexFrameText(ByteView(*request).subspan(1))));
        return false;
    }
    if (options.honoursAddToScript && addToScriptPending_) {
        armAddToScript(false);
        appendScriptLine(FromStd(HexFrameText(frame)));
    }
    return SendComm(frame);
}

QString FrmMain::textOf(std::string_view name) const {
    if (name.empty()) return {};
    QWidget* w = byName_.value(QString::fromLatin1(name.data(), qsizetype(name.size())));
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    return {};
}

void FrmMain::runSender(const SenderRow& row) {
    if (row.hook == Hook::MappingAddress) {
        // The command itself goes out in the device's own protocol.
        ui_.Check2->setChecked(false);
        const double v = ReadInteger(ToStd(ui_.Text34->text()));
        if (!(v >= 0 && v <= kMaxMappingAddress)) {
            armAddToScript(false);
            armIoOverride(false);
            return prompter_->inform(this, Tr(kSystemTitleId),
                                     Tr("偏移地址超出范围,请设置0-65500之间"));
        }
    }
    if (row.hook == Hook::CanData && ui_.Text33->text().isEmpty())
        return ui_.Option4->setChecked(true);
    if (row.hook == Hook::IoDownload || row.hook == Hook::IoRead) {
        // The entry goes to the device in its own protocol, never wrapped for a PLC.
        ui_.Check2->setChecked(false);
        if (row.hook == Hook::IoDownload && ui_.Text31->text().isEmpty()) return;
    }

    const std::string fieldText = ToStd(textOf(row.field));
    const std::string countText = ToStd(textOf(row.countField));
    const std::string valueText = ToStd(ui_.Text40->text());
    const Field value{kValueFieldLabel, valueText};
    std::vector<DataPart> parts = DataPartsOf(row, fieldText, countText);

    // The toggles are worked out here but kept only once the request could be built.
    const bool silence = CaptionId(ui_.Command111) == ZH("通讯不返回");
    const bool lastCharacter = !lastCharacter_;
    bool k1 = relayK1_, k2 = relayK2_;
    switch (row.hook) {
    case Hook::ReplyOption:
        parts = {DataPart::Fixed({std::uint8_t(silence ? 0x80 : 0x00)}), DataPart::Byte(value)};
        break;
    case Hook::LastCharacter:
        parts = {DataPart::Fixed({std::uint8_t(lastCharacter)}), DataPart::Byte(value)};
        break;
    case Hook::PowerLoss: {
        const auto bytes = PowerLossBytes(ToStd(ItemId(ui_.Combo1)));
        parts = {DataPart::Fixed(Bytes(bytes.begin(), bytes.end()))};
        break;
    }
    case Hook::RelayK1:
    case Hook::RelayK2: {
        bool& toggled = row.hook == Hook::RelayK1 ? k1 : k2;
        toggled = !toggled;
        parts = {DataPart::Fixed({std::uint8_t(k1), std::uint8_t(k2)})};
        break;
    }
    case Hook::CanData:
        parts = {DataPart::HexBytes({row.label, fieldText}, 5)};
        break;
    case Hook::IoDownload:
    case Hook::IoRead:
        parts = {DataPart::Fixed({InputPattern(ToStd(ui_.Combo8->currentText()))})};
        if (row.hook == Hook::IoDownload)
            parts.push_back(DataPart::HexBytes({row.label, fieldText}, 254));
        break;
    default:
        break;
    }

    const std::string address = ToStd(ui_.Text23->text());
    const auto request = row.hook == Hook::BroadcastAddress
                             ? BuildRequest(0, row.code, parts)
                             : BuildRequest(Field{kAddressLabel, address}, row.code, parts);
    if (!request) return refuseSender(TrError(request.failure()));

    // In the PLC protocol a request that carries data must be a register write, or its data
    // would be lost; requests without data keep the form their row names. The rows that go out
    // in the device's own protocol leave the choice alone.
    const bool ownProtocol = OwnProtocolOnly(row.code);
    const Mapping form = request->size() > 3 && !ownProtocol ? Mapping::Write : row.mapping;
    const std::optional<PlcForm> mapping = form == Mapping::Read    ? std::optional(PlcForm::Read)
                                           : form == Mapping::Write ? std::optional(PlcForm::Write)
                                                                    : std::nullopt;
    const bool sent = dispatchRequest(
        *request, {.honoursAddToScript = row.honoursAdd,
                   .honoursIoOverride = row.honoursIo,
                   .mapping = mapping,
                   .alwaysRtu = row.hook == Hook::CanData || row.hook == Hook::IoDownload});
    // A toggle follows the device: it changes only when its request went out.
    if (!sent) return;
    switch (row.hook) {
    case Hook::ReplyOption:
        SetCaption(ui_.Command111, silence ? ZH("通讯有返回") : ZH("通讯不返回"));
        break;
    case Hook::LastCharacter:
        lastCharacter_ = lastCharacter;
        ui_.Command78->setText(lastCharacter ? "NoLast" : "LastChr");
        break;
    case Hook::RelayK1:
    case Hook::RelayK2: {
        relayK1_ = k1;
        relayK2_ = k2;
        // The K2 button writes the short K1 captions, as the device's tools always did.
        if (row.hook == Hook::RelayK1)
            SetCaption(ui_.Command109, k1 ? ZH("(刹车)K1关") : ZH("(刹车)K1开"));
        else
            SetCaption(ui_.Command109, k1 ? ZH("K1关") : ZH("K1开"));
        SetCaption(ui_.Command110, k2 ? ZH("K2关") : ZH("K2开"));
        break;
    }
    default:
        break;
    }
}

// --- Script
// ----------------------------------------------------------------------------------------

void FrmMain::appendScriptLine(const QString& line) {
    ui_.List1->addItem(line);
}

std::vector<std::string> FrmMain::scriptLines() const {
    std::vector<std::string> lines;
    lines.reserve(std::size_t(ui_.List1->count()));
    for (int i = 0; i < ui_.List1->count(); ++i)
        lines.push_back(ToStd(ui_.List1->item(i)->text()));
    return lines;
}

void FrmMain::highlightScriptLine(int index) {
    if (QListWidgetItem* old = ui_.List1->item(highlightedLine_)) old->setBackground({});
    highlightedLine_ = index;
    if (QListWidgetItem* item = ui_.List1->item(index)) {
        item->setBackground(palette().color(QPalette::Highlight).lighter(170));
        ui_.List1->scrollToItem(item);
    }
}

void FrmMain::reportScriptProblem(int line, StepProblem problem) {
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
    statusBar()->showMessage(Tr("脚本第 %1 行：%2").arg(line + 1).arg(why), kStatusTimeout);
}

void FrmMain::switchRunner(bool on) {
    if (!on) {
        runner_.stop();
        highlightScriptLine(-1);
        ui_.Text22->setEnabled(true);
        return;
    }
    const double interval = ReadInteger(ToStd(ui_.Text22->text()));
    if (!(interval >= 0 && interval <= 65535)) {
        ui_.Check1->setChecked(false);
        return refuse(Tr("循环间隔“%1”超出范围（允许 0 到 65535 毫秒），脚本未运行。")
                          .arg(ui_.Text22->text()));
    }
    ui_.Text22->setEnabled(false);
    runner_.start(int(interval));
}

void FrmMain::clampDelayField() {
    const double v = ReadNumber(ToStd(ui_.Text20->text()));
    if (v > 60000)
        ui_.Text20->setText("60000");
    else if (v < 50)
        ui_.Text20->setText("50");
}

void FrmMain::removeSelectedLine() {
    for (int i = 0; i < ui_.List1->count(); ++i)
        if (ui_.List1->item(i)->isSelected()) {
            delete ui_.List1->takeItem(i);
            return;
        }
}

void FrmMain::openScript() {
    const QString path = prompter_->openPath(
        this, Tr("打开文件"), Tr("txt文件(*.txt);;所有文件(*.*)"), kept_.scriptFolder);
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path))
        return prompter_->inform(this, Tr(kSystemTitleId), Tr("文件名无效,请重新打开!"));
    loadScript(path);
}

void FrmMain::loadScript(const QString& path) {
    const auto lines = LoadScriptFile(path);
    if (!lines) return refuse(TrError(lines.failure()));
    ui_.List1->clear();
    for (const std::string& line : *lines)
        ui_.List1->addItem(FromStd(line));
    kept_.scriptFolder = QFileInfo(path).absolutePath();
    kept_.usedScript(QFileInfo(path).absoluteFilePath());
    statusBar()->showMessage(Tr("已载入 %1 行：%2").arg(lines->size()).arg(path), kStatusTimeout);
}

void FrmMain::showRecentScripts() {
    QMenu* menu = ui_.MenuRecentScripts;
    menu->clear();
    for (const QString& path : kept_.recentScripts) {
        QAction* action = menu->addAction(path);
        // A file that is gone stays in the list, greyed, until it is back or pushed out.
        action->setEnabled(QFileInfo(path).isFile());
        connect(action, &QAction::triggered, this, [this, path] {
            if (QFileInfo(path).isFile()) return loadScript(path);
            kept_.recentScripts.removeAll(path);
            refuse(Tr("文件 %1 已不存在，已从“最近打开”中去掉").arg(path));
        });
    }
    if (kept_.recentScripts.isEmpty())
        menu->addAction(Tr("（没有最近打开的文件）"))->setEnabled(false);
}

void FrmMain::saveScript() {
    const QString path = prompter_->savePath(
        this, Tr("保存文件"), Tr("TXT文件(*.TXT);;所有文件(*.*)"), kept_.scriptFolder);
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !prompter_->ask(this, Tr("文件保存"), Tr("是否覆盖文件？")))
        return;
    const bool existed = QFileInfo::exists(path);
    const std::vector<std::string> lines = scriptLines();
    const QString error = SaveScriptFile(path, lines);
    if (!error.isEmpty()) return refuse(error);
    const bool empty = std::all_of(lines.begin(), lines.end(), [](auto& l) { return l.empty(); });
    kept_.scriptFolder = QFileInfo(path).absolutePath();
    if (!empty) kept_.usedScript(QFileInfo(path).absoluteFilePath());
    if (!empty)
        statusBar()->showMessage(Tr("已保存：%1").arg(path), kStatusTimeout);
    else
        statusBar()->showMessage(existed ? Tr("列表为空，没有写入文件；原文件已删除：%1").arg(path)
                                         : Tr("列表为空，没有保存文件"),
                                 kStatusTimeout);
}

// --- Manual tools --------------------------------------------------------------------------------

void FrmMain::sendTypedHex(Typed kind) {
    // Typed bytes go out exactly as framed here, never wrapped for the PLC protocol.
    ui_.Check2->setChecked(false);
    const Bytes bytes = ParseHexText(ToStd(ui_.Text1->text()));
    if (bytes.empty()) return;
    const Bytes frame = kind == Typed::Raw   ? bytes
                        : kind == Typed::Rtu ? EncodeRtuFrame(bytes)
                                             : EncodeAsciiFrame(bytes);
    if (addToScriptPending_) {
        armAddToScript(false);
        appendScriptLine(FromStd(HexFrameText(frame)));
    }
    SendComm(frame, Origin::Manual, kind == Typed::Raw);
}

void FrmMain::sendTypedString() {
    ui_.Check2->setChecked(false);
    const QString text = ui_.Text5->text();
    if (text.isEmpty()) return;
    const Bytes bytes = ToCodePage(ToStd(text));
    if (addToScriptPending_) {
        armAddToScript(false);
        // As the bytes that went: the script sends only hex text again, byte for byte.
        appendScriptLine(FromStd(HexFrameText(bytes)));
    }
    SendComm(bytes, Origin::Manual, true);
}

void FrmMain::showCrc() {
    const Bytes bytes = ParseHexText(ToStd(ui_.Text1->text()));
    if (bytes.empty()) {
        ui_.Text2->clear();
        ui_.Text3->clear();
        statusBar()->showMessage(Tr("“16进制：”框中没有可计算的字节"), kStatusTimeout);
        return;
    }
    const Crc16Value crc = Crc16(bytes);
    ui_.Text2->setText(FromStd(HexByte(crc.lo)));
    ui_.Text3->setText(FromStd(HexByte(crc.hi)));
}

// --- Transmit and receive paths ------------------------------------------------------------------

bool FrmMain::SendComm(const Bytes& frame, Origin origin, bool raw) {
    const auto notSent = [this](const QString& why) {
        statusBar()->showMessage(why, kStatusTimeout);
        link_.restartPoll(Link::kFirstPollAfterSend);
        return false;
    };
    if (!link_.isOpen()) return notSent(Tr("串口未打开，没有发送"));
    Bytes out = frame;
    if (ui_.Check2->isChecked()) {
        const PlcForm form = ui_.Option3->isChecked() ? PlcForm::Read : PlcForm::Write;
        auto wrapped = WrapForPlc(frame, form, ReadNumber(ToStd(ui_.Text34->text())));
        if (!wrapped) return notSent(TrError(wrapped.failure()));
        out = std::move(wrapped.value());
    }
    const auto code = CommandCodeOfFrame(frame);
    QString error;
    if (!queue_.submit(
            {.frame = out, .command = raw ? std::nullopt : code, .origin = origin, .raw = raw},
            &error))
        return notSent(error);
    // The user's stop is the last word: the script's next line must not start the motor again.
    // (A stop that is itself a script line leaves its script running.)
    const bool stop = !raw && code && IsStopCommand(*code);
    if (stop && origin != Origin::Script && (runner_.isRunning() || runner_.held())) {
        stopRunner();
        statusBar()->showMessage(Tr("已发送停止命令，脚本已停止"), kStatusTimeout);
    }

    QStringList entry{"SndAsc:" + FromStd(VisibleText(out)),
                      "SndHex:" + FromStd(HexFrameText(out))};
    if (ui_.Check2->isChecked()) entry << Tr("西门子标准格式:");
    if (code) {
        const CommandInfo* info = FindCommand(*code);
        if (info && !info->sendLine.empty()) entry << Tr(info->sendLine);
    }
    sendLog_->addEntry(entry, qsizetype(out.size()));
    link_.restartPoll(Link::kFirstPollAfterSend);
    return true;
}

void FrmMain::CommRec(const Piece& piece, bool toLog, PieceRole role,
                      std::optional<std::uint8_t> command) {
    const DecodedReply reply = DecodePieceOf(piece, command);
    if (toLog) {
        QStringList entry{FromStd(reply.textLine), FromStd(reply.hexLine)};
        if (const auto& r = reply.report) {
            QString line =
                Tr(r->text) + FromStd(r->data) + (r->note.empty() ? "" : " " + Tr(r->note));
            if (role == PieceRole::Late) line += " (" + Tr("迟到应答") + ")";
            entry << line;
        }
        if (role == PieceRole::Echo) entry << Tr("回显:发出的命令被转换器送回");
        receiveLog_->addEntry(entry, qsizetype(piece.bytes.size()));
    }
    // Only a checked frame that answers its request sets fields and lamps.
    if (role != PieceRole::Reply || piece.kind != PieceKind::Frame) return;
    for (const FieldUpdate& f : reply.fields) {
        QWidget* w = byName_.value(QString::fromLatin1(f.field.data(), qsizetype(f.field.size())));
        // Only a changed value is set: replies repeat the same values many times a second.
        const QString text = FromStd(f.text);
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->text() != text)
            edit->setText(text);
        // A label shows a word ("停止"), in the language chosen.
        if (auto* label = qobject_cast<QLabel*>(w); label && label->text() != Tr(f.text))
            label->setText(Tr(f.text));
    }
    for (const LampUpdate& l : reply.lamps) {
        QWidget* w = byName_.value(QString::fromLatin1(l.lamp.data(), qsizetype(l.lamp.size())));
        if (auto* lamp = qobject_cast<Lamp*>(w))
            lamp->setFillColor(l.red ? Lamp::red() : Lamp::dark());
    }
}

} // namespace stepbench
