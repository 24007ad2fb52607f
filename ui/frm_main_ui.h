#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>

class QMainWindow;

namespace stepbench {

class Lamp;

// The controls of the main window, each named (objectName) as the device's tools name it.
struct FrmMainUi {
    QTabWidget* SSTab1;
    QWidget* workingTab;
    QTextBrowser* RichTextBox3;

    // Top rows and PLC standard protocol.
    QLabel *Label31, *Label18, *Label40;
    QComboBox *Combo10, *Combo7;
    QLineEdit *Text23, *Text34;
    QCheckBox* Check2;
    QRadioButton *Option3, *Option4;
    QPushButton* Command3;
    QLabel* LabelReplyTimeout;
    QLineEdit* TextReplyTimeout;
    QLabel* LabelTurnaround;
    QLineEdit* TextTurnaround;

    // Logs.
    QLabel *Label1, *Label45, *Label2, *Label44;
    QPushButton *Command36, *Command6;
    QPlainTextEdit *RichTextBox1, *RichTextBox2;

    // Manual send tools.
    QLabel *Label4, *Label3;
    QLineEdit *Text5, *Text1, *Text2, *Text3;
    QPushButton *Command37, *Command5, *Command1, *Command79, *Command8, *Command2, *Command10,
        *Command77, *Command11, *Command80;

    // Serial port.
    QGroupBox* Frame4;
    QLabel *Label8, *Label9, *Label10;
    QComboBox* COM_PORT;
    QComboBox* Combo2;
    QPushButton *Command32, *Command33;
    QCheckBox* CheckAutoReconnect;
    QCheckBox* CheckEchoSuppression;
    QLabel* LabelLineTiming;
    QComboBox* ComboLineTiming;
    QPushButton* CommandScanBus;

    // Basic commands.
    QGroupBox* Frame1;
    QLabel *Label12, *Label13;
    QLineEdit* Text7;
    QComboBox* Combo6;
    QPushButton *Command12, *Command13, *Command14, *Command15, *Command16;

    // Parameters and queries.
    QGroupBox* Frame2;
    QLabel *Label7, *Label41, *Label63, *LabelMotionState;
    QLineEdit *Text12, *Text13, *Text14, *Text15, *Text16, *Text29;
    QLineEdit *Text27, *Text26, *Text25, *Text24, *Text6, *Text28, *Text17, *Text18, *Text19;
    QPushButton *Command17, *Command24, *Command25, *Command26, *Command27, *Command64;
    QPushButton *Command57, *Command58, *Command59, *Command60, *Command61, *Command62;
    QPushButton *Command28, *Command30, *Command31, *Command29, *Command94, *Command66, *Command67;
    QPushButton *Command51, *Command52, *Command53, *Command43, *Command99, *Command69, *Command70;
    Lamp *Shape1, *Shape2, *Shape3, *Shape4, *Shape5, *Shape6, *Shape7, *Shape8, *Shape9;

    // Motion.
    QGroupBox* Frame3;
    QLabel *Label20, *Label21, *Label24, *Label25, *Label37, *Label27, *Label61, *Label64;
    QLineEdit *Text8, *Text9, *Text10, *Text11, *Text30, *Text32, *Text31;
    QComboBox *Combo3, *Combo4, *Combo5, *Combo8;
    QPushButton *Command18, *Command19, *Command20, *Command21, *Command22, *Command23, *Command76,
        *Command7, *Command75, *Command74, *Command65, *Command91, *Command92, *Command93;
    QPushButton *Command38, *Command39, *Command40, *Command41, *Command42, *Command44, *Command45,
        *Command68;
    QPushButton *Command82, *Command83, *Command84, *Command85, *Command86, *Command87, *Command89,
        *Command90, *Command97, *Command98;
    QPushButton *Command88, *Command81;

    // Closed loop.
    QGroupBox* Frame7;
    QLabel *Label5, *Label6, *Label29;
    QLineEdit *Text35, *Text36, *Text21, *Text4, *Text39, *Text37, *Text38;
    QComboBox *Combo11, *Combo12;
    QPushButton *Command4, *Command107, *Command35, *Command63, *Command9, *Command71, *Command72,
        *Command73, *Command46, *Command48, *Command47, *Command49, *Command50, *Command108,
        *Command56;

    // Script.
    QGroupBox* Frame6;
    QLabel *Label59, *Label32;
    QLineEdit *Text22, *Text20;
    QCheckBox* Check1;
    QPushButton *Command54, *Command55, *Command34;
    QToolButton* CommandRecentScripts;
    QMenu* MenuRecentScripts;
    QListWidget* List1;
    QMenu* MenuCMD;
    QAction *DelectList, *DelectAll;

    // Other options.
    QGroupBox* Frame5;
    QLabel *Label16, *Label11, *Label65, *Label14, *Label15;
    QLineEdit *Text40, *Text33;
    QComboBox *Combo9, *Combo1;
    QPushButton *Command96, *Command113, *Command114, *Command102, *Command103, *Command78,
        *Command104, *Command105, *Command111, *Command100, *Command95, *Command101, *Command106,
        *Command112, *Command109, *Command110;

    void setupUi(QMainWindow* window);
};

} // namespace stepbench
