// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the settings fuzz target without libFuzzer: over the files and folders
// named on the command line, or else over a fixed set of damaged files made
// from a valid one. Any finding aborts; so the plain and sanitizer builds keep
// the target's checks as an ordinary test.

#include "settings/SettingsCodec.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QtEndian>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Feed(const QByteArray& bytes)
{
    // A copy in a buffer of exactly its size, so an over-read is caught.
    std::vector<uint8_t> buf(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(buf.data(), buf.size());
}

SettingsRecord Populated()
{
    SettingsRecord r;
    r.DataDir.FareDataDir = QStringLiteral("/運賃/データ");
    r.DataDir.TapeDataDir = QStringLiteral("tape");
    r.Panel.AutoSeiriNum = 1;
    r.Panel.SeiriNumColor = {0x00FFFFFF, 0x00C0FFC0, -1};
    r.Panel.PanelAuto = -1;
    r.Panel.PanelFile[1] = QStringLiteral("パネル①.bmp");
    r.Degit.DegitForeColor = 0x0000FFFF;
    r.Degit.InfoColumn = 149;
    r.Chimei.ChimeiFontMode = 2;
    r.Sound.StepSound = QStringLiteral("音.wav");
    r.Sound.StepSoundFlag[3] = QStringLiteral("c.mid");
    r.Sound.PreSoundFlag[1] = QStringLiteral("～");
    r.SeiriPrev.SeiriPlgPath = QStringLiteral("sample.4SP");
    r.SeiriPrev.FixedDate = QStringLiteral("2024/02/29");
    r.CtrlData.ScrollSpeed = 40;
    r.CtrlData.CtrlLeft = -15000;
    r.Form.BoardTop = 70000;
    for (int i = 0; i < 17; ++i)
        r.CustColors[i] = 0x010203 * (i + 1);
    for (int k = 1; k <= 50; ++k)
        r.DegitSet[k] = {qint16(k % 3), qint16(-k), qint16(k)};
    return r;
}

QList<QByteArray> BuiltInInputs()
{
    const QByteArray valid = EncodeSettings(Populated()).bytes;
    QList<QByteArray> inputs{valid, EncodeSettings(SettingsRecord{}).bytes, valid + "tail"};

    for (qsizetype n = 0; n < valid.size(); ++n)
        inputs << valid.left(n);

    // Every 16-bit word turned into a huge count, wherever the texts fall.
    for (qsizetype p = 0; p + 1 < valid.size(); ++p) {
        for (quint16 count : {quint16(0xFFFF), quint16(0x8001)}) {
            QByteArray b = valid;
            qToLittleEndian(count, b.data() + p);
            inputs << b;
        }
    }
    // A huge count that the file does hold, filled with lone lead bytes.
    QByteArray big(2 + 0xFFFF, '\x81');
    qToLittleEndian(quint16(0xFFFF), big.data());
    inputs << big << big + valid.mid(2);

    // Random damage with a fixed seed: byte changes, cuts and insertions.
    std::mt19937 gen(20240229);
    auto below = [&gen](qsizetype n) { return qsizetype(gen() % quint32(qMax<qsizetype>(n, 1))); };
    for (int i = 0; i < 3000; ++i) {
        QByteArray b = valid;
        const int edits = 1 + int(gen() % 8);
        for (int e = 0; e < edits && !b.isEmpty(); ++e) {
            const qsizetype at = below(b.size());
            switch (gen() % 4) {
            case 0:
            case 1:
                b[at] = char(gen());
                break;
            case 2:
                b.remove(at, 1 + below(16));
                break;
            default:
                b.insert(at, QByteArray(1 + below(16), char(gen())));
                break;
            }
        }
        inputs << b;
    }
    for (int i = 0; i < 200; ++i) {
        QByteArray b(below(1200), '\0');
        for (char& c : b)
            c = char(gen());
        inputs << b;
    }
    return inputs;
}

int FeedPath(const QString& path)
{
    QStringList files;
    if (QFileInfo(path).isDir()) {
        QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    } else {
        files << path;
    }
    for (const QString& name : files) {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
            return -1;
        }
        Feed(f.readAll());
    }
    return int(files.size());
}

} // namespace

int main(int argc, char** argv)
{
    long fed = 0;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            const int n = FeedPath(QString::fromLocal8Bit(argv[i]));
            if (n < 0)
                return 1;
            fed += n;
        }
    } else {
        const QList<QByteArray> inputs = BuiltInInputs();
        for (const QByteArray& b : inputs)
            Feed(b);
        fed = long(inputs.size());
    }
    std::printf("fuzz_settings_replay: %ld inputs, no finding\n", fed);
    return 0;
}
