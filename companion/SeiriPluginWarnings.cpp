// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SeiriPluginWarnings.h"

#include <algorithm>

namespace ltm4 {

namespace {

QString kindName(TicketItemKind kind)
{
    switch (kind) {
    case TicketItemKind::Paper:
        return QStringLiteral("paper");
    case TicketItemKind::Box:
        return QStringLiteral("box");
    case TicketItemKind::Line:
        return QStringLiteral("line");
    case TicketItemKind::Text:
        return QStringLiteral("text");
    case TicketItemKind::Barcode:
        return QStringLiteral("barcode");
    }
    return {};
}

// Where an item lies against the picture; empty when wholly on it.
QString placement(const TicketItem& item, int width, int height)
{
    int left = item.x, top = item.y, right = item.x + item.w, bottom = item.y + item.h;
    if (item.kind == TicketItemKind::Line) {
        left = std::min(item.x, item.x2);
        right = std::max(item.x, item.x2);
        top = std::min(item.y, item.y2);
        bottom = std::max(item.y, item.y2);
    } else if (item.w == 0 || item.h == 0) {
        return {}; // nothing to place
    }
    const QString picture = QStringLiteral("%1 x %2 ピクセル").arg(width).arg(height);
    // A line along the picture's top or left edge is still drawn on it.
    const bool line = item.kind == TicketItemKind::Line;
    if ((line ? right < 0 : right <= 0) || (line ? bottom < 0 : bottom <= 0) || left >= width ||
        top >= height)
        return QStringLiteral("%1 は絵 (%2) の外にあり、描かれません")
            .arg(kindName(item.kind), picture);
    if (left < 0 || top < 0 || right > width || bottom > height)
        return QStringLiteral("%1 は絵 (%2) からはみ出しています。はみ出た部分は描かれません")
            .arg(kindName(item.kind), picture);
    return {};
}

// Whether the bars of the longest ordinary value fit the box with their
// quiet zones; empty when they do.
QString barcodeWidth(const TicketItem& item, const SeiriPlugin& plugin)
{
    const QString value = ExpandTicketText(item.text, WidestOrdinaryTicketValues(),
                                           plugin.companies, TicketTextUse::Barcode);
    const int bars = int(BarcodeModules(item.barcode, value).size());
    const int needed = bars + 2 * kBarcodeQuietModules;
    if (bars == 0 || item.w >= needed)
        return {};
    if (item.w < bars)
        return QStringLiteral("バーコードの枠の幅 %1 ピクセルは、値が最も長いとき (%2) のバー %3 "
                              "本より狭く、バーが 1 ピクセルより細くなって読み取れません。幅を "
                              "%4 ピクセル以上にしてください")
            .arg(QString::number(item.w), value, QString::number(bars), QString::number(needed));
    return QStringLiteral("バーコードの枠の幅 %1 ピクセルでは、値が最も長いとき (%2) のバー %3 "
                          "本の両側に余白 (バー %4 本分) が取れず、読み取りにくくなります。幅を "
                          "%5 ピクセル以上にしてください")
        .arg(QString::number(item.w), value, QString::number(bars),
             QString::number(kBarcodeQuietModules), QString::number(needed));
}

} // namespace

TicketValues WidestOrdinaryTicketValues()
{
    return TicketValues{
        QString(), QStringLiteral("12-31-2025"), QStringLiteral("23:59:59"), 99999, 150, 301, -1};
}

QList<SeiriPluginWarning> SeiriPluginWarnings(const SeiriPlugin& plugin)
{
    QList<SeiriPluginWarning> out;
    const int width = plugin.info.PrevWidth / 15;
    const int height = plugin.info.PrevHeight / 15;
    if (width > kSeiriPreviewPaneWidth || height > kSeiriPreviewPaneHeight)
        out << SeiriPluginWarning{
            0, QStringLiteral("プレビューの絵 (%1 x %2 ピクセル) が操作盤のプレビュー欄 (%3 x %4 "
                              "ピクセル) より大きく、縮めずに左上から出します。欄からはみ出した"
                              "部分は、社名の一覧に隠れたり窓の端で切れたりします")
                   .arg(width)
                   .arg(height)
                   .arg(kSeiriPreviewPaneWidth)
                   .arg(kSeiriPreviewPaneHeight)};
    for (const TicketItem& item : plugin.items) {
        if (item.kind == TicketItemKind::Paper)
            continue;
        if (const QString where = placement(item, width, height); !where.isEmpty())
            out << SeiriPluginWarning{item.line, where};
        if (item.kind == TicketItemKind::Barcode) {
            if (const QString narrow = barcodeWidth(item, plugin); !narrow.isEmpty())
                out << SeiriPluginWarning{item.line, narrow};
        }
    }
    return out;
}

QString SeiriPluginWarningText(const SeiriPluginWarning& warning)
{
    return warning.line > 0 ? QStringLiteral("%1行目: %2").arg(warning.line).arg(warning.text)
                            : warning.text;
}

} // namespace ltm4
