#include "ui/frm_main_ui.h"

#include "link/link.h"
#include "ui/aligned_caption.h"
#include "ui/gap_label.h"
#include "ui/lamp.h"
#include "ui/translation.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGridLayout>
#include <QMainWindow>
#include <QScrollArea>
#include <QStatusBar>
#include <array>

namespace stepbench {
namespace {

const char* const kAddTip = ZH("加入高级命令");
const char* const kAddTip2 = ZH("添加高级命令");
const char* const kIoTip = ZH("添加IO取代命令");

template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

// Captions and tool tips are text ids (see ui/translation.h).
template <class W>
W* Captioned(W* w, const char* name, const char* caption) {
    Named(w, name);
    SetCaption(w, caption);
    return w;
}

QPushButton* Button(const char* name, const char* caption, const char* tip = nullptr) {
    auto* b = Captioned(new QPushButton, name, caption);
    if (tip) SetToolTipId(b, tip);
    b->setAutoDefault(false);
    return b;
}

// The small ">", "↓", "?" and "0" buttons beside a sender.
QPushButton* Small(const char* name, const char* caption, const char* tip = nullptr) {
    auto* b = Button(name, caption, tip);
    const int w = b->fontMetrics().horizontalAdvance("MM") + 8;
    b->setFixedWidth(w);
    return b;
}

QLineEdit* Edit(const char* name, const QString& text, int chars = 7) {
    auto* e = Named(new QLineEdit(text), name);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(chars, '0')) + 12);
    return e;
}

QComboBox* Combo(const char* name, const QString& text, const QStringList& items, int chars = 6) {
    auto* c = Named(new QComboBox, name);
    c->setEditable(true);
    c->addItems(items);
    // The shown text is the current item too, so the mouse wheel steps from there.
    if (const int i = c->findText(text); i >= 0)
        c->setCurrentIndex(i);
    else
        c->setEditText(text);
    c->setMinimumContentsLength(chars);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}

QLabel* Label(const char* name, const char* text) {
    return Captioned(new QLabel, name, text);
}

QLabel* InlineLabel(const char* name, const char* caption, QWidget* field) {
    return Captioned(new GapLabel(field), name, caption);
}

QGroupBox* Group(const char* name, const char* title) {
    return Captioned(new QGroupBox, name, title);
}

Lamp* NewLamp(const char* name, const QColor& color) {
    return Named(new Lamp(color), name);
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    if (stretch) row->addStretch(1);
    return row;
}

} // namespace

