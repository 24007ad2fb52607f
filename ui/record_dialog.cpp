#include "ui/record_dialog.h"

#include "ui/prompter.h"
#include "ui/record_writer.h"
#include "ui/translation.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace stepbench {

RecordDialog::RecordDialog(KeptState& kept, Gather gather, Prompter* prompter, QWidget* parent)
    : QDialog(parent), kept_(kept), gather_(std::move(gather)), prompter_(prompter),
      title_(new QLineEdit(kept.reportTitle)), machine_(new QLineEdit(kept.reportMachine)),
      engineer_(new QLineEdit(kept.reportEngineer)),
      profiles_(WithCaption(new QCheckBox, ZH("每台驱动器的配置"))),
      moves_(WithCaption(new QCheckBox, ZH("运动曲线与偏差"))),
      checks_(WithCaption(new QCheckBox, ZH("上一次脚本运行的检查"))) {
    setObjectName("RecordDialog");
    SetCaption(this, ZH("生成调试报告"));
    title_->setObjectName("TextRecordTitle");
    title_->setPlaceholderText(Tr("调试报告"));
    machine_->setObjectName("TextRecordMachine");
    engineer_->setObjectName("TextRecordEngineer");
    profiles_->setObjectName("CheckRecordProfiles");
    moves_->setObjectName("CheckRecordMoves");
    checks_->setObjectName("CheckRecordChecks");
    for (QCheckBox* box : {profiles_, moves_, checks_})
        box->setChecked(true);
    // Room for a title or an order name as people write them, about 24 Chinese characters.
    for (QLineEdit* field : {title_, machine_, engineer_})
        field->setMinimumWidth(24 * fontMetrics().horizontalAdvance(QChar(0x5B57)));
    auto* save = WithCaption(new QPushButton, ZH("保存为 PDF…"));
    save->setObjectName("CommandRecordSave");
    save->setDefault(true);
    auto* close = WithCaption(new QPushButton, ZH("关闭"));

    auto* form = new QFormLayout;
    form->addRow(WithCaption(new QLabel, ZH("标题：")), title_);
    form->addRow(WithCaption(new QLabel, ZH("机器/订单：")), machine_);
    form->addRow(WithCaption(new QLabel, ZH("调试人员：")), engineer_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(WithCaption(new QLabel, ZH("报告中包括通讯概况，以及：")));
    layout->addWidget(profiles_);
    layout->addWidget(moves_);
    layout->addWidget(checks_);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, &RecordDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void RecordDialog::save() {
    kept_.reportTitle = title_->text().trimmed();
    kept_.reportMachine = machine_->text().trimmed();
    kept_.reportEngineer = engineer_->text().trimmed();
    const QString path =
        prompter_->savePath(this, Tr("保存调试报告"), Tr("PDF文件(*.pdf)"), kept_.reportFolder);
    if (path.isEmpty()) return;
    kept_.reportFolder = QFileInfo(path).absolutePath();
    CommissioningRecord record = gather_();
    record.header.title = kept_.reportTitle;
    record.header.machine = kept_.reportMachine;
    record.header.engineer = kept_.reportEngineer;
    record.withProfiles = profiles_->isChecked();
    record.withMoves = moves_->isChecked();
    record.withChecks = checks_->isChecked();
    int pages = 0;
    const QString error = WriteRecordPdf(record, path, &pages);
    if (!error.isEmpty()) {
        prompter_->inform(this, Tr("生成调试报告"), error);
        return emit status(error);
    }
    emit status(TrN("调试报告已保存（%n 页）：%1", pages).arg(path));
    close();
}

} // namespace stepbench
