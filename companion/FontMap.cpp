// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/FontMap.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>

#include <cstdio>

namespace FontMap {

namespace {

struct Entry {
    const char16_t* face;
    std::initializer_list<const char*> families; // preferred first
    bool crisp;
};

const Entry kEntries[] = {
    {u"M_DegitA", {"DSEG7 Classic", "DSEG7 Modern", "DejaVu Sans Mono"}, false},
    {u"M_DegitB", {"DSEG7 Modern", "DSEG7 Classic", "DejaVu Sans Mono"}, false},
    {u"M_DegitC", {"DSEG7 Classic Mini", "DSEG7 Classic", "DejaVu Sans Mono"}, false},
    {u"M_NumC1", {"DejaVu Sans", "Liberation Sans", "FreeSans"}, false},
    {u"ＭＳ ゴシック", {"Unifont-JP", "Unifont", "IPAGothic"}, true},
    {u"ＭＳ 明朝", {"IPAMincho", "IPAPMincho", "Noto Serif CJK JP"}, true},
    {u"ＭＳ Ｐゴシック", {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP"}, false},
};

const Entry* find(const QString& face)
{
    for (const Entry& e : kEntries)
        if (face == QStringView(e.face))
            return &e;
    return nullptr;
}

QString resolveUncached(const Entry& e)
{
    const QStringList installed = QFontDatabase::families();
    for (const char* fam : e.families) {
        const QString f = QString::fromLatin1(fam);
        if (installed.contains(f, Qt::CaseInsensitive))
            return f;
    }
    const QString fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    std::fprintf(stderr, "ルトミア: no font for \"%s\" (wanted \"%s\"); using \"%s\"\n",
                 QStringView(e.face).toString().toUtf8().constData(), *e.families.begin(),
                 fallback.toUtf8().constData());
    return fallback;
}

} // namespace

QString ResolveFamily(const QString& face)
{
    static QMutex mutex;
    static QHash<QString, QString> cache;
    const QMutexLocker lock(&mutex);
    if (auto it = cache.constFind(face); it != cache.cend())
        return *it;
    const Entry* e = find(face);
    const QString family = e ? resolveUncached(*e) : face;
    cache.insert(face, family);
    return family;
}

QFont MakeFont(const QString& face, int pixelSize, bool bold)
{
    QFont f(ResolveFamily(face));
    f.setPixelSize(qMax(1, pixelSize));
    f.setBold(bold);
    const Entry* e = find(face);
    if (e && e->crisp) {
        f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
        f.setHintingPreference(QFont::PreferFullHinting);
    }
    return f;
}

} // namespace FontMap
