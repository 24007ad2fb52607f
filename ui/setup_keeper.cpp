#include "ui/setup_keeper.h"

#include "codec/number.h"
#include "commands/request.h"
#include "ui/translation.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <limits>

namespace stepbench {
namespace {

enum class Check : std::uint8_t {
    Text,       // any text
    Address,    // plain hex digits 0-FF
    NewAddress, // the same, or empty
    Baud,       // a whole positive number
    Number,     // a number of the signed 32-bit range
    Item,       // one of the combo box's items
    Checked,    // a check box: true or false
    Range,      // a whole number from min to max
};

struct Kept {
    const char* name;
    Check check;
    int min = 0;
    int max = 0;
};

// The controls whose values are kept, and what a kept value must be to be restored.
constexpr Kept kKept[] = {
    {"Combo10", Check::Item},
    {"COM_PORT", Check::Text},
    {"Combo2", Check::Baud},
    {"Text23", Check::Address},
    {"Combo7", Check::Item},
    {"Check2", Check::Checked},
    {"Text34", Check::Range, 0, 65503},
    {"TextReplyTimeout", Check::Range, 10, 60000},
    {"TextTurnaround", Check::Range, 0, 60000},
    {"CheckAutoReconnect", Check::Checked},
    {"CheckEchoSuppression", Check::Checked},
    {"ComboLineTiming", Check::Item},
    // Motion plots.
    {"ComboSampleRate", Check::Item},
    {"ComboTimeWindow", Check::Item},
    {"TextSampleAddresses", Check::Text},
    {"CheckAutoSample", Check::Checked},
    {"Text22", Check::Range, 0, 65535},
    {"Text20", Check::Range, 50, 60000},
    // Parameters and queries.
    {"Text12", Check::Number},
    {"Text13", Check::Number},
    {"Text14", Check::Number},
    {"Text15", Check::Number},
    {"Text16", Check::Number},
    {"Text29", Check::Number},
    {"Text7", Check::NewAddress},
    {"Combo6", Check::Item},
    // Motion.
    {"Text8", Check::Number},
    {"Text9", Check::Number},
    {"Text10", Check::Number},
    {"Text11", Check::Number},
    {"Combo3", Check::Range, 0, 255},
    {"Combo4", Check::Range, 0, 255},
    {"Combo5", Check::Range, 0, 255},
    {"Text30", Check::Number},
    {"Text32", Check::Number},
    {"Combo8", Check::Text},
    {"Text31", Check::Text},
    // Closed loop.
    {"Text35", Check::Number},
    {"Text36", Check::Number},
    {"Text21", Check::Number},
    {"Text4", Check::Number},
    {"Text39", Check::Number},
    {"Combo11", Check::Range, 0, 255},
    {"Combo12", Check::Range, 0, 255},
    // Other options.
    {"Text40", Check::Range, 0, 255},
    {"Combo9", Check::Item},
    {"Text33", Check::Text},
    {"Combo1", Check::Item},
};

// The longest text a kept field may hold: anything longer is not what the program saved.
constexpr qsizetype kMaxText = 1000;

bool StartsLikeANumber(const QString& text) {
    static const QRegularExpression number(R"(^\s*([-+]?\s*[0-9.]|&[Hh][0-9A-Fa-f]))");
    return number.match(text).hasMatch();
}

bool Makes(const Kept& k, const QString& text, const QWidget* control) {
    if (text.size() > kMaxText) return false;
    const std::string s = text.toStdString();
    const double v = ReadInteger(s);
    switch (k.check) {
    case Check::Text:
        return true;
    case Check::Address:
        return ReadAddress({"", s}).ok();
    case Check::NewAddress:
        return text.trimmed().isEmpty() || ReadAddress({"", s}).ok();
    case Check::Baud: {
        bool ok = false;
        const int baud = text.trimmed().toInt(&ok);
        return ok && baud > 0;
    }
    case Check::Number:
        return StartsLikeANumber(text) && v >= std::numeric_limits<std::int32_t>::min() &&
               v <= std::numeric_limits<std::int32_t>::max();
    case Check::Item: {
        const auto* combo = qobject_cast<const QComboBox*>(control);
        return combo && FindItem(combo, text) >= 0;
    }
    case Check::Checked:
        return text == "true" || text == "false";
    case Check::Range:
        return StartsLikeANumber(text) && v >= k.min && v <= k.max;
    }
    return false;
}

QString ValueOf(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    // A worded item is kept by its id, so it comes back in either language.
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) return ItemId(combo);
    if (const auto* check = qobject_cast<const QAbstractButton*>(control))
        return check->isChecked() ? "true" : "false";
    return {};
}

void SetValue(QWidget* control, const QString& value) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setText(value);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (const int i = FindItem(combo, value); i >= 0)
            combo->setCurrentIndex(i);
        else
            combo->setEditText(value);
    }
    if (auto* check = qobject_cast<QAbstractButton*>(control)) check->setChecked(value == "true");
}

