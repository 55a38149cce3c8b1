// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/StopLampCtl.h"

#include "board/StopLampFace.h"

#include <QMouseEvent>
#include <QPainter>

StopLampCtl::StopLampCtl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(StopLampFace::Rect());
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("クリックすると「つぎ止まります」を点けます"));
    Redraw();
}

void StopLampCtl::setRequested(bool requested)
{
    if (requested == m_requested)
        return;
    m_requested = requested;
    Redraw();
}

void StopLampCtl::setBacklight(int backlight)
{
    if (backlight == m_backlight)
        return;
    m_backlight = backlight;
    Redraw();
}

bool StopLampCtl::Glows() const
{
    return StopLampFace::Glows(m_requested, m_backlight);
}

void StopLampCtl::Redraw()
{
    m_picture = StopLampFace::Draw(m_requested, m_backlight);
    update();
}

void StopLampCtl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_picture);
}

void StopLampCtl::mousePressEvent(QMouseEvent* e)
{
    // Taken here, so a press on the lamp never starts dragging the board.
    if (e->button() == Qt::LeftButton)
        Press();
    e->accept();
}
