#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"
#include "commands/catalogue.h"
#include "link/transaction_queue.h"
#include "ui/frm_main_ui.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

class QAbstractButton;
class QMainWindow;

namespace stepbench {

class Prompter;

// How a sender treats its frame beyond building it (the capture modes it honours, the register
// mapping form it selects, whether it ignores the link mode).
struct SenderOptions {
    bool honoursAddToScript = false;
    bool honoursIoOverride = false;
    std::optional<PlcForm> mapping;
    bool alwaysRtu = false;
};

// The command buttons of the working tab, each a row of the sender table run by one routine,
// and the manual tools (typed hex and text, the CRC); the ">" and "↓" captures; the toggles whose
// captions say what their next press does (relays, reply mode, last character).
class PanelSenders : public QObject {
    Q_OBJECT
public:
    // How a frame goes out: the window's one routine, true when it was taken for the line.
    using Send = std::function<bool(const Bytes& frame, Origin origin, bool raw)>;
    PanelSenders(FrmMainUi& ui, const QHash<QString, QWidget*>& byName, QMainWindow* window,
                 Prompter* prompter, Send send, std::function<void(const QString&)> addToScript);

    // The steps of a sender after its request is built: refusal message, mapping form, framing,
    // IO-override capture, add-to-script, send. True when the frame went out.
    bool dispatchRequest(const Result<Bytes>& request, const SenderOptions& options);
    // The capture flags: armed by the ">" and "↓" buttons (which then look pressed), consumed by
    // the next sender that honours them, cleared by a refusal, a second press or Esc.
    bool addToScriptPending() const { return addToScriptPending_; }
    bool ioOverridePending() const { return ioOverridePending_; }
    void armAddToScript(bool on);
    void armIoOverride(bool on);
    // The status bar's note on an armed capture, again (after a change of language).
    void showCaptureState();

signals:
    void status(const QString& text);
    void refused(const QString& text);

private:
    void runSender(const SenderRow& row);
    QString textOf(std::string_view name) const;
    LinkMode linkMode() const;
    void refuseSender(const QString& message);
    enum class Typed { Raw, Rtu, Ascii };
    void sendTypedHex(Typed kind);
    void sendTypedString();
    void showCrc();

    FrmMainUi& ui_;
    const QHash<QString, QWidget*>& byName_;
    QMainWindow* window_;
    Prompter* prompter_;
    Send send_;
    std::function<void(const QString&)> addToScript_;
    bool addToScriptPending_ = false;
    bool ioOverridePending_ = false;
    QList<QAbstractButton*> addButtons_; // every button that arms add-to-script
    QList<QAbstractButton*> ioButtons_;  // every button that arms IO-override capture
    QString captureMessage_;             // the status bar's note on an armed capture
    // Device state the senders keep; the buttons' captions show it.
    bool relayK1_ = false;
    bool relayK2_ = false;
    bool lastCharacter_ = false;
};

} // namespace stepbench
