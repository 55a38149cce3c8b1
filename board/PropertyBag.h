// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Key/value store in which the custom controls persist their properties.
// A value equal to its default is not written; a missing key reads as its
// default. Keys keep the order they were written in.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

class PropertyBag {
public:
    void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue);
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const;

    bool Contains(const QString& name) const;
    QStringList Keys() const;
    void Clear() { m_items.clear(); }

    // Variant equality as the controls' persistence sees it: numbers compare by
    // value whatever their width, texts by content, a text never equals a number.
    static bool SameValue(const QVariant& a, const QVariant& b);

private:
    QList<std::pair<QString, QVariant>> m_items;
};