// Enough of the window on some screen to be seen and moved.
bool OnAScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(frame);
        if (seen.width() >= 100 && seen.height() >= 50) return true;
    }
    return false;
}

} // namespace

void FitOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen || window.isMaximized() || window.isFullScreen()) return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    const QSize decoration = frame.size() - window.geometry().size();
    const QSize fits = window.size().boundedTo(room.size() - decoration);
    if (fits != window.size()) window.resize(fits);
    QRect moved = window.frameGeometry();
    moved.moveRight(std::min(moved.right(), room.right()));
    moved.moveBottom(std::min(moved.bottom(), room.bottom()));
    moved.moveLeft(std::max(moved.left(), room.left()));
    moved.moveTop(std::max(moved.top(), room.top()));
    if (moved.topLeft() != window.frameGeometry().topLeft()) window.move(moved.topLeft());
}

void KeptState::usedScript(const QString& path) {
    recentScripts.removeAll(path);
    recentScripts.prepend(path);
    while (recentScripts.size() > kMaxRecent)
        recentScripts.removeLast();
}

void RestoreSetUp(QSettings& settings, QMainWindow& window, QTabWidget& tabs,
                  const QHash<QString, QWidget*>& controls, KeptState& kept) {
    settings.beginGroup("controls");
    for (const Kept& k : kKept) {
        QWidget* control = controls.value(k.name);
        const QVariant saved = settings.value(k.name);
        if (!control || !saved.isValid()) continue;
        const QString text = saved.toString();
        if (Makes(k, text, control)) SetValue(control, text);
    }
    // The register mapping form is the pair of option buttons.
    const QString form = settings.value("PlcForm").toString();
    if (auto* write = qobject_cast<QAbstractButton*>(controls.value("Option4")); form == "write")
        write->setChecked(true);
    if (auto* read = qobject_cast<QAbstractButton*>(controls.value("Option3")); form == "read")
        read->setChecked(true);
    settings.endGroup();

    const QRect before = window.geometry();
    if (window.restoreGeometry(settings.value("window/geometry").toByteArray()) &&
        !OnAScreen(window.frameGeometry()))
        window.setGeometry(before);
    // A size kept from a larger screen (or a fault) is not a size for this one.
    FitOnScreen(window);
    bool ok = false;
    const int tab = settings.value("window/tab").toInt(&ok);
    if (ok && tab >= 0 && tab < tabs.count()) tabs.setCurrentIndex(tab);

    kept.scriptFolder = settings.value("script/folder").toString();
    kept.reportTitle = settings.value("report/title").toString();
    kept.reportMachine = settings.value("report/machine").toString();
    kept.reportEngineer = settings.value("report/engineer").toString();
    kept.reportFolder = settings.value("report/folder").toString();
    // Each file once, however the list was written.
    QStringList recent = settings.value("script/recent").toStringList();
    recent.removeDuplicates();
    kept.recentScripts = recent.mid(0, KeptState::kMaxRecent);
}

void SaveSetUp(QSettings& settings, const QMainWindow& window, const QTabWidget& tabs,
               const QHash<QString, QWidget*>& controls, const KeptState& kept) {
    settings.beginGroup("controls");
    for (const Kept& k : kKept)
        if (const QWidget* control = controls.value(k.name))
            settings.setValue(k.name, ValueOf(control));
    const auto* write = qobject_cast<const QAbstractButton*>(controls.value("Option4"));
    settings.setValue("PlcForm", write && write->isChecked() ? "write" : "read");
    settings.endGroup();
    settings.setValue("window/geometry", window.saveGeometry());
    settings.setValue("window/tab", tabs.currentIndex());
    settings.setValue("script/folder", kept.scriptFolder);
    settings.setValue("report/title", kept.reportTitle);
    settings.setValue("report/machine", kept.reportMachine);
    settings.setValue("report/engineer", kept.reportEngineer);
    settings.setValue("report/folder", kept.reportFolder);
    settings.setValue("script/recent", kept.recentScripts);
    settings.sync();
}

} // namespace stepbench
