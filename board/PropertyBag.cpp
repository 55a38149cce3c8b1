// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/PropertyBag.h"

namespace {

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

} // namespace

bool PropertyBag::SameValue(const QVariant& a, const QVariant& b)
{
    if (isNumber(a) && isNumber(b))
        return a.toDouble() == b.toDouble();
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    return false;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue)
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].first == name) {
            m_items.removeAt(i);
            break;
        }
    }
    if (!SameValue(value, defaultValue))
        m_items.append({name, value});
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    for (const auto& [key, value] : m_items)
        if (key == name)
            return value;
    return defaultValue;
}

bool PropertyBag::Contains(const QString& name) const
{
    for (const auto& item : m_items)
        if (item.first == name)
            return true;
    return false;
}

QStringList PropertyBag::Keys() const
{
    QStringList keys;
    for (const auto& item : m_items)
        keys << item.first;
    return keys;
}
