// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/TicketCost.h"

#include <QRect>

#include <algorithm>
#include <cmath>

namespace ltm4 {

namespace {

constexpr double kItem = 15;
constexpr double kGlyph = 40;
// Above this pixel size glyphs are not cached but drawn as outlines each time.
constexpr int kCachedGlyphSize = 64;
constexpr double kOutlineGlyphPerPixel = 0.4;
constexpr double kFillPer1000 = 0.1;
constexpr double kRoundedPer1000 = 1.5;
constexpr double kBarcode = 50;
constexpr double kBarcodePer1000 = 1.0;

// Digits of the widest value a number placeholder can take.
constexpr qsizetype kRouteChars = 11; // -2147483648
constexpr qsizetype kShortChars = 6;  // -32768
constexpr qsizetype kDatePartChars = 4;

qsizetype numberChars(int width, qsizetype widest)
{
    // Padding never cuts; a negative number adds its sign to the padding.
    return std::max<qsizetype>(width + 1, widest);
}

double areaOnPicture(const QRect& picture, int x, int y, int w, int h)
{
    const QRect on = QRect(x, y, w, h).intersected(picture);
    return on.isEmpty() ? 0.0 : double(on.width()) * double(on.height());
}

double glyphCost(int size)
{
    return size <= kCachedGlyphSize ? kGlyph : kGlyph + kOutlineGlyphPerPixel * size;
}

double itemCost(const TicketItem& item, const QRect& picture, const QStringList& companies)
{
    switch (item.kind) {
    case TicketItemKind::Paper:
        return kItem + double(picture.width()) * double(picture.height()) / 1000 * kFillPer1000;
    case TicketItemKind::Box: {
        const double rate = item.radius > 0 ? kRoundedPer1000 : kFillPer1000;
        const double fill = item.fill ? areaOnPicture(picture, item.x, item.y, item.w, item.h) : 0;
        const double outline = 2.0 * (double(item.w) + double(item.h)) * item.pen;
        return kItem + (fill + outline) / 1000 * rate;
    }
    case TicketItemKind::Line: {
        const double length = std::hypot(double(item.x2 - item.x), double(item.y2 - item.y));
        return kItem + length * std::max(item.pen, 1) / 1000 * kFillPer1000;
    }
    case TicketItemKind::Text:
        return kItem + double(TicketTextMaxChars(item.text, companies)) * glyphCost(item.size);
    case TicketItemKind::Barcode:
        return kItem + kBarcode +
               areaOnPicture(picture, item.x, item.y, item.w, item.h) / 1000 * kBarcodePer1000;
    }
    return kItem;
}

} // namespace

qsizetype TicketTextMaxChars(const TicketText& text, const QStringList& companies)
{
    qsizetype longestCompany = 0;
    for (const QString& c : companies)
        longestCompany = std::max(longestCompany, c.size());
    qsizetype n = 0;
    for (const TicketTextPart& part : text) {
        switch (part.field) {
        case TicketField::Literal:
            n += part.literal.size();
            break;
        case TicketField::StopName:
            n += kTicketMaxStopChars;
            break;
        case TicketField::Date:
        case TicketField::Time:
            n += kTicketMaxDateTimeChars;
            break;
        case TicketField::Era:
            n += 2;
            break;
        case TicketField::Company:
            n += longestCompany;
            break;
        case TicketField::RouteNo:
            n += numberChars(part.width, kRouteChars);
            break;
        case TicketField::SeiriNo:
        case TicketField::Row:
            n += numberChars(part.width, kShortChars);
            break;
        case TicketField::Year:
        case TicketField::Month:
        case TicketField::Day:
        case TicketField::EraYear:
        case TicketField::Hour:
        case TicketField::Minute:
        case TicketField::Second:
            n += numberChars(part.width, kDatePartChars);
            break;
        }
    }
    return n;
}

qsizetype TicketTextMaxDigits(const TicketText& text)
{
    qsizetype n = 0;
    for (const TicketTextPart& part : text) {
        switch (part.field) {
        case TicketField::RouteNo:
            n += std::max<qsizetype>(part.width, kRouteChars - 1);
            break;
        case TicketField::SeiriNo:
        case TicketField::Row:
            n += std::max<qsizetype>(part.width, kShortChars - 1);
            break;
        case TicketField::Year:
        case TicketField::Month:
        case TicketField::Day:
        case TicketField::EraYear:
        case TicketField::Hour:
        case TicketField::Minute:
        case TicketField::Second:
            n += std::max<qsizetype>(part.width, kDatePartChars);
            break;
        default:
            n += TicketTextMaxChars(TicketText{part}, {});
            break;
        }
    }
    return n;
}

qint64 TicketDrawCost(const SeiriPlugin& plugin)
{
    const QRect picture(0, 0, plugin.info.PrevWidth / 15, plugin.info.PrevHeight / 15);
    double cost = 0;
    for (const TicketItem& item : plugin.items)
        cost += itemCost(item, picture, plugin.companies);
    return qint64(std::ceil(cost));
}

} // namespace ltm4
