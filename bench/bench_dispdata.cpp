// SPDX-License-Identifier: GPL-3.0-or-later
// Board update figures: DispData on a full board (all 50 fare cells, four
// information digits, the stop name), and one step forward, which adds the
// step bookkeeping to it. Runs without a display unless one is given.
//
//   bench_dispdata [--runs N]

#include "bench/Figure.h"
#include "companion/SysWait.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "panel/BoardWindows.h"
#include "panel/FareData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

void report(const char* what, std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / double(us.size());
    std::printf("%-34s median %8.1f us   mean %8.1f us   p99 %8.1f us   (%zu runs)\n", what,
                us[us.size() / 2], mean, us[us.size() * 99 / 100], us.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 500;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(10, std::atoi(argv[2]));

    QTemporaryDir dir;
    QList<StopRecord> stops;
    for (int r = 1; r <= kFareTableRows; ++r) {
        StopRecord s;
        s.StopName = QStringLiteral("中央通り%1丁目").arg(r % 9 + 1);
        s.SeiriNo = qint16(r % 50 + 1);
        for (int k = 1; k <= kFareColumns; ++k)
            s.Fare[size_t(k)] = qint16(160 + 10 * ((r + k) % 40));
        stops << s;
    }
    QFile f(dir.filePath(QStringLiteral("1.hy3")));
    if (!f.open(QIODevice::WriteOnly) || f.write(EncodeFareFile(stops).bytes) <= 0)
        return 1;
    f.close();

    BoardWindows windows;
    frmOption& option = windows.option;
    Form1& board = windows.board;
    frmCtl& ctl = windows.ctl;
    windows.Load();
    board.show();
    option.Text2(0)->setText(dir.path());
    for (int i = 0; i < 4; ++i) {
        option.Check3(i)->setValue(1);
        option.Combo4(i)->setListIndex(46 + i);
    }
    ctl.Check2()->setValue(1); // late-night doubling on every cell
    ltm4::SetWaitOverride([](int) {});
    ctl.CommandButton1(10)->click();
    ctl.CommandButton1(1)->click();
    ctl.CommandButton1(11)->click();
    ctl.CommandButton1(1)->click();
    ctl.Command1(1)->click();
    if (ctl.Route().DataCount != kFareTableRows) {
        std::fprintf(stderr, "bench_dispdata: the route did not load\n");
        return 1;
    }

    QElapsedTimer t;
    std::vector<double> disp;
    for (int i = 0; i < runs; ++i) {
        t.start();
        ctl.DispData(qint16(i % 300 + 1));
        disp.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    // Forward and back in turn, so every step moves and redraws.
    std::vector<double> step;
    for (int i = 0; i < runs; ++i) {
        t.start();
        ctl.Command2_Click(i % 2 == 0 ? 1 : 0);
        step.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    // Once more with the ticket preview drawn by the sample plugin, which is
    // read from its file at every drawing.
    option.chkUseSeiriPrev()->setValue(1);
    option.txtSeiriPlgDir()->setText(QStringLiteral(RUTOMIA_SAMPLE_PLUGIN));
    if (option.SetPlgin(option.txtSeiriPlgDir()->text()) == 0) {
        std::fprintf(stderr, "bench_dispdata: the sample plugin did not load\n");
        return 1;
    }
    std::vector<double> preview;
    for (int i = 0; i < runs; ++i) {
        t.start();
        ctl.DispData(qint16(i % 300 + 1));
        preview.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    // And with a plugin as heavy as a plugin may be: the largest picture and
    // seven texts of 400-pixel glyphs, which are drawn as outlines every time.
    QFile heavy(dir.filePath(QStringLiteral("heavy.4SP")));
    QByteArray heavyText = "4SP 1\n[info]\nPrevWidth = 15000\nPrevHeight = 15000\n[draw]\n";
    for (int i = 0; i < 7; ++i)
        heavyText += "text x=0 y=" + QByteArray::number(i * 90) +
                     " w=" + QByteArray::number(600 - i * 7) + " h=400 size=400 value=整理券番号\n";
    heavyText += "[end]\n";
    if (!heavy.open(QIODevice::WriteOnly) || heavy.write(heavyText) != heavyText.size())
        return 1;
    heavy.close();
    option.txtSeiriPlgDir()->setText(heavy.fileName());
    if (option.SetPlgin(heavy.fileName()) == 0) {
        std::fprintf(stderr, "bench_dispdata: the heavy plugin did not load\n");
        return 1;
    }
    std::vector<double> heaviest;
    for (int i = 0; i < std::max(10, runs / 5); ++i) {
        t.start();
        ctl.DispData(qint16(i % 300 + 1));
        heaviest.push_back(double(t.nsecsElapsed()) / 1e3);
    }

    std::printf("Board update on a full board (50 cells, 4 information digits, stop name)\n");
    report("DispData", disp);
    report("step (DispData included)", step);
    report("DispData with ticket preview", preview);
    report("DispData, heaviest ticket", heaviest);
    std::printf("budget: one 60 Hz frame = 16667 us\n");
    // Well within a frame: a quarter of one at the median, the whole at p99.
    std::sort(step.begin(), step.end());
    std::sort(preview.begin(), preview.end());
    Figure("step with DispData, median", step[step.size() / 2], "us", 1000);
    Figure("step with DispData, p99", step[step.size() * 99 / 100], "us", 16667);
    Figure("DispData with ticket preview, median", preview[preview.size() / 2], "us", 4167);
    std::sort(heaviest.begin(), heaviest.end());
    Figure("DispData with the heaviest ticket, median", heaviest[heaviest.size() / 2], "us", 16667);
    return 0;
}
