// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/RouteRules.h"

#include "companion/LTM4Res.h"

#include <QHash>

namespace {

// One code point as a string; not QString::fromUcs4, which takes a lone
// U+FEFF for a byte-order mark.
QString OneCodePoint(char32_t cp)
{
    if (!QChar::requiresSurrogates(cp))
        return QString(QChar(char16_t(cp)));
    const QChar pair[2] = {QChar(QChar::highSurrogate(cp)), QChar(QChar::lowSurrogate(cp))};
    return QString(pair, 2);
}

QString DefaultPlace(const QList<StopRecord>& stops, int stop)
{
    return QStringLiteral("%1番目の停留所「%2」")
        .arg(QString::number(stop + 1), stops[stop].StopName);
}

RouteFinding FareFinding(int stop, int ticket, qint16 fare)
{
    RouteFinding f;
    f.stop = stop;
    f.field = RouteField::Fare;
    f.ticket = ticket;
    if (fare < -1) {
        f.rule = RouteRule::NegativeFare;
        f.message = QStringLiteral("負の運賃 %1 があります (-1 以外の負の値は表示用の符号"
                                   "ではありません)")
                        .arg(fare);
    } else if (fare > kLargestShownFare) {
        f.rule = RouteRule::FareTooWide;
        f.message = QStringLiteral("運賃 %1 は4桁の表示に収まりません (下4桁だけが表示"
                                   "されます)")
                        .arg(fare);
    } else {
        f.rule = RouteRule::LateFareTooWide;
        f.message =
            QStringLiteral("運賃 %1 は深夜料金(2倍)にすると4桁の表示に収まりません").arg(fare);
    }
    return f;
}

void CheckName(const StopRecord& s, int stop, QList<RouteFinding>& out)
{
    bool lossy = false;
    const QByteArray cp932 = ltm4::ToCp932(s.StopName, &lossy);
    RouteFinding f;
    f.error = true;
    f.stop = stop;
    f.field = RouteField::Name;
    if (lossy) {
        f.rule = RouteRule::NameNotCp932;
        f.character = FirstNotCp932(s.StopName);
        f.message = QStringLiteral("停留所名 '%1' にCP932で表せない文字があります").arg(s.StopName);
        out << f;
    } else if (cp932.size() > kFareNameMaxBytes) {
        f.rule = RouteRule::NameTooLong;
        f.message = QStringLiteral("停留所名が長すぎます (CP932で%1バイト、上限は%2バイト)")
                        .arg(cp932.size())
                        .arg(kFareNameMaxBytes);
        out << f;
    }
}

} // namespace

QList<RouteFinding> CheckRoute(const QList<StopRecord>& stops, const StopPlace& place)
{
    QList<RouteFinding> out;
    QHash<qint16, int> firstWithTicket;
    const int n = int(stops.size());
    for (int i = 0; i < n; ++i) {
        if (i == kFareTableRows) {
            RouteFinding f;
            f.rule = RouteRule::TooManyStops;
            f.error = true;
            f.stop = i;
            f.message = QStringLiteral("停留所は%1までです").arg(kFareTableRows);
            out << f;
            break;
        }
        const StopRecord& s = stops[i];
        CheckName(s, i, out);
        for (int k = 1; k <= kFareColumns; ++k) {
            // Most cells are plain fares: one comparison for them.
            const qint16 fare = s.Fare[size_t(k)];
            if (fare < -1 || fare * 2 > kLargestShownFare)
                out << FareFinding(i, k, fare);
        }
        const auto seen = firstWithTicket.constFind(s.SeiriNo);
        if (seen == firstWithTicket.cend()) {
            firstWithTicket.insert(s.SeiriNo, i);
            continue;
        }
        RouteFinding f;
        f.rule = RouteRule::TicketUsedTwice;
        f.stop = i;
        f.field = RouteField::Ticket;
        f.otherStop = *seen;
        f.message =
            QStringLiteral("整理券番号 %1 は %2と同じです")
                .arg(QString::number(s.SeiriNo), place ? place(*seen) : DefaultPlace(stops, *seen));
        out << f;
    }
    if (n == 0) {
        RouteFinding f;
        f.rule = RouteRule::NoStops;
        f.error = true;
        f.message = QStringLiteral("停留所が1つもありません");
        out << f;
    } else if (n == 1) {
        RouteFinding f;
        f.rule = RouteRule::OneStop;
        f.message = QStringLiteral("停留所が1つだけのため、区間を設定できません"
                                   " (区間は1から「停留所の数 − 1」まで)");
        out << f;
    }
    return out;
}

QString FirstNotCp932(const QString& text)
{
    for (char32_t cp : text.toUcs4()) {
        const QString one = OneCodePoint(cp);
        bool lossy = false;
        // The converter drops some characters (U+FEFF) without calling them lost.
        if (ltm4::ToCp932(one, &lossy).isEmpty() || lossy)
            return one;
    }
    return {};
}

QString Cp932Forms(const QString& text)
{
    bool lossy = false;
    const QByteArray whole = ltm4::ToCp932(text, &lossy);
    if (!lossy) {
        // A character the converter dropped (U+FEFF) shortens the text.
        QString back = ltm4::FromCp932(whole);
        if (back.size() == text.size())
            return back;
    }
    QString out;
    for (char32_t cp : text.toUcs4()) {
        const QString one = OneCodePoint(cp);
        bool lost = false;
        const QByteArray b = ltm4::ToCp932(one, &lost);
        out += lost || b.isEmpty() ? one : ltm4::FromCp932(b);
    }
    return out;
}
