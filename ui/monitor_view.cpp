#include "ui/monitor_view.h"

#include "codec/hextext.h"
#include "commands/protocol.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QAction>
#include <QBoxLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

namespace stepbench {
namespace {

// The statistics are redrawn at most this often, however fast transactions come.
constexpr std::chrono::milliseconds kStatsRefresh{500};

QString Hex(const Bytes& b) {
    return QString::fromStdString(HexFrameText(b)).trimmed();
}

// A frame as the user reads it: an ASCII line as its text, anything else in hex.
QString FrameText(const Bytes& b) {
    if (const auto line = ReadAsciiLine(b); line && line->complete)
        return QString::fromLatin1(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()))
            .trimmed();
    return Hex(b);
}

QString CommandName(std::optional<std::uint8_t> code) {
    if (!code) return Tr("原始字节");
    const CommandInfo* info = FindCommand(*code);
    return info ? Tr(info->name) : "0x" + QString::fromStdString(HexByte(*code));
}

QString Ms(double ms) {
    return QString::number(ms, 'f', 1);
}

QString CsvField(const QString& s) {
    if (!s.contains(',') && !s.contains('"') && !s.contains('\n')) return s;
    return '"' + QString(s).replace('"', "\"\"") + '"';
}

class FailuresOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setOn(bool on) {
        on_ = on;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return !on_ || static_cast<const TransactionModel*>(sourceModel())
                           ->index(row, 0)
                           .data(TransactionModel::kFailureRole)
                           .toBool();
    }

private:
    bool on_ = false;
};

} // namespace

void TransactionModel::add(const Transaction& transaction) {
    // The oldest go a hundredth at a time: each removal makes the views re-map every row, so
    // one at a time would make each new row cost as much as the whole table.
    if (rows_.size() >= std::size_t(kMaxRows)) {
        const int drop = kMaxRows / 100;
        beginRemoveRows({}, 0, drop - 1);
        rows_.erase(rows_.begin(), rows_.begin() + drop);
        endRemoveRows();
    }
    const int row = int(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back(transaction);
    endInsertRows();
}

void TransactionModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int TransactionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TransactionModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

static QString IsoTime(const QDateTime& t) {
    // With its offset from UTC, so the times of a file read elsewhere still say when.
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString TransactionModel::cell(const Transaction& t, int column) {
    // An event's words go where there is room for them: the last, widest column.
    if (!t.event.isEmpty() && column != Time)
        return column == Command ? Tr("事件") : column == Result ? t.event : QString();
    switch (column) {
    case Id:
        return t.id ? QString::number(t.id) : QString();
    case Time:
        return t.written.toString("hh:mm:ss.zzz");
    case Address: {
        const auto a = t.address();
        return a ? QString::fromStdString(HexByte(*a)) : QString();
    }
    case Command:
        return CommandName(t.request.command);
    case RequestBytes:
        return FrameText(t.request.frame);
    case ReplyBytes:
        return FrameText(t.reply);
    case RoundTrip:
        return t.roundTripMs ? Ms(*t.roundTripMs) : QString();
    case Result: {
        QString text = Tr(VerdictName(t.verdict));
        if (const auto code = t.exceptionCode())
            text += QString(" %1 %2").arg(QString::fromStdString(HexByte(*code)),
                                          Tr(ExceptionMeaning(*code)));
        if (t.cause != Cause::None) text += " (" + Tr(CauseNote(t.cause)) + ")";
        if (t.answers) text += " " + Tr("(答第 %1 条)").arg(*t.answers);
        return text;
    }
    default:
        return {};
    }
}

QVariant TransactionModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Transaction& t = rows_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return cell(t, index.column());
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
        if (index.column() == RoundTrip || index.column() == Id)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TransactionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[] = {ZH("序号"), ZH("时间"), ZH("地址"),     ZH("命令"),
                                           ZH("请求"), ZH("应答"), ZH("往返(ms)"), ZH("结果")};
    return section >= 0 && section < Columns ? Tr(kHeaders[section]) : QVariant();
}

MonitorView::MonitorView(Prompter* prompter, QWidget* parent)
    : QWidget(parent), prompter_(prompter), failures_(new FailuresOnly(this)),
      table_(new QTableView), statsTable_(new QTableWidget),
      errorsOnly_(WithCaption(new QCheckBox, ZH("只看错误"))), statsTimer_(new QTimer(this)) {
    setObjectName("TransactionMonitor");
    table_->setObjectName("TransactionTable");
    statsTable_->setObjectName("TransactionStats");
    errorsOnly_->setObjectName("CheckErrorsOnly");
    auto* exportButton = WithCaption(new QPushButton, ZH("导出CSV"));
    exportButton->setObjectName("CommandExportCsv");
    auto* resetButton = WithCaption(new QPushButton, ZH("清零统计"));
    resetButton->setObjectName("CommandResetMonitor");
    auto* clearButton = WithCaption(new QPushButton, ZH("清空表格"));
    clearButton->setObjectName("CommandClearMonitor");

    // Without the filter the table shows the rows themselves: a proxy re-maps every row on
    // each change.
    table_->setModel(&model_);
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
    bar->addStretch(1);
    bar->addWidget(resetButton);
    bar->addWidget(clearButton);
    bar->addWidget(exportButton);
    auto* v = new QVBoxLayout(this);
    v->addLayout(bar);
    v->addWidget(table_, 1);
    v->addWidget(statsTable_);

    connect(errorsOnly_, &QCheckBox::toggled, this, [this](bool on) {
        failures_->setSourceModel(on ? &model_ : nullptr);
        static_cast<FailuresOnly*>(failures_)->setOn(on);
        table_->setModel(on ? static_cast<QAbstractItemModel*>(failures_) : &model_);
        fitColumns();
    });
    connect(resetButton, &QPushButton::clicked, this, &MonitorView::resetStats);
    connect(clearButton, &QPushButton::clicked, this, [this] {
        if (model_.rowCount() > 0 &&
            prompter_->ask(this, Tr("清空表格"),
                           TrN("清空表格中的 %n 条通讯记录？（统计不变）", model_.rowCount())))
            model_.clear();
    });
    connect(exportButton, &QPushButton::clicked, this, &MonitorView::exportTable);
    statsTimer_->setSingleShot(true);
    statsTimer_->setInterval(kStatsRefresh);
    connect(statsTimer_, &QTimer::timeout, this, &MonitorView::refreshStats);
}

void MonitorView::append(const Transaction& row) {
    // Follow the newest row only while the user looks at the end of the table; once for a
    // burst of rows.
    QScrollBar* bar = table_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_.add(row);
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
    const int widths[] = {6, 13, 4, 24, 36, 36, 8};
    for (int c = 0; c < int(std::size(widths)); ++c)
        fit(table_, c, widths[c]);
    fit(statsTable_, 0, 24);
    for (int c = 1; c < statsTable_->columnCount() - 1; ++c)
        fit(statsTable_, c, 6);
}

void MonitorView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    showStatsHeaders();
    fitColumns();
    refreshStats();
    emit model_.headerDataChanged(Qt::Horizontal, 0, TransactionModel::Columns - 1);
    if (model_.rowCount() > 0)
        emit model_.dataChanged(model_.index(0, 0),
                                model_.index(model_.rowCount() - 1, TransactionModel::Columns - 1));
}

