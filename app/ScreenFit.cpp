// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScreenFit.h"

#include <limits>

namespace {

bool grabbable(const QRect& frame, const QRect& area)
{
    const QRect on = frame.intersected(area);
    return on.width() >= qMin(kGrabbablePixels, frame.width()) &&
           on.height() >= qMin(kGrabbablePixels, frame.height());
}

// Squared distance from the window's centre to the area (0 inside it).
qint64 distance(const QRect& frame, const QRect& area)
{
    const QPoint c = frame.center();
    const qint64 dx = c.x() < area.left() ? area.left() - c.x() : qMax(0, c.x() - area.right());
    const qint64 dy = c.y() < area.top() ? area.top() - c.y() : qMax(0, c.y() - area.bottom());
    return dx * dx + dy * dy;
}

// Just inside the area; a window larger than the area keeps its top-left on it.
int inside(int pos, int size, int first, int last)
{
    return qMax(first, qMin(pos, last + 1 - size));
}

} // namespace

QPoint ReachablePlace(const QRect& frame, const QList<QRect>& areas)
{
    const QRect* nearest = nullptr;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const QRect& area : areas) {
        if (grabbable(frame, area))
            return frame.topLeft();
        if (const qint64 d = distance(frame, area); d < best) {
            best = d;
            nearest = &area;
        }
    }
    if (!nearest)
        return frame.topLeft();
    return {inside(frame.x(), frame.width(), nearest->left(), nearest->right()),
            inside(frame.y(), frame.height(), nearest->top(), nearest->bottom())};
}

QPoint ClearPlace(const QSize& frame, const QRect& board, const QRect& panel, const QRect& area)
{
    const QPoint places[] = {
        {board.left(), board.bottom() + 1},
        {board.left(), board.top() - frame.height()},
        {area.left(), area.bottom() + 1 - frame.height()},
        area.topLeft(),
    };
    for (const QRect& keepClear : {board.united(panel), board}) {
        for (const QPoint& at : places) {
            const QRect r(at, frame);
            if (area.contains(r) && !r.intersects(keepClear))
                return at;
        }
    }
    return {inside(places[0].x(), frame.width(), area.left(), area.right()),
            inside(places[0].y(), frame.height(), area.top(), area.bottom())};
}
