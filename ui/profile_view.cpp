#include "ui/profile_view.h"

#include "commands/request.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

namespace stepbench {
namespace {

const char* const kTitle = ZH("驱动器配置");
const QColor kDiffers(255, 232, 228);

QString HexAddress(int address) {
    return QString("%1").arg(address, 2, 16, QChar('0')).toUpper();
}
const char* const kFilter = ZH("驱动器配置(*.json);;所有文件(*.*)");

QString Shown(const ProfileSetting& s, const ProfileValues& values) {
    const auto it = values.find(s.name());
    if (it == values.end()) return {};
    // An IO-override entry without a command is a value too: "none".
    return it->second.empty() ? Tr("(无)") : QString::fromStdString(ValueText(s, it->second));
}

} // namespace

QString SettingTitle(const ProfileSetting& s) {
    QString name = Tr(s.set->name);
    if (name.startsWith(Tr("设置"))) name = name.mid(Tr("设置").size()).trimmed();
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    const QString key = QString::fromStdString(s.name());
    if (s.pattern) name += " " + key.right(5);
    return QString("%1 (%2)").arg(name, key);
}

ProfileView::ProfileView(ProfileSession& session, TargetSource target, SaidSource said,
                         Prompter* prompter, QWidget* parent)
    : QWidget(parent), session_(session), target_(std::move(target)), said_(std::move(said)),
      prompter_(prompter), rows_(new QStandardItemModel(0, 4, this)), table_(new QTableView),
      everything_(WithCaption(new QCheckBox, ZH("全部写入（包括相同的）"))),
      differOnly_(WithCaption(new QCheckBox, ZH("只看不同"))), progress_(new QProgressBar),
      fileLabel_(WithCaption(new QLabel, ZH("没有打开配置文件"))),
      cancel_(WithCaption(new QPushButton, ZH("取消"))), batch_(session),
      manyAddresses_(new QLineEdit), goOn_(WithCaption(new QCheckBox, ZH("出错后继续"))),
      results_(new QTableWidget(0, 5)) {
    setObjectName("ProfileView");
    showResultHeaders();
    table_->setObjectName("ProfileTable");
    everything_->setObjectName("CheckWriteEverything");
    differOnly_->setObjectName("CheckDifferOnly");
    progress_->setObjectName("ProgressProfile");
    cancel_->setObjectName("CommandCancelProfile");
    fileLabel_->setObjectName("LabelProfileFile");
    manyAddresses_->setObjectName("TextProfileAddresses");
    goOn_->setObjectName("CheckContinueOnFailure");
    results_->setObjectName("ProfileResults");
    manyAddresses_->setPlaceholderText("1-10");
    manyAddresses_->setMaximumWidth(fontMetrics().horizontalAdvance(QString(14, '0')));
    SetToolTipId(manyAddresses_, ZH("要写入的驱动器地址(Hex)，如 1-10 或 1,3,5"));
    results_->verticalHeader()->hide();
    results_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->horizontalHeader()->setStretchLastSection(true);
    results_->hide();
    showHeaders();
    table_->setModel(rows_);
    // The values of the file can be changed before writing; each is checked against its range.
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    // The names take what they need, in either language.
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int c : {1, 2})
        table_->setColumnWidth(c, table_->fontMetrics().horizontalAdvance(QString(22, '0')));
    progress_->setFormat("");
    progress_->setMinimumWidth(fontMetrics().horizontalAdvance(QString(30, '0')));
    cancel_->setEnabled(false);

    const auto button = [this](const char* name, const char* caption, auto slot) {
        auto* b = WithCaption(new QPushButton, caption);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        actions_ << b;
        return b;
    };
    auto* bar = new QHBoxLayout;
    bar->addWidget(button("CommandReadAll", ZH("读取全部"), [this] { read(Then::Show); }));
    bar->addWidget(button("CommandSaveProfile", ZH("保存配置…"), &ProfileView::save));
    bar->addWidget(button("CommandOpenProfile", ZH("打开配置…"), &ProfileView::open));
    bar->addWidget(button("CommandCompareProfile", ZH("比较"), [this] { read(Then::Compare); }));
    bar->addWidget(button("CommandWriteAll", ZH("写入全部"), &ProfileView::write));
    bar->addWidget(everything_);
    bar->addWidget(differOnly_);
    bar->addStretch(1);
    bar->addWidget(progress_);
    bar->addWidget(cancel_);
    auto* many = new QHBoxLayout;
    many->addWidget(fileLabel_, 1);
    many->addWidget(WithCaption(new QLabel, ZH("多台地址(Hex)")));
    many->addWidget(manyAddresses_);
    many->addWidget(goOn_);
    many->addWidget(button("CommandWriteMany", ZH("写入到多台…"), &ProfileView::writeMany));
    auto* v = new QVBoxLayout(this);
    v->addLayout(bar);
    v->addLayout(many);
    v->addWidget(table_, 1);
    v->addWidget(results_);

