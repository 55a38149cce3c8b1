// SPDX-License-Identifier: GPL-3.0-or-later
// The route editor's window on the largest route: 301 stops, fares in all
// 150 ticket columns, two announcements a stop and a reading for each.
// - open: from RouteEditor::Open to the window's first paint;
// - a flat fill of the whole matrix through its dialog, then its undo and
//   redo, each until the fare table has painted what changed.
// Run under the offscreen platform (scripts/bench.sh sets it).
//
//   bench_editor [--runs N]

#include "bench/Figure.h"
#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "editor/RouteEditor.h"
#include "editor/SheetView.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct QuietHost final : EditorHost {
    QString folder;
    QString FareFolder() const override { return folder; }
    QString TapeFolder() const override { return folder; }
    void PreviewRow(const StopRecord&, int, const QString&) override {}
    void EndPreview() override {}
    bool TryRoute(const QString&, const QList<StopRecord>&, const QList<TapeEntry>&,
                  const ReadingList&) override
    {
        return true;
    }
};

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The route's three files in folder, as route 1.
bool LargestRoute(const QString& folder)
{
    QList<StopRecord> stops(kFareTableRows);
    QString tape;
    QString readings = QStringLiteral("# 表記,読み\n");
    for (int r = 0; r < kFareTableRows; ++r) {
        StopRecord& s = stops[r];
        s.StopName = QStringLiteral("市立総合医療センター前%1番").arg(r + 1);
        s.SeiriNo = qint16(qMin(r + 1, kFareColumns));
        for (int k = 1; k <= kFareColumns; ++k)
            s.Fare[size_t(k)] = qint16(160 + 10 * qAbs(r + 1 - k) % 800);
        tape += QStringLiteral("\"次は、%1です。お降りの方はボタンでお知らせください。\",1,1\r\n"
                               "\"発車します。ご注意ください。\",0,0\r\n")
                    .arg(s.StopName);
        readings += QStringLiteral("%1,しりつそうごういりょうせんたーまえ%2ばん\n")
                        .arg(s.StopName)
                        .arg(r + 1);
    }
    return Write(folder + QStringLiteral("/1.hy3"), EncodeFareFile(stops).bytes) &&
           Write(folder + QStringLiteral("/1tp.csv"), ltm4::ToCp932(tape)) &&
           Write(folder + QStringLiteral("/1yomi.csv"), readings.toUtf8());
}

// Counts paints of the widgets it is told of.
class PaintCounter final : public QObject {
public:
    QObject* watched = nullptr; // nullptr: any widget of a route editor
    int paints = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(o);
            if (watched ? o == watched : (w && qobject_cast<RouteEditor*>(w->window())))
                ++paints;
        }
        return false;
    }
};

// Runs the event loop until counter has seen another paint; false after 5 s.
bool UntilPainted(PaintCounter& counter)
{
    const int before = counter.paints;
    QElapsedTimer limit;
    limit.start();
    while (counter.paints == before) {
        if (limit.elapsed() > 5000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct Times {
    std::vector<double> ms;
    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double max() const { return *std::max_element(ms.begin(), ms.end()); }
};

double Ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "bench_editor: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int runs = 10;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::max(1, std::atoi(argv[2]));
    QTemporaryDir dir;
    if (!dir.isValid() || !LargestRoute(dir.path()))
        return Fail("cannot write the test route");
    QuietHost host;
    host.folder = dir.path();
    // A question would stop the run: any is answered "保存しない".
    ltm4::SetMsgBoxHandler([](const ltm4::MsgBoxCall&) { return int(ltm4::vbNo); });

    PaintCounter counter;
    app.installEventFilter(&counter);

    // Opening: the call, the files read, the tables built, the first paint.
    QElapsedTimer t;
    Times open;
    RouteEditor* editor = nullptr;
    for (int i = 0; i < runs; ++i) {
        if (editor) {
            editor->close(); // deletes itself
            QApplication::processEvents();
        }
        counter.watched = nullptr;
        t.start();
        editor = RouteEditor::Open(host, QStringLiteral("1"));
        if (!editor || !UntilPainted(counter))
            return Fail("the editor did not open and paint");
        open.ms.push_back(Ms(t));
        if (editor->document().stopCount() != kFareTableRows ||
            editor->document().tapeCount() != 2 * kFareTableRows)
            return Fail("the test route did not open whole");
    }

    // The last editor stays open on its fare table for the fills.
    editor->findChild<QAction*>(QStringLiteral("actionShowFares"))->trigger();
    auto* fares = editor->findChild<SheetView*>(QStringLiteral("fareView"));
    counter.watched = fares->viewport();
    UntilPainted(counter);

    int fare = 160;
    ltm4::SetModalHandler([&fare](QDialog& dlg) {
        auto* flat = dlg.findChild<QSpinBox*>(QStringLiteral("flatFare"));
        if (!flat)
            return int(QDialog::Rejected);
        flat->setValue(fare);
        dlg.accept();
        return dlg.result();
    });
    QUndoStack* stack = editor->document().undoStack();
    Times fill, undo, redo;
    for (int i = 0; i < runs; ++i) {
        fare = 170 + 10 * (i % 2);
        t.start();
        editor->fill(FareFillDialog::Flat);
        if (!UntilPainted(counter) || editor->document().fare(kFareTableRows - 1, 1) != fare)
            return Fail("the fill did not reach the table");
        fill.ms.push_back(Ms(t));
        t.start();
        stack->undo();
        if (!UntilPainted(counter))
            return Fail("the undo was not painted");
        undo.ms.push_back(Ms(t));
        t.start();
        stack->redo();
        if (!UntilPainted(counter))
            return Fail("the redo was not painted");
        redo.ms.push_back(Ms(t));
    }
    ltm4::SetModalHandler({});

    std::printf("route of %d stops, %d tickets, %d announcements; %d runs\n", kFareTableRows,
                kFareColumns, editor->document().tapeCount(), runs);
    std::printf("  open to first paint: median %.1f ms, max %.1f ms\n", open.median(), open.max());
    std::printf("  flat fill through its dialog, painted: median %.1f ms, max %.1f ms\n",
                fill.median(), fill.max());
    std::printf("  undo painted: median %.1f ms; redo painted: median %.1f ms\n", undo.median(),
                redo.median());
    Figure("route editor window: open to first paint, median", open.median(), "ms", 200);
    Figure("route editor window: whole fill painted, median", fill.median(), "ms", 50);
    Figure("route editor window: undo of the fill painted, median", undo.median(), "ms", 50);
    Figure("route editor window: redo of the fill painted, median", redo.median(), "ms", 50);
    editor->close();
    return 0;
}
