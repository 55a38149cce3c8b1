// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/ReplayDriver.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void feed(const QByteArray& bytes)
{
    // A copy in a buffer of exactly its size, so an over-read is caught.
    std::vector<uint8_t> buf(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(buf.data(), buf.size());
}

QList<QByteArray> builtIn(const ReplayInputs& in)
{
    const QByteArray& valid = in.valid;
    QList<QByteArray> inputs{valid, valid + "tail"};
    inputs += in.extra;
    for (qsizetype n = 0; n < valid.size(); ++n)
        inputs << valid.left(n);
    // Every 16-bit word turned into a count or length at the edges of the rules.
    for (qsizetype p = 0; p + 1 < valid.size(); ++p) {
        for (quint16 word : in.words) {
            QByteArray b = valid;
            qToLittleEndian(word, b.data() + p);
            inputs << b;
        }
    }
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
        QByteArray b(below(in.maxBlobSize), '\0');
        for (char& c : b)
            c = char(gen());
        inputs << b;
    }
    return inputs;
}

int feedPath(const QString& path)
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
        feed(f.readAll());
    }
    return int(files.size());
}

} // namespace

int RunReplay(const char* name, int argc, char** argv, const ReplayInputs& in)
{
    long fed = 0;
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            const int n = feedPath(QString::fromLocal8Bit(argv[i]));
            if (n < 0)
                return 1;
            fed += n;
        }
    } else {
        const QList<QByteArray> inputs = builtIn(in);
        for (const QByteArray& b : inputs)
            feed(b);
        fed = long(inputs.size());
    }
    std::printf("%s: %ld inputs, no finding\n", name, fed);
    return 0;
}