    connect(cancel_, &QPushButton::clicked, &session_, &ProfileSession::cancel);
    connect(&session_, &ProfileSession::progress, this,
            [this](int done, int total, const QString& setting) {
                // In a batch, the bar is of all its drives.
                const bool batch = batch_.running();
                progress_->setRange(0, batch ? total * drives_.count : total);
                progress_->setValue(batch ? total * drives_.at + done : done);
                if (!batch) progress_->setFormat(setting + "  %p%");
            });
    connect(&session_, &ProfileSession::finished, this, &ProfileView::onFinished);
    connect(differOnly_, &QCheckBox::toggled, this, &ProfileView::showTable);
    connect(rows_, &QStandardItemModel::itemChanged, this, &ProfileView::onEdited);
    connect(&batch_, &ProfileBatch::driveStarted, this, [this](std::uint8_t address, int i, int n) {
        drives_ = {i, n};
        progress_->setRange(0, n);
        progress_->setValue(i);
        progress_->setFormat(Tr("地址 %1  %p%").arg(HexAddress(address)));
    });
    connect(&batch_, &ProfileBatch::driveDone, this, &ProfileView::onDriveDone);
    connect(&batch_, &ProfileBatch::finished, this, [this](bool stopped) {
        setBusy(false);
        // Drives never reached after a stop: a row each, and not done.
        for (std::uint8_t a : batch_.unreached())
            addResult(a, Tr("未写入"), false, {});
        int failed = drives_.count;
        for (int r = 0; r < results_->rowCount(); ++r)
            failed -= results_->item(r, 1)->data(Qt::UserRole).toBool() ? 1 : 0;
        // The drive shown has what the drives acknowledged now.
        if (shown_) driveSaid(*shown_);
        if (!stopped) progress_->setValue(progress_->maximum());
        showEnd(!stopped && !failed);
        emit message(failed ? TrN("写入到多台：%n 台没有完成", failed)
                            : TrN("写入到多台：%n 台全部写入并读回", results_->rowCount()));
    });
    showTable();
}

void ProfileView::writeMany() {
    if (!file_) return prompter_->inform(this, Tr(kTitle), Tr("请先打开要写入的配置文件。"));
    const auto target = target_();
    if (!target) return;
    const auto addresses = ReadAddressList({ZH("多台地址"), manyAddresses_->text().toStdString()});
    if (!addresses) return prompter_->inform(this, Tr(kTitle), TrError(addresses.failure()));
    QStringList shown;
    for (std::uint8_t a : *addresses)
        shown << HexAddress(a);
    if (!prompter_->ask(this, Tr(kTitle),
                        TrN("将向 %n 台驱动器（地址 %1）写入配置文件的 %2 项设置并逐项读回，"
                            "是否继续？",
                            qsizetype(addresses->size()))
                            .arg(shown.join(", "))
                            .arg(file_->values.size())))
        return;
    QString error;
    results_->setRowCount(0);
    results_->show();
    running_ = target;
    writing_ = true;
    if (!batch_.start(ProfileBatch::Action::Write, *addresses, target->mode, file_->values,
                      !goOn_->isChecked(), &error))
        return prompter_->inform(this, Tr(kTitle), error);
    setBusy(true);
}

void ProfileView::onDriveDone(const DriveResult& result) {
    const ProfileOutcome& o = result.outcome;
    QStringList notTaken;
    for (const std::string& n : o.notTaken)
        notTaken << QString::fromStdString(n);
    const QString verdict = o.cancelled            ? Tr("已取消")
                            : !o.stoppedAt.empty() ? Tr("失败")
                            : !o.notTaken.empty()  ? Tr("读回不符")
                                                   : Tr("正常");
    addResult(result.address, verdict, result.ok(),
              {QString::number(o.written.size()), notTaken.join(", "),
               o.stoppedAt.empty() ? QString()
                                   : Tr("%1：%2").arg(QString::fromStdString(o.stoppedAt), o.why)});
}

void ProfileView::addResult(std::uint8_t address, const QString& verdict, bool ok,
                            const QStringList& more) {
    const QStringList cells = QStringList{HexAddress(address), verdict} + more;
    const int row = results_->rowCount();
    results_->insertRow(row);
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c == 1) {
            item->setData(Qt::UserRole, ok);
            if (!ok) item->setForeground(QColor(190, 0, 0));
        }
        results_->setItem(row, c, item);
    }
    results_->scrollToBottom();
}

