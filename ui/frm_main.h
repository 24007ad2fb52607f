#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"
#include "core/bench.h"
#include "link/bus_scan.h"
#include "link/motion_sampler.h"
#include "link/profile_session.h"
#include "ui/frm_main_ui.h"
#include "ui/log_pane.h"
#include "ui/panel_senders.h"
#include "ui/prompter.h"
#include "ui/script_panel.h"
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
class ProfileView;
struct CommissioningRecord;

// The main window. It lays out the panels and shows what the bench does: the bench owns the
// line, the queue and what the drives have said; the panels' senders and the script list start
// work on it; the views show transactions, motion and profiles.
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    // The prompter answers every message box and file dialog; the window's own when null.
    explicit FrmMain(Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The routine every outgoing frame of the panels and the script passes through: send log,
    // PLC wrapping, the queue, and the first poll 20 ms later. Its id when the frame was taken
    // for the line, 0 when not. Raw bytes expect no particular reply.
    quint64 SendComm(const Bytes& frame, Origin origin = Origin::Panel, bool raw = false);
    // Shows one piece off the line: report line, fields, lamps, echo lines, counter; without
    // toLog only its fields and lamps (the motion sampler's replies).
    // A register read's reply in the PLC protocol is shown as the reply of the command.
    void CommRec(const Piece& piece, bool toLog = true, PieceRole role = PieceRole::Reply,
                 std::optional<std::uint8_t> command = std::nullopt);

    // Puts a port into COM_PORT; unless kept, the port saved for the next start stays as it was
    // (the virtual device's path is for this run only).
    void setPortText(const QString& text, bool keep = true);
    // Restores the set-up kept there and keeps it there again when the window closes.
    void useSettings(std::unique_ptr<QSettings> settings);
    LinkMode linkMode() const;
    Bench& bench() { return bench_; }
    Link& link() { return bench_.link(); }
    TransactionQueue& queue() { return bench_.queue(); }
    ScriptRunner& runner() { return script_->job().runner(); }
    PortWatch& portWatch() { return bench_.portWatch(); }
    PanelSenders& senders() { return *senders_; }
    ScriptPanel& script() { return *script_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

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
    void onPortBack(const QString& device);
    void showPortList(const QStringList& labels);
    void scanBus();
    std::optional<MotionSampler::Plan> samplingPlan();
    std::optional<std::uint8_t> deviceAddress();
    // A line from one of the tabs for the status bar.
    void showStatus(const QString& text);
    void setPanelOpen(bool open);
    void applyLinkMode();
    void applyPlcControls();
    void refuse(const QString& message);
    void applyReplyTimeout();
    void onTransaction(const Transaction& transaction);
    void showLinkStats();
    // The session so far, for a commissioning record.
    CommissioningRecord recordSoFar();
    void showRecordDialog();

    FrmMainUi ui_{};
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_;
    Bench bench_;
    BusScan busScan_;
    MotionSampler sampler_;
    ProfileSession profiles_;
    MonitorView* monitor_;
    MotionView* motion_;
    ProfileView* profile_;
    PanelSenders* senders_;
    ScriptPanel* script_;
    std::unique_ptr<QSettings> settings_;
    KeptState kept_;
    std::optional<QString> portForNextStart_; // when COM_PORT holds a port for this run only
    QString runOnlyPort_;                     // that port
    QLabel* linkStats_;                       // the status bar's last round trip and failure count
    QTimer linkStatsTimer_;
    std::size_t cancelledAtClose_ = 0;
    bool echoMissingShown_ = false;
    std::unique_ptr<LogPane> receiveLog_;
    std::unique_ptr<LogPane> sendLog_;
    QHash<QString, QWidget*> byName_;
    bool connectingByUser_ = false;
    bool networkTyped_ = false;
};

} // namespace stepbench
