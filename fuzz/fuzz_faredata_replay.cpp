// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the fare data fuzz target without libFuzzer: over the files and folders
// named on the command line, or else over a fixed set of damaged files made
// from a valid one. Any finding aborts; so the plain and sanitizer builds keep
// the target's checks as an ordinary test.

#include "panel/FareData.h"

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

QByteArray Valid()
{
    QList<StopRecord> stops(4);
    const QString names[] = {QStringLiteral("駅前ターミナル"), QString(),
                             QStringLiteral("市立総合医療センター前"), QStringLiteral("①番～")};
    for (int r = 0; r < 4; ++r) {
        stops[r].StopName = names[r];
        stops[r].SeiriNo = qint16(r + 1);
        for (int k = 1; k <= r + 1; ++k)
            stops[r].Fare[size_t(k)] = qint16(160 + 30 * (r + 1 - k));
    }
    stops[3].Fare[150] = -1;
    return EncodeFareFile(stops).bytes;
}

QList<QByteArray> BuiltInInputs()
{
    const QByteArray valid = Valid();
    QList<QByteArray> inputs{valid, EncodeFareFile({}).bytes, valid + "tail"};

    for (qsizetype n = 0; n < valid.size(); ++n)
        inputs << valid.left(n);

    // Every 16-bit word turned into a count or length at the edges of the rules.
    for (qsizetype p = 0; p + 1 < valid.size(); ++p) {
        for (quint16 word :
             {quint16(0xFFFF), quint16(0x8000), quint16(301), quint16(302), quint16(0)}) {
            QByteArray b = valid;
            qToLittleEndian(word, b.data() + p);
            inputs << b;
        }
    }
    // Counts the file cannot back, and the largest file the table holds.
    for (qint16 count : {qint16(301), qint16(302), qint16(32767)}) {
        QByteArray b = valid;
        qToLittleEndian(count, b.data());
        inputs << b;
    }
    QList<StopRecord> full(kFareTableRows);
    full.last().StopName = QString(300, u'長');
    inputs << EncodeFareFile(full).bytes;

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
        QByteArray b(below(1600), '\0');
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
    std::printf("fuzz_faredata_replay: %ld inputs, no finding\n", fed);
    return 0;
}
