// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// 「路線エディター」: one route — its stops, fare matrix, announcement list
// and readings — edited as one RouteDocument with one undo stack, in three
// tables (停留所, 運賃, 放送) and a list of what the route's rules find.
// Selecting a row shows its stop on the real board through the host; 試す
// sets the editor's content on the panel without writing a file; 保存 writes
// the route's three files, whole or none.
//
// The window is thin: the tables are SheetModels over the document, the
// rules and files are the document's and RouteFiles'.

#include "editor/EditorHost.h"
#include "editor/FareFillDialog.h"
#include "editor/FareTableModel.h"
#include "editor/FindingListModel.h"
#include "editor/StopTableModel.h"
#include "editor/TapeTableModel.h"
#include "route/RouteDocument.h"

#include <QMainWindow>
#include <QTimer>

class QLabel;
class QListView;
class QTabWidget;
class SheetView;

class RouteEditor final : public QMainWindow {
    Q_OBJECT
public:
    // Opens a window on a route number or a <number>.hy3 file (whose folder
    // is then the fare folder), or on a new route when the text is empty.
    // nullptr when nothing was opened (the reason has been shown). The window
    // deletes itself when closed.
    static RouteEditor* Open(EditorHost& host, const QString& routeNumberOrHy3Path,
                             QWidget* parent = nullptr);

    // A window on a new, empty route in the host's folders.
    explicit RouteEditor(EditorHost& host, QWidget* parent = nullptr);
    ~RouteEditor() override;

    RouteDocument& document() { return m_doc; }
    // -1 for a route not yet saved under a number.
    int routeNumber() const { return m_routeNo; }
    QString fareFolder() const { return m_fareFolder; }
    QString tapeFolder() const { return m_tapeFolder; }

    // The commands of the menus; each asks what it needs.
    // A route number or a .hy3 file; false when it could not be opened.
    bool openTarget(const QString& routeNumberOrHy3Path);
    void newRoute();
    void openRoute();
    bool save();
    bool saveAs();
    bool tryRoute();
    void importGtfs();
    void fill(FareFillDialog::Kind kind);
    void makeAnnouncements();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Sheet { Stops, Fares, Tape };

    SheetView* makeView(SheetModel* model, const QString& name, int nameColumn);
    void makeMenus();
    QAction* addCommand(QMenu* menu, const QString& text, const QString& name,
                        const QList<QKeySequence>& keys, void (RouteEditor::*slot)());
    // The table the editing commands work on: the one with the focus, else
    // the one on the current tab.
    SheetView* activeView() const;
    void showSheet(Sheet sheet);

    void copy();
    void cut();
    void paste();
    void clearCells();
    void insertRows(bool below);
    void insertBelow() { insertRows(true); }
    void insertAbove() { insertRows(false); }
    void removeRows();
    void moveRows(bool up);
    void moveUp() { moveRows(true); }
    void moveDown() { moveRows(false); }
    void fillFlat() { fill(FareFillDialog::Flat); }
    void fillZones() { fill(FareFillDialog::Zones); }
    void fillDistance() { fill(FareFillDialog::Distance); }
    void saveCommand() { save(); }
    void saveAsCommand() { saveAs(); }
    void tryCommand() { tryRoute(); }
    void showFindings();
    void jumpToFinding(const QModelIndex& index);

    // Unsaved changes: 保存 / 保存しない / キャンセル. False to stay.
    bool maybeSave();
    bool saveTo(int routeNo, const QString& fareFolder, const QString& tapeFolder);
    // After the document was replaced: title, current cells, no preview pending.
    void afterReset();
    void updateTitle();
    QString routeText() const;
    void status(const QString& text);

    // The board follows the row the user is on, once per turn of the event loop.
    void rowSelected(SheetView* view, int row);
    void previewAgain();
    void showPreview();

    EditorHost& m_host;
    RouteDocument m_doc;
    StopTableModel m_stops{m_doc};
    FareTableModel m_fares{m_doc};
    TapeTableModel m_tape{m_doc};
    FindingListModel m_findings{m_doc};
    int m_routeNo = -1;
    QString m_fareFolder;
    QString m_tapeFolder;
    FareFillDialog::Inputs m_fillInputs;

    QTabWidget* m_tabs = nullptr;
    SheetView* m_stopView = nullptr;
    SheetView* m_fareView = nullptr;
    SheetView* m_tapeView = nullptr;
    QListView* m_findingView = nullptr;
    int m_findingRow = -1; // the list's current row across an edit's new findings
    QLabel* m_findingSummary = nullptr;

    QTimer m_previewTimer;
    int m_previewStop = -1;
    bool m_previewed = false; // the board shows a stop of this editor
    bool m_quiet = false;     // current cells set by the program, not chosen
};
