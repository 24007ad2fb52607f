#include "ui/monitor_view.h"

#include "codec/hextext.h"
#include "commands/protocol.h"
#include "commands/request.h"
#include "core/bench.h"
#include "link/transaction_text.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

namespace stepbench {
namespace {

// The statistics are redrawn at most this often, however fast transactions come.
constexpr std::chrono::milliseconds kStatsRefresh{500};
constexpr int kDefaultRotateMb = 100;

QString Ms(double ms) {
    return QString::number(ms, 'f', 1);
}

// The rows the user asks to see: failures only, one address, one command, a text among the
// command's name and the bytes.
class RowFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    bool errorsOnly = false;
    bool nothing = false; // an address typed that is no address: no row is it
    std::optional<std::uint8_t> address;
    std::optional<int> command; // TransactionStats::kRawCommand for typed bytes
    QString text;               // upper case, blanks dropped
    bool active() const { return errorsOnly || nothing || address || command || !text.isEmpty(); }
    void changed() { invalidateRowsFilter(); }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        const auto* m = static_cast<const TransactionModel*>(sourceModel());
        const Transaction& t = m->at(row);
        if (nothing) return false;
        if (errorsOnly && !m->index(row, 0).data(TransactionModel::kFailureRole).toBool())
            return false;
        if (address && t.address() != address) return false;
        if (command && (t.request.command ? int(*t.request.command)
                                          : TransactionStats::kRawCommand) != *command)
            return false;
        if (text.isEmpty()) return true;
        for (int c : {TransactionModel::Command, TransactionModel::RequestBytes,
                      TransactionModel::ReplyBytes, TransactionModel::Result})
            if (m->index(row, c).data().toString().remove(' ').toUpper().contains(text))
                return true;
        return false;
    }
};

} // namespace

void TransactionModel::add(const Transaction& transaction, std::optional<double> gapMs) {
    if (pending_.empty()) QTimer::singleShot(0, this, &TransactionModel::flush);
    pending_.push_back({transaction, gapMs});
}

void TransactionModel::flush() {
    if (pending_.empty()) return;
    // The oldest go a hundredth at a time: each removal makes the views re-map every row, so
    // one at a time would make each new row cost as much as the whole table.
    const std::size_t room =
        std::size_t(kMaxRows) - std::min(pending_.size(), std::size_t(kMaxRows));
    if (rows_.size() > room) {
        const int drop =
            int(std::min(rows_.size(), std::max(rows_.size() - room, std::size_t(kMaxRows / 100))));
        beginRemoveRows({}, 0, drop - 1);
        rows_.erase(rows_.begin(), rows_.begin() + drop);
        endRemoveRows();
    }
    if (pending_.size() > std::size_t(kMaxRows))
        pending_.erase(pending_.begin(), pending_.end() - kMaxRows);
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(pending_.size()) - 1);
    for (Row& row : pending_)
        rows_.push_back(std::move(row));
    pending_.clear();
    endInsertRows();
}

void TransactionModel::clear() {
    beginResetModel();
    rows_.clear();
    pending_.clear();
    endResetModel();
}

int TransactionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TransactionModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QString TransactionModel::cell(const Row& row, int column) {
    return TransactionCell(row.t, row.gapMs, TransactionColumn(column));
}

QVariant TransactionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[std::size_t(index.row())];
    const Transaction& t = row.t;
    switch (role) {
    case Qt::DisplayRole:
        // An event's words stand where the view spans the request's cell over the rest.
        if (!t.event.isEmpty() && index.column() == RequestBytes) return t.event;
        if (!t.event.isEmpty() && index.column() == Result) return {};
        return cell(row, index.column());
    case Qt::ToolTipRole:
        return t.event.isEmpty() ? QVariant() : QVariant(t.event);
    case kFailureRole:
        return IsFailure(t.verdict) || t.verdict == Verdict::Late;
    case Qt::ForegroundRole:
        if (index.column() == Result && IsFailure(t.verdict)) return QColor(190, 0, 0);
        if (t.verdict == Verdict::Late || t.verdict == Verdict::Cancelled)
            return QColor(120, 90, 0);
        return {};
    case Qt::BackgroundRole:
        if (IsFailure(t.verdict)) return QColor(255, 232, 228);
        if (t.verdict == Verdict::Late) return QColor(255, 246, 214);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == RoundTrip || index.column() == Id || index.column() == Gap)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TransactionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[] = {ZH("序号"), ZH("时间"),     ZH("间隔(ms)"),
                                           ZH("地址"), ZH("命令"),     ZH("请求"),
                                           ZH("应答"), ZH("往返(ms)"), ZH("结果")};
    return section >= 0 && section < Columns ? Tr(kHeaders[section]) : QVariant();
}

