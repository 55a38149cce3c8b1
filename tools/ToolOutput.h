// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// hy3tool's exit codes and messages, the same for each of its commands.

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace hy3tool {

constexpr int kBadInput = 1;
constexpr int kUsage = 2;
// An output file could not be written whole; the old one is as it was.
constexpr int kCannotWrite = 3;

// One line out as UTF-8 whatever the locale says, like the CSV the tool writes.
inline void Say(FILE* to, const QString& text)
{
    const QByteArray b = (text + u'\n').toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
}

} // namespace hy3tool
