#include "ui/frm_main.h"

#include "codec/codepage.h"
#include "codec/hextext.h"
#include "codec/number.h"
#include "commands/protocol.h"
#include "commands/request.h"
#include "link/reply_decoder.h"
#include "ui/lamp.h"
#include "ui/monitor_view.h"
#include "ui/motion_view.h"
#include "ui/profile_view.h"
#include "ui/protocol_help.h"
#include "ui/record_dialog.h"
#include "ui/scan_dialog.h"
#include "ui/translation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <set>

namespace stepbench {
namespace {

constexpr auto kStatusTimeout = 8000;
const char* const kSystemTitleId = ZH("系统提示");
constexpr std::string_view kAddressLabel = ZH("设备操作地址(Hex)");
constexpr std::chrono::milliseconds kLinkStatsRefresh{200};

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
      prompter_(prompter ? prompter : ownPrompter_.get()), bench_(this),
      busScan_(bench_.link(), bench_.queue(), this), sampler_(bench_.queue(), this),
      profiles_(bench_.queue(), this), monitor_(new MonitorView(bench_, prompter_)),
      linkStats_(new QLabel) {
    ui_.setupUi(this);
    receiveLog_ = std::make_unique<LogPane>(ui_.RichTextBox1, ui_.Label45);
    sendLog_ = std::make_unique<LogPane>(ui_.RichTextBox2, ui_.Label44);
    ui_.SSTab1->insertTab(0, AboutPage(), QString());
    SetTabCaption(ui_.SSTab1, 0, ZH("关于"));
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) byName_.insert(w->objectName(), w);
    script_ =
        new ScriptPanel(ui_, bench_, this, prompter_, kept_, [this](const Bytes& frame, QString*) {
            return SendComm(frame, Origin::Script);
        });
    senders_ = new PanelSenders(
        ui_, byName_, this, prompter_,
        [this](const Bytes& frame, Origin origin, bool raw) {
            return SendComm(frame, origin, raw) != 0;
        },
        [this](const QString& line) { script_->appendLine(line); });
    profiles_.setKnown([this](std::uint8_t address) { return bench_.drives().values(address); });
    motion_ = new MotionView(
        sampler_, bench_, [this] { return samplingPlan(); }, prompter_);
    // "读取参数": a drive's speed settings asked of it, the replies filling the query fields.
    connect(motion_, &MotionView::parametersWanted, this, [this](std::uint8_t address) {
        for (const std::string& name : DriveStates::MotionSettingNames())
            if (const ProfileSetting* s = FindProfileSetting(name))
                SendComm(EncodeFrame(ReadRequest(*s, address), linkMode()));
    });
    auto* profile = profile_ = new ProfileView(
        profiles_,
        [this]() -> std::optional<ProfileView::Target> {
            if (!link().isOpen()) {
                refuse(Tr("请先打开串口。"));
                return std::nullopt;
            }
            const auto address = deviceAddress();
            if (!address) return std::nullopt;
            return ProfileView::Target{*address, linkMode(), link().baudRate()};
        },
        [this](std::uint8_t address) { return bench_.drives().values(address); }, prompter_);
    connect(&bench_, &Bench::driveSaid, profile, &ProfileView::driveSaid);
    ui_.SSTab1->insertTab(2, motion_, QString());
    ui_.SSTab1->insertTab(3, profile, QString());
    ui_.SSTab1->insertTab(4, monitor_, QString());
    SetTabCaption(ui_.SSTab1, 2, ZH("运动曲线"));
    SetTabCaption(ui_.SSTab1, 3, ZH("驱动器配置"));
    SetTabCaption(ui_.SSTab1, 4, ZH("通讯监视"));
    connect(motion_, &MotionView::message, this, &FrmMain::showStatus);
    connect(profile, &ProfileView::message, this, &FrmMain::showStatus);
    connect(monitor_, &MonitorView::recordWanted, this, &FrmMain::showRecordDialog);
    ui_.SSTab1->setCurrentIndex(1);
    linkStats_->setObjectName("LabelLinkStats");
    statusBar()->addPermanentWidget(linkStats_);
    linkStatsTimer_.setSingleShot(true);
    linkStatsTimer_.setInterval(kLinkStatsRefresh);
    connect(&linkStatsTimer_, &QTimer::timeout, this, &FrmMain::showLinkStats);
    ui_.RichTextBox3->setHtml(ProtocolHelpHtml());
    resize(workingTabWants());
    wire();
    portWatch().watchList(true);
}

void FrmMain::wire() {
    Link& link = bench_.link();
    TransactionQueue& queue = bench_.queue();
    // The motion sampler's replies update fields and lamps but stay out of the receive log.
    connect(&queue, &TransactionQueue::pieceReceived, this,
            [this](const Piece& piece, std::optional<Origin> origin, PieceRole role,
                   std::optional<std::uint8_t> command) {
                CommRec(piece, origin != Origin::Sampler, role, command);
            });
    connect(&queue, &TransactionQueue::closed, this, &FrmMain::onTransaction);
    connect(&queue, &TransactionQueue::lineDown, this, &FrmMain::onLineDown);
    connect(&link, &Link::echoMissing, this, [this] {
        // Once per opening: it says the setting does not fit the adapter.
        if (std::exchange(echoMissingShown_, true)) return;
        statusBar()->showMessage(
            Tr("已开“回显抑制”，但收到的字节不是刚发出的命令：这个转换器可能不回显"),
            kStatusTimeout);
    });
    connect(ui_.CheckEchoSuppression, &QCheckBox::toggled, &link, &Link::setEchoSuppression);
    connect(ui_.ComboLineTiming, &QComboBox::currentIndexChanged, this, &FrmMain::applyLineTiming);
    connect(ui_.TextTurnaround, &QLineEdit::editingFinished, this, &FrmMain::applyTurnaround);
    connect(&portWatch(), &PortWatch::reopened, this, &FrmMain::onPortBack);
    // A connection the user asked for; the port watch makes its own when it reconnects.
    connect(&bench_, &Bench::opened, this, [this] {
        if (std::exchange(connectingByUser_, false)) portOpened();
    });
    connect(&bench_, &Bench::openFailed, this, [this](const QString& error) {
        if (std::exchange(connectingByUser_, false)) failToOpen(error);
    });
    connect(ui_.COM_PORT, &QComboBox::editTextChanged, this, &FrmMain::applyPortKind);
    connect(ui_.Combo10, &QComboBox::currentIndexChanged, this, [this](int index) {
        SetLanguage(ui_.Combo10->itemText(index) == "English" ? Language::English
                                                              : Language::Chinese);
    });
    connect(&portWatch(), &PortWatch::listChanged, this, &FrmMain::showPortList);
    connect(ui_.CommandScanBus, &QPushButton::clicked, this, &FrmMain::scanBus);
    connect(monitor_, &MonitorView::message, this, &FrmMain::showStatus);
    // The traffic log's file and size, while one is kept.
    auto* logStatus = new QLabel;
    logStatus->setObjectName("LabelLogStatus");
    statusBar()->addPermanentWidget(logStatus);
    connect(monitor_, &MonitorView::logChanged, logStatus, &QLabel::setText);
    connect(monitor_, &MonitorView::statsReset, &linkStatsTimer_, qOverload<>(&QTimer::start));
    connect(ui_.TextReplyTimeout, &QLineEdit::editingFinished, this, &FrmMain::applyReplyTimeout);
    connect(ui_.Command32, &QPushButton::clicked, this, &FrmMain::openPort);
    connect(ui_.Command33, &QPushButton::clicked, this, &FrmMain::closePort);
    connect(ui_.Combo7, &QComboBox::currentTextChanged, this, &FrmMain::applyLinkMode);
    connect(ui_.Check2, &QCheckBox::toggled, this, &FrmMain::applyPlcControls);
    // With "自动重连" a script waits for its port to come back.
    connect(ui_.CheckAutoReconnect, &QCheckBox::toggled, &script_->job(), &Job::setWaitsForPort);
    connect(senders_, &PanelSenders::status, this, &FrmMain::showStatus);
    connect(senders_, &PanelSenders::refused, this, &FrmMain::refuse);
    connect(script_, &ScriptPanel::status, this, &FrmMain::showStatus);
    connect(script_, &ScriptPanel::refused, this, &FrmMain::refuse);
    connect(ui_.Command36, &QPushButton::clicked, this, [this] { receiveLog_->clear(); });
    connect(ui_.Command6, &QPushButton::clicked, this, [this] { sendLog_->clear(); });
}

void FrmMain::useSettings(std::unique_ptr<QSettings> settings) {
    settings_ = std::move(settings);
    RestoreSetUp(*settings_, *this, *ui_.SSTab1, byName_, kept_);
    applyReplyTimeout();
    applyTurnaround();
    applyLineTiming();
    link().setEchoSuppression(ui_.CheckEchoSuppression->isChecked());
    script_->job().setWaitsForPort(ui_.CheckAutoReconnect->isChecked());
}

void FrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    Retranslate(this);
    // A message of the other language would stay until the next one.
    statusBar()->clearMessage();
    ui_.RichTextBox3->setHtml(ProtocolHelpHtml());
    findChild<QLabel*>("AboutText")->setText(AboutHtml());
    senders_->showCaptureState();
    // Captions in another language take another width: grow to show them, never shrink what
    // the user has chosen.
    QTimer::singleShot(0, this, [this] {
        if (!isMaximized() && !isFullScreen()) resize(size().expandedTo(workingTabWants()));
    });
}

void FrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The whole window on the screen, its status bar too.
    FitOnScreen(*this);
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

void FrmMain::openPort() {
    QString error;
    if (!bench_.open(ui_.COM_PORT->currentText(), ui_.Combo2->currentText(), &error))
        return failToOpen(error);
    setPanelOpen(true);
    if (link().connecting()) {
        // "关闭" gives the attempt up.
        connectingByUser_ = true;
        statusBar()->showMessage(Tr("正在连接设备服务器 %1 …").arg(link().portName()));
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
    portWatch().watchList(false);
    portWatch().remember(link().portName(), ui_.Combo2->currentText());
    link().setFraming(linkMode());
    echoMissingShown_ = false;
    linkStats_->clear();
    statusBar()->showMessage(
        (link().isNetwork()
             ? Tr("已连接设备服务器：%1（波特率等线路参数由设备服务器设定）").arg(link().portName())
             : Tr("串口已打开：%1  %2,n,8,1").arg(link().portName(), ui_.Combo2->currentText())) +
        "  " + link().timingNote());
}

void FrmMain::applyLineTiming() {
    const int i = ui_.ComboLineTiming->currentIndex();
    link().setLineTiming(i == 1   ? Link::LineTiming::Baud
                         : i == 2 ? Link::LineTiming::Untimed
                                  : Link::LineTiming::Auto);
    if (link().isOpen()) statusBar()->showMessage(link().timingNote(), kStatusTimeout);
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
    const bool waited = portWatch().waiting();
    portWatch().stop();
    // A script whose port is closed has nothing to run on.
    script_->stop();
    motion_->lineDown(false);
    cancelledAtClose_ = 0;
    link().close();
    const std::size_t dropped = cancelledAtClose_;
    setPanelOpen(false);
    portWatch().watchList(true);
    statusBar()->showMessage(waited ? Tr("不再等待串口，已关闭")
                             : dropped ? Tr("串口已关闭，%1 条排队的命令没有发送").arg(dropped)
                                       : Tr("串口已关闭"),
                             kStatusTimeout);
}

void FrmMain::applyReplyTimeout() {
    const QString text = ui_.TextReplyTimeout->text();
    const double ms = ReadInteger(ToStd(text));
    if (!(ms >= 10 && ms <= 60000)) {
        ui_.TextReplyTimeout->setText(QString::number(queue().replyTimeout().count()));
        return refuse(Tr("应答超时“%1”超出范围（允许 10 到 60000 毫秒），仍为 %2 毫秒。")
                          .arg(text)
                          .arg(queue().replyTimeout().count()));
    }
    queue().setReplyTimeout(std::chrono::milliseconds(static_cast<long long>(ms)));
}

void FrmMain::applyTurnaround() {
    const QString text = ui_.TextTurnaround->text();
    const double ms = ReadInteger(ToStd(text));
    if (!(ms >= 0 && ms <= 60000)) {
        ui_.TextTurnaround->setText(QString::number(queue().turnaround().count()));
        return refuse(Tr("广播后间隔“%1”超出范围（允许 0 到 60000 毫秒），仍为 %2 毫秒。")
                          .arg(text)
                          .arg(queue().turnaround().count()));
    }
    queue().setTurnaround(std::chrono::milliseconds(static_cast<long long>(ms)));
}

void FrmMain::onTransaction(const Transaction& transaction) {
    // The user's own press that gets nothing is not silent.
    const Origin origin = transaction.request.origin;
    if (IsFailure(transaction.verdict) && (origin == Origin::Panel || origin == Origin::Manual)) {
        const CommandInfo* info =
            transaction.request.command ? FindCommand(*transaction.request.command) : nullptr;
        statusBar()->showMessage(Tr("%1：%2").arg(info ? Tr(info->name) : Tr("原始字节"),
                                                  Tr(VerdictName(transaction.verdict))),
                                 kStatusTimeout);
    }
    // Shown a few times a second at most: the sampler closes 80 transactions a second.
    if (!linkStatsTimer_.isActive()) linkStatsTimer_.start();
}

void FrmMain::showLinkStats() {
    const auto roundTrip = bench_.lastRoundTripMs();
    linkStats_->setText(
        Tr("%1   失败 %2")
            .arg(roundTrip ? Tr("往返 %1 ms").arg(*roundTrip, 0, 'f', 1) : QString())
            .arg(bench_.failuresSinceOpen()));
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
        script_->hold(std::find(down.cut.begin(), down.cut.end(), Origin::Script) !=
                      down.cut.end());
        motion_->lineDown(true);
        portWatch().waitForReturn();
        statusBar()->showMessage(Tr("等待串口重新出现…（%1）").arg(down.reason));
        return;
    }
    script_->stop();
    motion_->lineDown(false);
    setPanelOpen(false);
    portWatch().watchList(true);
    statusBar()->showMessage(message);
    prompter_->inform(this, Tr(kSystemTitleId), message);
}

