// SPDX-License-Identifier: GPL-3.0-or-later
// The route editor's window under the offscreen platform: a route made with
// the keyboard alone and read back by the program's own readers; the fare
// sheet's clipboard, fills, undo and marks; the questions on closing; the
// board and the panel through a recording host; a GTFS-JP import.

#include "companion/ModalSeam.h"
#include "editor/EditorRules.h"
#include "editor/FareFillDialog.h"
#include "editor/GtfsImportDialog.h"
#include "editor/RouteEditor.h"
#include "editor/SaveAsDialog.h"
#include "editor/SheetView.h"
#include "panel/FareData.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"
#include "tests/KeySupport.h"
#include "tests/TestSupport.h"
#include "tests/ZipSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

namespace {

// The rest of the program as the editor sees it: folders of its own, and a
// record of what the board and the panel were asked.
struct FakeHost final : EditorHost {
    QTemporaryDir dir;
    struct Preview {
        QString name;
        int row = 0;
        QString routeNo;
        qint16 fare1 = 0; // ticket 1's fare
    };
    QList<Preview> previews;
    int endPreviews = 0;
    struct Tried {
        QString routeNo;
        QList<StopRecord> stops;
        QList<TapeEntry> tape;
        ReadingList readings;
    };
    QList<Tried> tried;

    QString FareFolder() const override { return dir.filePath(QStringLiteral("fare")); }
    QString TapeFolder() const override { return dir.filePath(QStringLiteral("tape")); }
    void PreviewRow(const StopRecord& stop, int row, const QString& routeNo) override
    {
        previews << Preview{stop.StopName, row, routeNo, stop.Fare[1]};
    }
    void EndPreview() override { ++endPreviews; }
    bool TryRoute(const QString& routeNo, const QList<StopRecord>& stops,
                  const QList<TapeEntry>& tape, const ReadingList& readings) override
    {
        tried << Tried{routeNo, stops, tape, readings};
        return true;
    }
};

// Runs every modal dialog through handler while alive.
struct ModalScope {
    ltm4::ModalHandler previous;
    explicit ModalScope(ltm4::ModalHandler handler)
    {
        previous = ltm4::SetModalHandler(std::move(handler));
    }
    ~ModalScope() { ltm4::SetModalHandler(previous); }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

// A route of stops with the given tickets; fares 100 * row + ticket.
RouteData Route(const QStringList& names, const QList<int>& tickets = {})
{
    RouteData data;
    for (int i = 0; i < names.size(); ++i) {
        RouteStop s;
        s.record.StopName = names[i];
        s.record.SeiriNo = qint16(i < tickets.size() ? tickets[i] : i + 1);
        for (int k = 1; k <= kFareColumns; ++k)
            s.record.Fare[size_t(k)] = qint16(100 * (i + 1) + k);
        data.stops << s;
    }
    return data;
}

// The editor, shown and active, so its keys reach it.
struct Editor {
    FakeHost host;
    RouteEditor* w = nullptr;
    MessageRecorder box{ltm4::vbNo};

