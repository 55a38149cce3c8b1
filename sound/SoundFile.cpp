// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundFile.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

SoundFile::SoundFile(const QString& path)
{
#ifdef Q_OS_UNIX
    // Opened without blocking and checked on the descriptor itself, so the
    // file cannot turn into something else between the check and the open.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
#else
    if (!QFileInfo(path).isFile())
        return;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return;
#endif
    m_size = m_file.size();
}

QByteArray SoundFile::read(qint64 offset, qint64 maxBytes)
{
    if (!isOpen() || offset < 0 || offset >= m_size || maxBytes <= 0 || !m_file.seek(offset))
        return {};
    return m_file.read(std::min(maxBytes, m_size - offset));
}
