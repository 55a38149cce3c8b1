// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SeiriTicket.h"

#include "companion/FontMap.h"
#include "companion/TicketCost.h"

#include <QDate>
#include <QFontMetricsF>
#include <QPainter>

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <exception>

namespace ltm4 {

namespace {

struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
};

std::optional<int> number(QStringView s)
{
    if (s.isEmpty() || s.size() > 4)
        return std::nullopt;
    int v = 0;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

// The board passes mm-dd-yyyy, or the fixed date as yyyy/mm/dd.
std::optional<DateParts> splitDate(QStringView text)
{
    const QList<QStringView> dash = text.split(u'-');
    const QList<QStringView> slash = text.split(u'/');
    std::optional<int> y, m, d;
    if (dash.size() == 3 && dash[2].size() == 4) {
        m = number(dash[0]);
        d = number(dash[1]);
        y = number(dash[2]);
    } else if (slash.size() == 3 && slash[0].size() == 4) {
        y = number(slash[0]);
        m = number(slash[1]);
        d = number(slash[2]);
    }
    if (!y || !m || !d)
        return std::nullopt;
    return DateParts{*y, *m, *d};
}

struct Era {
    const char16_t* name;
    QDate from;
};

// The Japanese era of a date, with the year within it.
std::optional<std::pair<QString, int>> eraOf(const DateParts& d)
{
    static const Era kEras[] = {
        {u"令和", QDate(2019, 5, 1)},
        {u"平成", QDate(1989, 1, 8)},
        {u"昭和", QDate(1926, 12, 25)},
    };
    const QDate date(d.year, d.month, d.day);
    if (!date.isValid())
        return std::nullopt;
    for (const Era& e : kEras)
        if (date >= e.from)
            return std::make_pair(QString::fromUtf16(e.name), d.year - e.from.year() + 1);
    return std::nullopt;
}

QString padded(qint64 v, int width)
{
    const QString digits = QString::number(v < 0 ? -v : v).rightJustified(width, u'0');
    return v < 0 ? QLatin1Char('-') + digits : digits;
}

// At most n characters of text, never half of a surrogate pair.
QString cut(const QString& text, qsizetype n)
{
    if (text.size() <= n)
        return text;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

QColor argb(quint32 c)
{
    return QColor::fromRgba(c);
}

void drawText(QPainter& p, const TicketItem& item, const QString& text)
{
    QFont font(FontMap::ResolveFamily(item.face));
    font.setPixelSize(item.size);
    font.setBold(item.bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, item.spacing);
    font.setStyleStrategy(QFont::PreferAntialias);
    p.setFont(font);
    p.setPen(argb(item.color));

    int flags = Qt::TextSingleLine;
    flags |= item.valign == TicketVAlign::Top      ? Qt::AlignTop
             : item.valign == TicketVAlign::Bottom ? Qt::AlignBottom
                                                   : Qt::AlignVCenter;
    const int horizontal = item.align == TicketAlign::Center  ? Qt::AlignHCenter
                           : item.align == TicketAlign::Right ? Qt::AlignRight
                                                              : Qt::AlignLeft;
    const QRectF box(item.x, item.y, item.w, item.h);
    const qreal advance = QFontMetricsF(font, p.device()).horizontalAdvance(text);
    if (item.fit && item.w > 0 && advance > item.w) {
        // Squeezed sideways as ticket printers do with long names, rather
        // than cut off or shrunk to an unreadable height.
        p.save();
        p.translate(box.left(), 0);
        p.scale(box.width() / advance, 1.0);
        p.drawText(QRectF(0, box.top(), advance, box.height()), flags | Qt::AlignLeft, text);
        p.restore();
        return;
    }
    p.drawText(box, flags | horizontal, text);
}

void drawBarcode(QPainter& p, const TicketItem& item, const QString& text)
{
    const std::vector<bool> modules = BarcodeModules(item.barcode, text);
    if (modules.empty() || item.w <= 0 || item.h <= 0)
        return;
    const int n = int(modules.size());
    // Whole pixels per module with room for a quiet zone of ten modules on
    // each side where the box allows; a box too narrow squeezes the bars.
    constexpr int kQuiet = kBarcodeQuietModules;
    const qreal unit =
        item.w >= n + 2 * kQuiet ? qreal(item.w / (n + 2 * kQuiet)) : qreal(item.w) / qreal(n);
    const qreal left = item.x + (item.w - unit * n) / 2.0;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = argb(item.color);
    for (int i = 0; i < n;) {
        if (!modules[size_t(i)]) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && modules[size_t(j)])
            ++j;
        p.fillRect(QRectF(left + unit * i, item.y, unit * (j - i), item.h), colour);
        i = j;
    }
    p.restore();
}

void drawBox(QPainter& p, const TicketItem& item)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, item.radius > 0);
    p.setBrush(item.fill ? QBrush(argb(*item.fill)) : QBrush(Qt::NoBrush));
    if (item.pen > 0) {
        QPen pen(argb(item.color), item.pen);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    // The outline stays inside the box.
    const qreal half = item.pen / 2.0;
    const QRectF r = QRectF(item.x, item.y, item.w, item.h).adjusted(half, half, -half, -half);
    if (item.radius > 0)
        p.drawRoundedRect(r, item.radius, item.radius);
    else
        p.drawRect(r);
    p.restore();
}

void drawLine(QPainter& p, const TicketItem& item)
{
    if (item.pen <= 0)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(argb(item.color), item.pen);
    pen.setStyle(item.style == TicketLineStyle::Dash  ? Qt::DashLine
                 : item.style == TicketLineStyle::Dot ? Qt::DotLine
                                                      : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(item.x, item.y), QPointF(item.x2, item.y2));
    p.restore();
}

} // namespace

