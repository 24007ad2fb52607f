#include "ui/scan_dialog.h"

#include "codec/number.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>

namespace stepbench {
namespace {

// Addresses are hex everywhere in the window: two upper-case digits.
class HexSpinBox : public QSpinBox {
public:
    HexSpinBox() { setDisplayIntegerBase(16); }

protected:
    QString textFromValue(int value) const override {
        return QString("%1").arg(value, 2, 16, QChar('0')).toUpper();
    }
};

QString HexAddress(int address) {
    return QString("%1").arg(address, 2, 16, QChar('0')).toUpper();
}

} // namespace

ScanDialog::ScanDialog(BusScan& scan, QList<qint32> allBauds, LinkMode framing,
                       std::chrono::milliseconds replyTimeout, Prompter* prompter, QWidget* parent)
    : QDialog(parent), scan_(scan), allBauds_(std::move(allBauds)), framing_(framing),
      prompter_(prompter), from_(new HexSpinBox), to_(new HexSpinBox),
      allBaudsCheck_(WithCaption(new QCheckBox, ZH("所有波特率"))),
      timeout_(new QLineEdit(QString::number(replyTimeout.count()))),
      startButton_(WithCaption(new QPushButton, ZH("开始扫描"))),
      cancelButton_(WithCaption(new QPushButton, ZH("取消"))), progress_(new QProgressBar),
      hits_(new QStandardItemModel(0, 3, this)), table_(new QTableView) {
    setObjectName("ScanDialog");
    SetCaption(this, ZH("扫描总线"));
    from_->setObjectName("SpinScanFrom");
    to_->setObjectName("SpinScanTo");
    allBaudsCheck_->setObjectName("CheckScanAllBauds");
    timeout_->setObjectName("TextScanTimeout");
    startButton_->setObjectName("CommandStartScan");
    cancelButton_->setObjectName("CommandCancelScan");
    progress_->setObjectName("ProgressScan");
    table_->setObjectName("ScanResults");
    for (QSpinBox* box : {from_, to_})
        box->setRange(1, 247);
    from_->setValue(1);
    to_->setValue(32);
    cancelButton_->setEnabled(false);
    // Over a device server the line's rate is the server's to set.
    if (allBauds_.isEmpty()) {
        allBaudsCheck_->setEnabled(false);
        SetToolTipId(allBaudsCheck_, ZH("经设备服务器连接时，波特率由设备服务器设定"));
    }
    progress_->setFormat("");
    showHeaders();
    table_->setModel(hits_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* range = new QHBoxLayout;
    range->addWidget(from_);
    range->addWidget(WithCaption(new QLabel, ZH("到")));
    range->addWidget(to_);
    range->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(WithCaption(new QLabel, ZH("地址(Hex)")), range);
    form->addRow("", allBaudsCheck_);
    // The wait runs from each request leaving the line, whatever the rate.
    form->addRow(WithCaption(new QLabel, ZH("每个应答等待(ms)")), timeout_);
    SetToolTipId(timeout_, ZH("从命令发完算起，等待设备应答的时间；默认为“应答超时”"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton_);
    buttons->addWidget(cancelButton_);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(buttons);
    v->addWidget(progress_);
    v->addWidget(WithCaption(new QLabel, ZH("应答的设备（双击取用其地址和波特率）：")));
    v->addWidget(table_, 1);
    resize(sizeHint().width() + 80, sizeHint().height() + 120);

    connect(startButton_, &QPushButton::clicked, this, &ScanDialog::start);
    connect(cancelButton_, &QPushButton::clicked, &scan_, &BusScan::cancel);
    connect(&scan_, &BusScan::progress, this, &ScanDialog::showProgress);
    connect(&scan_, &BusScan::found, this, &ScanDialog::addHit);
    connect(&scan_, &BusScan::finished, this, &ScanDialog::finish);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        emit chosen(std::uint8_t(hits_->item(index.row(), 0)->data().toInt()),
                    hits_->item(index.row(), 1)->text().toInt());
    });
    // Closing the dialog ends a scan still running.
    connect(this, &QDialog::finished, &scan_, &BusScan::cancel);
}

void ScanDialog::showHeaders() {
    hits_->setHorizontalHeaderLabels({Tr("地址(Hex)"), Tr("波特率"), Tr("往返(ms)")});
}

void ScanDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) showHeaders();
}

void ScanDialog::start() {
    const double ms = ReadInteger(timeout_->text().toStdString());
    if (!(ms >= 10 && ms <= 60000)) {
        return prompter_->inform(
            this, Tr("系统提示"),
            Tr("应答等待“%1”超出范围（允许 10 到 60000 毫秒）").arg(timeout_->text()));
    }
    hits_->removeRows(0, hits_->rowCount());
    BusScan::Plan plan{.from = from_->value(),
                       .to = to_->value(),
                       .bauds = allBaudsCheck_->isChecked() ? allBauds_ : QList<qint32>{},
                       .timeout = std::chrono::milliseconds(static_cast<long long>(ms)),
                       .framing = framing_};
    QString error;
    if (!scan_.start(plan, &error)) {
        return prompter_->inform(this, Tr("系统提示"), error);
    }
    startButton_->setEnabled(false);
    cancelButton_->setEnabled(true);
}

void ScanDialog::showProgress(int address, qint32 baud, int done, int total) {
    progress_->setRange(0, total);
    progress_->setValue(done);
    progress_->setFormat(baud ? Tr("地址 %1 @ %2   %p%").arg(HexAddress(address)).arg(baud)
                              : Tr("地址 %1   %p%").arg(HexAddress(address)));
}

void ScanDialog::addHit(const ScanHit& hit) {
    auto* address = new QStandardItem(HexAddress(hit.address));
    address->setData(hit.address);
    hits_->appendRow({address, new QStandardItem(hit.baud ? QString::number(hit.baud) : "—"),
                      new QStandardItem(QString::number(hit.roundTripMs, 'f', 1))});
}

void ScanDialog::finish(bool cancelled) {
    startButton_->setEnabled(true);
    cancelButton_->setEnabled(false);
    if (progress_->maximum() > 0 && !cancelled) progress_->setValue(progress_->maximum());
    progress_->setFormat((cancelled ? Tr("已取消，找到 %1 个设备") : Tr("完成，找到 %1 个设备"))
                             .arg(hits_->rowCount()));
}

} // namespace stepbench