void FrmMain::onPortBack(const QString& device) {
    link().setFraming(linkMode());
    monitor_->addEvent(Tr("串口重新打开：%1").arg(device));
    statusBar()->showMessage(Tr("串口已重新打开：%1").arg(device), kStatusTimeout);
    script_->release();
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

void FrmMain::scanBus() {
    if (script_->running())
        return refuse(Tr("脚本正在运行，扫描会打乱它的命令；请先停止“按行循环执行命令”。"));
    if (!link().isOpen()) return refuse(Tr("请先打开串口，再扫描总线。"));
    QList<qint32> bauds;
    for (int i = 0; i < ui_.Combo2->count() && !link().isNetwork(); ++i)
        bauds << ui_.Combo2->itemText(i).toInt();
    auto* dialog =
        new ScanDialog(busScan_, bauds, linkMode(), queue().replyTimeout(), prompter_, this);
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
        const bool switched = link().isOpen() && link().setBaudRate(baud);
        if (switched) portWatch().remember(link().portName(), QString::number(baud));
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
    link().setFraming(linkMode());
    ui_.Command81->setEnabled(rtu);
    ui_.Command88->setEnabled(rtu);
}

void FrmMain::applyPlcControls() {
    const bool on = ui_.Check2->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(ui_.Command3), static_cast<QWidget*>(ui_.Option3),
                       static_cast<QWidget*>(ui_.Option4), static_cast<QWidget*>(ui_.Text34)})
        w->setEnabled(on);
}

