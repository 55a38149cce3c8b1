// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/SeiriNumbering.h"

namespace SeiriNumbering {

namespace {

QString number(int n, bool twoDigits)
{
    return twoDigits ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : QString::number(n);
}

} // namespace

QString FirstWord(qint16 style)
{
    switch (style) {
    case 2:
    case 3:
        return QStringLiteral("な し");
    case 4:
    case 5:
        return QStringLiteral("無 券");
    case 6:
    case 7:
        return QStringLiteral("券なし");
    case 8:
    case 9:
        return QStringLiteral("券無し");
    default:
        return {};
    }
}

Plan Make(qint16 style, qint16 zero)
{
    Plan plan;
    const bool two = zero != 0;
    if (style >= 2)
        plan.firstWord = FirstWord(style);

    if (style == 0) {
        for (int n = 1; n <= kLabels; ++n)
            plan.captions[n] = number(n, two);
    } else if (style == 1) {
        for (int n = 0; n <= kLabels - 1; ++n)
            plan.captions[n + 1] = number(n, two);
    } else if (style >= 2 && style <= 11) {
        // Odd styles keep the label's own number, even ones count from 1 after the word.
        const int offset = (style % 2 == 1) ? 1 : 0;
        for (int n = 1; n <= kLabels - 1; ++n)
            plan.captions[n + 1] = number(n + offset, two);
    }
    return plan;
}

} // namespace SeiriNumbering