QString ExpandTicketText(const TicketText& text, const TicketValues& v,
                         const QStringList& companies, TicketTextUse use)
{
    // Cut to the lengths the drawing's cost was reckoned with.
    const QString stopName = cut(v.stopName, kTicketMaxStopChars);
    const QString dateText = cut(v.dateText, kTicketMaxDateTimeChars);
    const QString timeText = cut(v.timeText, kTicketMaxDateTimeChars);
    const std::optional<DateParts> date = splitDate(dateText);
    const std::optional<std::pair<QString, int>> era = date ? eraOf(*date) : std::nullopt;
    const QList<QStringView> time = QStringView(timeText).split(u':');
    const auto timePart = [&time](int i, int width) -> QString {
        if (time.size() != 3)
            return {};
        const std::optional<int> n = number(time[i]);
        return n ? padded(*n, width) : QString();
    };

    QString out;
    for (const TicketTextPart& part : text) {
        const int w = part.width;
        switch (part.field) {
        case TicketField::Literal:
            out += part.literal;
            break;
        case TicketField::StopName:
            out += stopName;
            break;
        case TicketField::Date:
            out += dateText;
            break;
        case TicketField::Time:
            out += timeText;
            break;
        case TicketField::Year:
            out += date ? padded(date->year, w) : QString();
            break;
        case TicketField::Month:
            out += date ? padded(date->month, w) : QString();
            break;
        case TicketField::Day:
            out += date ? padded(date->day, w) : QString();
            break;
        case TicketField::Era:
            out += era ? era->first : QString();
            break;
        case TicketField::EraYear:
            // A printed first year is 元年, whatever the padding: "令和元年",
            // never "令和01年".
            if (era && era->second == 1 && use == TicketTextUse::Print)
                out += u'元';
            else
                out += era ? padded(era->second, w) : QString();
            break;
        case TicketField::Hour:
            out += timePart(0, w);
            break;
        case TicketField::Minute:
            out += timePart(1, w);
            break;
        case TicketField::Second:
            out += timePart(2, w);
            break;
        case TicketField::RouteNo:
            out += padded(v.routeNo, w);
            break;
        case TicketField::SeiriNo:
            out += padded(v.seiriNo, w);
            break;
        case TicketField::Row:
            out += padded(v.row, w);
            break;
        case TicketField::Company:
            // Without a choice (or with a stale one) the plugin's first company.
            out += (v.corpIndex >= 0 && v.corpIndex < companies.size()) ? companies.at(v.corpIndex)
                                                                        : companies.value(0);
            break;
        }
    }
    return out;
}

std::vector<bool> BarcodeModules(TicketBarcode type, const QString& text)
{
    if (text.isEmpty())
        return {};
    std::string data = text.toStdString();
    ZXing::BarcodeFormat format = ZXing::BarcodeFormat::Code128;
    switch (type) {
    case TicketBarcode::Code128:
        break;
    case TicketBarcode::Itf:
        format = ZXing::BarcodeFormat::ITF;
        // Interleaved 2 of 5 pairs its digits: an odd count gets a leading 0.
        if (data.size() % 2 != 0)
            data.insert(data.begin(), '0');
        break;
    case TicketBarcode::Codabar:
        format = ZXing::BarcodeFormat::Codabar;
        break;
    }
    try {
        const ZXing::BitMatrix m = ZXing::MultiFormatWriter(format).setMargin(0).encode(data, 0, 0);
        std::vector<bool> modules(size_t(m.width()));
        for (int x = 0; x < m.width(); ++x)
            modules[size_t(x)] = m.get(x, 0);
        return modules;
    } catch (const std::exception&) {
        // A text the symbology cannot hold (a negative number, too long):
        // the ticket goes without its barcode.
        return {};
    }
}

void DrawSeiriTicket(QPainter& p, const SeiriPlugin& plugin, const TicketValues& values)
{
    if (!p.isActive())
        return;
    p.save();
    // The ticket's own picture: what lies beyond it costs nothing to draw.
    p.setClipRect(QRect(0, 0, plugin.info.PrevWidth / 15, plugin.info.PrevHeight / 15),
                  Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (const TicketItem& item : plugin.items) {
        switch (item.kind) {
        case TicketItemKind::Paper:
            p.fillRect(p.window(), argb(item.color));
            break;
        case TicketItemKind::Box:
            drawBox(p, item);
            break;
        case TicketItemKind::Line:
            drawLine(p, item);
            break;
        case TicketItemKind::Text:
            drawText(p, item, ExpandTicketText(item.text, values, plugin.companies));
            break;
        case TicketItemKind::Barcode:
            drawBarcode(
                p, item,
                ExpandTicketText(item.text, values, plugin.companies, TicketTextUse::Barcode));
            break;
        }
    }
    p.restore();
}

} // namespace ltm4