void FrmMain::refuse(const QString& message) {
    statusBar()->showMessage(message, kStatusTimeout);
    prompter_->inform(this, Tr(kSystemTitleId), message);
}

// --- Transmit and receive paths ------------------------------------------------------------------

quint64 FrmMain::SendComm(const Bytes& frame, Origin origin, bool raw) {
    const auto notSent = [this](const QString& why) {
        statusBar()->showMessage(why, kStatusTimeout);
        link().restartPoll(Link::kFirstPollAfterSend);
        return quint64{0};
    };
    if (!link().isOpen()) return notSent(Tr("串口未打开，没有发送"));
    Bytes out = frame;
    if (ui_.Check2->isChecked()) {
        const PlcForm form = ui_.Option3->isChecked() ? PlcForm::Read : PlcForm::Write;
        auto wrapped = WrapForPlc(frame, form, ReadNumber(ToStd(ui_.Text34->text())));
        if (!wrapped) return notSent(TrError(wrapped.failure()));
        out = std::move(wrapped.value());
    }
    const auto code = CommandCodeOfFrame(frame);
    // A move to a sampled drive starts where the drive is: asked first when that is not fresh.
    if (!raw) motion_->askWhereBefore(frame);
    QString error;
    const quint64 id = queue().submit(
        {.frame = out, .command = raw ? std::nullopt : code, .origin = origin, .raw = raw}, &error);
    if (!id) return notSent(error);
    // The user's stop is the last word: the script's next line must not start the motor again.
    // (A stop that is itself a script line leaves its script running.)
    const bool stop = !raw && code && IsStopCommand(*code);
    if (stop && origin != Origin::Script && script_->running()) {
        script_->stop();
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
    link().restartPoll(Link::kFirstPollAfterSend);
    return id;
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
        // A label shows a word ("停止"), in the language chosen, then and after a change.
        if (auto* label = qobject_cast<QLabel*>(w); label && label->text() != Tr(f.text))
            SetCaption(label, std::string(f.text).c_str());
    }
    for (const LampUpdate& l : reply.lamps) {
        QWidget* w = byName_.value(QString::fromLatin1(l.lamp.data(), qsizetype(l.lamp.size())));
        if (auto* lamp = qobject_cast<Lamp*>(w))
            lamp->setFillColor(l.red ? Lamp::red() : Lamp::dark());
    }
}

