#include "ui/translation.h"

#include "translations/catalogue.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTranslator>

namespace stepbench {
namespace {

const char* const kCaption = "stepbenchCaption";
const char* const kToolTip = "stepbenchToolTip";
const char* const kTab = "stepbenchTab";
constexpr int kItemIdRole = Qt::UserRole + 100;

void ShowCaption(QWidget* w, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(text);
    else if (auto* menu = qobject_cast<QMenu*>(w))
        menu->setTitle(text);
    else
        w->setWindowTitle(text);
}

Language g_language = Language::Chinese;

} // namespace

void SetCaption(QWidget* widget, const char* id) {
    widget->setProperty(kCaption, QByteArray(id));
    ShowCaption(widget, Tr(id));
}

void SetCaption(QAction* action, const char* id) {
    action->setProperty(kCaption, QByteArray(id));
    action->setText(Tr(id));
}

void SetToolTipId(QWidget* widget, const char* id) {
    widget->setProperty(kToolTip, QByteArray(id));
    widget->setToolTip(Tr(id));
}

void SetTabCaption(QTabWidget* tabs, int index, const char* id) {
    tabs->widget(index)->setProperty(kTab, QByteArray(id));
    tabs->setTabText(index, Tr(id));
}

void SetItemIds(QComboBox* combo, const QList<const char*>& ids) {
    const QString typed = combo->currentText();
    const int current = combo->currentIndex();
    combo->clear();
    for (const char* id : ids) {
        combo->addItem(Tr(id));
        combo->setItemData(combo->count() - 1, QByteArray(id), kItemIdRole);
    }
    if (current >= 0 && current < combo->count())
        combo->setCurrentIndex(current);
    else
        combo->setEditText(typed);
}

QByteArray CaptionId(const QWidget* widget) {
    return widget->property(kCaption).toByteArray();
}

QString ItemId(const QComboBox* combo) {
    const int i = combo->currentIndex();
    // A text typed over the item is the text, not the item.
    if (i >= 0 && combo->itemText(i) == combo->currentText()) {
        const QByteArray id = combo->itemData(i, kItemIdRole).toByteArray();
        if (!id.isEmpty()) return QString::fromUtf8(id);
    }
    return combo->currentText();
}

int FindItem(const QComboBox* combo, const QString& id) {
    const int i = combo->findData(id.toUtf8(), kItemIdRole);
    return i >= 0 ? i : combo->findText(id);
}

void Retranslate(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (const QByteArray id = CaptionId(w); !id.isEmpty()) ShowCaption(w, Tr(id.constData()));
        if (const QByteArray id = w->property(kToolTip).toByteArray(); !id.isEmpty())
            w->setToolTip(Tr(id.constData()));
        for (QAction* action : w->actions())
            if (const QByteArray id = action->property(kCaption).toByteArray(); !id.isEmpty())
                action->setText(Tr(id.constData()));
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                if (const QByteArray id = tabs->widget(i)->property(kTab).toByteArray();
                    !id.isEmpty())
                    tabs->setTabText(i, Tr(id.constData()));
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            const QString shown = combo->currentText();
            const bool onItem =
                combo->currentIndex() >= 0 && combo->itemText(combo->currentIndex()) == shown;
            for (int i = 0; i < combo->count(); ++i)
                if (const QByteArray id = combo->itemData(i, kItemIdRole).toByteArray();
                    !id.isEmpty())
                    combo->setItemText(i, Tr(id.constData()));
            // A typed text stays as typed.
            if (!onItem && combo->isEditable()) combo->setEditText(shown);
        }
    }
}

bool SetLanguage(Language language) {
    static QTranslator qt;
    QCoreApplication::removeTranslator(&qt);
    g_language = language;
    const bool ok = UseEnglishCatalogue(language == Language::English);
    // Qt's own dialogs and buttons ("Yes", "Cancel") speak Chinese too.
    if (language == Language::Chinese &&
        qt.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    // The window speaks the new language as soon as this returns.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    return ok;
}

Language CurrentLanguage() {
    return g_language;
}

void UseWindowFont() {
    for (const QString& family : {QString("Noto Sans CJK SC"), QString("Noto Sans SC")})
        if (QFontDatabase::hasFamily(family)) {
            QFont font(family);
            font.setPointSizeF(8.5);
            QApplication::setFont(font);
            return;
        }
}

} // namespace stepbench
