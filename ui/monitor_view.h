#pragma once

#include "link/transaction_queue.h"
#include "link/transaction_stats.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <deque>

class QCheckBox;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTableWidget;
class QTimer;

namespace stepbench {

class Prompter;

// The transactions of the session, oldest first, at most kMaxRows of them (the oldest go).
class TransactionModel : public QAbstractTableModel {
public:
    static constexpr int kMaxRows = 100000;
    enum Column {
        Id,
        Time,
        Address,
        Command,
        RequestBytes,
        ReplyBytes,
        RoundTrip,
        Result,
        Columns
    };
    static constexpr int kFailureRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;
    void add(const Transaction& transaction);
    void clear();
    const Transaction& at(int row) const { return rows_[std::size_t(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The text of a cell, as the table and the CSV export show it.
    static QString cell(const Transaction& t, int column);

private:
    std::deque<Transaction> rows_;
};

// The "通讯监视" tab: every transaction with its round trip and verdict, a filter for the
// failures, the statistics per command, and an export of the table.
class MonitorView : public QWidget {
    Q_OBJECT
public:
    explicit MonitorView(Prompter* prompter, QWidget* parent = nullptr);

    void add(const Transaction& transaction);
    // A line for an event of the port (lost, reopened) among the transactions.
    void addEvent(const QString& text);
    // Clears the statistics; the table's rows stay.
    void resetStats();
    // Writes the rows the table shows as CSV (UTF-8 with BOM) through a temporary file: how
    // many, or -1 with the reason.
    int exportCsv(const QString& path, QString* error) const;
    TransactionModel& model() { return model_; }

signals:
    // A line for the window's status bar.
    void message(const QString& text);
    // The statistics were cleared: the status bar's count of failures starts again.
    void statsReset();

protected:
    void changeEvent(QEvent* event) override;

private:
    void append(const Transaction& row);
    void showStatsHeaders();
    void fitColumns();
    void refreshStats();
    void exportTable();
    void copyRows();

    Prompter* prompter_;
    TransactionModel model_;
    TransactionStats stats_;
    QSortFilterProxyModel* failures_;
    QTableView* table_;
    QTableWidget* statsTable_;
    QCheckBox* errorsOnly_;
    QTimer* statsTimer_;
    bool scrollPending_ = false;
};

} // namespace stepbench
