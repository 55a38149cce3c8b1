// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/ZoomEffect.h"

#include <QPainter>

ZoomEffect::ZoomEffect(qreal factor, QObject* parent) : QGraphicsEffect(parent), m_factor(factor)
{
}

QRectF ZoomEffect::boundingRectFor(const QRectF& rect) const
{
    return QRectF(rect.topLeft(), rect.size() * m_factor);
}

void ZoomEffect::draw(QPainter* painter)
{
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (source.isNull())
        return;
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawPixmap(QRectF(offset, source.deviceIndependentSize() * m_factor), source,
                        QRectF(source.rect()));
    painter->restore();
}