MonitorView::MonitorView(Bench& bench, Prompter* prompter, QWidget* parent)
    : QWidget(parent), bench_(bench), prompter_(prompter), filter_(new RowFilter(this)),
      table_(new QTableView), statsTable_(new QTableWidget),
      errorsOnly_(WithCaption(new QCheckBox, ZH("只看错误"))), address_(new QLineEdit),
      command_(new QComboBox), search_(new QLineEdit), statsBy_(new QComboBox),
      logButton_(WithCaption(new QPushButton, ZH("记录到文件"))), rotate_(new QSpinBox),
      statsTimer_(new QTimer(this)) {
    setObjectName("TransactionMonitor");
    table_->setObjectName("TransactionTable");
    statsTable_->setObjectName("TransactionStats");
    errorsOnly_->setObjectName("CheckErrorsOnly");
    address_->setObjectName("TextFilterAddress");
    command_->setObjectName("ComboFilterCommand");
    search_->setObjectName("TextSearch");
    statsBy_->setObjectName("ComboStatsBy");
    logButton_->setObjectName("CheckLogToFile");
    rotate_->setObjectName("SpinLogRotate");
    auto* exportButton = WithCaption(new QPushButton, ZH("导出CSV"));
    exportButton->setObjectName("CommandExportCsv");
    auto* resetButton = WithCaption(new QPushButton, ZH("清零统计"));
    resetButton->setObjectName("CommandResetMonitor");
    auto* clearButton = WithCaption(new QPushButton, ZH("清空表格"));
    clearButton->setObjectName("CommandClearMonitor");

    // Without a filter the table shows the rows themselves: a proxy re-maps every row on
    // each change.
    table_->setModel(&model_);
    // An event's words run from the request's column to the end of its row.
    for (QAbstractItemModel* m :
         {static_cast<QAbstractItemModel*>(&model_), static_cast<QAbstractItemModel*>(filter_)}) {
        // Queued: the view moves its spans down for inserted rows after this would have run.
        connect(
            m, &QAbstractItemModel::rowsInserted, this,
            [this, m](const QModelIndex&, int first, int last) {
                if (table_->model() == m) spanEvents(first, last);
            },
            Qt::QueuedConnection);
        connect(m, &QAbstractItemModel::modelReset, this, &MonitorView::spanAllEvents);
        connect(m, &QAbstractItemModel::layoutChanged, this, &MonitorView::spanAllEvents);
    }
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    // Rows are copied as text, tab between the cells.
    auto* copy = new QAction(this);
    SetCaption(copy, ZH("复制"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &MonitorView::copyRows);
    table_->addAction(copy);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);

    address_->setMaximumWidth(fontMetrics().horizontalAdvance(QString(5, '0')));
    SetToolTipId(address_, ZH("只看这个地址(Hex)的通讯；空着看全部"));
    command_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    command_->addItem(Tr("全部命令"));
    SetToolTipId(search_, ZH("在命令名称、请求、应答和结果中查找（字节可不带空格）"));
    search_->setPlaceholderText(Tr("搜索"));
    SetItemIds(statsBy_, {ZH("按命令统计"), ZH("按地址统计")});
    statsBy_->setEditable(false);
    statsBy_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    logButton_->setCheckable(true);
    SetToolTipId(logButton_, ZH("把每条通讯在结束时追加到一个CSV文件，逐行写入，程序崩溃也不丢"));
    rotate_->setRange(1, 10000);
    rotate_->setValue(kDefaultRotateMb);
    rotate_->setSuffix(" MB");
    SetToolTipId(rotate_, ZH("记录文件到这个大小时另存为 名称-1.csv、名称-2.csv…，再开新文件"));

    statsTable_->setColumnCount(9);
    showStatsHeaders();
    statsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statsTable_->verticalHeader()->hide();
    statsTable_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    // The names take the room; the total comes first, where it never scrolls away.
    statsTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    fitColumns();
    statsTable_->setMaximumHeight((table_->fontMetrics().height() + 4) * 9);

    auto* bar = new QHBoxLayout;
    bar->addWidget(errorsOnly_);
    bar->addWidget(WithCaption(new QLabel, ZH("地址(Hex)")));
    bar->addWidget(address_);
    bar->addWidget(command_);
    bar->addWidget(search_, 1);
    bar->addWidget(statsBy_);
    bar->addWidget(resetButton);
    bar->addWidget(clearButton);
    bar->addWidget(exportButton);
    bar->addWidget(logButton_);
    bar->addWidget(rotate_);
    auto* record = WithCaption(new QPushButton, ZH("生成调试报告…"));
    record->setObjectName("CommandRecord");
    connect(record, &QPushButton::clicked, this, &MonitorView::recordWanted);
    bar->addWidget(record);
    auto* v = new QVBoxLayout(this);
    v->addLayout(bar);
    v->addWidget(table_, 1);
    v->addWidget(statsTable_);

    connect(errorsOnly_, &QCheckBox::toggled, this, &MonitorView::applyFilter);
    connect(address_, &QLineEdit::textChanged, this, &MonitorView::applyFilter);
    connect(command_, &QComboBox::currentIndexChanged, this, &MonitorView::applyFilter);
    connect(search_, &QLineEdit::textChanged, this, &MonitorView::applyFilter);
    connect(statsBy_, &QComboBox::currentIndexChanged, this, &MonitorView::refreshStats);
    connect(resetButton, &QPushButton::clicked, this, &MonitorView::resetStats);
    connect(clearButton, &QPushButton::clicked, this, [this] {
        if (model_.rowCount() > 0 &&
            prompter_->ask(this, Tr("清空表格"),
                           TrN("清空表格中的 %n 条通讯记录？（统计不变）", model_.rowCount())))
            model_.clear();
    });
    connect(exportButton, &QPushButton::clicked, this, &MonitorView::exportTable);
    connect(logButton_, &QPushButton::toggled, this, &MonitorView::switchLog);
    connect(&bench_, &Bench::recorded, this, &MonitorView::add);
    connect(&bench_, &Bench::logFailed, this, &MonitorView::logFailed);
    // A new size limit holds from the next line, for a log being kept too.
    connect(rotate_, &QSpinBox::valueChanged, this,
            [this](int mb) { bench_.setLogRotate(qint64(mb) * 1024 * 1024); });
    statsTimer_->setSingleShot(true);
    statsTimer_->setInterval(kStatsRefresh);
    connect(statsTimer_, &QTimer::timeout, this, [this] {
        refreshStats();
        showLog();
    });
}

