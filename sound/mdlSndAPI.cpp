// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/mdlSndAPI.h"

#include "companion/SysWait.h"

#include <QFileInfo>
#include <QThread>

#include <utility>

namespace {

// Only blanks count, as the command language trims them.
QString TrimBlanks(QString s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.sliced(b, e - b);
}

} // namespace

mdlSndAPI::mdlSndAPI(QString baseName, SendString send)
    : m_baseName(std::move(baseName)), m_send(std::move(send))
{
    // An alias is one word of a command: a blank in the program's name would
    // split it, and every sound would be refused.
    for (QChar& c : m_baseName)
        if (c.isSpace())
            c = u'_';
}

QString mdlSndAPI::DeviceTypeWord(const QString& path)
{
    const QString type = TrimBlanks(path.right(3).toUpper());
    if (type == u"WAV")
        return QStringLiteral(" type waveaudio alias ");
    if (type == u"MP3")
        return QStringLiteral(" type mpegvideo alias ");
    if (type == u"MID")
        return QStringLiteral(" type sequencer alias ");
    return {};
}

void mdlSndAPI::SndPlay(const QString& path, const QString& channel, qint16 sync, qint16 delay)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    const QString alias = Alias(channel);
    send(QStringLiteral("close ") + alias);
    const QString typeWord = DeviceTypeWord(path);
    if (typeWord.isEmpty())
        return; // the channel stays closed
    if (send(QStringLiteral("open \"") + path + u'"' + typeWord + alias +
             QStringLiteral(" wait")) != 0)
        return;
    if (sync != 0) {
        send(QStringLiteral("play ") + alias + QStringLiteral(" from 0 wait"));
        // A negative delay would have been a pause of days; it is none.
        if (delay > 0)
            ltm4::Wait(delay);
    } else {
        send(QStringLiteral("stop ") + alias);
        send(QStringLiteral("play ") + alias + QStringLiteral(" from 0"));
        // Give the audio thread its turn without running other events here:
        // the caller's handler is still half done.
        QThread::yieldCurrentThread();
    }
}

void mdlSndAPI::SndCloseAll()
{
    for (const char* channel : {"S1", "S2", "S3", "S4"})
        send(QStringLiteral("close ") + Alias(QLatin1String(channel)));
}
