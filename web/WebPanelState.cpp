// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebPanelState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray PanelStateJson(const WebPanelState& s)
{
    QJsonArray cells;
    for (const QString& c : s.cells)
        cells.append(c);
    QJsonObject enabled;
    for (int i = 0; i < WebControls::kCount; ++i)
        enabled.insert(WebControls::Name(WebControls::At(i)), bool(s.enabled[size_t(i)]));
    const QJsonObject o{
        {QStringLiteral("route"), s.route},
        {QStringLiteral("section"), s.section},
        {QStringLiteral("row"), s.row},
        {QStringLiteral("rows"), s.rows},
        {QStringLiteral("stopName"), s.stopName},
        {QStringLiteral("fares"), cells},
        {QStringLiteral("lateNight"), s.lateNight},
        {QStringLiteral("displayClear"), s.displayClear},
        {QStringLiteral("tape"), QJsonObject{{QStringLiteral("caption"), s.tapeCaption},
                                             {QStringLiteral("index"), s.tapeIndex},
                                             {QStringLiteral("count"), s.tapeCount}}},
        {QStringLiteral("entry"),
         QJsonObject{{QStringLiteral("route"), s.routeEntry},
                     {QStringLiteral("section"), s.sectionEntry},
                     {QStringLiteral("target"),
                      s.routeEntryActive ? QStringLiteral("route") : QStringLiteral("section")}}},
        {QStringLiteral("enabled"), enabled},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