void MonitorView::applyFilter() {
    auto* f = static_cast<RowFilter*>(filter_);
    f->errorsOnly = errorsOnly_->isChecked();
    const QString a = address_->text().trimmed();
    const auto address = ReadAddress({ZH("地址"), a.toStdString()});
    f->address = !a.isEmpty() && address ? std::optional(*address) : std::nullopt;
    // An address that is no hex address shows nothing, rather than everything.
    f->nothing = !a.isEmpty() && !address;
    address_->setStyleSheet(f->nothing ? "color: rgb(190,0,0)" : "");
    f->command = command_->currentIndex() > 0 ? std::optional(command_->currentData().toInt())
                                              : std::nullopt;
    f->text = search_->text().remove(' ').toUpper();
    // The proxy only while a filter is on: it re-maps every row on every change.
    if (f->active()) {
        if (!filter_->sourceModel()) filter_->setSourceModel(&model_);
        f->changed();
        if (table_->model() != filter_) table_->setModel(filter_);
    } else if (table_->model() != &model_) {
        table_->setModel(&model_);
        filter_->setSourceModel(nullptr);
    }
    spanAllEvents();
    fitColumns();
}

void MonitorView::spanEvents(int first, int last) {
    const QAbstractItemModel* shown = table_->model();
    for (int r = first; r <= std::min(last, shown->rowCount() - 1); ++r) {
        const int source = shown == &model_ ? r : filter_->mapToSource(filter_->index(r, 0)).row();
        if (source >= 0 && !model_.at(source).event.isEmpty())
            table_->setSpan(r, TransactionModel::RequestBytes, 1,
                            TransactionModel::Columns - TransactionModel::RequestBytes);
    }
}

