// SPDX-License-Identifier: GPL-3.0-or-later
// The ticket plugin host: every operation reads the plugin afresh from its
// path, so a plugin edited on disk shows at the next board update. The calls
// that fill the options dialog's controls are in PlgHostControls.cpp.

#include "companion/LTM4Res.h"

#include "companion/SeiriPlugin.h"
#include "companion/SeiriTicket.h"

#include <QPainter>

namespace ltm4 {

std::optional<SeiriPlugin> LoadSeiriPlugin(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    return ReadSeiriPluginFile(path).plugin;
}

qint32 LT4_GetPlgInfo(const QString& path, PlgInfo& info, QString* refusal)
{
    if (path.isEmpty())
        return 0;
    const SeiriPluginResult read = ReadSeiriPluginFile(path);
    if (!read.ok()) {
        if (refusal)
            *refusal = SeiriPluginErrorText(read);
        return 0;
    }
    info = read.plugin->info;
    return 1;
}

void LT4_DrawSeiriken(const QString& path, QPainter& dc, const QString& stopName,
                      const QString& dateText, const QString& timeText, qint32 routeNo,
                      qint16 seiriNo, qint16 row, qint16 corpIndex)
{
    const std::optional<SeiriPlugin> plugin = LoadSeiriPlugin(path);
    if (!plugin || !dc.isActive())
        return;
    DrawSeiriTicket(dc, *plugin,
                    TicketValues{stopName, dateText, timeText, routeNo, seiriNo, row, corpIndex});
}

} // namespace ltm4
