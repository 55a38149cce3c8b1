// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading a file someone else made: only a regular file is ever opened, so a
// named pipe, a device or a socket under a file's name cannot stall the
// program, and never more bytes than the caller can use are read.

#include <QByteArray>
#include <QString>

#include <functional>

namespace ltm4 {

enum class ReadFileError {
    None,
    Missing,    // nothing by that name (or an empty name)
    Folder,     // a folder by that name
    NotRegular, // a named pipe, device or socket: not opened
    Denied,     // no permission to read it
    Failed,     // opening or reading failed otherwise
};

struct FileBytes {
    QByteArray bytes;       // at most maxBytes
    bool truncated = false; // the file holds more than maxBytes
    ReadFileError error = ReadFileError::None;
    QString reason; // a Japanese phrase for messages; empty when read
    bool ok() const { return error == ReadFileError::None; }
};

// The first maxBytes (at most) of the regular file at path.
FileBytes ReadRegularFile(const QString& path, qint64 maxBytes);

// Tests: a hook that answers true for a path makes reading it fail as a file
// without read permission does. An empty hook restores normal reading;
// returns the previous hook.
using ReadFaultHook = std::function<bool(const QString& path)>;
ReadFaultHook SetReadFaultHook(ReadFaultHook hook);

} // namespace ltm4
