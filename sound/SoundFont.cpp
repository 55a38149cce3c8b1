// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundFont.h"

#include "sound/SoundFile.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <chrono>
#include <future>
#include <mutex>

namespace {

// Debian's General MIDI soundfonts, smallest first.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

QString WarmedPath()
{
    const QString path = SoundFont::Path();
    SoundFile file(path);
    // Read through in large steps and let go: the bytes stay in the file
    // cache, not in this program.
    constexpr qint64 kStep = 1024 * 1024;
    for (qint64 at = 0; file.isOpen() && at < file.size(); at += kStep)
        file.read(at, kStep);
    return file.isOpen() ? path : QString();
}

std::shared_future<QString>& Warming()
{
    static std::once_flag once;
    static std::shared_future<QString> warming;
    std::call_once(once, [] { warming = std::async(std::launch::async, &WarmedPath).share(); });
    return warming;
}

} // namespace

QString SoundFont::Path()
{
    // SDL's own variable, as before: a list split by ';' (or ':' where paths
    // hold no drive letters).
#ifdef Q_OS_WIN
    static const QRegularExpression separator(QStringLiteral(";"));
#else
    static const QRegularExpression separator(QStringLiteral("[;:]"));
#endif
    const QString listed = qEnvironmentVariable("SDL_SOUNDFONTS");
    for (const QString& font : listed.split(separator, Qt::SkipEmptyParts)) {
        if (QFileInfo(font).isFile())
            return font;
    }
    for (const char* font : kSoundFonts) {
        const QString path = QFile::decodeName(font);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

void SoundFont::WarmUp()
{
    Warming();
}

QString SoundFont::Wait(const std::atomic<bool>& stop)
{
    const std::shared_future<QString> warming = Warming();
    while (warming.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (stop)
            return {};
    }
    return stop ? QString() : warming.get();
}
