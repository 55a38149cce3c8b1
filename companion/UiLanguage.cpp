// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ltm4 {

bool SpeakJapanese()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // Lives as long as the program; installed once however often this runs.
    static QTranslator* qtJapanese = nullptr;
    if (qtJapanese)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    qtJapanese = translator;
    return true;
}

} // namespace ltm4
