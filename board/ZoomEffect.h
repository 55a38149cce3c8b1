// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Draws a widget and its children enlarged by a factor, pixel by pixel
// (nearest neighbour): the board is painted as it always is, at its own size,
// and shown larger without a blurred edge anywhere.

#include <QGraphicsEffect>

class ZoomEffect final : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit ZoomEffect(qreal factor, QObject* parent = nullptr);

    qreal Factor() const { return m_factor; }
    QRectF boundingRectFor(const QRectF& rect) const override;

protected:
    void draw(QPainter* painter) override;

private:
    qreal m_factor = 1.0;
};