    Editor()
    {
        w = new RouteEditor(host);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("the editor did not become active");
    }
    ~Editor()
    {
        box.reply = ltm4::vbNo;
        delete w;
    }
    SheetView* view(const char* name) const { return w->findChild<SheetView*>(name); }
    QAction* action(const char* name) const { return w->findChild<QAction*>(name); }
    RouteDocument& doc() const { return w->document(); }
};

QByteArray ZoneFeedZip()
{
    QList<ZipEntry> e;
    e << ZipEntry{"stops.txt", "stop_id,stop_name,stop_lat,stop_lon,zone_id\n"
                               "S1,登別駅前,42.45,141.18,Z1\nS2,富岸,42.46,141.17,Z1\n"
                               "S3,登別温泉,42.49,141.14,Z2\n"};
    e << ZipEntry{"routes.txt", "route_id,route_short_name,route_long_name,route_type\n"
                                "R31,31,登別温泉線,3\n"};
    e << ZipEntry{"trips.txt", "route_id,service_id,trip_id,trip_headsign\n"
                               "R31,平日,31_1,登別温泉\n"};
    e << ZipEntry{"stop_times.txt", "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n"
                                    "31_1,07:10:00,07:10:00,S1,1\n31_1,07:15:00,07:15:00,S2,2\n"
                                    "31_1,07:20:00,07:20:00,S3,3\n"};
    e << ZipEntry{"fare_attributes.txt", "fare_id,price,currency_type,payment_method,transfers\n"
                                         "F1,210,JPY,0,0\nF2,340,JPY,0,0\n"};
    e << ZipEntry{"fare_rules.txt", "fare_id,route_id,origin_id,destination_id\n"
                                    "F1,R31,Z1,Z1\nF2,R31,Z1,Z2\nF1,R31,Z2,Z2\n"};
    e << ZipEntry{"translations.txt",
                  "table_name,field_name,language,translation,record_id,record_sub_id,"
                  "field_value\nstops,stop_name,ja-Hrkt,とんけし,S2,,\n"};
    e << ZipEntry{"calendar.txt", "service_id,monday,tuesday,wednesday,thursday,friday,"
                                  "saturday,sunday,start_date,end_date\n"
                                  "平日,1,1,1,1,1,0,0,20240401,20250331\n"};
    return MakeZip(e);
}

// Whether the model told its views that the value shown in the cell changed.
bool toldValueChanged(const QSignalSpy& spy, const QModelIndex& cell)
{
    for (const QList<QVariant>& args : spy) {
        const auto from = args[0].value<QModelIndex>();
        const auto to = args[1].value<QModelIndex>();
        const auto roles = args[2].value<QList<int>>();
        if ((roles.isEmpty() || roles.contains(Qt::DisplayRole)) && from.row() <= cell.row() &&
            cell.row() <= to.row() && from.column() <= cell.column() &&
            cell.column() <= to.column())
            return true;
    }
    return false;
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void keyboardRouteSavedAndReadBack();
    void fareSheetClipboard();
    void timesTypedInTheStopTable();
    void fillUndoRedoFromTheKeyboard_data();
    void fillUndoRedoFromTheKeyboard();
    void unheldCellsAndFindingsShown();
    void closingWithChangesAsks_data();
    void closingWithChangesAsks();
    void boardFollowsTheSelection();
    void tryPassesUnsavedContent();
    void gtfsImportThroughItsDialog();
    void openTargets_data();
    void openTargets();
};

void TestEditor::keyboardRouteSavedAndReadBack()
{
    Editor e;
    SheetView* stops = e.view("stopView");
    Press(Qt::Key_1, Qt::ControlModifier); // 表示 > 停留所
    QCOMPARE(QApplication::focusWidget(), stops);

    // Three new stops, each below the last; they take tickets 1, 2, 3.
    for (int i = 0; i < 3; ++i)
        Press(Qt::Key_Insert);
    QCOMPARE(e.doc().stopCount(), 3);
    Press(Qt::Key_Home, Qt::ControlModifier);
    for (const QString& name :
         {QStringLiteral("駅前"), QStringLiteral("中町"), QStringLiteral("温泉")})
        TypeJapanese(name);
    // Back to the top, over to the readings.
    Press(Qt::Key_Home, Qt::ControlModifier);
    Press(Qt::Key_Right);
    Press(Qt::Key_Right);
    for (const QString& kana :
         {QStringLiteral("えきまえ"), QStringLiteral("なかまち"), QStringLiteral("おんせん")})
        TypeJapanese(kana);

    // Fares: typing over a cell starts its editor; Enter stores and goes down.
    Press(Qt::Key_2, Qt::ControlModifier);
    SheetView* fares = e.view("fareView");
    QCOMPARE(QApplication::focusWidget(), fares);
    Press(Qt::Key_Home, Qt::ControlModifier);
    for (const char* fare : {"0", "150", "230"}) {
        TypeKeys(QString::fromLatin1(fare));
        Press(Qt::Key_Return);
    }
    Press(Qt::Key_Home, Qt::ControlModifier);
    Press(Qt::Key_Down);
    Press(Qt::Key_Right);
    for (const char* fare : {"0", "150"}) {
        TypeKeys(QString::fromLatin1(fare));
        Press(Qt::Key_Return);
    }

    // 放送 > 停留所名から「次は」の放送を作る, through the menu's accelerators.
    Press(Qt::Key_A, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QTest::keyClick(menu, Qt::Key_N);
    QCOMPARE(e.doc().tapeCount(), 3);

    // 保存 asks for a number first: typed into the dialog, whose folders are the host's.
    ModalScope modal([](QDialog& dlg) {
        auto* number = dlg.findChild<QLineEdit*>(QStringLiteral("routeNumber"));
        if (!number)
            return int(QDialog::Rejected);
        number->setFocus();
        QTest::keyClicks(number, "7");
        dlg.accept();
        return dlg.result();
    });
    Press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(e.w->routeNumber(), 7);
    QVERIFY(!e.w->isWindowModified());
    QVERIFY(e.w->windowTitle().contains(QStringLiteral("系統 7")));

    const FareFileResult fareFile =
        ParseFareFile(ReadAll(QDir(e.host.FareFolder()).filePath(QStringLiteral("7.hy3"))));
    QVERIFY(fareFile.ok());
    QCOMPARE(fareFile.records.size(), 3);
    const QStringList names{QStringLiteral("駅前"), QStringLiteral("中町"), QStringLiteral("温泉")};
    const int want[3][3] = {{0, 0, 0}, {150, 0, 0}, {230, 150, 0}};
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(fareFile.records[r].StopName, names[r]);
        QCOMPARE(fareFile.records[r].SeiriNo, qint16(r + 1));
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(fareFile.records[r].Fare[size_t(k)], qint16(want[r][k - 1]));
    }

    const TapeParseResult tape =
        ParseTapeCsv(ReadAll(QDir(e.host.TapeFolder()).filePath(QStringLiteral("7tp.csv"))));
    QVERIFY2(tape.ok(), qPrintable(tape.error));
    QCOMPARE(tape.entries.size(), 3);
    QVERIFY(tape.entries[1].TapeText.contains(QStringLiteral("中町")));
    QCOMPARE(tape.entries[1].TapeStepFlag, qint16(1));
    QVERIFY(tape.entries[2].TapeText.contains(QStringLiteral("温泉")));

    const ReadingList readings = ReadingList::Parse(
        ReadAll(QDir(e.host.TapeFolder()).filePath(QStringLiteral("7yomi.csv"))));
    QCOMPARE(readings.Entries().size(), 3);
    QCOMPARE(readings.Apply(QStringLiteral("次は中町")), QStringLiteral("次はなかまち"));
    QCOMPARE(readings.Apply(QStringLiteral("温泉")), QStringLiteral("おんせん"));
}

void TestEditor::fareSheetClipboard()
{
    Editor e;
    e.doc().reset(Route({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    SheetView* fares = e.view("fareView");
    Press(Qt::Key_2, Qt::ControlModifier);
    fares->goTo(fares->model()->index(1, 0));

    // A rectangle from a spreadsheet, top left at the current cell.
    QApplication::clipboard()->setText(QStringLiteral("210\t\"1,200\"\r\n340\t450\r\n"));
    Press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(e.doc().fare(1, 1), qint16(210));
    QCOMPARE(e.doc().fare(1, 2), qint16(1200));
    QCOMPARE(e.doc().fare(2, 1), qint16(340));
    QCOMPARE(e.doc().fare(2, 2), qint16(450));
    QCOMPARE(e.doc().fare(2, 3), qint16(303)); // beyond the rectangle: as it was

    // One value into a larger selection fills it.
    fares->selectionModel()->select(
        QItemSelection(fares->model()->index(0, 4), fares->model()->index(1, 5)),
        QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->setText(QStringLiteral("90"));
    Press(Qt::Key_V, Qt::ControlModifier);
    for (int r = 0; r < 2; ++r)
        for (int k = 5; k <= 6; ++k)
            QCOMPARE(e.doc().fare(r, k), qint16(90));

    // Copy gives the rectangle back as a spreadsheet takes it.
    fares->selectionModel()->select(
        QItemSelection(fares->model()->index(1, 0), fares->model()->index(2, 1)),
        QItemSelectionModel::ClearAndSelect);
    Press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("210\t1200\n340\t450\n"));

    // Cut takes the cells away as one step that one undo brings back.
    Press(Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(e.doc().fare(1, 1), qint16(0));
    QCOMPARE(e.doc().fare(2, 2), qint16(0));
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e.doc().fare(1, 1), qint16(210));
    QCOMPARE(e.doc().fare(2, 2), qint16(450));
}

// 着 and 発 after 読み: typed as h:mm or h:mm:ss, shown as hh:mm, each an undo step.
void TestEditor::timesTypedInTheStopTable()
{
    Editor e;
    e.doc().reset(Route({QStringLiteral("駅前"), QStringLiteral("車庫")}));
    SheetView* stops = e.view("stopView");
    QCOMPARE(stops->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("着"));
    QCOMPARE(stops->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("発"));
    Press(Qt::Key_1, Qt::ControlModifier);
    Press(Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 4; ++i)
        Press(Qt::Key_Right);
    TypeKeys(QStringLiteral("8:05"));
    Press(Qt::Key_Return);
    TypeKeys(QStringLiteral("24:10:30"));
    Press(Qt::Key_Return);
    QCOMPARE(e.doc().stopTime(0, true), 8 * 3600 + 300);
    QCOMPARE(e.doc().stopTime(1, true), 24 * 3600 + 630);
    QCOMPARE(stops->model()->index(0, 4).data().toString(), QStringLiteral("08:05"));
    QCOMPARE(stops->model()->index(1, 4).data().toString(), QStringLiteral("24:10:30"));

    // Not a time: refused, and the status line says why.
    Press(Qt::Key_Up);
    TypeKeys(QStringLiteral("8:75"));
    Press(Qt::Key_Return);
    QCOMPARE(e.doc().stopTime(1, true), 24 * 3600 + 630);
    QVERIFY2(e.w->statusBar()->currentMessage().contains(QStringLiteral("「8:75」は時刻ではない")),
             qPrintable(e.w->statusBar()->currentMessage()));

    // A time before one above it is marked, with why.
    QVERIFY(e.doc().setStopTime(1, false, 7 * 3600));
    QCOMPARE(stops->model()->index(1, 3).data(Qt::ToolTipRole).toString(),
             QStringLiteral("エラー: 07:00 が前の時刻 08:05 より前です"));
    QVERIFY(stops->model()->index(1, 3).data(Qt::BackgroundRole).isValid());
    QVERIFY(!stops->model()->index(1, 4).data(Qt::BackgroundRole).isValid());
    Press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!stops->model()->index(1, 3).data(Qt::BackgroundRole).isValid());

    QCOMPARE(e.doc().undoStack()->count(), 3);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e.doc().stopTime(1, true), std::nullopt);
    QCOMPARE(e.doc().stopTime(0, true), 8 * 3600 + 300);
}

void TestEditor::fillUndoRedoFromTheKeyboard_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QKeyCombination>("redo");
    QTest::newRow("flat, Ctrl+Y") << int(FareFillDialog::Flat) << (Qt::CTRL | Qt::Key_Y);
    QTest::newRow("zones, Ctrl+Shift+Z")
        << int(FareFillDialog::Zones) << (Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

void TestEditor::fillUndoRedoFromTheKeyboard()
{
    QFETCH(int, kind);
    QFETCH(QKeyCombination, redo);
    Editor e;
    // Stop 3 issues ticket 1 again (the same section) and stop 2 none new.
    e.doc().reset(
        Route({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, {1, 1, 2}));
    const RouteData before = e.doc().data();

    // The dialog as the user fills it: flat 180 yen, or zone 1 -> 2 at 300.
    ModalScope modal([kind](QDialog& dlg) {
        if (kind == FareFillDialog::Flat) {
            dlg.findChild<QSpinBox*>(QStringLiteral("flatFare"))->setValue(180);
        } else {
            dlg.findChild<QSpinBox*>(QStringLiteral("zoneCount"))->setValue(2);
            auto* stops = dlg.findChild<QTableWidget*>(QStringLiteral("zoneStops"));
            stops->item(2, 1)->setText(QStringLiteral("２")); // full-width, as typed
            auto* fares = dlg.findChild<QTableWidget*>(QStringLiteral("zoneFares"));
            fares->item(0, 0)->setText(QStringLiteral("160"));
            fares->item(0, 1)->setText(QStringLiteral("300"));
            fares->item(1, 1)->setText(QStringLiteral("160"));
        }
        dlg.accept();
        return dlg.result();
    });
    e.w->fill(FareFillDialog::Kind(kind));
    const int far = kind == FareFillDialog::Flat ? 180 : 300;
    const int near = kind == FareFillDialog::Flat ? 180 : 160;
    QCOMPARE(e.doc().fare(0, 1), qint16(near));
    QCOMPARE(e.doc().fare(1, 1), qint16(near));
    QCOMPARE(e.doc().fare(2, 1), qint16(far));
    QCOMPARE(e.doc().fare(2, 2), qint16(near));
    QCOMPARE(e.doc().fare(1, 2), qint16(202)); // nobody holds ticket 2 at stop 2: untouched
    QVERIFY(e.w->isWindowModified());
    const RouteData filled = e.doc().data();

    QAbstractItemModel* model = e.view("fareView")->model();
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(e.doc().data() == before);
    QVERIFY(toldValueChanged(changed, model->index(2, 0)));
    changed.clear();
    QVERIFY(!e.w->isWindowModified());
    // The view shows what the document holds after the undo.
    QCOMPARE(e.view("fareView")->model()->index(2, 0).data().toString(), QStringLiteral("301"));
    QTest::keyClick(QApplication::focusWidget(), redo.key(), redo.keyboardModifiers());
    QVERIFY(e.doc().data() == filled);
    QVERIFY(toldValueChanged(changed, model->index(2, 0)));
    QCOMPARE(e.view("fareView")->model()->index(2, 0).data().toString(), QString::number(far));
}

void TestEditor::unheldCellsAndFindingsShown()
{
    Editor e;
    e.doc().reset(Route({QStringLiteral("A"), QStringLiteral("B")}));
    QAbstractItemModel* m = e.view("fareView")->model();
    // Ticket 2 is issued at the second stop: nobody holds it at the first.
    QCOMPARE(m->index(0, 1).data(Qt::BackgroundRole).value<QColor>(),
             SheetModel::UnusedBackground());
    QVERIFY(
        m->index(0, 1).data(Qt::ToolTipRole).toString().contains(QStringLiteral("使われません")));
    QVERIFY(!m->index(1, 1).data(Qt::BackgroundRole).isValid());

    // A fare the late-night doubling would overflow: a warning on its cell and in the list.
    QVERIFY(m->setData(m->index(1, 0), QStringLiteral("6000")));
    QCOMPARE(m->index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
             SheetModel::WarningBackground());
    QVERIFY(!m->index(1, 0).data(Qt::ToolTipRole).toString().isEmpty());
    // A name the fare data cannot hold: an error on the stop's name.
    QAbstractItemModel* s = e.view("stopView")->model();
    QVERIFY(s->setData(s->index(0, 0), QStringLiteral("駅前\U0001F68F")));
    QCOMPARE(s->index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
             SheetModel::ErrorBackground());

    // The list of findings jumps to the fare's cell.
    auto* list = e.w->findChild<QListView*>(QStringLiteral("findingView"));
    QVERIFY(list->model()->rowCount() >= 2);
    int fareRow = -1;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        if (e.doc().findings()[i].field == RouteField::Fare)
            fareRow = i;
    QVERIFY(fareRow >= 0);
    Press(Qt::Key_4, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), list);
    list->setCurrentIndex(list->model()->index(fareRow, 0));
    Press(Qt::Key_Return);
    SheetView* fares = e.view("fareView");
    QCOMPARE(QApplication::focusWidget(), fares);
    QCOMPARE(fares->currentIndex(), m->index(1, 0));

    // Mended there, the list stays at that place, now on the finding after it.
    const int before = list->model()->rowCount();
    QVERIFY(m->setData(m->index(1, 0), QStringLiteral("600")));
    QCOMPARE(list->model()->rowCount(), before - 1);
    QCOMPARE(list->currentIndex().row(), std::min(fareRow, before - 2));
}

void TestEditor::closingWithChangesAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    QTest::newRow("保存") << int(ltm4::vbYes) << true << true;
    QTest::newRow("保存しない") << int(ltm4::vbNo) << true << false;
    QTest::newRow("キャンセル") << int(ltm4::vbCancel) << false << false;
}

void TestEditor::closingWithChangesAsks()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    Editor e;
    ModalScope modal([](QDialog& dlg) {
        dlg.findChild<QLineEdit*>(QStringLiteral("routeNumber"))->setText(QStringLiteral("12"));
        dlg.accept();
        return dlg.result();
    });
    // Unchanged: closes without a word.
    QVERIFY(e.w->close());
    QVERIFY(e.box.shown.isEmpty());
    e.w->show();

    e.doc().reset(Route({QStringLiteral("A")}));
    QVERIFY(e.doc().setStopName(0, QStringLiteral("新町")));
    e.box.reply = answer;
    QCOMPARE(e.w->close(), closes);
    QCOMPARE(e.box.shown.size(), 1);
    QCOMPARE(e.box.shown[0].buttons,
             QStringList({QStringLiteral("保存"), QStringLiteral("保存しない"),
                          QStringLiteral("キャンセル")}));
    QCOMPARE(QFileInfo::exists(QDir(e.host.FareFolder()).filePath(QStringLiteral("12.hy3"))),
             saved);
    QCOMPARE(e.doc().stop(0).StopName, QStringLiteral("新町"));
}

void TestEditor::boardFollowsTheSelection()
{
    Editor e;
    RouteData data = Route({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    for (const auto& [text, step] : {std::pair{"ようこそ", 0}, {"次はB", 1}, {"次はC", 1}})
        data.tape << RouteTapeLine{QString::fromUtf8(text), qint16(step), 0, {}};
    e.doc().reset(data);
    QCoreApplication::processEvents();
    QVERIFY(e.host.previews.isEmpty()); // opening is not choosing a stop

    SheetView* stops = e.view("stopView");
    Press(Qt::Key_1, Qt::ControlModifier);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    QCoreApplication::processEvents();
    QVERIFY(!e.host.previews.isEmpty());
    QCOMPARE(e.host.previews.last().name, QStringLiteral("C"));
    QCOMPARE(e.host.previews.last().row, 3);
    QCOMPARE(stops->currentIndex().row(), 2);

    // An edit of the stop shown shows it again.
    QVERIFY(e.doc().setStopName(2, QStringLiteral("終点")));
    QCoreApplication::processEvents();
    QCOMPARE(e.host.previews.last().name, QStringLiteral("終点"));
    QVERIFY(e.doc().setFare(2, 1, 480));
    QCoreApplication::processEvents();
    QCOMPARE(e.host.previews.last().fare1, qint16(480));

    // An announcement entry shows the stop its steps lead to.
    Press(Qt::Key_3, Qt::ControlModifier);
    e.view("tapeView")->goTo(e.view("tapeView")->model()->index(1, 0));
    QCoreApplication::processEvents();
    QCOMPARE(e.host.previews.last().name, QStringLiteral("B"));
    QCOMPARE(e.host.previews.last().row, 2);

    QCOMPARE(e.host.endPreviews, 0);
    e.box.reply = ltm4::vbNo;
    QVERIFY(e.w->close());
    QCOMPARE(e.host.endPreviews, 1);
    QVERIFY(e.host.tried.isEmpty());
}

void TestEditor::tryPassesUnsavedContent()
{
    Editor e;
    RouteData data = Route({QStringLiteral("A"), QStringLiteral("B")});
    data.tape << RouteTapeLine{QStringLiteral("次はB"), 1, 2, {}};
    e.doc().reset(data);
    QVERIFY(e.doc().setStopName(1, QStringLiteral("温泉")));
    QVERIFY(e.doc().setFare(1, 1, 250));
    QVERIFY(e.doc().setStopReading(1, QStringLiteral("おんせん")));

    Press(Qt::Key_F5);
    QCOMPARE(e.host.tried.size(), 1);
    const FakeHost::Tried& t = e.host.tried[0];
    QCOMPARE(t.routeNo, QString());
    QCOMPARE(t.stops.size(), 2);
    QCOMPARE(t.stops[1].StopName, QStringLiteral("温泉"));
    QCOMPARE(t.stops[1].Fare[1], qint16(250));
    QCOMPARE(t.tape.size(), 1);
    QCOMPARE(t.tape[0].TapeText, QStringLiteral("次はB"));
    QCOMPARE(t.tape[0].TapePreFlag, qint16(2));
    QCOMPARE(t.readings.Apply(QStringLiteral("温泉")), QStringLiteral("おんせん"));
    // Nothing was written, and the changes are still unsaved.
    QVERIFY(!QDir(e.host.FareFolder()).exists());
    QVERIFY(e.w->isWindowModified());
}

void TestEditor::gtfsImportThroughItsDialog()
{
    Editor e;
    e.doc().reset(Route({QStringLiteral("前の停留所")}));
    const QString zip = e.host.dir.filePath(QStringLiteral("feed.zip"));
    {
        QFile f(zip);
        const QByteArray bytes = ZoneFeedZip();
        QVERIFY(!bytes.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    QString listed;
    ModalScope modal([&](QDialog& dlg) {
        auto* d = qobject_cast<GtfsImportDialog*>(&dlg);
        if (!d || !d->loadFeed(zip))
            return int(QDialog::Rejected);
        auto* trips = d->findChild<QTreeWidget*>(QStringLiteral("tripTree"));
        QTreeWidgetItem* trip = trips->topLevelItem(0)->child(0);
        listed =
            QStringList({trip->text(0), trip->text(1), trip->text(2), trip->text(3)}).join(u'|');
        trips->setCurrentItem(trip);
        d->accept();
        return dlg.result();
    });
    e.w->importGtfs();
    QVERIFY2(listed.startsWith(QStringLiteral("登別温泉|3|07:10:00|")), qPrintable(listed));
    QCOMPARE(e.doc().stopCount(), 3);
    QCOMPARE(e.doc().stop(1).StopName, QStringLiteral("富岸"));
    QCOMPARE(e.doc().fare(2, 1), qint16(340));
    QCOMPARE(e.doc().reading(1), QStringLiteral("とんけし"));
    QCOMPARE(e.doc().stopTime(2, false), 7 * 3600 + 1200);
    QVERIFY(e.doc().tapeCount() >= 3);
    // One undo brings the route before the import back.
    Press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(e.doc().stopCount(), 1);
    QCOMPARE(e.doc().stop(0).StopName, QStringLiteral("前の停留所"));
    QCOMPARE(e.doc().tapeCount(), 0);
}

void TestEditor::openTargets_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("routeNo");
    QTest::addColumn<bool>("fromFile");
    QTest::newRow("number") << QStringLiteral(" 12 ") << true << 12 << false;
    QTest::newRow("full-width") << QStringLiteral("０１２") << true << 12 << false;
    QTest::newRow("largest") << QStringLiteral("99999") << true << 99999 << false;
    QTest::newRow("too many digits") << QStringLiteral("100000") << false << -1 << false;
    QTest::newRow("file") << QStringLiteral("/data/fare/12.hy3") << true << 12 << true;
    QTest::newRow("leading zero file") << QStringLiteral("/data/012.hy3") << false << -1 << false;
    QTest::newRow("other file") << QStringLiteral("/data/12.csv") << false << -1 << false;
}

void TestEditor::openTargets()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, routeNo);
    QFETCH(bool, fromFile);
    const OpenTarget t = ParseOpenTarget(text);
    QCOMPARE(t.ok, ok);
    QCOMPARE(t.routeNo, routeNo);
    QCOMPARE(t.fromFile, fromFile);
    QCOMPARE(t.error.isEmpty(), ok);
    if (fromFile)
        QCOMPARE(t.fareFolder, QStringLiteral("/data/fare"));
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
