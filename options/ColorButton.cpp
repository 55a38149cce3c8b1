// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/ColorButton.h"

#include "companion/ColorRef.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {}

void ColorButton::setBackColor(quint32 color)
{
    // Kept whole: a stored value comes back as it went in; only painting
    // looks at the colour bytes.
    m_color = color;
    update();
}

void ColorButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    p.drawControl(QStyle::CE_PushButtonBevel, opt);
    const QRect swatch = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    p.fillRect(swatch.adjusted(1, 1, -1, -1), ltm4::FromColorRef(m_color));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(swatch.adjusted(1, 1, -2, -2));
}
