// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/VbOptionButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <climits>

namespace {
// Width a wrapped caption is laid out to when nothing else decides it.
constexpr int kWrapWidth = 440;
} // namespace

VbOptionButton::VbOptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent)
{
    setAutoExclusive(false);
}

void VbOptionButton::setValue(qint16 v)
{
    if (v == 0) {
        setChecked(false);
        return;
    }
    if (QWidget* group = parentWidget()) {
        const auto siblings = group->findChildren<VbOptionButton*>(Qt::FindDirectChildrenOnly);
        for (VbOptionButton* other : siblings) {
            if (other != this)
                other->setChecked(false);
        }
    }
    setChecked(true);
}

void VbOptionButton::nextCheckState()
{
    setValue(-1);
}

void VbOptionButton::setWordWrap(bool on)
{
    m_wrap = on;
    QSizePolicy sp = sizePolicy();
    sp.setHeightForWidth(on);
    sp.setHorizontalPolicy(on ? QSizePolicy::Preferred : QSizePolicy::Minimum);
    setSizePolicy(sp);
    updateGeometry();
}

int VbOptionButton::indicatorWidth() const
{
    return style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, this) +
           style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, this);
}

bool VbOptionButton::hasHeightForWidth() const
{
    return m_wrap || QRadioButton::hasHeightForWidth();
}

int VbOptionButton::heightForWidth(int width) const
{
    if (!m_wrap)
        return QRadioButton::heightForWidth(width);
    const int textWidth = qMax(1, width - indicatorWidth());
    const QRect r =
        fontMetrics().boundingRect(QRect(0, 0, textWidth, INT_MAX), Qt::TextWordWrap, text());
    return qMax(r.height() + 4, QRadioButton::sizeHint().height());
}

QSize VbOptionButton::sizeHint() const
{
    if (!m_wrap)
        return QRadioButton::sizeHint();
    const int w = qMin(QRadioButton::sizeHint().width(), kWrapWidth);
    return {w, heightForWidth(w)};
}

QSize VbOptionButton::minimumSizeHint() const
{
    if (!m_wrap)
        return QRadioButton::minimumSizeHint();
    const int w = indicatorWidth() + fontMetrics().horizontalAdvance(QChar(0x3000)) * 8;
    return {w, heightForWidth(w)};
}

void VbOptionButton::paintEvent(QPaintEvent* e)
{
    if (!m_wrap) {
        QRadioButton::paintEvent(e);
        return;
    }
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QString caption = opt.text;
    opt.text.clear();
    p.drawControl(QStyle::CE_RadioButton, opt);
    QRect textRect = rect();
    textRect.setLeft(indicatorWidth());
    style()->drawItemText(&p, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                          opt.palette, isEnabled(), caption, QPalette::WindowText);
}