CommissioningRecord FrmMain::recordSoFar() {
    CommissioningRecord r;
    auto& h = r.header;
    h.madeAt = QDateTime::currentDateTime();
    h.program = QString("stepbench %1").arg(QCoreApplication::applicationVersion()).trimmed();
    h.port = link().isOpen() ? link().portName() : QString();
    h.baud = link().isOpen() && !link().isNetwork() ? link().baudRate() : 0;
    h.framing = linkMode();
    h.plc = ui_.Check2->isChecked();
    h.mapping = int(ReadNumber(ToStd(ui_.Text34->text())));
    h.logFile = bench_.log().isOpen() ? bench_.log().path() : QString();
    r.traffic = TrafficOf(bench_.stats());
    const std::set<std::uint8_t> seen = [&] {
        std::set<std::uint8_t> a;
        for (const auto& t : r.traffic)
            a.insert(t.address);
        return a;
    }();
    for (std::uint8_t a : seen) {
        const ProfileView::Compared* compared = profile_->comparedWith(a);
        r.profiles[a] = ProfileOf(bench_.drives(), a, compared ? &compared->file : nullptr,
                                  compared ? compared->path : QString());
    }
    for (const PlannedMove* m : motion_->latestMoves(std::numeric_limits<int>::max()))
        r.moves.insert(r.moves.begin(), MoveOf(*m, motion_->record().samples()));
    for (const auto& [line, check] : script_->job().checks())
        r.checks.push_back(check);
    return r;
}

void FrmMain::showRecordDialog() {
    auto* dialog = findChild<RecordDialog*>("RecordDialog");
    if (!dialog) {
        dialog = new RecordDialog(
            kept_, [this] { return recordSoFar(); }, prompter_, this);
        connect(dialog, &RecordDialog::status, this, &FrmMain::showStatus);
    }
    dialog->show();
    dialog->raise();
}

} // namespace stepbench
