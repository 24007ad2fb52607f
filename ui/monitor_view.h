#pragma once

#include "link/traffic_log.h"
#include "link/transaction_queue.h"
#include "link/transaction_stats.h"
#include "link/transaction_text.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <deque>
#include <set>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QSpinBox;
class QTableView;
class QTableWidget;
class QTimer;

namespace stepbench {

class Bench;
class Prompter;

// The transactions of the session, oldest first, at most kMaxRows of them (the oldest go), each
// with the time since the frame on the line before it.
class TransactionModel : public QAbstractTableModel {
public:
    static constexpr int kMaxRows = 100000;
    enum Column {
        Id,
        Time,
        Gap,
        Address,
        Command,
        RequestBytes,
        ReplyBytes,
        RoundTrip,
        Result,
        Columns
    };
    static constexpr int kFailureRole = Qt::UserRole;

    struct Row {
        Transaction t;
        std::optional<double> gapMs;
    };

    using QAbstractTableModel::QAbstractTableModel;
    // Rows come in as the event loop's turn ends, all that came in it at once: a busy line
    // brings a dozen frames in one read, and the views lay out once for them.
    void add(const Transaction& transaction, std::optional<double> gapMs = std::nullopt);
    // Puts in at once the rows still waiting for the turn's end.
    void flush();
    void clear();
    const Transaction& at(int row) const { return rows_[std::size_t(row)].t; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The text of a cell, as the table, the CSV export and the log show it.
    static QString cell(const Row& row, int column);

private:
    std::deque<Row> rows_;
    std::vector<Row> pending_;
};

// The "通讯监视" tab: every transaction the bench records, with its round trip and verdict,
// filtered by failure, address, command or text; the bench's statistics per command or per
// address; an export of the table, and the bench's traffic log switched on and off.
class MonitorView : public QWidget {
    Q_OBJECT
public:
    MonitorView(Bench& bench, Prompter* prompter, QWidget* parent = nullptr);

    void add(const Transaction& transaction);
    // A line for an event of the port (lost, reopened) among the transactions.
    void addEvent(const QString& text);
    // Clears the statistics; the table's rows stay.
    void resetStats();
    // Writes the rows the table shows as CSV (UTF-8 with BOM) through a temporary file: how
    // many, or -1 with the reason.
    int exportCsv(const QString& path, QString* error);
    TransactionModel& model() { return model_; }

signals:
    // A line for the window's status bar.
    void message(const QString& text);
    // The statistics were cleared: the status bar's count of failures starts again.
    void statsReset();
    // The log's file and size, for the status bar; empty when nothing is logged.
    void logChanged(const QString& text);
    // "生成调试报告…": a record of the session so far is asked for.
    void recordWanted();

protected:
    void changeEvent(QEvent* event) override;

private:
    void append(const Transaction& row, std::optional<double> gapMs);
    void spanEvents(int first, int last);
    void spanAllEvents();
    void applyFilter();
    void showStatsHeaders();
    void fitColumns();
    void refreshStats();
    void exportTable();
    void copyRows();
    void switchLog(bool on);
    void logFailed(const QString& why);
    void showLog();

    Bench& bench_;
    Prompter* prompter_;
    TransactionModel model_;
    QSortFilterProxyModel* filter_;
    QTableView* table_;
    QTableWidget* statsTable_;
    QCheckBox* errorsOnly_;
    QLineEdit* address_;
    QComboBox* command_;
    std::set<int> listedCommands_; // the commands the filter offers, beyond "全部命令"
    QLineEdit* search_;
    QComboBox* statsBy_;
    QPushButton* logButton_;
    QSpinBox* rotate_;
    QTimer* statsTimer_;
    bool scrollPending_ = false;
};

} // namespace stepbench
