// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardStage.h"

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

void BoardStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    p.drawImage(QPoint(0, 0), m_picture);
}
