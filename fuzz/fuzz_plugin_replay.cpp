// SPDX-License-Identifier: GPL-3.0-or-later
// The ticket plugin reader's fuzz target as an ordinary test: damaged copies
// of the sample plugin, or the files and folders named on the command line.

#include "fuzz/ReplayDriver.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    ReplayInputs in;
    QFile sample(QStringLiteral(RUTOMIA_SAMPLE_PLUGIN));
    if (!sample.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the sample plugin %s\n", RUTOMIA_SAMPLE_PLUGIN);
        return 1;
    }
    in.valid = sample.readAll();
    in.extra << QByteArray() << QByteArrayLiteral("\xEF\xBB\xBF")
             << QByteArrayLiteral("4SP 1\n[end]\n") // no preview size
             << QByteArrayLiteral("4SP 1\n[info]\nPrevWidth=15\nPrevHeight=15\n[end]")
             << QByteArrayLiteral("4SP 1\n[draw]\ntext value=\"{stop\n[end]\n")
             << QByteArrayLiteral("4SP 1\n[draw]\ntext value=\"\\\n[end]\n")
             << QByteArray(70000, 'x')
             // The sample with old Mac line ends, and barcodes at their limits.
             << QByteArray(in.valid).replace('\n', '\r')
             << QByteArrayLiteral(
                    "4SP 1\n[info]\nPrevWidth=15\nPrevHeight=15\nCanBarcode=1\n[draw]\n"
                    "barcode x=0 y=0 w=9 h=9 type=code128 "
                    "value={date}{time}{date}{time}{ticket}ABCDEFGHIJ\n"
                    "barcode x=0 y=0 w=9 h=9 type=itf "
                    "value={route}{route}{route}{route}{route}{route}{route}{route}\n"
                    "[end]\n");
    // Drawings at and over their cost: every item the widest text it may be.
    for (int items : {4, 5, 255}) {
        QByteArray heavy = "4SP 1\n[info]\nPrevWidth=15000\nPrevHeight=15000\n[draw]\n";
        for (int i = 0; i < items; ++i)
            heavy += "text x=0 y=0 w=9 h=9 fit=1 value=\"{stop}\"\n";
        in.extra << heavy + "[end]\n";
    }
    in.maxBlobSize = 600;
    return RunReplay("fuzz_plugin_replay", argc, argv, in);
}