void ProfileView::onEdited(QStandardItem* item) {
    if (showing_ || item->column() != 2 || !file_) return;
    const ProfileSetting& s = ProfileSettings()[std::size_t(item->row())];
    const QString text = item->text().trimmed();
    const auto value = s.isNumber() ? [&]() -> Result<Bytes> {
        bool ok = false;
        const double n = text.toDouble(&ok);
        if (!ok) return Error{ZH("“%1”不是数"), {text.toStdString()}};
        return NumberValue(s, n);
    }()
        : BytesValue(s, text == Tr("(无)") ? "" : text.toStdString());
    if (!value) {
        prompter_->inform(
            this, Tr(kTitle),
            Tr("设置“%1”的值“%2”不对：%3，未改。")
                .arg(QString::fromStdString(s.name()), text, TrError(value.failure())));
    } else {
        file_->values[s.name()] = *value;
        emit message(Tr("已改设置“%1”为 %2（尚未写入驱动器）")
                         .arg(QString::fromStdString(s.name()),
                              QString::fromStdString(ValueText(s, *value))));
    }
    QTimer::singleShot(0, this, &ProfileView::showTable);
}

void ProfileView::showHeaders() {
    rows_->setHorizontalHeaderLabels({Tr("配置项"), Tr("驱动器上"), Tr("文件中"), Tr("不同")});
}

void ProfileView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    showHeaders();
    showTable();
    showFileLine();
    if (ended_ && !session_.running() && !batch_.running()) showEnd(*ended_);
    showResultHeaders();
}

void ProfileView::showResultHeaders() {
    results_->setHorizontalHeaderLabels(
        {Tr("地址"), Tr("结果"), Tr("已写入"), Tr("读回不符"), Tr("停在")});
}

void ProfileView::setBusy(bool busy) {
    for (QPushButton* b : actions_)
        b->setEnabled(!busy);
    cancel_->setEnabled(busy);
    if (busy) ended_.reset();
}

void ProfileView::read(Then then) {
    if (then == Then::Compare && !file_)
        return prompter_->inform(this, Tr(kTitle), Tr("请先打开一个配置文件，再与驱动器比较。"));
    running_ = target_();
    if (!running_) return;
    QString error;
    writing_ = false;
    if (!session_.readAll(running_->address, running_->mode, &error))
        return prompter_->inform(this, Tr(kTitle), error);
    then_ = then;
    setBusy(true);
}

void ProfileView::write() {
    if (!file_) return prompter_->inform(this, Tr(kTitle), Tr("请先打开要写入的配置文件。"));
    // What differs is what differs now: the drive is read first.
    if (!everything_->isChecked()) return read(Then::Write);
    writeChosen();
}

void ProfileView::writeChosen() {
    const auto target = target_();
    if (!target) return;
    const ProfileValues values = toWrite();
    if (values.empty()) return emit message(Tr("驱动器上的设置与配置文件相同，没有要写入的。"));
    if (!prompter_->ask(
            this, Tr(kTitle),
            TrN("将向地址 %1 的驱动器写入 %n 项设置，是否继续？", qsizetype(values.size()))
                .arg(HexAddress(target->address))))
        return;
    QString error;
    running_ = target;
    writing_ = true;
    if (!session_.writeAll(target->address, target->mode, values, &error))
        return prompter_->inform(this, Tr(kTitle), error);
    setBusy(true);
}

ProfileValues ProfileView::toWrite() const {
    if (everything_->isChecked()) return file_->values;
    ProfileValues values;
    for (const auto& [name, value] : file_->values) {
        const auto onDrive = drive_.values.find(name);
        if (onDrive == drive_.values.end() || onDrive->second != value) values[name] = value;
    }
    return values;
}

void ProfileView::onFinished(const ProfileOutcome& outcome) {
    // A drive of "写入到多台…": its own table says how it went.
    if (batch_.running()) return;
    setBusy(false);
    const bool complete = !outcome.cancelled && outcome.stoppedAt.empty();
    showEnd(complete);
    if (complete) progress_->setValue(progress_->maximum());
    const Target target = *running_;
    // What the drive has said, read now or acknowledged before.
    shown_ = target.address;
    drive_.values = said_(target.address);
    drive_.address = target.address;
    drive_.baud = target.baud;
    drive_.readAt = QDateTime::currentDateTime();
    drive_.program =
        QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion();
    showTable();
    if (outcome.cancelled) return emit message(Tr("已取消"));
    if (!outcome.stoppedAt.empty()) {
        const QString where = QString::fromStdString(outcome.stoppedAt);
        return prompter_->inform(
            this, Tr(kTitle),
            Tr("在设置“%1”处停止：%2。之后的设置没有%3。")
                .arg(where, Tr(outcome.why.toStdString()), writing_ ? Tr("写入") : Tr("读取")));
    }
    if (writing_) {
        QString text = TrN("已写入 %n 项设置", qsizetype(outcome.written.size()));
        if (!outcome.notTaken.empty()) {
            QStringList names;
            for (const std::string& n : outcome.notTaken)
                names << QString::fromStdString(n);
            text += Tr("；读回后未生效：%1").arg(names.join(", "));
            prompter_->inform(this, Tr(kTitle), text);
        }
        return emit message(text);
    }
    if (then_ == Then::Write) return writeChosen();
    if (then_ == Then::Compare) {
        compared_[target.address] = {filePath_, *file_};
        std::size_t differ = 0;
        for (const auto& [name, value] : file_->values)
            if (drive_.values.count(name) && drive_.values.at(name) != value) ++differ;
        // The first difference in sight.
        for (int r = 0; r < rows_->rowCount(); ++r)
            if (!rows_->item(r, 3)->text().isEmpty() && !table_->isRowHidden(r)) {
                table_->scrollTo(rows_->index(r, 0), QAbstractItemView::PositionAtTop);
                break;
            }
        return emit message(differ ? TrN("驱动器与配置文件有 %n 项不同", qsizetype(differ))
                                   : Tr("驱动器与配置文件相同"));
    }
    emit message(TrN("已读取 %n 项设置", qsizetype(outcome.drive.size())));
}

