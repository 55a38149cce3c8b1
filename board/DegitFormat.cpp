// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/DegitFormat.h"

#include <cmath>

namespace DegitFormat {

namespace {

DegitValue applyZeroMode(const DegitValue& v, qint16 zeroMode)
{
    const DegitValue zero(0);
    const DegitValue minusOne(-1);
    const DegitValue empty(QString{});
    switch (zeroMode) {
    case 0:
        return (v == zero || v == empty) ? empty : v;
    case 1:
        return (v == zero || v == empty) ? zero : v;
    case 2:
        if (v == minusOne)
            return zero;
        return v == zero ? empty : v;
    case 3:
        return (v == minusOne || v == zero || v == empty) ? zero : v;
    default:
        return v;
    }
}

// A number written with at least `digits` digits, rounded to a whole number.
QString padded(double n, int digits)
{
    const double r = std::round(n);
    QString body = QString::number(std::fabs(r), 'f', 0);
    if (body.size() < digits)
        body.prepend(QString(digits - body.size(), QLatin1Char('0')));
    return (r < 0 ? QStringLiteral("-") : QString()) + body;
}

} // namespace

QString DisplayText(const DegitValue& value, qint16 zeroMode, qint16 fillZero, qint16 shift,
                    qint16 keta)
{
    const DegitValue work = applyZeroMode(value, zeroMode);
    double n = 0;
    // A negative fill has no meaning; it pads nothing.
    QString text = (fillZero > 0 && work.IsNumeric(&n)) ? padded(n, fillZero) : work.ToString();
    if (shift >= 1)
        text.append(QString(shift, QLatin1Char(' ')));
    if (keta <= 0)
        return {};
    return text.right(keta);
}

qint16 BoundFillZero(qint16 v, qint16 keta)
{
    return v > keta ? keta : v;
}

qint16 BoundZeroMode(qint16 v)
{
    return v >= 4 ? 0 : v;
}

qint16 BoundShift(qint16 v, qint16 keta)
{
    if (v > keta - 1)
        v = qint16(keta - 1);
    return v < 0 ? 0 : v;
}

qint16 BoundKeta(qint16 v)
{
    return (v < 1 || v > 15) ? 4 : v;
}

qint16 BoundDegitSize(qint16 v)
{
    return (v >= 1 && v <= 3) ? v : 0;
}

SizeClass SizeOf(qint16 degitSize)
{
    switch (degitSize) {
    case 1:
        return {24, 255, 390};
    case 2:
        return {27, 285, 435};
    case 3:
        return {14, 165, 225};
    default:
        return {18, 195, 300};
    }
}

QString FaceOf(qint16 degitStyle)
{
    switch (degitStyle) {
    case 1:
        return QStringLiteral("M_DegitB");
    case 2:
        return QStringLiteral("M_DegitC");
    default:
        return QStringLiteral("M_DegitA");
    }
}

} // namespace DegitFormat