void MonitorView::spanAllEvents() {
    table_->clearSpans();
    spanEvents(0, table_->model()->rowCount() - 1);
}

void MonitorView::append(const Transaction& row, std::optional<double> gapMs) {
    // Follow the newest row only while the user looks at the end of the table; once for a
    // burst of rows.
    QScrollBar* bar = table_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_.add(row, gapMs);
    if (atEnd && !scrollPending_) {
        scrollPending_ = true;
        QTimer::singleShot(0, this, [this] {
            scrollPending_ = false;
            table_->scrollToBottom();
        });
    }
}

void MonitorView::showStatsHeaders() {
    static const char* const kHeaders[] = {ZH("命令"),     ZH("发送"),          ZH("正常"),
                                           ZH("无应答"),   ZH("校验错误"),      ZH("异常应答"),
                                           ZH("最小(ms)"), ZH("平均/最大(ms)"), ZH("99%(ms)")};
    QStringList headers;
    for (const char* id : kHeaders)
        headers << Tr(id);
    if (statsBy_->currentIndex() == 1) headers[0] = Tr("地址");
    statsTable_->setHorizontalHeaderLabels(headers);
}

// Wide enough for the usual contents and for the header, in whichever language.
void MonitorView::fitColumns() {
    const QFontMetrics fm = table_->fontMetrics();
    const int digit = fm.horizontalAdvance('0');
    const auto fit = [&](QTableView* table, int column, int digits) {
        const QString header = table->model()->headerData(column, Qt::Horizontal).toString();
        table->setColumnWidth(column, std::max(digits * digit, fm.horizontalAdvance(header)) + 16);
    };
    const int widths[] = {6, 13, 6, 4, 24, 36, 36, 8};
    for (int c = 0; c < int(std::size(widths)); ++c)
        fit(table_, c, widths[c]);
    for (int c = 1; c < statsTable_->columnCount(); ++c)
        fit(statsTable_, c, 6);
}

void MonitorView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    showStatsHeaders();
    fitColumns();
    refreshStats();
    command_->setItemText(0, Tr("全部命令"));
    for (int i = 1; i < command_->count(); ++i) {
        const int code = command_->itemData(i).toInt();
        command_->setItemText(i, code == TransactionStats::kRawCommand
                                     ? CommandName(std::nullopt)
                                     : CommandName(std::uint8_t(code)));
    }
    search_->setPlaceholderText(Tr("搜索"));
    showLog();
    emit model_.headerDataChanged(Qt::Horizontal, 0, TransactionModel::Columns - 1);
    if (model_.rowCount() > 0)
        emit model_.dataChanged(model_.index(0, 0),
                                model_.index(model_.rowCount() - 1, TransactionModel::Columns - 1));
}

void MonitorView::add(const Transaction& transaction) {
    // The motion sampler's queries (and their late replies) are counted, not listed: at 80 a
    // second they would drown the user's own requests and push them out of the table.
    if (transaction.request.origin != Origin::Sampler) append(transaction, transaction.gapMs);
    const int command = transaction.request.command ? int(*transaction.request.command)
                                                    : TransactionStats::kRawCommand;
    if (listedCommands_.insert(command).second)
        command_->addItem(command == TransactionStats::kRawCommand
                              ? CommandName(std::nullopt)
                              : CommandName(std::uint8_t(command)),
                          command);
    if (!statsTimer_->isActive()) statsTimer_->start();
}

void MonitorView::addEvent(const QString& text) {
    Transaction event;
    event.written = QDateTime::currentDateTime();
    event.verdict = Verdict::Unchecked;
    event.event = text;
    append(event, std::nullopt);
}

void MonitorView::resetStats() {
    bench_.resetStats();
    refreshStats();
    emit statsReset();
}

void MonitorView::copyRows() {
    const QItemSelectionModel* selection = table_->selectionModel();
    QStringList lines;
    for (const QModelIndex& index : selection->selectedRows()) {
        QStringList cells;
        for (int c = 0; c < TransactionModel::Columns; ++c)
            cells << table_->model()->index(index.row(), c).data().toString();
        lines << cells.join('\t');
    }
    if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join('\n') + '\n');
}

