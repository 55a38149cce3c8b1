// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/DegitValue.h"

#include <cmath>

bool DegitValue::IsNumeric(double* out) const
{
    if (!m_isText) {
        if (out)
            *out = m_number;
        return true;
    }
    const QString t = m_text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double n = t.toDouble(&ok);
    if (!ok || !std::isfinite(n))
        return false;
    if (out)
        *out = n;
    return true;
}

QString DegitValue::ToString() const
{
    if (m_isText)
        return m_text;
    if (std::isfinite(m_number) && m_number == std::trunc(m_number) && std::fabs(m_number) < 1e15)
        return QString::number(qint64(m_number));
    return QString::number(m_number, 'g', 15);
}

QVariant DegitValue::ToVariant() const
{
    if (m_isText)
        return m_text;
    if (m_number == std::trunc(m_number) && std::fabs(m_number) <= 2147483647.0)
        return int(m_number);
    return m_number;
}

DegitValue DegitValue::FromVariant(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return DegitValue(v.toString());
    bool ok = false;
    const double n = v.toDouble(&ok);
    return ok ? DegitValue(n) : DegitValue(v.toString());
}
