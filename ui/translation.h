#pragma once

#include "codec/tr.h"

#include <QList>
#include <QString>

class QAction;
class QComboBox;
class QTabWidget;
class QWidget;

namespace stepbench {

// Texts that follow the language chosen. A control keeps the id of its caption (the Chinese text,
// see codec/texts.h) and shows its translation; Retranslate() sets every caption, tool tip,
// group title, tab title, menu item and worded combo item under a widget again after the
// language has changed.
void SetCaption(QWidget* widget, const char* id);
template <class W>
W* WithCaption(W* widget, const char* id) {
    SetCaption(widget, id);
    return widget;
}
void SetCaption(QAction* action, const char* id);
void SetToolTipId(QWidget* widget, const char* id);
void SetTabCaption(QTabWidget* tabs, int index, const char* id);
// Combo items that are words: each shows its translation and keeps its id.
void SetItemIds(QComboBox* combo, const QList<const char*>& ids);
// The id of a control's caption, empty when it has none; a toggle's state is read from it.
QByteArray CaptionId(const QWidget* widget);
// The id of a combo box's current item, or its text as typed.
QString ItemId(const QComboBox* combo);
// The index of the item with this id, or else with this text; -1 when there is none.
int FindItem(const QComboBox* combo, const QString& id);
void Retranslate(QWidget* root);

enum class Language { Chinese, English };
// Installs the program's translation and Qt's own for the language (Qt's standard dialogs and
// buttons follow it); false when a catalogue could not be loaded. Every widget then gets a
// LanguageChange event.
bool SetLanguage(Language language);
Language CurrentLanguage();

// The application font: Noto's CJK face when it is installed, which the Chinese captions need.
void UseWindowFont();

} // namespace stepbench