void MonitorView::refreshStats() {
    showStatsHeaders();
    const bool byAddress = statsBy_->currentIndex() == 1;
    const TransactionStats& stats = bench_.stats();
    const auto& all = byAddress ? stats.byAddress() : stats.byCommand();
    statsTable_->setRowCount(int(all.size()) + (all.empty() ? 0 : 1));
    int row = 0;
    const auto put = [this, &row](const QString& name, const CommandStats& s) {
        const QString timing = s.timed ? Ms(s.meanMs()) + " / " + Ms(s.maxMs) : QString();
        const QStringList cells = {name,
                                   QString::number(s.sent),
                                   QString::number(s.ok),
                                   QString::number(s.noReply),
                                   QString::number(s.badChecksum),
                                   QString::number(s.exception),
                                   s.timed ? Ms(s.minMs) : QString(),
                                   timing,
                                   s.timed ? Ms(s.p99Ms()) : QString()};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            statsTable_->setItem(row, c, item);
        }
        ++row;
    };
    if (!all.empty()) put(Tr("合计"), stats.total());
    for (const auto& [key, s] : all) {
        if (byAddress)
            put(key == TransactionStats::kNoAddress
                    ? Tr("原始字节")
                    : QString::fromStdString(HexByte(std::uint8_t(key))),
                s);
        else
            put(key == TransactionStats::kRawCommand ? CommandName(std::nullopt)
                                                     : CommandName(std::uint8_t(key)),
                s);
    }
}

int MonitorView::exportCsv(const QString& path, QString* error) {
    model_.flush();
    QString text = TransactionCsvHeader() + "\r\n";
    int rows = 0;
    // The rows the table shows: all of them, or those of the filter.
    const QAbstractItemModel* shown = table_->model();
    for (int r = 0; r < shown->rowCount(); ++r) {
        const int source = shown == &model_ ? r : filter_->mapToSource(filter_->index(r, 0)).row();
        QStringList fields;
        for (const QString& f : TransactionCsvFields(model_.at(source), std::nullopt))
            fields << TrafficLog::Field(f);
        // The gap as the table shows it.
        fields[2] = model_.index(source, TransactionModel::Gap).data().toString();
        text += fields.join(',') + "\r\n";
        ++rows;
    }
    // The byte order mark makes spreadsheet programs read the Chinese as UTF-8.
    const QByteArray bytes = "\xEF\xBB\xBF" + text.toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return -1;
    }
    return rows;
}

void MonitorView::exportTable() {
    const QString path =
        prompter_->savePath(this, Tr("导出CSV"), Tr("CSV文件(*.csv);;所有文件(*.*)"));
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !prompter_->ask(this, Tr("导出CSV"), Tr("是否覆盖文件？")))
        return;
    QString error;
    const int rows = exportCsv(path, &error);
    if (rows < 0)
        emit message(Tr("导出失败，没有写入文件 %1：%2").arg(path, error));
    else if (table_->model() != &model_)
        emit message(TrN("已导出表格中显示的 %n 条通讯记录（已筛选）：%1", rows).arg(path));
    else
        emit message(TrN("已导出 %n 条通讯记录：%1", rows).arg(path));
}

void MonitorView::switchLog(bool on) {
    if (!on) {
        bench_.stopLog();
        emit message(Tr("已停止记录到文件"));
        return showLog();
    }
    const QString path = prompter_->savePath(this, Tr("记录到文件"), Tr("CSV文件(*.csv)"));
    QString error;
    if (path.isEmpty() || !bench_.startLog(path, qint64(rotate_->value()) * 1024 * 1024, &error)) {
        const QSignalBlocker block(logButton_);
        logButton_->setChecked(false);
        if (!error.isEmpty()) prompter_->inform(this, Tr("系统提示"), error);
        return showLog();
    }
    emit message(Tr("每条通讯结束时追加到：%1").arg(path));
    showLog();
}

void MonitorView::logFailed(const QString& why) {
    const QSignalBlocker block(logButton_);
    logButton_->setChecked(false);
    emit message(why);
    prompter_->inform(this, Tr("系统提示"), why);
    showLog();
}

void MonitorView::showLog() {
    const TrafficLog& log = bench_.log();
    if (!log.isOpen()) return emit logChanged({});
    emit logChanged(Tr("记录：%1  %2 KB")
                        .arg(QFileInfo(log.path()).fileName())
                        .arg(double(log.size()) / 1024, 0, 'f', 1));
}

} // namespace stepbench
