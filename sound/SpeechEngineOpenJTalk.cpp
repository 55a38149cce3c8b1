// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SpeechEngineOpenJTalk.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr char kSystemVoices[] = "/usr/share/hts-voice";
constexpr char kDefaultVoice[] = "nitech_jp_atr503_m001.htsvoice";
// A sentence that takes longer than this has hung the program.
constexpr int kSentenceTimeoutMs = 30000;
// Bigger output is not a sentence's speech.
constexpr qint64 kMaxWavBytes = 64 * 1024 * 1024;

} // namespace

SpeechEngineOpenJTalk::Paths SpeechEngineOpenJTalk::DefaultPaths()
{
    Paths p;
    p.program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    p.dictionary = QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic");
    p.voiceFolders << QLatin1String(kSystemVoices);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!data.isEmpty())
        p.voiceFolders << QDir(data).filePath(QStringLiteral("voices"));
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty())
        p.voiceFolders << exeDir << QDir(exeDir).filePath(QStringLiteral("voices"));
    return p;
}

QStringList SpeechEngineOpenJTalk::FindVoices(const QStringList& folders)
{
    QStringList found;
    for (const QString& folder : folders) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        // The system folder has a folder per voice; a user's may be flat.
        QDirIterator it(folder, {QStringLiteral("*.htsvoice")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories);
        QStringList here;
        while (it.hasNext())
            here << QFileInfo(it.next()).canonicalFilePath();
        here.sort();
        for (const QString& v : here)
            if (!v.isEmpty() && !found.contains(v))
                found << v;
    }
    // The default voice first: it is what a new user hears.
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (QFileInfo(found[i]).fileName() == QLatin1String(kDefaultVoice)) {
            found.move(i, 0);
            break;
        }
    }
    return found;
}

QString SpeechEngineOpenJTalk::ChooseVoice(const QStringList& voices, const QString& wanted)
{
    if (!wanted.isEmpty()) {
        const QString canonical = QFileInfo(wanted).canonicalFilePath();
        if (voices.contains(canonical))
            return canonical;
    }
    return voices.value(0);
}

SpeechEngineOpenJTalk::SpeechEngineOpenJTalk(MixerSource mixer, Paths paths)
    : SpeechEngineSynth(std::move(mixer)), m_paths(std::move(paths))
{
    m_voices = FindVoices(m_paths.voiceFolders);
    const QFileInfo program(m_paths.program);
    m_available =
        !m_paths.program.isEmpty() && program.isFile() && program.isExecutable() &&
        QFileInfo(QDir(m_paths.dictionary).filePath(QStringLiteral("sys.dic"))).isFile() &&
        !m_voices.isEmpty();
}

SpeechEngineOpenJTalk::~SpeechEngineOpenJTalk()
{
    StopWorker();
}

Pcm SpeechEngineOpenJTalk::Synthesize(const QString& sentence, const VoiceSettings& settings,
                                      const Cancelled& cancelled)
{
    if (!m_available)
        return {};
    const QString voice = ChooseVoice(m_voices, settings.voice);
    QProcess p;
    p.setProgram(m_paths.program);
    p.setArguments({QStringLiteral("-x"), m_paths.dictionary, QStringLiteral("-m"), voice,
                    QStringLiteral("-r"), QString::number(settings.rate / 100.0, 'f', 2),
                    QStringLiteral("-fm"), QString::number(settings.pitch), QStringLiteral("-ow"),
                    QStringLiteral("/dev/stdout")});
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    if (!p.waitForStarted(5000))
        return {};
    // One line: the program reads its text up to the first line break.
    QString line = sentence;
    line.replace(u'\n', u' ');
    p.write(line.toUtf8() + '\n');
    p.closeWriteChannel();
    int waited = 0;
    while (!p.waitForFinished(10)) {
        if (p.state() == QProcess::NotRunning)
            break;
        waited += 10;
        if (cancelled() || waited > kSentenceTimeoutMs || p.bytesAvailable() > kMaxWavBytes) {
            p.kill();
            p.waitForFinished(1000);
            return {};
        }
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return ParseWavPcm(p.readAllStandardOutput());
}
