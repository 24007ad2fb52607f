#include "ui/panel_senders.h"

#include "codec/checksum.h"
#include "codec/codepage.h"
#include "codec/hextext.h"
#include "codec/number.h"
#include "commands/protocol.h"
#include "commands/request.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QAbstractButton>
#include <QMainWindow>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>

namespace stepbench {
namespace {

const char* const kSystemTitleId = ZH("系统提示");
// Text40 has no caption of its own; messages name it by the two buttons that send it.
constexpr std::string_view kAddressLabel = ZH("设备操作地址(Hex)");
constexpr std::string_view kValueFieldLabel = ZH("LastChr/通讯不返回的数值");
// The highest mapping address the device accepts: with the lowest command code, 0x20, it names
// register 65535. (The message names 65500, as the device's documentation does.)
constexpr double kMaxMappingAddress = 65503;

QString FromStd(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ToStd(const QString& s) {
    return s.toStdString();
}

} // namespace

PanelSenders::PanelSenders(FrmMainUi& ui, const QHash<QString, QWidget*>& byName,
                           QMainWindow* window, Prompter* prompter, Send send,
                           std::function<void(const QString&)> addToScript)
    : QObject(window), ui_(ui), byName_(byName), window_(window), prompter_(prompter),
      send_(std::move(send)), addToScript_(std::move(addToScript)) {
    // An arming button pressed while its capture is armed disarms it instead.
    const auto arming = [this](QAbstractButton* b, QList<QAbstractButton*>& group,
                               void (PanelSenders::*arm)(bool), auto run) {
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
            arming(button(row.addButton), addButtons_, &PanelSenders::armAddToScript, run);
        if (!row.ioButton.empty())
            arming(button(row.ioButton), ioButtons_, &PanelSenders::armIoOverride, run);
    }
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
    connect(ui_.Command37, &QPushButton::clicked, this, &PanelSenders::sendTypedString);
    // The "添加高级命令" buttons arm add-to-script and run their sender.
    for (auto [arm, sender] :
         {std::pair{ui_.Command79, ui_.Command1}, std::pair{ui_.Command77, ui_.Command10},
          std::pair{ui_.Command80, ui_.Command11}})
        arming(arm, addButtons_, &PanelSenders::armAddToScript,
               [sender = sender] { sender->click(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(escape, &QShortcut::activated, this, [this] {
        armAddToScript(false);
        armIoOverride(false);
    });
    connect(ui_.Command5, &QPushButton::clicked, this,
            [this] { ui_.Text1->setText(FromStd(TextToHex(ToStd(ui_.Text5->text())))); });
    connect(ui_.Command8, &QPushButton::clicked, this, &PanelSenders::showCrc);
    connect(ui_.Command2, &QPushButton::clicked, this, [this] {
        showCrc();
        const QString low = ui_.Text2->text();
        ui_.Text2->setText(ui_.Text3->text());
        ui_.Text3->setText(low);
    });
    armAddToScript(false);
    armIoOverride(false);
}

LinkMode PanelSenders::linkMode() const {
    return LinkModeFromText(ToStd(ui_.Combo7->currentText()));
}

void PanelSenders::armAddToScript(bool on) {
    addToScriptPending_ = on;
    showCaptureState();
}

void PanelSenders::armIoOverride(bool on) {
    ioOverridePending_ = on;
    showCaptureState();
}

void PanelSenders::showCaptureState() {
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
        if (!captureMessage_.isEmpty() && window_->statusBar()->currentMessage() == captureMessage_)
            window_->statusBar()->clearMessage();
    } else {
        window_->statusBar()->showMessage(note);
    }
    captureMessage_ = note;
}

void PanelSenders::refuseSender(const QString& message) {
    // An armed capture must not swallow the user's next click (a stop) after a refusal.
    armAddToScript(false);
    armIoOverride(false);
    emit refused(message);
}

bool PanelSenders::dispatchRequest(const Result<Bytes>& request, const SenderOptions& options) {
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
        addToScript_(FromStd(HexFrameText(frame)));
    }
    return send_(frame, Origin::Panel, false);
}

QString PanelSenders::textOf(std::string_view name) const {
    if (name.empty()) return {};
    QWidget* w = byName_.value(QString::fromLatin1(name.data(), qsizetype(name.size())));
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    return {};
}

void PanelSenders::runSender(const SenderRow& row) {
    if (row.hook == Hook::MappingAddress) {
        // The command itself goes out in the device's own protocol.
        ui_.Check2->setChecked(false);
        const double v = ReadInteger(ToStd(ui_.Text34->text()));
        if (!(v >= 0 && v <= kMaxMappingAddress)) {
            armAddToScript(false);
            armIoOverride(false);
            return prompter_->inform(window_, Tr(kSystemTitleId),
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

void PanelSenders::sendTypedHex(Typed kind) {
    // Typed bytes go out exactly as framed here, never wrapped for the PLC protocol.
    ui_.Check2->setChecked(false);
    const Bytes bytes = ParseHexText(ToStd(ui_.Text1->text()));
    if (bytes.empty()) return;
    const Bytes frame = kind == Typed::Raw   ? bytes
                        : kind == Typed::Rtu ? EncodeRtuFrame(bytes)
                                             : EncodeAsciiFrame(bytes);
    if (addToScriptPending_) {
        armAddToScript(false);
        addToScript_(FromStd(HexFrameText(frame)));
    }
    send_(frame, Origin::Manual, kind == Typed::Raw);
}

void PanelSenders::sendTypedString() {
    ui_.Check2->setChecked(false);
    const QString text = ui_.Text5->text();
    if (text.isEmpty()) return;
    const Bytes bytes = ToCodePage(ToStd(text));
    if (addToScriptPending_) {
        armAddToScript(false);
        // As the bytes that went: the script sends only hex text again, byte for byte.
        addToScript_(FromStd(HexFrameText(bytes)));
    }
    send_(bytes, Origin::Manual, true);
}

void PanelSenders::showCrc() {
    const Bytes bytes = ParseHexText(ToStd(ui_.Text1->text()));
    if (bytes.empty()) {
        ui_.Text2->clear();
        ui_.Text3->clear();
        emit status(Tr("“16进制：”框中没有可计算的字节"));
        return;
    }
    const Crc16Value crc = Crc16(bytes);
    ui_.Text2->setText(FromStd(HexByte(crc.lo)));
    ui_.Text3->setText(FromStd(HexByte(crc.hi)));
}

} // namespace stepbench
