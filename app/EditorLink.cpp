// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorLink.h"

#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "sound/mdlM_Tape.h"

#include <QLineEdit>

QString EditorLink::FareFolder() const
{
    return m_option.Text2(0)->text();
}

QString EditorLink::TapeFolder() const
{
    return m_option.Text2(1)->text();
}

QString EditorLink::CurrentRoute() const
{
    return m_ctl.Route().DataCount > 0 ? m_ctl.Route().RouteNo : QString();
}

void EditorLink::PreviewRow(const StopRecord& stop, int row, const QString& routeNo)
{
    m_ctl.PreviewRow(stop, qint16(row), routeNo);
}

void EditorLink::EndPreview()
{
    m_ctl.EndPreview();
}

bool EditorLink::TryRoute(const QString& routeNo, const QList<StopRecord>& stops,
                          const QList<TapeEntry>& tape, const ReadingList& readings)
{
    // Announcements first, as a route set from the keypad loads them: they
    // follow the route even when the panel refuses its fares.
    m_tape.TapeLoadList(tape, readings);
    return m_ctl.TryRoute(routeNo, QStringLiteral("1"), stops);
}