void FrmMainUi::setupUi(QMainWindow* window) {
    window->setObjectName("FrmMain");
    SetCaption(window, ZH("Qelvar数控MODBUS调试工具v6.3"));

    // Top rows.
    Label31 = Label("Label31", ZH("语言(Language):                     Version 6.3"));
    // Each language in its own words.
    Combo10 = Combo("Combo10", "中文", {"中文", "English"});
    // Only a listed language can be chosen.
    Combo10->setEditable(false);
    Label18 = Label("Label18", ZH("选择通讯模式:"));
    Combo7 = Combo("Combo7", "Modbus RTU", {"Modbus RTU", "Modbus ASC"}, 10);
    Label40 = Label("Label40", ZH("设备操作地址(Hex)："));
    Text23 = Edit("Text23", "1", 4);
    Check2 = Captioned(new QCheckBox, "Check2", ZH("PLC标准协议"));
    Option3 = Captioned(new QRadioButton, "Option3", ZH("读"));
    Option4 = Captioned(new QRadioButton, "Option4", ZH("写"));
    auto* mapGroup = new QButtonGroup(window);
    mapGroup->addButton(Option3);
    mapGroup->addButton(Option4);
    Option3->setChecked(true);
    Command3 = Button("Command3", ZH("设寄存器映射地址"));
    Text34 = Edit("Text34", "0", 6);
    for (QWidget* w : {static_cast<QWidget*>(Option3), static_cast<QWidget*>(Option4),
                       static_cast<QWidget*>(Command3), static_cast<QWidget*>(Text34)})
        w->setEnabled(false);

    auto* topLeft = new QGridLayout;
    topLeft->addWidget(Label31, 0, 0, 1, 2);
    topLeft->addWidget(Combo10, 0, 2);
    topLeft->addWidget(Label18, 1, 0);
    topLeft->addWidget(Combo7, 1, 1, 1, 2);
    topLeft->addWidget(Label40, 2, 0);
    topLeft->addWidget(Text23, 2, 1);
    auto* plc = new QGridLayout;
    plc->addWidget(Check2, 0, 0);
    plc->addWidget(Option3, 0, 1);
    plc->addWidget(Option4, 0, 2);
    plc->addWidget(Command3, 1, 0);
    plc->addWidget(Text34, 1, 1, 1, 2);
    LabelReplyTimeout = Label("LabelReplyTimeout", ZH("应答超时(ms)"));
    TextReplyTimeout = Edit("TextReplyTimeout", "300", 6);
    plc->addWidget(LabelReplyTimeout, 2, 0, Qt::AlignRight);
    plc->addWidget(TextReplyTimeout, 2, 1, 1, 2);
    LabelTurnaround = Label("LabelTurnaround", ZH("广播后间隔(ms)"));
    SetToolTipId(LabelTurnaround, ZH("广播（地址0）之后，下一条命令前给设备的时间"));
    TextTurnaround = Edit("TextTurnaround", "100", 6);
    plc->addWidget(LabelTurnaround, 3, 0, Qt::AlignRight);
    plc->addWidget(TextTurnaround, 3, 1, 1, 2);
    auto* top = new QHBoxLayout;
    top->addLayout(topLeft);
    top->addSpacing(12);
    top->addLayout(plc);
    top->addStretch(1);

    // Serial port.
    Frame4 = Group("Frame4", ZH("串口设置"));
    Label8 = Label("Label8", ZH("串口号：  COM"));
    // Editable: the list offers the ports found, and any path can be typed.
    COM_PORT = Combo("COM_PORT", "1", {}, 8);
    COM_PORT->setInsertPolicy(QComboBox::NoInsert);
    Command32 = Button("Command32", ZH("打开"));
    Label9 = Label("Label9", ZH("波特率："));
    QStringList bauds;
    for (qint32 baud : StandardBaudRates())
        bauds << QString::number(baud);
    Combo2 = Combo("Combo2", "9600", bauds);
    Command33 = Button("Command33", ZH("关闭"));
    Command33->setEnabled(false);
    Label10 = Label("Label10", ZH("起始/终止位为1,无硬件奇偶校验"));
    CheckAutoReconnect = Captioned(new QCheckBox, "CheckAutoReconnect", ZH("自动重连"));
    SetToolTipId(CheckAutoReconnect,
                 ZH("串口断开后等待它重新出现，再以同样的设置打开，脚本接着运行"));
    CommandScanBus = Button("CommandScanBus", ZH("扫描总线"), ZH("查找总线上的设备地址和波特率"));
    CheckEchoSuppression = Captioned(new QCheckBox, "CheckEchoSuppression", ZH("回显抑制"));
    SetToolTipId(CheckEchoSuppression,
                 ZH("RS-485 转换器把发出的字节又收回来时打开：每条命令之后先收到的与它相同的字节"
                    "当作回显跳过"));
    ComboLineTiming = Combo("ComboLineTiming", "", {}, 6);
    ComboLineTiming->setEditable(false);
    SetItemIds(ComboLineTiming, {ZH("自动"), ZH("按波特率"), ZH("不计时")});
    LabelLineTiming = Label("LabelLineTiming", ZH("线路计时："));
    SetToolTipId(ComboLineTiming,
                 ZH("自动：串口(ttyS)和USB转串口(ttyUSB)按波特率计时，应答只能在命令发完之后开始；"
                    "USB虚拟串口(ttyACM)、伪终端和设备服务器不计时，应答来得多快都算"));
    {
        auto* g = new QGridLayout(Frame4);
        g->addWidget(Label8, 0, 0);
        g->addWidget(COM_PORT, 0, 1);
        g->addWidget(Command32, 0, 2);
        g->addWidget(Label9, 1, 0);
        g->addWidget(Combo2, 1, 1);
        g->addWidget(Command33, 1, 2);
        g->addWidget(Label10, 2, 0, 1, 3);
        g->addWidget(CheckAutoReconnect, 3, 0, 1, 2);
        g->addWidget(CommandScanBus, 3, 2);
        g->addWidget(CheckEchoSuppression, 4, 0);
        auto* timing = new QHBoxLayout;
        timing->addWidget(LabelLineTiming);
        timing->addWidget(ComboLineTiming, 1);
        g->addLayout(timing, 4, 1, 1, 2);
        g->setColumnStretch(1, 1);
    }

    // Basic commands.
    Frame1 = Group("Frame1", ZH("基本命令"));
    Command13 = Button("Command13", ZH("查地址"));
    Command12 = Button("Command12", ZH("握手"));
    Command15 = Button("Command15", ZH("查波特率"));
    Label12 = Label("Label12", "New Addr:");
    Text7 = Edit("Text7", "", 4);
    Command14 = Button("Command14", ZH("改地址"));
    Label13 = Label("Label13", "Bitrate:");
    Combo6 = Combo("Combo6", "9600",
                   {"2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600"});
    Command16 = Button("Command16", ZH("改波特率"));
    {
        auto* g = new QGridLayout(Frame1);
        g->addWidget(Command13, 0, 0);
        g->addWidget(Command12, 0, 1);
        g->addWidget(Command15, 0, 2);
        g->addWidget(Label12, 1, 0);
        g->addWidget(Text7, 1, 1);
        g->addWidget(Command14, 1, 2);
        g->addWidget(Label13, 2, 0);
        g->addWidget(Combo6, 2, 1);
        g->addWidget(Command16, 2, 2);
    }

    // Parameters: set button, new value, "?" query, queried value.
    Frame2 = Group("Frame2", ZH("参数设置与查询"));
    Label7 = Label("Label7", ZH("新设值      查询值             运动相关查询"));
    const char* const queryTip = ZH("查询设定值");
    Command17 = Button("Command17", ZH("初速度"));
    Command24 = Button("Command24", ZH("最大速度"));
    Command25 = Button("Command25", ZH("末速度"));
    Command26 = Button("Command26", ZH("加速度"));
    Command27 = Button("Command27", ZH("减速度"));
    Command64 = Button("Command64", ZH("归零速度"));
    Text12 = Edit("Text12", "100");
    Text13 = Edit("Text13", "10000");
    Text14 = Edit("Text14", "1000");
    Text15 = Edit("Text15", "10000");
    Text16 = Edit("Text16", "10000");
    Text29 = Edit("Text29", "10000");
    Command57 = Small("Command57", "?", queryTip);
    Command58 = Small("Command58", "?", queryTip);
    Command59 = Small("Command59", "?", queryTip);
    Command60 = Small("Command60", "?", queryTip);
    Command61 = Small("Command61", "?", queryTip);
    Command62 = Small("Command62", "?", queryTip);
    Text27 = Edit("Text27", "0");
    Text26 = Edit("Text26", "0");
    Text25 = Edit("Text25", "0");
    Text24 = Edit("Text24", "0");
    Text6 = Edit("Text6", "0");
    Text28 = Edit("Text28", "0");
    Command28 = Button("Command28", ZH("运动速度"));
    Command30 = Button("Command30", ZH("绝对位置"));
    Command31 = Button("Command31", ZH("相对位置"));
    Command29 = Button("Command29", ZH("运动状态"));
    Command94 = Button("Command94", ZH("查询IN"));
    Command51 = Small("Command51", ">", kAddTip);
    Command52 = Small("Command52", ">", kAddTip);
    Command53 = Small("Command53", ">", kAddTip);
    Command43 = Small("Command43", ">", kAddTip);
    Command99 = Small("Command99", ">", kAddTip);
    Text17 = Edit("Text17", "0");
    Text18 = Edit("Text18", "0");
    Text19 = Edit("Text19", "0");
    Command66 = Small("Command66", "0", ZH("清零"));
    Command69 = Small("Command69", ">", kAddTip);
    Command67 = Small("Command67", "0", ZH("清零"));
    Command70 = Small("Command70", ">", kAddTip);
    Shape1 = NewLamp("Shape1", Lamp::dark());
    Shape2 = NewLamp("Shape2", Qt::black);
    Shape4 = NewLamp("Shape4", Qt::black);
    Shape3 = NewLamp("Shape3", Qt::black);
    Label41 = Label("Label41", ZH("停止左限右限零点"));
    LabelMotionState = Label("LabelMotionState", "");
    Shape5 = NewLamp("Shape5", Qt::black);
    Shape6 = NewLamp("Shape6", Qt::black);
    Shape7 = NewLamp("Shape7", Qt::black);
    Shape8 = NewLamp("Shape8", Qt::black);
    Shape9 = NewLamp("Shape9", Qt::black);
    Label63 = Label("Label63", "IN1 IN2 IN3 IN4 IN5");
    {
        auto* params = new QGridLayout;
        const std::initializer_list<std::array<QWidget*, 4>> rows = {
            {Command17, Text12, Command57, Text27}, {Command24, Text13, Command58, Text26},
            {Command25, Text14, Command59, Text25}, {Command26, Text15, Command60, Text24},
            {Command27, Text16, Command61, Text6},  {Command64, Text29, Command62, Text28}};
        int r = 0;
        for (const auto& row : rows) {
            for (int c = 0; c < 4; ++c)
                params->addWidget(row[c], r, c);
            ++r;
        }
        auto* queries = new QGridLayout;
        queries->addWidget(Command28, 0, 0);
        queries->addWidget(Command51, 0, 1);
        queries->addWidget(Text17, 0, 2);
        queries->addWidget(Command30, 1, 0);
        queries->addWidget(Command52, 1, 1);
        queries->addWidget(Text18, 1, 2);
        queries->addLayout(Row({Command66, Command69}, false), 1, 3);
        queries->addWidget(Command31, 2, 0);
        queries->addWidget(Command53, 2, 1);
        queries->addWidget(Text19, 2, 2);
        queries->addLayout(Row({Command67, Command70}, false), 2, 3);
        queries->addWidget(Command29, 3, 0);
        queries->addWidget(Command43, 3, 1);
        queries->addWidget(new LampCaption(Label41, {{Shape1, ZH("停止")},
                                                     {Shape2, ZH("左限")},
                                                     {Shape4, ZH("右限")},
                                                     {Shape3, ZH("零点")}}),
                           3, 2);
        queries->addWidget(LabelMotionState, 3, 3);
        queries->addWidget(Command94, 4, 0);
        queries->addWidget(Command99, 4, 1);
        queries->addWidget(new LampCaption(Label63, {{Shape5, "IN1"},
                                                     {Shape6, "IN2"},
                                                     {Shape7, "IN3"},
                                                     {Shape8, "IN4"},
                                                     {Shape9, "IN5"}}),
                           4, 2, 1, 2);
        auto* v = new QVBoxLayout(Frame2);
        v->addWidget(Label7);
        auto* h = new QHBoxLayout;
        h->addLayout(params);
        h->addSpacing(8);
        h->addLayout(queries);
        h->addStretch(1);
        v->addLayout(h);
    }

    // Motion.
    Frame3 = Group("Frame3", ZH("运动控制"));
    Text8 = Edit("Text8", "10000");
    Combo3 = Combo("Combo3", "0", {"0", "1"}, 2);
    Text9 = Edit("Text9", "1000");
    Text10 = Edit("Text10", "10000");
    Combo4 = Combo("Combo4", "0", {"0", "1"}, 2);
    Text11 = Edit("Text11", "10000");
    Combo5 = Combo("Combo5", "0", {"0", "1"}, 2);
    Text30 = Edit("Text30", "10000");
    Text32 = Edit("Text32", "500");
    Label20 = Label("Label20", ZH("位置运动: 正/负方向脉冲数:"));
    Label21 = InlineLabel("Label21", ZH("方向:          脉冲数:"), Combo3);
    Label24 = Label("Label24", ZH("恒速运动: 正/负方向速度:"));
    Label25 = InlineLabel("Label25", ZH("方向:           速度:"), Combo4);
    Label37 = Label("Label37", ZH("查找零点: 方向:"));
    Label27 = InlineLabel("Label27", ZH("运动中改变速度:  新速度            PLUS/S"), Text30);
    Command74 = Button("Command74", ZH("绝对位置"));
    Command18 = Button("Command18", ZH("运动"));
    Command19 = Button("Command19", ZH("运动"));
    Command20 = Button("Command20", ZH("运动"));
    Command21 = Button("Command21", ZH("运动"));
    Command76 = Button("Command76", ZH("归零1"));
    Command75 = Button("Command75", ZH("归零3"));
    Command7 = Button("Command7", ZH("归零2"));
    Command65 = Button("Command65", ZH("执行"));
    Command91 = Button("Command91", ZH("固定加减速因子设定"));
    Command92 = Button("Command92", ZH("按因子加速1次"));
    Command93 = Button("Command93", ZH("按因子减速1次"));
    Command22 = Button("Command22", ZH("减速停止"));
    Command23 = Button("Command23", ZH("立即停止"));
    Command38 = Small("Command38", ">", kAddTip);
    Command39 = Small("Command39", ">", kAddTip);
    Command40 = Small("Command40", ">", kAddTip);
    Command41 = Small("Command41", ">", kAddTip);
    Command42 = Small("Command42", ">", kAddTip);
    Command44 = Small("Command44", ">", kAddTip);
    Command45 = Small("Command45", ">", kAddTip);
    Command68 = Small("Command68", ">", kAddTip);
    Command82 = Small("Command82", "↓", kIoTip);
    Command83 = Small("Command83", "↓", kIoTip);
    Command84 = Small("Command84", "↓", kIoTip);
    Command85 = Small("Command85", "↓", kIoTip);
    Command86 = Small("Command86", "↓", kIoTip);
    Command87 = Small("Command87", "↓", kIoTip);
    Command89 = Small("Command89", "↓", kIoTip);
    Command90 = Small("Command90", "↓", kIoTip);
    Command97 = Small("Command97", "↓", kIoTip);
    Command98 = Small("Command98", "↓", kIoTip);
    QStringList patterns;
    for (int p = 1; p <= 31; ++p)
        patterns << QString::number(p, 2).rightJustified(5, '0');
    Combo8 = Combo("Combo8", "00001", patterns, 5);
    Label61 = InlineLabel("Label61", ZH("IO控制:           ＝命令"), Combo8);
    auto* digits = Captioned(new DigitsCaption, "Label64", ZH("IN序号  54321"));
    digits->setAnchor(Combo8->lineEdit());
    Label64 = digits;
    Text31 = Edit("Text31", "", 18);
    Text31->setMinimumWidth(Text31->width());
    Text31->setMaximumWidth(QWIDGETSIZE_MAX);
    Command88 = Small("Command88", "?");
    Command81 = Button("Command81", ZH("下载"));
    {
        auto* g = new QGridLayout;
        g->addWidget(Label20, 0, 0);
        g->addWidget(Text8, 0, 1);
        g->addWidget(Command74, 0, 2);
        g->addWidget(Command82, 0, 3);
        g->addWidget(Command18, 0, 4);
        g->addWidget(Command38, 0, 5);
        g->addWidget(Label21, 1, 0);
        g->addWidget(Text9, 1, 1);
        g->addWidget(Command83, 1, 3);
        g->addWidget(Command19, 1, 4);
        g->addWidget(Command39, 1, 5);
        g->addWidget(Label24, 2, 0);
        g->addWidget(Text10, 2, 1);
        g->addWidget(Command84, 2, 3);
        g->addWidget(Command20, 2, 4);
        g->addWidget(Command40, 2, 5);
        g->addWidget(Label25, 3, 0);
        g->addWidget(Text11, 3, 1);
        g->addWidget(Command85, 3, 3);
        g->addWidget(Command21, 3, 4);
        g->addWidget(Command41, 3, 5);
        g->addWidget(Label37, 4, 0);
        g->addLayout(Row({Combo5, Command76, Command75}, false), 4, 1, 1, 2);
        g->addWidget(Command86, 4, 3);
        g->addWidget(Command7, 4, 4);
        g->addWidget(Command42, 4, 5);
        g->addWidget(Label27, 5, 0, 1, 3);
        g->addWidget(Command87, 5, 3);
        g->addWidget(Command65, 5, 4);
        g->addWidget(Command68, 5, 5);
        // The two stops stand tall beside the motion rows, each with its capture buttons.
        Command22->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        Command23->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        g->addWidget(Command22, 0, 6, 2, 1);
        g->addWidget(Command44, 0, 7);
        g->addWidget(Command89, 1, 7);
        g->addWidget(Command23, 2, 6, 2, 1);
        g->addWidget(Command45, 2, 7);
        g->addWidget(Command90, 3, 7);
        auto* v = new QVBoxLayout(Frame3);
        v->addLayout(g);
        v->addLayout(Row({Command91, Text32, Command92, Command97, Command93, Command98}));
        auto* io = new QGridLayout;
        io->addWidget(Label61, 0, 0);
        io->addWidget(Text31, 0, 1);
        io->addWidget(Command88, 0, 2);
        io->addWidget(Command81, 0, 3);
        io->addWidget(Label64, 1, 0);
        io->setRowMinimumHeight(1, 0);
        io->setColumnStretch(1, 1);
        v->addLayout(io);
    }

    // Closed loop.
    Frame7 = Group("Frame7", ZH("闭环控制"));
    Label5 = Label("Label5", ZH("反馈脉冲"));
    Text35 = Edit("Text35", "4096");
    Command4 = Button("Command4", ZH("4倍频运动"));
    Label6 = Label("Label6", ZH("反馈脉冲"));
    Text36 = Edit("Text36", "2048");
    Command107 = Button("Command107", ZH("齿轮比运动"));
    Label29 = Label("Label29", ZH("反馈位置"));
    Text21 = Edit("Text21", "1000");
    Command35 = Button("Command35", ZH("到闭环位置"));
    Command63 = Button("Command63", ZH("齿轮分子"));
    Text4 = Edit("Text4", "1");
    Command9 = Small("Command9", "?");
    Command71 = Button("Command71", ZH("齿轮分母"));
    Text39 = Edit("Text39", "1");
    Command72 = Small("Command72", "?");
    Command73 = Button("Command73", ZH("控制方向"));
    Combo11 = Combo("Combo11", "0", {"0", "1"}, 2);
    Command46 = Button("Command46", ZH("绝对位置"));
    Text37 = Edit("Text37", "0");
    Command48 = Small("Command48", "0", ZH("清零"));
    Command47 = Button("Command47", ZH("相对位置"));
    Text38 = Edit("Text38", "0");
    Command49 = Small("Command49", "0", ZH("清零"));
    Command50 = Button("Command50", ZH("编码方向"));
    Combo12 = Combo("Combo12", "0", {"0", "1"}, 2);
    Command108 = Button("Command108", ZH("无积累误差"));
    Command56 = Button("Command56", ZH("有积累误差"));
    {
        auto* g = new QGridLayout(Frame7);
        using Cell3 = std::array<QWidget*, 3>;
        const std::array<std::array<Cell3, 3>, 3> rows = {{{{{Label5, Text35, Command4},
                                                             {Label6, Text36, Command107},
                                                             {Label29, Text21, Command35}}},
                                                           {{{Command63, Text4, Command9},
                                                             {Command71, Text39, Command72},
                                                             {Command73, Combo11, nullptr}}},
                                                           {{{Command46, Text37, Command48},
                                                             {Command47, Text38, Command49},
                                                             {Command50, Combo12, nullptr}}}}};
        int col = 0;
        for (const auto& column : rows) {
            int r = 0;
            for (const auto& row : column) {
                for (int c = 0; c < 3; ++c)
                    if (row[c]) g->addWidget(row[c], r, col + c);
                ++r;
            }
            col += 3;
            g->setColumnMinimumWidth(col++, 8);
        }
        g->addWidget(Command108, 0, col);
        g->addWidget(Command56, 1, col);
        g->setColumnStretch(col + 1, 1);
    }

    // Script.
    Frame6 = Group("Frame6", ZH("高级自动控制功能(HEX格式)"));
    Text22 = Edit("Text22", "1000", 5);
    Label59 = InlineLabel("Label59", ZH("隔          MS"), Text22);
    Check1 = Captioned(new QCheckBox, "Check1", ZH("按行循环执行命令"));
    Command54 = Button("Command54", ZH("打开文件"));
    Command55 = Button("Command55", ZH("命令另存为"));
    CommandRecentScripts = Named(new QToolButton, "CommandRecentScripts");
    SetCaption(CommandRecentScripts, ZH("最近打开"));
    CommandRecentScripts->setPopupMode(QToolButton::InstantPopup);
    MenuRecentScripts = Captioned(new QMenu(window), "MenuRecentScripts", ZH("最近打开"));
    CommandRecentScripts->setMenu(MenuRecentScripts);
    List1 = Named(new QListWidget, "List1");
    List1->setContextMenuPolicy(Qt::CustomContextMenu);
    Text20 = Edit("Text20", "1000", 5);
    Label32 = InlineLabel("Label32", ZH("延时:        毫秒50-6000"), Text20);
    Command34 = Button("Command34", ZH("插入命令"));
    MenuCMD = Captioned(new QMenu(window), "MenuCMD", ZH("命令操作"));
    DelectList = Named(MenuCMD->addAction(QString()), "DelectList");
    DelectAll = Named(MenuCMD->addAction(QString()), "DelectAll");
    SetCaption(DelectList, ZH("删除"));
    SetCaption(DelectAll, ZH("清空"));
    {
        auto* v = new QVBoxLayout(Frame6);
        v->addLayout(Row({Label59, Check1}));
        v->addLayout(Row({Command54, CommandRecentScripts, Command55}));
        v->addWidget(List1, 1);
        v->addLayout(Row({Label32, Command34}));
    }

    // Other options.
    Frame5 = Group("Frame5", ZH("其他"));
    Label16 = Label("Label16", ZH("输入信号常开常闭设置："));
    Command96 = Button("Command96", ZH("出厂设置"));
    Command113 = Button("Command113", ZH("输入常开"));
    Command114 = Button("Command114", ZH("输入常闭"));
    Label11 = Label("Label11", ZH("RS232/485 MODBUS通讯相关设置："));
    Command102 = Button("Command102", ZH("无校验检查"));
    Command103 = Button("Command103", ZH("有校验检查"));
    Text40 = Edit("Text40", "128", 4);
    Command78 = Button("Command78", "LastChr");
    Command104 = Button("Command104", ZH("回8byte长"));
    Command105 = Button("Command105", ZH("回协议长"));
    Command111 = Button("Command111", ZH("通讯不返回"));
    Label65 = Label("Label65", ZH("带CAN通讯的相关设置："));
    Command100 = Button("Command100", ZH("标准帧"));
    Command95 = Button("Command95", ZH("CAN波特率"));
    Combo9 = Combo("Combo9", "100K",
                   {"1M", "900K", "800K", "750K", "600K", "500K", "400K", "250K", "200K", "150K",
                    "125K", "100K", "80K", "50K", "25K", "20K", "10K", "5K"},
                   5);
    Command101 = Button("Command101", ZH("扩展帧"));
    Command106 = Button("Command106", ZH("HEX到CAN发送"));
    Text33 = Edit("Text33", "01 02 03 04 05", 14);
    Label14 = Label("Label14", ZH("带掉电保护型号的相关设置："));
    Command112 = Button("Command112", ZH("掉电设置"));
    Combo1 = Combo("Combo1", "", {}, 10);
    SetItemIds(Combo1, {ZH("掉电不保存"), ZH("掉电保存上电不运行"), ZH("掉电保存,上电运行")});
    Combo1->setCurrentIndex(0);
    Label15 = Label("Label15", ZH("带刹车控制和继电器输出的相关设置："));
    Command109 = Button("Command109", ZH("(刹车)K1开"));
    Command110 = Button("Command110", ZH("K2开"));
    {
        auto* g = new QGridLayout(Frame5);
        int r = 0;
        g->addWidget(Label16, r++, 0, 1, 3);
        g->addWidget(Command113, r, 0);
        g->addWidget(Command114, r, 1);
        g->addWidget(Command96, r++, 2);
        g->addWidget(Label11, r++, 0, 1, 3);
        g->addWidget(Command102, r, 0);
        g->addWidget(Command103, r, 1);
        g->addLayout(Row({Text40, Command78}, false), r++, 2);
        g->addWidget(Command104, r, 0);
        g->addWidget(Command105, r, 1);
        g->addWidget(Command111, r++, 2);
        g->addWidget(Label65, r++, 0, 1, 3);
        g->addWidget(Command100, r, 0);
        g->addWidget(Command95, r, 1);
        g->addWidget(Combo9, r++, 2);
        g->addWidget(Command101, r, 0);
        g->addWidget(Command106, r, 1);
        g->addWidget(Text33, r++, 2);
        g->addWidget(Label14, r++, 0, 1, 3);
        g->addWidget(Command112, r, 0);
        g->addWidget(Combo1, r++, 1, 1, 2);
        g->addWidget(Label15, r++, 0, 1, 3);
        g->addWidget(Command109, r, 0);
        g->addWidget(Command110, r++, 1);
        g->setRowStretch(r, 1);
    }

    // Logs.
    Label1 = Label("Label1", ZH("接收内容："));
    // Counters, not captions: a change of language leaves them as they are.
    Label45 = Named(new QLabel("0"), "Label45");
    Command36 = Button("Command36", ZH("清空内容"));
    RichTextBox1 = Named(new QPlainTextEdit, "RichTextBox1");
    Label2 = Label("Label2", ZH("发送内容："));
    Label44 = Named(new QLabel("0"), "Label44");
    Command6 = Button("Command6", ZH("清空内容"));
    RichTextBox2 = Named(new QPlainTextEdit, "RichTextBox2");
    for (QPlainTextEdit* log : {RichTextBox1, RichTextBox2}) {
        log->setReadOnly(true);
        log->setUndoRedoEnabled(false); // a log that runs for days must not keep its history
        log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        log->setMinimumWidth(log->fontMetrics().horizontalAdvance(QString(36, '0')));
    }
    auto* logs = new QVBoxLayout;
    logs->addLayout(Row({Label1, Label45, Command36}));
    logs->addWidget(RichTextBox1, 1);
    logs->addLayout(Row({Label2, Label44, Command6}));
    logs->addWidget(RichTextBox2, 1);

    // Manual send tools.
    Label4 = Label("Label4", ZH("字符串："));
    Text5 = Edit("Text5", "", 16);
    Text5->setMinimumWidth(Text5->width());
    Text5->setMaximumWidth(QWIDGETSIZE_MAX);
    Command37 = Button("Command37", ZH("发字符串"));
    Command5 = Button("Command5", ZH("转16进制"));
    Label3 = Label("Label3", ZH("16进制："));
    Text1 = Edit("Text1", "", 16);
    Text1->setMinimumWidth(Text1->width());
    Text1->setMaximumWidth(QWIDGETSIZE_MAX);
    Command1 = Button("Command1", ZH("发16进制"));
    Command79 = Small("Command79", ">", kAddTip2);
    Command8 = Button("Command8", "CRC-L/H");
    Command2 = Button("Command2", "CRC-H/L");
    Text2 = Edit("Text2", "", 2);
    Text3 = Edit("Text3", "", 2);
    Command10 = Button("Command10", ZH("发送ASC"));
    Command77 = Small("Command77", ">", kAddTip2);
    Command11 = Button("Command11", ZH("发送RTU"));
    Command80 = Small("Command80", ">", kAddTip2);
    auto* tools = new QGridLayout;
    tools->addWidget(Label4, 0, 0);
    tools->addWidget(Text5, 0, 1);
    tools->addLayout(Row({Command37, Command5}), 0, 2);
    tools->addWidget(Label3, 1, 0);
    tools->addWidget(Text1, 1, 1);
    tools->addLayout(Row({Command1, Command79}), 1, 2);
    tools->addLayout(
        Row({Command8, Command2, Text2, Text3, Command10, Command77, Command11, Command80}), 2, 0,
        1, 3);
    tools->setColumnStretch(1, 1);

    // The working tab: left column of panels, script and options, logs; closed loop and tools
    // below.
    auto* left = new QVBoxLayout;
    left->addLayout(top);
    left->addLayout(Row({Frame4, Frame1}));
    left->addWidget(Frame2);
    left->addWidget(Frame3);
    left->addStretch(1);
    auto* middle = new QVBoxLayout;
    middle->addWidget(Frame6, 1);
    middle->addWidget(Frame5);
    auto* upper = new QHBoxLayout;
    upper->addLayout(left);
    upper->addLayout(middle);
    upper->addLayout(logs, 1);
    auto* lower = new QHBoxLayout;
    lower->addWidget(Frame7);
    lower->addLayout(tools, 1);
    workingTab = new QWidget;
    workingTab->setObjectName("WorkingTab");
    auto* page = new QVBoxLayout(workingTab);
    page->addLayout(upper, 1);
    page->addLayout(lower);

    RichTextBox3 = Named(new QTextBrowser, "RichTextBox3");

    SSTab1 = Named(new QTabWidget, "SSTab1");
    auto* scroll = new QScrollArea;
    scroll->setWidget(workingTab);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    SSTab1->addTab(scroll, QString());
    SSTab1->addTab(RichTextBox3, QString());
    SetTabCaption(SSTab1, 0, ZH("QelvarMODBUS调试工具"));
    SetTabCaption(SSTab1, 1, ZH("通讯协议"));
    window->setCentralWidget(SSTab1);

    // Dense like a bench instrument's panel, so the working tab fits a 1366x768 screen.
    for (QLayout* l : workingTab->findChildren<QLayout*>()) {
        l->setSpacing(2);
        if (auto* grid = qobject_cast<QGridLayout*>(l)) grid->setVerticalSpacing(1);
        if (qobject_cast<QGroupBox*>(l->parentWidget())) l->setContentsMargins(6, 1, 6, 3);
    }
    page->setContentsMargins(6, 4, 6, 4);
    workingTab->setStyleSheet("QPushButton { padding: 1px 6px; }"
                              "QLineEdit { padding: 0px 1px; }"
                              "QComboBox { padding: 0px 4px; }");
    window->setStatusBar(new QStatusBar);
}

} // namespace stepbench
