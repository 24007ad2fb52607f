#pragma once

#include "link/bus_scan.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;

namespace stepbench {

class Prompter;

// "扫描总线": the address range, all baud rates or the port's, the time to wait for each answer;
// progress with cancel; the devices that answered. A double click takes a device's address and
// baud rate into the window.
class ScanDialog : public QDialog {
    Q_OBJECT
public:
    // The wait for each answer starts as the reply timeout.
    ScanDialog(BusScan& scan, QList<qint32> allBauds, LinkMode framing,
               std::chrono::milliseconds replyTimeout, Prompter* prompter,
               QWidget* parent = nullptr);

signals:
    void chosen(std::uint8_t address, qint32 baud);

protected:
    void changeEvent(QEvent* event) override;

private:
    void showHeaders();
    void start();
    void showProgress(int address, qint32 baud, int done, int total);
    void addHit(const ScanHit& hit);
    void finish(bool cancelled);

    BusScan& scan_;
    QList<qint32> allBauds_;
    LinkMode framing_;
    Prompter* prompter_;
    QSpinBox* from_;
    QSpinBox* to_;
    QCheckBox* allBaudsCheck_;
    QLineEdit* timeout_;
    QPushButton* startButton_;
    QPushButton* cancelButton_;
    QProgressBar* progress_;
    QStandardItemModel* hits_;
    QTableView* table_;
};

} // namespace stepbench
