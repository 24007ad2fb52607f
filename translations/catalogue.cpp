#include "translations/catalogue.h"

#include <QCoreApplication>
#include <QTranslator>

namespace stepbench {

bool UseEnglishCatalogue(bool on) {
    static QTranslator english;
    QCoreApplication::removeTranslator(&english);
    if (!on) return true;
    if (!english.load(":/i18n/stepbench_en.qm")) return false;
    QCoreApplication::installTranslator(&english);
    return true;
}

} // namespace stepbench
