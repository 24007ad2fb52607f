#pragma once

#include "core/commissioning_record.h"
#include "ui/setup_keeper.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;

namespace stepbench {

class Prompter;

// "生成调试报告…": the record's title, the machine or order and the engineer (kept with the
// set-up), what goes in, and the PDF it is saved to. The record is gathered when it is saved:
// the session so far.
class RecordDialog : public QDialog {
    Q_OBJECT
public:
    using Gather = std::function<CommissioningRecord()>;
    RecordDialog(KeptState& kept, Gather gather, Prompter* prompter, QWidget* parent = nullptr);

signals:
    // A line for the status bar: where it was saved, or why not.
    void status(const QString& text);

private:
    void save();

    KeptState& kept_;
    Gather gather_;
    Prompter* prompter_;
    QLineEdit* title_;
    QLineEdit* machine_;
    QLineEdit* engineer_;
    QCheckBox* profiles_;
    QCheckBox* moves_;
    QCheckBox* checks_;
};

} // namespace stepbench
