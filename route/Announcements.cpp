// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/Announcements.h"

QString SpokenName(const QString& name)
{
    QString s = name;
    s.remove(u'"');
    return s;
}

QString WelcomeAnnouncement(const QString& heading, bool loop)
{
    return (loop ? QStringLiteral("ご乗車ありがとうございます。このバスは、%1です。")
                 : QStringLiteral("ご乗車ありがとうございます。このバスは%1行きです。"))
        .arg(heading);
}

QList<TapeEntry> StopAnnouncements(const QString& welcome, const QStringList& names)
{
    QList<TapeEntry> out{TapeEntry{welcome, 0, 0}};
    const qsizetype n = names.size();
    for (qsizetype k = 1; k < n; ++k) {
        const QString text =
            k + 1 < n ? QStringLiteral("次は、%1です。") : QStringLiteral("次は、終点、%1です。");
        out << TapeEntry{text.arg(SpokenName(names[k])), 1, 1};
    }
    return out;
}

QList<TapeEntry> StopAnnouncements(const QStringList& names)
{
    if (names.isEmpty())
        return {};
    const QString first = SpokenName(names.first());
    const QString last = SpokenName(names.last());
    const bool loop = first == last;
    return StopAnnouncements(
        WelcomeAnnouncement(loop ? first + QStringLiteral("循環") : last, loop), names);
}