void ProfileView::save() {
    if (drive_.values.empty())
        return prompter_->inform(this, Tr(kTitle), Tr("请先读取全部设置，再保存。"));
    // An incomplete read would make a file that cannot be opened again.
    if (const auto missing = MissingSettings(drive_.values); !missing.empty())
        return prompter_->inform(
            this, Tr(kTitle),
            TrN("读取不完整：还有 %n 项设置没有读到（如“%1”），没有保存。请重新“读取全部”。",
                qsizetype(missing.size()))
                .arg(QString::fromStdString(missing.front())));
    const QString path = prompter_->savePath(this, Tr("保存配置"), Tr(kFilter));
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !prompter_->ask(this, Tr("保存配置"), Tr("是否覆盖文件？")))
        return;
    if (const QString error = SaveProfile(path, drive_); !error.isEmpty())
        return prompter_->inform(this, Tr(kTitle), error);
    emit message(Tr("已保存配置：%1").arg(path));
}

void ProfileView::open() {
    const QString path = prompter_->openPath(this, Tr("打开配置"), Tr(kFilter));
    if (path.isEmpty()) return;
    const auto loaded = LoadProfile(path);
    if (!loaded)
        return prompter_->inform(this, Tr(kTitle),
                                 Tr("没有打开配置文件：%1").arg(TrError(loaded.failure())));
    file_ = *loaded;
    filePath_ = path;
    showFileLine();
    showTable();
}

void ProfileView::showFileLine() {
    if (!file_) return;
    fileLabel_->setProperty("stepbenchCaption", QVariant());
    fileLabel_->setText(Tr("配置文件：%1（地址 %2，%3 读取）")
                            .arg(filePath_)
                            .arg(HexAddress(file_->address))
                            .arg(file_->readAt.toString("yyyy-MM-dd hh:mm")));
}

void ProfileView::showEnd(bool complete) {
    ended_ = complete;
    progress_->setFormat(complete ? Tr("完成") : Tr("未完成"));
}

void ProfileView::driveSaid(std::uint8_t address) {
    if (address != shown_ || session_.running() || batch_.running()) return;
    drive_.values = said_(address);
    showTable();
}

void ProfileView::showTable() {
    showing_ = true;
    rows_->setRowCount(0);
    const ProfileValues none;
    const ProfileValues& file = file_ ? file_->values : none;
    for (const ProfileSetting& s : ProfileSettings()) {
        const QString known = Shown(s, drive_.values);
        const QString inFile = Shown(s, file);
        const bool differ = !known.isEmpty() && !inFile.isEmpty() && known != inFile;
        // A setting the drive shown has not said is unknown, whatever a field may hold.
        const QString onDrive = known.isEmpty() && shown_ ? Tr("未读取") : known;
        QList<QStandardItem*> row{new QStandardItem(SettingTitle(s)), new QStandardItem(onDrive),
                                  new QStandardItem(inFile),
                                  new QStandardItem(differ ? "≠" : QString())};
        if (!s.read) row[0]->setToolTip(Tr("只能写入：所记的是本程序最后写入的值"));
        for (int c : {0, 1, 3})
            row[c]->setEditable(false);
        // Only a value of a profile opened can be changed.
        row[2]->setEditable(file_.has_value());
        row[2]->setToolTip(Tr("双击可改这个值，写入前会检查范围"));
        if (differ)
            for (QStandardItem* item : row)
                item->setBackground(kDiffers);
        rows_->appendRow(row);
        table_->setRowHidden(rows_->rowCount() - 1, differOnly_->isChecked() && !differ);
    }
    showing_ = false;
}

} // namespace stepbench
