// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/SelectorButton.h"

#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStylePainter>

QString SelectorButton::ShownCaption(const QString& caption)
{
    static const QRegularExpression blanks(QStringLiteral("\u3000+"));
    QString shown = caption;
    while (shown.startsWith(u'\u3000'))
        shown.remove(0, 1);
    while (shown.endsWith(u'\u3000'))
        shown.chop(1);
    return shown.replace(blanks, QStringLiteral("\n"));
}

QSize SelectorButton::sizeHint() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QSize lines = fontMetrics().size(Qt::TextShowMnemonic, ShownCaption(text()));
    return style()->sizeFromContents(QStyle::CT_PushButton, &opt, lines, this);
}

void SelectorButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text = ShownCaption(text());
    p.drawControl(QStyle::CE_PushButton, opt);
}
