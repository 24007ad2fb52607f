#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"
#include "commands/catalogue.h"
#include "commands/motion_plan.h"
#include "link/bus_scan.h"
#include "link/link.h"
#include "link/motion_sampler.h"
#include "link/port_watch.h"
#include "link/profile_session.h"
#include "link/transaction_queue.h"
#include "script/script_runner.h"
#include "ui/frm_main_ui.h"
#include "ui/log_pane.h"
#include "ui/prompter.h"
#include "ui/setup_keeper.h"

#include <QHash>
#include <QMainWindow>
#include <QSettings>
#include <QTimer>
#include <memory>
#include <optional>

namespace stepbench {

class MonitorView;
class MotionView;

// How a sender treats its frame beyond building it (the capture modes it honours, the register
// mapping form it selects, whether it ignores the link mode).
struct SenderOptions {
    bool honoursAddToScript = false;
    bool honoursIoOverride = false;
    std::optional<PlcForm> mapping;
    bool alwaysRtu = false;
};

// The main window. It lays out the panels and wires them: the serial link owns the port and the
// receive poll, the protocol core builds and decodes frames, and the window shows the results.
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    // The prompter answers every message box and file dialog; the window's own when null.
    explicit FrmMain(Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The routine every outgoing frame passes through: send log, PLC wrapping, counter, the
    // transaction queue, and the first poll 20 ms later. True when the frame was accepted for the
    // line. Raw bytes expect no particular reply.
    bool SendComm(const Bytes& frame, Origin origin = Origin::Panel, bool raw = false);
    // Shows one piece off the line: report line, fields, lamps, echo lines, counter; without
    // toLog only its fields and lamps (the motion sampler's replies).
    // A register read's reply in the PLC protocol is shown as the reply of the command.
    void CommRec(const Piece& piece, bool toLog = true, PieceRole role = PieceRole::Reply,
                 std::optional<std::uint8_t> command = std::nullopt);

    // The steps of a sender after its request is built: refusal message, mapping form, framing,
    // IO-override capture, add-to-script, send. True when the frame went out.
    bool dispatchRequest(const Result<Bytes>& request, const SenderOptions& options);

    // Puts a port into COM_PORT; unless kept, the port saved for the next start stays as it was
    // (the virtual device's path is for this run only).
    void setPortText(const QString& text, bool keep = true);
    // Restores the set-up kept there and keeps it there again when the window closes.
    void useSettings(std::unique_ptr<QSettings> settings);
    LinkMode linkMode() const;
    Link& link() { return link_; }
    TransactionQueue& queue() { return queue_; }
    ScriptRunner& runner() { return runner_; }
    PortWatch& portWatch() { return portWatch_; }

    // The capture flags: armed by the ">" and "↓" buttons (which then look pressed), consumed by
    // the next sender that honours them, cleared by a refusal, a second press or Esc.
    bool AddToScriptPending() const { return addToScriptPending_; }
    bool IoOverridePending() const { return ioOverridePending_; }
    void armAddToScript(bool on);
    void armIoOverride(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void wire();
    QSize workingTabWants() const;
    void openPort();
    void failToOpen(const QString& error);
    void portOpened();
    // The baud box means nothing to a device server.
    void applyPortKind();
    void closePort();
    void onLineDown(const TransactionQueue::LineDown& down);
    void applyTurnaround();
    void applyLineTiming();
    // Switches the script runner off, its check box with it.
    void stopRunner();
    void onPortBack(const QString& device);
    void showPortList(const QStringList& labels);
    void scanBus();
    std::optional<MotionSampler::Plan> samplingPlan();
    // The speed parameters a move is planned with, and where they come from.
    std::pair<MotionParameters, QString> planParameters() const;
    std::optional<std::uint8_t> deviceAddress();
    // A line from one of the tabs for the status bar.
    void showStatus(const QString& text);
    void setPanelOpen(bool open);
    void applyLinkMode();
    void applyPlcControls();
    void runSender(const SenderRow& row);
    QString textOf(std::string_view name) const;
    enum class Typed { Raw, Rtu, Ascii };
    void sendTypedHex(Typed kind);
    void sendTypedString();
    void showCrc();
    void appendScriptLine(const QString& line);
    std::vector<std::string> scriptLines() const;
    void switchRunner(bool on);
    void clampDelayField();
    void removeSelectedLine();
    void openScript();
    void loadScript(const QString& path);
    void saveScript();
    void showRecentScripts();
    void refuse(const QString& message);
    void applyReplyTimeout();
    void onTransaction(const Transaction& transaction);
    void refuseSender(const QString& message);
    void showCaptureState();
    void highlightScriptLine(int index);
    void reportScriptProblem(int line, StepProblem problem);

    FrmMainUi ui_{};
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_;
    Link link_;
    TransactionQueue queue_;
    ScriptRunner runner_;
    PortWatch portWatch_;
    BusScan busScan_;
    MotionSampler sampler_;
    ProfileSession profiles_;
    MonitorView* monitor_;
    MotionView* motion_;
    std::unique_ptr<QSettings> settings_;
    KeptState kept_;
    std::optional<QString> portForNextStart_; // when COM_PORT holds a port for this run only
    QString runOnlyPort_;                     // that port
    QLabel* linkStats_;                       // the status bar's last round trip and failure count
    QTimer linkStatsTimer_;
    int failuresSinceOpen_ = 0;
    std::size_t cancelledAtClose_ = 0;
    bool echoMissingShown_ = false;
    QString lastRoundTrip_;
    std::unique_ptr<LogPane> receiveLog_;
    std::unique_ptr<LogPane> sendLog_;
    QHash<QString, QWidget*> byName_;
    bool addToScriptPending_ = false;
    bool ioOverridePending_ = false;
    QList<QAbstractButton*> addButtons_; // every button that arms add-to-script
    QList<QAbstractButton*> ioButtons_;  // every button that arms IO-override capture
    QString captureMessage_;             // the status bar's note on an armed capture
    int highlightedLine_ = -1;
    // Device state the window keeps for its senders; the buttons' captions show it.
    bool connectingByUser_ = false;
    bool networkTyped_ = false;
    bool relayK1_ = false;
    bool relayK2_ = false;
    bool lastCharacter_ = false;
};

} // namespace stepbench
