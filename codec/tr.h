#pragma once

#include "codec/texts.h"

#include <QCoreApplication>
#include <QString>
#include <string>
#include <string_view>

// For the parts of the program built on Qt; the plain C++ core marks its texts with ZH() and
// leaves them to be translated here.
namespace stepbench {

// A text of the program in the language chosen: its translation, or the Chinese text itself.
// Tr("打开") also marks the text for lupdate (as qtTrId does).
inline QString Tr(const char* id) {
    return qtTrId(id);
}
inline QString Tr(std::string_view id) {
    return qtTrId(std::string(id).c_str());
}
// A text with a count: "%n" in it is the count, in the plural form its language gives it
// ("Wrote 1 setting", "Wrote 2 settings").
inline QString TrN(const char* id, qsizetype n) {
    return qtTrId(id, int(n));
}

// A message of the core: its text translated, then its arguments filled in (each translated too
// where it is a text of the program, such as a field's name).
template <class E>
QString TrError(const E& error) {
    QString text = Tr(error.message);
    for (const std::string& arg : error.args)
        text = text.arg(Tr(arg));
    return text;
}

} // namespace stepbench
