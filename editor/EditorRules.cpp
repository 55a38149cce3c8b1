// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorRules.h"

#include "companion/LTM4Res.h"
#include "route/RouteRules.h"
#include "route/SheetText.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"

#include <QFileInfo>

#include <cmath>

namespace {

constexpr int kRouteDigits = 5;

int DigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'０' && c <= u'９')
        return c.unicode() - u'０';
    return -1;
}

} // namespace

std::optional<int> RouteNumberFromText(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > kRouteDigits)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        const int d = DigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 10 + d;
    }
    return value;
}

std::optional<double> NumberFromText(QStringView text)
{
    const QString plain = text.toString().normalized(QString::NormalizationForm_KC).trimmed();
    bool ok = false;
    const double v = plain.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

OpenTarget ParseOpenTarget(const QString& routeNumberOrPath)
{
    OpenTarget t;
    const QString text = routeNumberOrPath.trimmed();
    if (const std::optional<int> n = RouteNumberFromText(text)) {
        t.ok = true;
        t.routeNo = *n;
        return t;
    }
    if (!text.endsWith(QStringLiteral(".hy3"), Qt::CaseInsensitive)) {
        t.error = QStringLiteral("「%1」は系統番号 (0～99999) でも運賃データ (.hy3) でも"
                                 "ありません。")
                      .arg(text);
        return t;
    }
    const QFileInfo info(text);
    const QString base = info.completeBaseName();
    const std::optional<int> n = RouteNumberFromText(base);
    // Only the number's own spelling is ever read by the panel: 012.hy3 never is.
    if (!n || base != QString::number(*n) || info.suffix() != QStringLiteral("hy3")) {
        t.error = QStringLiteral("「%1」はパネルが読む運賃データの名前ではありません。\r\n"
                                 "運賃データの名前は「系統番号.hy3」(先頭に0を付けない、"
                                 "例: 12.hy3) です。")
                      .arg(info.fileName());
        return t;
    }
    t.ok = true;
    t.routeNo = *n;
    t.fromFile = true;
    t.fareFolder = info.absolutePath();
    return t;
}

QString EditorTitle(int routeNo)
{
    return routeNo < 0 ? QStringLiteral("路線エディター - 新しい系統[*]")
                       : QStringLiteral("路線エディター - 系統 %1[*]").arg(routeNo);
}

QString NameCheck::message() const
{
    if (!badCharacter.isEmpty())
        return QStringLiteral("「%1」はCP932で表せないため、この名前では運賃データに書けません")
            .arg(badCharacter);
    if (tooLong)
        return QStringLiteral("停留所名が長すぎます (CP932で%1バイト、上限は%2バイト)")
            .arg(bytes)
            .arg(kFareNameMaxBytes);
    return QStringLiteral("停留所名: CP932で%1バイト").arg(bytes);
}

NameCheck CheckStopName(const QString& name)
{
    NameCheck c;
    bool lossy = false;
    const QByteArray bytes = ltm4::ToCp932(name, &lossy);
    c.bytes = bytes.size();
    c.tooLong = c.bytes > kFareNameMaxBytes;
    // Character by character only when something is amiss: this runs at every key.
    if (lossy || ltm4::FromCp932(bytes).size() != name.size())
        c.badCharacter = FirstNotCp932(name);
    return c;
}

QString UniformSheetText(const QString& cell, int rows, int columns)
{
    if (rows < 1 || columns < 1)
        return {};
    return WriteSheetText(QList<QStringList>(rows, QStringList(columns, cell)));
}

QString TileSheetText(const QString& text, int rows, int columns)
{
    const SheetCells cells = ParseSheetText(text, 2, 2);
    if (cells.rows.size() != 1 || cells.rows.first().size() != 1 || cells.rowsBeyond > 0 ||
        cells.columnsBeyond > 0)
        return text;
    return UniformSheetText(cells.rows.first().first(), rows, columns);
}

RouteOpenResult OpenRouteForEditing(const QString& fareFolder, const QString& tapeFolder,
                                    int routeNo, bool* newRoute)
{
    RouteOpenResult res = OpenRoute(fareFolder, tapeFolder, routeNo);
    if (newRoute)
        *newRoute = false;
    if (res.ok || !res.fareFileMissing)
        return res;
    // No fare data yet: the lists of that number, if any, come with the new route.
    const RouteFileNames names = RouteFilePaths(fareFolder, tapeFolder, routeNo);
    res = ReadRoute(QByteArray(), names.fares, ReadRouteTextSource(names.tape, kTapeMaxFileBytes),
                    ReadRouteTextSource(names.readings, kReadingMaxFileBytes));
    res.fareFileMissing = true;
    if (newRoute)
        *newRoute = res.ok;
    return res;
}
