// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsSource.h"

#include "companion/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <memory>

namespace {

constexpr qint64 kReadChunk = 64 * 1024;

GtfsFiles Failed(const QString& file, const QString& message)
{
    GtfsFiles out;
    out.ok = false;
    out.error = {file, 0, message};
    return out;
}

QString Size(qint64 bytes)
{
    return bytes >= (1 << 20) ? QStringLiteral("%1 MiB").arg(bytes >> 20)
                              : QStringLiteral("%1 バイト").arg(bytes);
}

QString TooLarge(qint64 limit)
{
    return QStringLiteral("大きすぎます (上限 %1)").arg(Size(limit));
}

QString TotalTooLarge(qint64 limit)
{
    return QStringLiteral("読み込む表の合計が大きすぎます (上限 %1)").arg(Size(limit));
}

QString ZipErrorText(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// The table name an entry stands for under prefix, lower-cased; empty if none.
QString EntryTable(const QByteArray& name, const QByteArray& prefix)
{
    if (!name.startsWith(prefix))
        return {};
    const QByteArray rest = name.mid(prefix.size());
    if (rest.isEmpty() || rest.contains('/'))
        return {};
    return QString::fromUtf8(rest).toLower();
}

} // namespace

GtfsFiles ReadGtfsZip(const QByteArray& zip, const QStringList& wanted, const GtfsLimits& limits)
{
    if (zip.size() > limits.maxArchiveBytes)
        return Failed({}, QStringLiteral("ZIPファイルが") + TooLarge(limits.maxArchiveBytes));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(zip.constData(), zip_uint64_t(zip.size()), 0, &error);
    if (!source) {
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        return Failed({}, QStringLiteral("ZIPとして読めません (%1)").arg(ZipErrorText(code)));
    }
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!archive) {
        const int code = zip_error_code_zip(&error);
        zip_source_free(source);
        zip_error_fini(&error);
        return Failed({}, QStringLiteral("ZIPとして読めません (%1)").arg(ZipErrorText(code)));
    }
    zip_error_fini(&error);

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || count > limits.maxEntries)
        return Failed({}, QStringLiteral("ZIPの項目が多すぎます (%1、上限 %2)")
                              .arg(QString::number(count), QString::number(limits.maxEntries)));

    // The feed's folder: where the shallowest stops.txt is.
    QList<QByteArray> names;
    QByteArray prefix;
    int depth = -1;
    bool tie = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_RAW);
        names << QByteArray(raw ? raw : "");
        const QByteArray& name = names.last();
        const qsizetype slash = name.lastIndexOf('/');
        if (name.mid(slash + 1).toLower() != "stops.txt" || name.startsWith("__MACOSX/"))
            continue;
        const int d = int(name.count('/'));
        if (depth < 0 || d < depth) {
            depth = d;
            prefix = name.left(slash + 1);
            tie = false;
        } else if (d == depth) {
            tie = true;
        }
    }
    if (tie)
        return Failed({}, QStringLiteral("ZIPの中に stops.txt が同じ深さで複数あり、"
                                         "どれがフィードか決められません"));

    GtfsFiles out;
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const QString table = EntryTable(names[i], prefix);
        if (table.isEmpty() || !wanted.contains(table) || out.tables.contains(table))
            continue;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), zip_uint64_t(i), 0, &st) == 0 &&
            (st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(limits.maxTableBytes))
            return Failed(table, TooLarge(limits.maxTableBytes));
        std::unique_ptr<zip_file_t, ZipFileCloser> file(
            zip_fopen_index(archive.get(), zip_uint64_t(i), 0));
        if (!file)
            return Failed(table, QStringLiteral("ZIPから取り出せません (%1)")
                                     .arg(QString::fromUtf8(zip_strerror(archive.get()))));
        // The sizes in the archive may lie: count what actually comes out.
        QByteArray bytes;
        for (;;) {
            const qsizetype at = bytes.size();
            bytes.resize(at + kReadChunk);
            const zip_int64_t got = zip_fread(file.get(), bytes.data() + at, kReadChunk);
            if (got < 0)
                return Failed(table, QStringLiteral("ZIPから取り出せません (%1)")
                                         .arg(QString::fromUtf8(zip_file_strerror(file.get()))));
            bytes.resize(at + qsizetype(got));
            if (bytes.size() > limits.maxTableBytes)
                return Failed(table, TooLarge(limits.maxTableBytes));
            if (total + bytes.size() > limits.maxTotalBytes)
                return Failed(table, TotalTooLarge(limits.maxTotalBytes));
            if (got == 0)
                break;
        }
        total += bytes.size();
        out.tables.insert(table, bytes);
    }
    return out;
}

GtfsFiles ReadGtfsFolder(const QString& folder, const QStringList& wanted, const GtfsLimits& limits)
{
    const QDir dir(folder);
    QHash<QString, QString> byLowerName;
    // System entries too, so that a pipe named stops.txt is refused by name
    // rather than taken for a missing table.
    for (const QString& name : dir.entryList(QDir::Files | QDir::System))
        byLowerName.insert(name.toLower(), name);
    GtfsFiles out;
    qint64 total = 0;
    for (const QString& table : wanted) {
        const QString name = byLowerName.value(table);
        if (name.isEmpty())
            continue;
        const ltm4::FileBytes file =
            ltm4::ReadRegularFile(dir.filePath(name), limits.maxTableBytes);
        if (!file.ok())
            return Failed(table, QStringLiteral("読み込めません (") + file.reason + u')');
        if (file.truncated)
            return Failed(table, TooLarge(limits.maxTableBytes));
        total += file.bytes.size();
        if (total > limits.maxTotalBytes)
            return Failed(table, TotalTooLarge(limits.maxTotalBytes));
        out.tables.insert(table, file.bytes);
    }
    return out;
}

GtfsFiles ReadGtfsFeed(const QString& path, const QStringList& wanted, const GtfsLimits& limits)
{
    const QFileInfo info(path);
    if (info.isDir())
        return ReadGtfsFolder(path, wanted, limits);
    // Only a regular file is opened: a pipe given by mistake must not hold the tool.
    const ltm4::FileBytes file = ltm4::ReadRegularFile(path, limits.maxArchiveBytes);
    if (file.error == ltm4::ReadFileError::Missing)
        return Failed({}, QStringLiteral("見つかりません"));
    if (!file.ok())
        return Failed({}, QStringLiteral("読み込めません (") + file.reason + u')');
    if (file.truncated)
        return Failed({}, QStringLiteral("ZIPファイルが") + TooLarge(limits.maxArchiveBytes));
    return ReadGtfsZip(file.bytes, wanted, limits);
}
