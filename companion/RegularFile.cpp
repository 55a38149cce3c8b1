// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ltm4 {

namespace {

ReadFaultHook& faultHook()
{
    static ReadFaultHook hook;
    return hook;
}

FileBytes failed(ReadFileError error, const QString& detail = {})
{
    FileBytes r;
    r.error = error;
    switch (error) {
    case ReadFileError::None:
        break;
    case ReadFileError::Missing:
        r.reason = QStringLiteral("ファイルがありません");
        break;
    case ReadFileError::Folder:
        r.reason = QStringLiteral("フォルダーです");
        break;
    case ReadFileError::NotRegular:
        r.reason = QStringLiteral("通常のファイルではありません（名前付きパイプやデバイスなど）");
        break;
    case ReadFileError::Denied:
        r.reason = QStringLiteral("読み取りの許可がありません");
        break;
    case ReadFileError::Failed:
        r.reason = QStringLiteral("読み込みに失敗しました");
        break;
    }
    if (!detail.isEmpty())
        r.reason += QStringLiteral("：") + detail;
    return r;
}

#ifdef Q_OS_UNIX

FileBytes fromErrno(int e)
{
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        return failed(ReadFileError::Missing);
    case EACCES:
    case EPERM:
        return failed(ReadFileError::Denied);
    default:
        return failed(ReadFileError::Failed, QString::fromLocal8Bit(std::strerror(e)));
    }
}

FileBytes kindOf(const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return failed(ReadFileError::Folder);
    return failed(ReadFileError::NotRegular);
}

FileBytes readUnix(const QString& path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    // Looked at before it is opened: opening a pipe or a device can wait or
    // act. fstat below closes the gap of a name replaced in between.
    if (::stat(name.constData(), &st) != 0)
        return fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return kindOf(st);
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fromErrno(errno);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &st) != 0)
        return fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return kindOf(st);

    FileBytes r;
    // The size is only a hint (the file may grow while it is read); the
    // reads below stop at the cap whatever it says.
    r.bytes.reserve(qsizetype(qBound(qint64(0), qint64(st.st_size), maxBytes)));
    char chunk[64 * 1024];
    for (;;) {
        const qint64 room = maxBytes - r.bytes.size();
        // One byte past the cap tells whether the file holds more.
        const size_t want = room >= qint64(sizeof chunk) ? sizeof chunk : size_t(room) + 1;
        const ssize_t got = ::read(fd, chunk, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fromErrno(errno);
        }
        if (got == 0)
            break;
        if (qint64(got) > room) {
            r.bytes.append(chunk, qsizetype(room));
            r.truncated = true;
            break;
        }
        r.bytes.append(chunk, qsizetype(got));
    }
    return r;
}

#else

FileBytes readPortable(const QString& path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failed(ReadFileError::Missing);
    if (info.isDir())
        return failed(ReadFileError::Folder);
    if (!info.isFile())
        return failed(ReadFileError::NotRegular);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(info.isReadable() ? ReadFileError::Failed : ReadFileError::Denied,
                      file.errorString());
    FileBytes r;
    r.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(ReadFileError::Failed, file.errorString());
    if (r.bytes.size() > maxBytes) {
        r.bytes.truncate(qsizetype(maxBytes));
        r.truncated = true;
    }
    return r;
}

#endif

} // namespace

FileBytes ReadRegularFile(const QString& path, qint64 maxBytes)
{
    if (path.isEmpty())
        return failed(ReadFileError::Missing);
    maxBytes = qMax<qint64>(0, maxBytes);
    if (faultHook() && faultHook()(path))
        return failed(ReadFileError::Denied);
#ifdef Q_OS_UNIX
    return readUnix(path, maxBytes);
#else
    return readPortable(path, maxBytes);
#endif
}

ReadFaultHook SetReadFaultHook(ReadFaultHook hook)
{
    return std::exchange(faultHook(), std::move(hook));
}

} // namespace ltm4
