// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A .zip made with libzip: written to a temporary file and read back whole.
// Empty when libzip refuses.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <zip.h>

struct ZipEntry {
    QByteArray name; // UTF-8, with any folder in front
    QByteArray data;
};

// Stored entries keep a fuzzer's damage in the tables, not only in the inflater.
inline QByteArray MakeZip(const QList<ZipEntry>& entries, bool stored = false)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("feed.zip")).toLocal8Bit();
    int err = 0;
    zip_t* z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return {};
    for (const ZipEntry& e : entries) {
        zip_source_t* s = zip_source_buffer(z, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t at = zip_file_add(z, e.name.constData(), s, ZIP_FL_ENC_UTF_8);
        if (stored && at >= 0)
            zip_set_file_compression(z, zip_uint64_t(at), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0)
        return {};
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
