// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A sound file opened for reading, only if it is a regular file: a FIFO,
// device or folder under a sound's name is refused without blocking, so
// nothing can hang the program on it.

#include <QByteArray>
#include <QFile>
#include <QString>

class SoundFile final {
public:
    explicit SoundFile(const QString& path);

    bool isOpen() const { return m_file.isOpen(); }
    qint64 size() const { return m_size; }
    // For libraries that read through a descriptor of their own; -1 when closed.
    int handle() const { return m_file.handle(); }
    // Up to maxBytes from offset; shorter at the end of the file or on an error.
    QByteArray read(qint64 offset, qint64 maxBytes);

private:
    QFile m_file;
    qint64 m_size = 0;
};