void MonitorView::add(const Transaction& transaction) {
    // The motion sampler's queries (and their late replies) are counted, not listed: at 80 a
    // second they would drown the user's own requests and push them out of the table.
    if (transaction.request.origin != Origin::Sampler) append(transaction);
    stats_.add(transaction.request.command ? int(*transaction.request.command)
                                           : TransactionStats::kRawCommand,
               transaction.verdict, transaction.roundTripMs);
    if (!statsTimer_->isActive()) statsTimer_->start();
}

void MonitorView::addEvent(const QString& text) {
    Transaction event;
    event.written = QDateTime::currentDateTime();
    event.verdict = Verdict::Unchecked;
    event.event = text;
    append(event);
}

void MonitorView::resetStats() {
    stats_.clear();
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
    const auto& all = stats_.byCommand();
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
    if (!all.empty()) put(Tr("合计"), stats_.total());
    for (const auto& [command, s] : all)
        put(command == TransactionStats::kRawCommand ? CommandName(std::nullopt)
                                                     : CommandName(std::uint8_t(command)),
            s);
}

int MonitorView::exportCsv(const QString& path, QString* error) const {
    QString text = "id,time,address,command,request,reply,round_trip_ms,verdict\r\n";
    int rows = 0;
    // The rows the table shows: all of them, or with "只看错误" the failures.
    for (int r = 0; r < model_.rowCount(); ++r) {
        const Transaction& t = model_.at(r);
        if (errorsOnly_->isChecked() && !model_.index(r, 0).data(TransactionModel::kFailureRole).toBool())
            continue;
        ++rows;
        QStringList fields{TransactionModel::cell(t, TransactionModel::Id), IsoTime(t.written)};
        for (int c = TransactionModel::Address; c < TransactionModel::Columns; ++c)
            fields << CsvField(TransactionModel::cell(t, c));
        text += fields.join(',') + "\r\n";
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
    else if (errorsOnly_->isChecked())
        emit message(TrN("已导出 %n 条出错的通讯记录（只看错误）：%1", rows).arg(path));
    else
        emit message(TrN("已导出 %n 条通讯记录：%1", rows).arg(path));
}

} // namespace stepbench
