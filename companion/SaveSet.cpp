// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SaveSet.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#endif

namespace ltm4 {

namespace {

constexpr qint64 kChunk = 64 * 1024;

SaveFaultHook& faultHook()
{
    static SaveFaultHook hook;
    return hook;
}

SaveFault faultFor(const QString& path)
{
    return faultHook() ? faultHook()(path) : SaveFault{};
}

QString withDetail(const QString& reason, const QString& detail)
{
    return detail.isEmpty() ? reason : reason + QStringLiteral("：") + detail;
}

// A second name for the file at from, without copying it (and so without
// reading it); false where the file system cannot.
bool hardLink(const QString& from, const QString& to)
{
#ifdef Q_OS_UNIX
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
    return false;
#endif
}

// Renames over an existing file in one step where the platform can.
bool renameOver(const QString& from, const QString& to)
{
#ifdef Q_OS_UNIX
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#else
    QFile::remove(to);
    return QFile::rename(from, to);
#endif
}

// An unused name beside target for its old contents while a set is put in place.
QString spareName(const QString& target)
{
    return target + QStringLiteral(".~") +
           QString::number(QRandomGenerator::global()->generate(), 16);
}

} // namespace

struct SaveSet::Staged {
    QString path;   // as given
    QString target; // the file that is replaced (a link followed)
    QString keepOldAs;
    std::unique_ptr<QSaveFile> file;
    QString restoreFrom;     // the old contents while later files are put in place
    bool movedAside = false; // the old file itself was moved to restoreFrom
    bool existed = false;
    bool replaced = false;
};

SaveFaultHook SetSaveFaultHook(SaveFaultHook hook)
{
    return std::exchange(faultHook(), std::move(hook));
}

SaveSet::SaveSet() = default;

SaveSet::~SaveSet()
{
    // Temporary files not committed are removed by their QSaveFile.
}

bool SaveSet::fail(const QString& file, const QString& reason)
{
    if (!m_failed) {
        m_failed = true;
        m_errorFile = file;
        m_errorReason = reason;
    }
    m_files.clear();
    return false;
}

bool SaveSet::add(const QString& path, const QByteArray& bytes, const QString& keepOldAs)
{
    if (m_failed)
        return false;
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        return fail(path, QStringLiteral("同じ名前のフォルダーがあります"));
    if (info.exists() && !info.isFile())
        return fail(path, QStringLiteral("通常のファイルではないため置き換えません"));

    auto s = std::make_unique<Staged>();
    s->path = path;
    s->target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    s->keepOldAs = keepOldAs;
    s->file = std::make_unique<QSaveFile>(s->target);
    QSaveFile& f = *s->file;
    // Unbuffered: every write reaches the kernel here, where its failure is
    // seen, rather than in a final flush whose failure commit() overlooks.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (info.exists() && !info.isWritable())
            return fail(path, QStringLiteral("書き込みの許可がありません"));
        return fail(path, withDetail(QStringLiteral("一時ファイルを作れません"), f.errorString()));
    }
    // The new file takes the old one's permissions; it must stay readable by
    // its owner, or the next start could not read what was saved.
    f.setPermissions(f.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const SaveFault fault = faultFor(path);
    const qint64 total = bytes.size();
    qint64 written = 0;
    while (written < total) {
        qint64 chunk = qMin(kChunk, total - written);
        const bool cut = fault.writeLimit >= 0 && written + chunk > fault.writeLimit;
        if (cut)
            chunk = qMax<qint64>(0, fault.writeLimit - written);
        const qint64 got = chunk > 0 ? f.write(bytes.constData() + written, chunk) : 0;
        if (got > 0)
            written += got;
        if (cut || got <= 0) {
            const QString os = f.error() != QFileDevice::NoError ? f.errorString() : QString();
            f.cancelWriting();
            return fail(path,
                        withDetail(QStringLiteral("%1 バイトのうち %2 バイトしか書き込めません"
                                                  "でした（ディスクの空きが足りないなど）")
                                       .arg(QString::number(total), QString::number(written)),
                                   os));
        }
    }
    // What the file system holds, not what the writes claimed.
    if (f.size() != total) {
        f.cancelWriting();
        return fail(path, QStringLiteral("書き込んだ大きさが合いません（%1 / %2 バイト）")
                              .arg(QString::number(f.size()), QString::number(total)));
    }
#ifdef Q_OS_UNIX
    // A disk that fills up only when the data is really written says so here.
    if (::fsync(f.handle()) != 0 && errno != EINVAL && errno != ENOTSUP) {
        const QString os = QString::fromLocal8Bit(std::strerror(errno));
        f.cancelWriting();
        return fail(path, withDetail(QStringLiteral("ディスクに書き込めません"), os));
    }
#endif
    m_files.push_back(std::move(s));
    return true;
}

bool SaveSet::commit()
{
    if (m_failed)
        return false;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        Staged& s = *m_files[i];
        s.existed = QFileInfo::exists(s.target);
        const bool last = i + 1 == m_files.size();
        if (s.existed && !s.keepOldAs.isEmpty()) {
            QFile::remove(s.keepOldAs);
            if (!hardLink(s.target, s.keepOldAs)) {
                if (!renameOver(s.target, s.keepOldAs)) {
                    rollBack(i);
                    return fail(
                        s.path,
                        QStringLiteral("元のファイルを「%1」として残せないため、置き換えません")
                            .arg(QFileInfo(s.keepOldAs).fileName()));
                }
                s.movedAside = true;
            }
            s.restoreFrom = s.keepOldAs;
        } else if (s.existed && !last) {
            // Files after this one may still fail: keep its old contents at hand.
            for (int attempt = 0; attempt < 8 && s.restoreFrom.isEmpty(); ++attempt) {
                const QString spare = spareName(s.target);
                if (hardLink(s.target, spare) ||
                    (!QFileInfo::exists(spare) && QFile::copy(s.target, spare)))
                    s.restoreFrom = spare;
            }
            if (s.restoreFrom.isEmpty()) {
                rollBack(i);
                return fail(s.path,
                            QStringLiteral("元のファイルを控えられないため、置き換えません"));
            }
        }
        QSaveFile& f = *s.file;
        if (faultFor(s.path).replaceFails)
            f.cancelWriting();
        if (!f.commit()) {
            const QString os = f.errorString();
            if (s.movedAside)
                renameOver(s.restoreFrom, s.target);
            rollBack(i);
            return fail(s.path,
                        withDetail(QStringLiteral("新しいファイルに置き換えられません"), os));
        }
        s.replaced = true;
    }
    for (const auto& s : m_files)
        if (!s->restoreFrom.isEmpty() && s->keepOldAs.isEmpty())
            QFile::remove(s->restoreFrom);
    m_files.clear();
    return true;
}

void SaveSet::rollBack(std::size_t failedAt)
{
    for (std::size_t j = failedAt; j-- > 0;) {
        Staged& s = *m_files[j];
        if (!s.replaced)
            continue;
        if (!s.existed) {
            QFile::remove(s.target);
        } else if (s.movedAside || s.keepOldAs.isEmpty()) {
            renameOver(s.restoreFrom, s.target);
        } else {
            // The kept name stays: the old contents go back under a second name.
            const QString spare = spareName(s.target);
            if (hardLink(s.keepOldAs, spare) || QFile::copy(s.keepOldAs, spare))
                renameOver(spare, s.target);
        }
    }
    for (std::size_t j = 0; j <= failedAt && j < m_files.size(); ++j) {
        const Staged& s = *m_files[j];
        if (!s.restoreFrom.isEmpty() && s.keepOldAs.isEmpty())
            QFile::remove(s.restoreFrom);
    }
}

SaveResult SaveWhole(const QString& path, const QByteArray& bytes, const QString& keepOldAs)
{
    SaveSet set;
    if (set.add(path, bytes, keepOldAs) && set.commit())
        return {};
    return {false, set.errorReason()};
}

} // namespace ltm4
