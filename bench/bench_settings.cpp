// SPDX-License-Identifier: GPL-3.0-or-later
// Settings figures: the exit save (every control into the record and the file
// written) and the start-up load (the file read and every value pushed into
// the controls), on the real windows, with texts in every field.
//
//   bench_settings [--runs N]

#include "app/Rutomia.h"
#include "bench/Figure.h"
#include "options/frmOption.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 50;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(1, std::atoi(argv[2]));
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Rutomia program;
    program.ini().setFolders(dir.filePath(QStringLiteral("prog")),
                             dir.filePath(QStringLiteral("config")));
    QDir().mkpath(dir.filePath(QStringLiteral("prog")));
    program.Start();
    frmOption& o = program.options();
    o.Text2(0)->setText(QStringLiteral("/home/利用者/バス/運賃データ"));
    o.Text2(1)->setText(QStringLiteral("/home/利用者/バス/放送データ"));
    for (int i = 0; i <= 10; ++i)
        if (QLineEdit* box = o.txtSelectSound(i))
            box->setText(QStringLiteral("/home/利用者/バス/音/チャイム%1.wav").arg(i));

    QElapsedTimer t;
    std::vector<double> save;
    std::vector<double> load;
    for (int i = 0; i < runs; ++i) {
        t.start();
        program.ini().SaveIni();
        save.push_back(double(t.nsecsElapsed()) / 1e6);
        t.start();
        program.ini().LoadIni();
        load.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("Settings file on the real windows (%d runs)\n", runs);
    std::printf("  SaveIni median %.2f ms, LoadIni median %.2f ms\n", Median(save), Median(load));
    // The save is written safely (to a new file that replaces the old one, on
    // disk before it counts), so the disk sets most of its time.
    Figure("settings save (SaveIni), median", Median(save), "ms", 50);
    Figure("settings load (LoadIni), median", Median(load), "ms", 20);
    return 0;
}
