// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardStage.h"

#include <QEvent>
#include <QPainter>

BoardStage::BoardStage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardStage::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

bool BoardStage::event(QEvent* e)
{
    // Off screen, every update of the stage or a control on it ends here.
    if (e->type() == QEvent::UpdateRequest && isWindow() && m_onChange)
        m_onChange();
    return QWidget::event(e);
}

void BoardStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    p.drawImage(QPoint(0, 0), m_picture);
}
