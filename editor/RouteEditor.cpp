// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/RouteEditor.h"

#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "editor/EditorRules.h"
#include "editor/GtfsImportDialog.h"
#include "editor/OpenRouteDialog.h"
#include "editor/SaveAsDialog.h"
#include "editor/SheetView.h"
#include "route/RouteFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QUndoStack>

#include <algorithm>

namespace {

const int kStatusMs = 8000;

QString EditorCaption()
{
    return QStringLiteral("路線エディター");
}

} // namespace

RouteEditor* RouteEditor::Open(EditorHost& host, const QString& routeNumberOrHy3Path,
                               QWidget* parent)
{
    auto* editor = new RouteEditor(host, parent);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    if (!routeNumberOrHy3Path.trimmed().isEmpty() && !editor->openTarget(routeNumberOrHy3Path)) {
        delete editor;
        return nullptr;
    }
    editor->show();
    return editor;
}

RouteEditor::RouteEditor(EditorHost& host, QWidget* parent)
    : QMainWindow(parent), m_host(host), m_fareFolder(host.FareFolder()),
      m_tapeFolder(host.TapeFolder())
{
    setObjectName(QStringLiteral("routeEditor"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("sheets"));
    m_stopView = makeView(&m_stops, QStringLiteral("stopView"), StopTableModel::NameColumn);
    m_fareView = makeView(&m_fares, QStringLiteral("fareView"), -1);
    m_tapeView = makeView(&m_tape, QStringLiteral("tapeView"), -1);
    m_stopView->horizontalHeader()->resizeSection(StopTableModel::NameColumn, 240);
    m_stopView->horizontalHeader()->resizeSection(StopTableModel::ReadingColumn, 240);
    m_fareView->horizontalHeader()->setDefaultSectionSize(56);
    // The stop names beside the fares, at a width that does not depend on every name.
    m_fareView->verticalHeader()->setFixedWidth(160);
    m_tapeView->horizontalHeader()->resizeSection(TapeTableModel::TextColumn, 460);
    m_tapeView->horizontalHeader()->resizeSection(TapeTableModel::StepColumn, 48);
    m_tapeView->horizontalHeader()->resizeSection(TapeTableModel::ChimeColumn, 64);
    m_tapeView->horizontalHeader()->setStretchLastSection(true);
    m_tabs->addTab(m_stopView, QStringLiteral("停留所"));
    m_tabs->addTab(m_fareView, QStringLiteral("運賃"));
    m_tabs->addTab(m_tapeView, QStringLiteral("放送"));
    setCentralWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { previewAgain(); });

    m_findingView = new QListView(this);
    m_findingView->setObjectName(QStringLiteral("findingView"));
    m_findingView->setModel(&m_findings);
    m_findingView->setUniformItemSizes(true);
    m_findingView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_findingView, &QListView::activated, this, &RouteEditor::jumpToFinding);
    // Every edit makes the findings anew: the user working down the list
    // stays where they were, on the one that came next.
    connect(&m_findings, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_findingRow = m_findingView->currentIndex().row(); });
    connect(&m_findings, &QAbstractItemModel::modelReset, this, [this] {
        if (m_findingRow >= 0 && m_findings.rowCount() > 0)
            m_findingView->setCurrentIndex(
                m_findings.index(std::min(m_findingRow, m_findings.rowCount() - 1)));
    });
    auto* dock = new QDockWidget(QStringLiteral("チェック結果"), this);
    dock->setObjectName(QStringLiteral("findingDock"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    dock->setWidget(m_findingView);
    addDockWidget(Qt::BottomDockWidgetArea, dock);

    m_findingSummary = new QLabel(this);
    m_findingSummary->setObjectName(QStringLiteral("findingSummary"));
    statusBar()->addPermanentWidget(m_findingSummary);
    connect(&m_findings, &FindingListModel::countsChanged, this,
            [this] { m_findingSummary->setText(m_findings.summary()); });
    m_findingSummary->setText(m_findings.summary());

    for (SheetModel* m : {static_cast<SheetModel*>(&m_stops), static_cast<SheetModel*>(&m_fares),
                          static_cast<SheetModel*>(&m_tape)})
        connect(m, &SheetModel::message, this, &RouteEditor::status);

    m_previewTimer.setSingleShot(true);
    m_previewTimer.setInterval(0);
    connect(&m_previewTimer, &QTimer::timeout, this, &RouteEditor::showPreview);
    // What the board shows follows edits of the stop it shows.
    connect(&m_doc, &RouteDocument::faresChanged, this, [this](int first, int last) {
        if (m_previewStop >= first && m_previewStop <= last)
            previewAgain();
    });
    for (auto signal : {&RouteDocument::stopsInserted, &RouteDocument::stopsRemoved,
                        &RouteDocument::stopsChanged})
        connect(&m_doc, signal, this, &RouteEditor::previewAgain);
    connect(&m_doc, &RouteDocument::stopsMoved, this, &RouteEditor::previewAgain);
    connect(&m_doc, &RouteDocument::tapeStopsChanged, this, &RouteEditor::previewAgain);
    connect(m_doc.undoStack(), &QUndoStack::cleanChanged, this, &RouteEditor::updateTitle);

    makeMenus();
    resize(1000, 680);
    afterReset();
}

RouteEditor::~RouteEditor()
{
    // The views go before the models they show.
    delete m_tabs;
    delete m_findingView;
}

SheetView* RouteEditor::makeView(SheetModel* model, const QString& name, int nameColumn)
{
    auto* view = new SheetView(this);
    view->setObjectName(name);
    view->setModel(model);
    auto* delegate = new SheetDelegate(nameColumn, view);
    view->setItemDelegate(delegate);
    connect(delegate, &SheetDelegate::nameChecked, this,
            [this](const QString& message, bool) { statusBar()->showMessage(message); });
    connect(view, &SheetView::currentRowChanged, this,
            [this, view](int row) { rowSelected(view, row); });
    return view;
}

QAction* RouteEditor::addCommand(QMenu* menu, const QString& text, const QString& name,
                                 const QList<QKeySequence>& keys, void (RouteEditor::*slot)())
{
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void RouteEditor::makeMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    addCommand(file, QStringLiteral("新規(&N)"), QStringLiteral("actionNew"), {QKeySequence::New},
               &RouteEditor::newRoute);
    addCommand(file, QStringLiteral("開く(&O)..."), QStringLiteral("actionOpen"),
               {QKeySequence::Open}, &RouteEditor::openRoute);
    addCommand(file, QStringLiteral("GTFS-JPから読み込む(&G)..."),
               QStringLiteral("actionImportGtfs"), {}, &RouteEditor::importGtfs);
    file->addSeparator();
    addCommand(file, QStringLiteral("保存(&S)"), QStringLiteral("actionSave"),
               {QKeySequence(Qt::CTRL | Qt::Key_S)}, &RouteEditor::saveCommand);
    addCommand(file, QStringLiteral("名前を付けて保存(&A)..."), QStringLiteral("actionSaveAs"),
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, &RouteEditor::saveAsCommand);
    file->addSeparator();
    addCommand(file, QStringLiteral("試す (パネルに設定)(&T)"), QStringLiteral("actionTry"),
               {QKeySequence(Qt::Key_F5)}, &RouteEditor::tryCommand);
    file->addSeparator();
    QAction* close = file->addAction(QStringLiteral("閉じる(&C)"));
    close->setObjectName(QStringLiteral("actionClose"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(close, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    QAction* undo = m_doc.undoStack()->createUndoAction(this, QStringLiteral("元に戻す(&U)"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    QAction* redo = m_doc.undoStack()->createRedoAction(this, QStringLiteral("やり直し(&R)"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("切り取り(&T)"), QStringLiteral("actionCut"),
               {QKeySequence(Qt::CTRL | Qt::Key_X)}, &RouteEditor::cut);
    addCommand(edit, QStringLiteral("コピー(&C)"), QStringLiteral("actionCopy"),
               {QKeySequence(Qt::CTRL | Qt::Key_C)}, &RouteEditor::copy);
    addCommand(edit, QStringLiteral("貼り付け(&P)"), QStringLiteral("actionPaste"),
               {QKeySequence(Qt::CTRL | Qt::Key_V)}, &RouteEditor::paste);
    addCommand(edit, QStringLiteral("消去(&D)"), QStringLiteral("actionClear"),
               {QKeySequence(Qt::Key_Delete)}, &RouteEditor::clearCells);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("行を下に挿入(&I)"), QStringLiteral("actionInsertBelow"),
               {QKeySequence(Qt::Key_Insert)}, &RouteEditor::insertBelow);
    addCommand(edit, QStringLiteral("行を上に挿入(&B)"), QStringLiteral("actionInsertAbove"),
               {QKeySequence(Qt::SHIFT | Qt::Key_Insert)}, &RouteEditor::insertAbove);
    addCommand(edit, QStringLiteral("行を削除(&L)"), QStringLiteral("actionRemoveRows"),
               {QKeySequence(Qt::CTRL | Qt::Key_Delete)}, &RouteEditor::removeRows);
    addCommand(edit, QStringLiteral("行を上へ移動(&K)"), QStringLiteral("actionMoveUp"),
               {QKeySequence(Qt::CTRL | Qt::Key_Up)}, &RouteEditor::moveUp);
    addCommand(edit, QStringLiteral("行を下へ移動(&J)"), QStringLiteral("actionMoveDown"),
               {QKeySequence(Qt::CTRL | Qt::Key_Down)}, &RouteEditor::moveDown);

    QMenu* fares = menuBar()->addMenu(QStringLiteral("運賃(&R)"));
    addCommand(fares, QStringLiteral("均一運賃で埋める(&F)..."), QStringLiteral("actionFillFlat"),
               {}, &RouteEditor::fillFlat);
    addCommand(fares, QStringLiteral("ゾーン運賃で埋める(&Z)..."),
               QStringLiteral("actionFillZones"), {}, &RouteEditor::fillZones);
    addCommand(fares, QStringLiteral("距離運賃で埋める(&D)..."),
               QStringLiteral("actionFillDistance"), {}, &RouteEditor::fillDistance);

    QMenu* tape = menuBar()->addMenu(QStringLiteral("放送(&A)"));
    addCommand(tape, QStringLiteral("停留所名から「次は」の放送を作る(&N)"),
               QStringLiteral("actionMakeAnnouncements"), {}, &RouteEditor::makeAnnouncements);

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    const QList<std::pair<QString, Sheet>> sheets{{QStringLiteral("停留所(&1)"), Sheet::Stops},
                                                  {QStringLiteral("運賃(&2)"), Sheet::Fares},
                                                  {QStringLiteral("放送(&3)"), Sheet::Tape}};
    const QStringList names{QStringLiteral("actionShowStops"), QStringLiteral("actionShowFares"),
                            QStringLiteral("actionShowTape")};
    for (int i = 0; i < 3; ++i) {
        QAction* a = view->addAction(sheets[i].first);
        a->setObjectName(names[i]);
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)));
        const Sheet sheet = sheets[i].second;
        connect(a, &QAction::triggered, this, [this, sheet] { showSheet(sheet); });
    }
    addCommand(view, QStringLiteral("チェック結果(&4)"), QStringLiteral("actionShowFindings"),
               {QKeySequence(Qt::CTRL | Qt::Key_4)}, &RouteEditor::showFindings);
}

SheetView* RouteEditor::activeView() const
{
    for (SheetView* v : {m_stopView, m_fareView, m_tapeView})
        if (v->hasFocus() || v->isAncestorOf(QApplication::focusWidget()))
            return v;
    return qobject_cast<SheetView*>(m_tabs->currentWidget());
}

void RouteEditor::showSheet(Sheet sheet)
{
    SheetView* v = sheet == Sheet::Stops   ? m_stopView
                   : sheet == Sheet::Fares ? m_fareView
                                           : m_tapeView;
    m_tabs->setCurrentWidget(v);
    v->setFocus();
}

void RouteEditor::showFindings()
{
    m_findingView->parentWidget()->show();
    m_findingView->setFocus();
    if (!m_findingView->currentIndex().isValid() && m_findings.rowCount() > 0)
        m_findingView->setCurrentIndex(m_findings.index(0));
}

void RouteEditor::jumpToFinding(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const RouteFinding& f = m_findings.finding(index.row());
    for (SheetView* v : {m_stopView, m_fareView}) {
        const QModelIndex at = v->sheet()->indexOfFinding(f);
        if (at.isValid()) {
            m_tabs->setCurrentWidget(v);
            v->goTo(at);
            v->setFocus();
            return;
        }
    }
    showSheet(Sheet::Stops);
}

// --- Cells

void RouteEditor::copy()
{
    SheetView* v = activeView();
    const QRect r = v->selectionBounds();
    if (!r.isValid())
        return;
    QApplication::clipboard()->setText(v->sheet()->copyCells(r));
    status(QStringLiteral("%1 行 %2 列をコピーしました").arg(r.height()).arg(r.width()));
}

void RouteEditor::cut()
{
    copy();
    clearCells();
}

void RouteEditor::paste()
{
    SheetView* v = activeView();
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) {
        status(QStringLiteral("クリップボードに貼り付けられる文字がありません"));
        return;
    }
    QRect r = v->selectionBounds();
    // An empty table of stops or announcements takes a paste as its first rows.
    if (!r.isValid())
        r = QRect(0, 0, 1, 1);
    status(v->sheet()->pasteCells(r.top(), r.left(), TileSheetText(text, r.height(), r.width())));
}

void RouteEditor::clearCells()
{
    SheetView* v = activeView();
    const QList<QRect> rects = v->selectedRects();
    if (!rects.isEmpty())
        v->sheet()->clearCells(rects);
}

// --- Rows

void RouteEditor::insertRows(bool below)
{
    SheetView* v = activeView();
    SheetModel* m = v->sheet();
    int first = 0;
    int count = 1;
    int at = m->rowCount();
    if (v->selectedRowBlock(first, count))
        at = below ? first + count : first;
    else
        count = 1;
    if (!m->insertSheetRows(at, count)) {
        status(QStringLiteral("これ以上は行を増やせません (停留所は%1まで)").arg(kRouteMaxStops));
        return;
    }
    v->goTo(m->index(at, 0));
}

void RouteEditor::removeRows()
{
    SheetView* v = activeView();
    SheetModel* m = v->sheet();
    int first = 0;
    int count = 0;
    if (!v->selectedRowBlock(first, count) || !m->removeSheetRows(first, count))
        return;
    const int column = qMax(v->currentIndex().column(), 0);
    if (m->rowCount() > 0)
        v->goTo(m->index(qMin(first, m->rowCount() - 1), column));
}

void RouteEditor::moveRows(bool up)
{
    SheetView* v = activeView();
    SheetModel* m = v->sheet();
    int first = 0;
    int count = 0;
    if (!v->selectedRowBlock(first, count))
        return;
    const int to = up ? first - 1 : first + 1;
    if (to < 0 || to + count > m->rowCount())
        return;
    if (!m->moveSheetRows(first, count, up ? first - 1 : first + count + 1))
        return;
    const QModelIndex current = v->currentIndex();
    const QRect bounds = v->selectionBounds();
    const int shift = up ? -1 : 1;
    v->setCurrentIndex(m->index(current.row() + shift, current.column()));
    v->selectionModel()->select(
        QItemSelection(m->index(to, bounds.left()), m->index(to + count - 1, bounds.right())),
        QItemSelectionModel::ClearAndSelect);
}

// --- Route

void RouteEditor::afterReset()
{
    m_previewTimer.stop();
    m_previewStop = -1;
    m_quiet = true;
    for (SheetView* v : {m_stopView, m_fareView, m_tapeView})
        if (v->model()->rowCount() > 0)
            v->setCurrentIndex(v->model()->index(0, 0));
    m_quiet = false;
    updateTitle();
}

void RouteEditor::updateTitle()
{
    setWindowTitle(EditorTitle(m_routeNo));
    setWindowModified(!m_doc.undoStack()->isClean());
}

QString RouteEditor::routeText() const
{
    return m_routeNo < 0 ? QString() : QString::number(m_routeNo);
}

void RouteEditor::status(const QString& text)
{
    statusBar()->showMessage(text, kStatusMs);
}

bool RouteEditor::openTarget(const QString& routeNumberOrHy3Path)
{
    const OpenTarget target = ParseOpenTarget(routeNumberOrHy3Path);
    if (!target.ok) {
        ltm4::MsgBox(this, target.error, ltm4::vbExclamation, EditorCaption());
        return false;
    }
    const QString fareFolder = target.fromFile ? target.fareFolder : m_host.FareFolder();
    const QString tapeFolder = m_host.TapeFolder();
    bool isNew = false;
    const RouteOpenResult opened =
        OpenRouteForEditing(fareFolder, tapeFolder, target.routeNo, &isNew);
    if (!opened.ok) {
        ltm4::MsgBox(this, opened.error, ltm4::vbExclamation, EditorCaption());
        return false;
    }
    if (isNew) {
        const QString file =
            QDir::toNativeSeparators(RouteFilePaths(fareFolder, tapeFolder, target.routeNo).fares);
        const int answer =
            ltm4::MsgBox(this,
                         QStringLiteral("系統 %1 の運賃データ (%2) はまだありません。\r\n"
                                        "新しい系統として作りますか？")
                             .arg(target.routeNo)
                             .arg(file),
                         ltm4::vbYesNo + ltm4::vbQuestion, EditorCaption());
        if (answer != ltm4::vbYes)
            return false;
    }
    m_doc.reset(opened.data);
    m_routeNo = target.routeNo;
    m_fareFolder = fareFolder;
    m_tapeFolder = tapeFolder;
    m_fillInputs = {};
    afterReset();
    if (!opened.warnings.isEmpty())
        ltm4::MsgBox(this, opened.warnings.join(QStringLiteral("\r\n")), ltm4::vbExclamation,
                     EditorCaption());
    status(isNew ? QStringLiteral("系統 %1 を新しく作ります").arg(m_routeNo)
                 : QStringLiteral("系統 %1 を開きました").arg(m_routeNo));
    return true;
}

void RouteEditor::newRoute()
{
    if (!maybeSave())
        return;
    m_doc.reset(RouteData{});
    m_routeNo = -1;
    m_fareFolder = m_host.FareFolder();
    m_tapeFolder = m_host.TapeFolder();
    m_fillInputs = {};
    afterReset();
}

void RouteEditor::openRoute()
{
    OpenRouteDialog dlg(m_host.FareFolder(), routeText(), this);
    if (ltm4::ExecModal(dlg) != QDialog::Accepted || !maybeSave())
        return;
    openTarget(dlg.target());
}

bool RouteEditor::maybeSave()
{
    if (m_doc.undoStack()->isClean())
        return true;
    const QString what =
        m_routeNo < 0 ? QStringLiteral("新しい系統") : QStringLiteral("系統 %1").arg(m_routeNo);
    const int answer = ltm4::MsgBox(
        this, QStringLiteral("%1 の変更を保存しますか？").arg(what),
        ltm4::vbYesNoCancel + ltm4::vbExclamation, EditorCaption(), {},
        {QStringLiteral("保存"), QStringLiteral("保存しない"), QStringLiteral("キャンセル")});
    if (answer == ltm4::vbYes)
        return save();
    return answer == ltm4::vbNo;
}

bool RouteEditor::save()
{
    if (m_routeNo < 0)
        return saveAs();
    return saveTo(m_routeNo, m_fareFolder, m_tapeFolder);
}

bool RouteEditor::saveAs()
{
    SaveAsDialog dlg(m_routeNo, m_fareFolder, m_tapeFolder, this);
    if (ltm4::ExecModal(dlg) != QDialog::Accepted)
        return false;
    return saveTo(dlg.routeNo(), dlg.fareFolder(), dlg.tapeFolder());
}

bool RouteEditor::saveTo(int routeNo, const QString& fareFolder, const QString& tapeFolder)
{
    const RouteSaveResult saved = SaveRoute(m_doc.data(), fareFolder, tapeFolder, routeNo);
    if (!saved.ok) {
        ltm4::MsgBox(this, saved.error, ltm4::vbExclamation, EditorCaption());
        return false;
    }
    m_routeNo = routeNo;
    m_fareFolder = fareFolder;
    m_tapeFolder = tapeFolder;
    m_doc.undoStack()->setClean();
    updateTitle();
    QStringList names;
    for (const QString& path : saved.written)
        names << QDir::toNativeSeparators(path);
    status(QStringLiteral("保存しました: %1").arg(names.join(QStringLiteral("、"))));
    return true;
}

bool RouteEditor::tryRoute()
{
    if (m_doc.stopCount() == 0) {
        ltm4::MsgBox(this, QStringLiteral("停留所がないため、パネルに設定できません。"),
                     ltm4::vbExclamation, EditorCaption());
        return false;
    }
    QList<TapeEntry> tape;
    for (int i = 0; i < m_doc.tapeCount(); ++i) {
        const RouteTapeLine& l = m_doc.tapeLine(i);
        tape << TapeEntry{l.text, l.stepFlag, l.preFlag};
    }
    ReadingList readings;
    for (auto it = m_doc.readings().cbegin(); it != m_doc.readings().cend(); ++it)
        readings.Add(it.key(), it.value());
    if (!m_host.TryRoute(routeText(), StopRecords(m_doc.data().stops), tape, readings)) {
        ltm4::MsgBox(this, QStringLiteral("パネルに設定できませんでした。"), ltm4::vbExclamation,
                     EditorCaption());
        return false;
    }
    status(QStringLiteral("パネルに設定しました (ファイルには書いていません)"));
    return true;
}

void RouteEditor::importGtfs()
{
    GtfsImportDialog dlg(m_tapeFolder, this);
    if (ltm4::ExecModal(dlg) != QDialog::Accepted || !dlg.result().ok)
        return;
    const RouteData& data = dlg.result().data;
    // One undoable step: the route as it was comes back with one 元に戻す.
    QUndoStack* stack = m_doc.undoStack();
    stack->beginMacro(QStringLiteral("GTFS-JPから読み込む"));
    if (m_doc.tapeCount() > 0)
        m_doc.removeTape(0, m_doc.tapeCount());
    if (m_doc.stopCount() > 0)
        m_doc.removeStops(0, m_doc.stopCount());
    if (!data.stops.isEmpty())
        m_doc.insertStops(0, StopRecords(data.stops));
    for (int r = 0; r < int(data.stops.size()); ++r) {
        if (data.stops[r].arrival)
            m_doc.setStopTime(r, false, data.stops[r].arrival);
        if (data.stops[r].departure)
            m_doc.setStopTime(r, true, data.stops[r].departure);
    }
    QList<TapeEntry> tape;
    for (const RouteTapeLine& l : data.tape)
        tape << TapeEntry{l.text, l.stepFlag, l.preFlag};
    if (!tape.isEmpty())
        m_doc.insertTape(0, tape);
    for (const RouteReadingLine& l : data.readings)
        if (!l.written.isEmpty())
            m_doc.setReading(l.written, l.reading);
    stack->endMacro();
    m_fillInputs = {};
    afterReset();
    status(QStringLiteral("GTFS-JPから読み込みました: %1").arg(dlg.tripLabel()));
}

void RouteEditor::fill(FareFillDialog::Kind kind)
{
    if (m_doc.stopCount() == 0) {
        status(QStringLiteral("停留所がないため、運賃を埋められません"));
        return;
    }
    FareFillDialog dlg(m_doc, kind, m_fillInputs, this);
    if (ltm4::ExecModal(dlg) != QDialog::Accepted)
        return;
    m_fillInputs = dlg.inputs();
    QString error;
    switch (dlg.kind()) {
    case FareFillDialog::Flat:
        error = m_doc.fillFlat(m_fillInputs.flatFare);
        break;
    case FareFillDialog::Zones:
        error = m_doc.fillZones(m_fillInputs.zoneOfStop, m_fillInputs.zoneFares);
        break;
    case FareFillDialog::Distance:
        error = m_doc.fillDistance(m_fillInputs.kmOfStop, m_fillInputs.rule);
        break;
    }
    if (!error.isEmpty()) {
        ltm4::MsgBox(this, error, ltm4::vbExclamation, EditorCaption());
        return;
    }
    showSheet(Sheet::Fares);
    status(QStringLiteral("運賃を埋めました (元に戻すは Ctrl+Z)"));
}

void RouteEditor::makeAnnouncements()
{
    if (m_doc.stopCount() == 0) {
        status(QStringLiteral("停留所がないため、放送を作れません"));
        return;
    }
    m_doc.makeStopAnnouncements();
    showSheet(Sheet::Tape);
    if (m_doc.tapeCount() > 0 && !m_tapeView->currentIndex().isValid())
        m_tapeView->goTo(m_tape.index(0, 0));
    status(QStringLiteral("停留所名から放送を %1 件作りました").arg(m_doc.tapeCount()));
}

// --- Board

void RouteEditor::rowSelected(SheetView* view, int row)
{
    if (m_quiet || row < 0 || view != m_tabs->currentWidget())
        return;
    const int stop = view->sheet()->stopOfRow(row);
    if (stop < 0)
        return;
    m_previewStop = stop;
    m_previewTimer.start();
}

void RouteEditor::previewAgain()
{
    if (!m_previewed)
        return;
    auto* view = qobject_cast<SheetView*>(m_tabs->currentWidget());
    const QModelIndex current = view ? view->currentIndex() : QModelIndex();
    const int stop = current.isValid() ? view->sheet()->stopOfRow(current.row()) : -1;
    if (stop < 0)
        return;
    m_previewStop = stop;
    m_previewTimer.start();
}

void RouteEditor::showPreview()
{
    if (m_previewStop < 0 || m_previewStop >= m_doc.stopCount())
        return;
    m_host.PreviewRow(m_doc.stop(m_previewStop), m_previewStop + 1, routeText());
    m_previewed = true;
}

void RouteEditor::closeEvent(QCloseEvent* event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    m_previewTimer.stop();
    if (m_previewed)
        m_host.EndPreview();
    m_previewed = false;
    event->accept();
}
