// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/Form1.h"

#include "board/BoardFace.h"
#include "board/BoardStage.h"
#include "board/BoardZoom.h"
#include "board/ChimeiCtl_A.h"
#include "board/M_Degit.h"
#include "board/StopLampCtl.h"
#include "board/mdl517_000.h"
#include "companion/ColorRef.h"
#include "companion/FontMap.h"
#include "companion/SysClock.h"
#include "companion/Twips.h"
#include "settings/SettingsRecord.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace {

constexpr int kTwips = ltm4::kTwipsPerPixel;

QPoint twipsToPixels(int left, int top)
{
    return QPoint(left / kTwips, top / kTwips);
}

// Re-enables a window on every way out of a scope.
class EnableAgain {
public:
    explicit EnableAgain(QWidget* w) : m_w(w)
    {
        if (m_w)
            m_w->setEnabled(false);
    }
    ~EnableAgain()
    {
        if (m_w)
            m_w->setEnabled(true);
    }
    EnableAgain(const EnableAgain&) = delete;
    EnableAgain& operator=(const EnableAgain&) = delete;

private:
    QWidget* m_w;
};

QLabel* makeSeiriLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

void setTextColor(QLabel* label, const QColor& c)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, c);
    label->setPalette(pal);
}

} // namespace

Form1::Form1(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form2"));
    setFixedSize(BoardFace::kWidth, BoardFace::kHeight);
    setContextMenuPolicy(Qt::DefaultContextMenu);

    for (int i = 0; i < 3; ++i)
        m_imgRes[size_t(i)] = BoardFace::Draw(i);
    m_picture = m_imgRes[0];

    // Every control sits on the stage, which is the board at its own size.
    m_stage = new BoardStage(this);
    m_stage->setObjectName(QStringLiteral("BoardStage"));
    m_stage->setGeometry(0, 0, BoardFace::kWidth, BoardFace::kHeight);
    m_stage->setPicture(m_picture);
    m_stage->setOnChange([this](const QRegion& changed) {
        m_stageChanged += changed;
        for (const QRect& r : changed)
            update(QRectF(QPointF(m_stageOrigin) + QPointF(r.topLeft()) * m_zoom,
                          QSizeF(r.size()) * m_zoom)
                       .toAlignedRect());
    });
    QWidget* const stage = m_stage;

    m_chimei = new ChimeiCtl_A(stage);
    m_chimei->setObjectName(QStringLiteral("ChimeiCtl"));
    m_chimei->setGeometry(BoardFace::ChimeiRect());

    // Spare controls the board never addresses.
    m_degit[0] = new M_Degit(stage);
    m_degit[0]->move(twipsToPixels(2100, 30));
    m_degit[0]->hide();
    m_label[0] = makeSeiriLabel(stage);
    m_label[0]->setGeometry(twipsToPixels(2100, 60).x(), 4, 52, 17);
    m_label[0]->setFont(FontMap::MakeFont(QStringLiteral("M_DegitA"), 17, true));
    setTextColor(m_label[0], Qt::black);
    m_label[0]->hide();

    const QFont numberFont =
        FontMap::MakeFont(QStringLiteral("M_NumC1"), FontMap::PointsToPixels(12), true);
    for (int k = 1; k <= kCells; ++k) {
        m_label[k] = makeSeiriLabel(stage);
        m_label[k]->setGeometry(BoardFace::LabelRect(k));
        m_label[k]->setFont(numberFont);
        setTextColor(m_label[k], Qt::white);

        m_degit[k] = new M_Degit(stage);
        m_degit[k]->move(BoardFace::CellRect(k).topLeft());
    }
    for (int k = 0; k <= kCells; ++k) {
        m_degit[k]->setObjectName(QStringLiteral("Degit_%1").arg(k));
        m_label[k]->setObjectName(QStringLiteral("lblSeiriNum_%1").arg(k));
        connect(m_degit[k], &M_Degit::DblClick, this, [this, k] { Degit_DblClick(k); });
    }

    const int clockLeft[2] = {5445, 5850};
    for (int i = 0; i < 2; ++i) {
        m_time[i] = new M_Degit(stage);
        m_time[i]->setObjectName(QStringLiteral("TimeDegit_%1").arg(i));
        m_time[i]->setKeta(2);
        m_time[i]->move(twipsToPixels(clockLeft[i], 30));
        m_time[i]->hide();
    }
    m_stopLamp = new StopLampCtl(stage);
    m_stopLamp->setObjectName(QStringLiteral("StopLamp"));
    // Topmost of the board's controls (none overlaps it): each frame of a
    // scrolling name is then painted without a walk over the hundred
    // controls made after it.
    m_chimei->raise();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    m_timer1->start();
    m_viewFile = BoardZoom::ViewSettingsFile();
}

Form1::~Form1()
{
    // Off screen the stage has no parent to take it along.
    if (m_stage->isWindow())
        delete m_stage;
}

void Form1::Form_Load(const LoadSteps& steps)
{
    mdl517_000::DegitReset(*this);
    if (m_option)
        mdl517_000::PanelInit(*this, *m_option);
    if (steps.showPanel)
        steps.showPanel();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().topLeft());
    else
        move(0, 0);
    if (steps.placePanel)
        steps.placePanel();
    ShapeWindow();
    update();
    if (steps.loadSettings)
        steps.loadSettings();
}

M_Degit* Form1::Degit(int index) const
{
    return (index >= 0 && index <= kCells) ? m_degit[size_t(index)] : nullptr;
}

QLabel* Form1::lblSeiriNum(int index) const
{
    return (index >= 0 && index <= kCells) ? m_label[size_t(index)] : nullptr;
}

M_Degit* Form1::TimeDegit(int index) const
{
    return (index >= 0 && index <= 1) ? m_time[size_t(index)] : nullptr;
}

const QImage& Form1::imgRes(int index) const
{
    return m_imgRes[size_t(qBound(0, index, 2))];
}

void Form1::setImgRes(int index, const QImage& picture)
{
    if (index >= 0 && index <= 2)
        m_imgRes[size_t(index)] = picture;
}

void Form1::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_stage->setPicture(picture);
}

void Form1::SetSeiriNumColor(quint32 color)
{
    for (int k = 1; k <= kCells; ++k)
        setTextColor(m_label[size_t(k)], ltm4::FromColorRef(color));
}

void Form1::GetFormInfo(FormInfo& info) const
{
    // Full screen is a view, not a place: the window's own place is kept.
    const QPoint at = m_fullScreen ? m_windowedPos : pos();
    info.BoardLeft = ltm4::PixelsToTwips(at.x());
    info.BoardTop = ltm4::PixelsToTwips(at.y());
}

void Form1::SetFormInfo(const FormInfo& info)
{
    const QPoint at(ltm4::TwipsToPixels(info.BoardLeft), ltm4::TwipsToPixels(info.BoardTop));
    if (m_fullScreen)
        m_windowedPos = at;
    else
        move(at);
}

void Form1::Timer1_Timer()
{
    const QString now = ltm4::Now().time().toString(QStringLiteral("HH:mm:ss"));
    m_time[0]->setValue(DegitValue(now.mid(0, 2).toInt()));
    m_time[1]->setValue(DegitValue(now.mid(3, 2).toInt()));
}

void Form1::Degit_DblClick(int index)
{
    M_Degit* cell = Degit(index);
    if (!cell || !cell->UserSet())
        return;
    const EnableAgain panel(m_ctl);
    if (cell->ShowSetDlg() != 1)
        return;
    const qint16 zeroMode = cell->ZeroMode();
    const qint16 shift = cell->Shift();
    const qint16 fillZero = cell->FillZero();
    for (int k = 1; k <= kCells; ++k) {
        M_Degit* d = m_degit[size_t(k)];
        const DegitValue value = d->Value();
        d->setShift(shift);
        d->setFillZero(fillZero);
        d->setZeroMode(zeroMode);
        d->setValue(value);
    }
}

void Form1::ShapeWindow()
{
    // A client-sized rectangle with 1-pixel corners: the bare board, no frame.
    const QRect r(QPoint(0, 0), size());
    setMask(QRegion(r));
}

void Form1::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    // Only the margins of a full-screen board show the window itself: in the
    // colour of the picture's edge, so that the board has no frame around it.
    p.fillRect(rect(), m_picture.isNull() ? QColor(Qt::black) : m_picture.pixelColor(0, 0));
    if (!m_stage->isWindow())
        return;
    // Zoomed: the stage as it is at its own size, every pixel repeated. Only
    // what changed is drawn again, and only what the event asks for is scaled:
    // a scrolling stop name costs its own strip, not the whole board.
    const qreal dpr = devicePixelRatioF();
    if (m_zoomed.size() != m_stage->size() * dpr) {
        m_zoomed = QImage(m_stage->size() * dpr, QImage::Format_RGB32);
        m_zoomed.setDevicePixelRatio(dpr);
        m_stageChanged = m_stage->rect();
    }
    if (!m_stageChanged.isEmpty())
        m_stage->RenderInto(m_zoomed, std::exchange(m_stageChanged, QRegion()));
    // The stage pixels under the event's rectangle, with a pixel to spare so
    // that the edges of the scaled part fall outside what is painted.
    const QRectF asked(QPointF(e->rect().topLeft() - m_stageOrigin) / m_zoom,
                       QSizeF(e->rect().size()) / m_zoom);
    const QRect source = asked.toAlignedRect().adjusted(-1, -1, 1, 1) & m_stage->rect();
    if (source.isEmpty())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(QPointF(m_stageOrigin) + QPointF(source.topLeft()) * m_zoom,
                       QSizeF(source.size()) * m_zoom),
                m_zoomed, QRectF(QPointF(source.topLeft()) * dpr, QSizeF(source.size()) * dpr));
}

void Form1::closeEvent(QCloseEvent* e)
{
    // The board never closes by itself; only the control panel ends the program.
    e->ignore();
}

QWidget* Form1::ControlAt(const QPoint& pos) const
{
    const QPointF onStage = QPointF(pos - m_stageOrigin) / m_zoom;
    return m_stage->childAt(onStage.toPoint());
}

void Form1::mousePressEvent(QMouseEvent* e)
{
    // Zoomed, the lamp is drawn, not hit: a press on it is the lamp's.
    if (e->button() == Qt::LeftButton && !m_stopLamp->isHidden() &&
        ControlAt(e->position().toPoint()) == m_stopLamp) {
        m_stopLamp->Press();
        return;
    }
    // Only the board's own surface moves it: a press (or the second press of
    // a double-click) that a label or a cell let through is theirs.
    if (e->button() != Qt::LeftButton || m_fullScreen || ControlAt(e->position().toPoint()))
        return;
    if (QWindow* w = windowHandle(); w && w->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = e->globalPosition().toPoint() - pos();
}

void Form1::mouseDoubleClickEvent(QMouseEvent* e)
{
    // Zoomed, the controls are drawn, not hit: a double-click on a drawn fare
    // cell is that cell's.
    if (m_zoom != 1.0 && e->button() == Qt::LeftButton) {
        for (int k = 1; k <= kCells; ++k) {
            if (ControlAt(e->position().toPoint()) == m_degit[size_t(k)]) {
                Degit_DblClick(k);
                return;
            }
        }
    }
    mousePressEvent(e);
}

void Form1::mouseMoveEvent(QMouseEvent* e)
{
    if (m_dragging)
        move(e->globalPosition().toPoint() - m_dragOffset);
}

void Form1::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_dragging = false;
}

void Form1::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && m_fullScreen) {
        LeaveFullScreen();
        return;
    }
    QWidget::keyPressEvent(e);
}

void Form1::contextMenuEvent(QContextMenuEvent* e)
{
    // A pop-up of its own, gone when closed: the board goes on meanwhile.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("BoardMenu"));
    if (!m_fullScreen) {
        for (const qreal z : BoardZoom::kSteps) {
            QAction* a = menu->addAction(QStringLiteral("表示倍率 %1 倍").arg(z));
            a->setCheckable(true);
            a->setChecked(z == m_zoom);
            connect(a, &QAction::triggered, this, [this, z] { setZoom(z); });
        }
        menu->addSeparator();
        QMenu* screens = menu->addMenu(QStringLiteral("全画面表示"));
        int n = 0;
        // The monitors of this desktop; a separate X screen is another world
        // a window cannot be moved to.
        for (QScreen* s : screen()->virtualSiblings()) {
            const QSize size = s->geometry().size();
            QAction* a = screens->addAction(
                QStringLiteral("画面 %1 (%2 × %3)").arg(++n).arg(size.width()).arg(size.height()));
            connect(a, &QAction::triggered, this, [this, s] { EnterFullScreen(s); });
        }
    } else {
        QAction* a = menu->addAction(QStringLiteral("全画面表示を終わる (Esc)"));
        connect(a, &QAction::triggered, this, &Form1::LeaveFullScreen);
    }
    if (!m_menuCommands.isEmpty())
        menu->addSeparator();
    for (const auto& [caption, run] : std::as_const(m_menuCommands))
        connect(menu->addAction(caption), &QAction::triggered, this, run);
    menu->popup(e->globalPos());
}

void Form1::addMenuCommand(const QString& caption, std::function<void()> run)
{
    m_menuCommands.append({caption, std::move(run)});
}

void Form1::ShowStage(qreal zoom, const QPoint& origin)
{
    m_zoom = zoom;
    m_stageOrigin = origin;
    const bool offScreen = zoom != 1.0 || origin != QPoint(0, 0);
    if (offScreen && !m_stage->isWindow()) {
        // A window of its own that is never shown: it paints only into the
        // board's enlarged copy, and the board takes the clicks for it.
        m_stage->setParent(nullptr);
        m_stage->setAttribute(Qt::WA_DontShowOnScreen);
        m_stage->show();
        // Changes made at 1x were not followed: draw the copy anew.
        m_stageChanged = m_stage->rect();
    } else if (!offScreen && m_stage->isWindow()) {
        m_stage->hide();
        m_stage->setAttribute(Qt::WA_DontShowOnScreen, false);
        m_stage->setParent(this);
        m_stage->move(0, 0);
        m_stage->show();
    }
    update();
}

void Form1::setZoom(qreal zoom)
{
    zoom = BoardZoom::NearestStep(zoom);
    if (m_fullScreen)
        LeaveFullScreen();
    ShowStage(zoom, QPoint(0, 0));
    setFixedSize(BoardZoom::Scaled(m_stage->size(), zoom));
    ShapeWindow();
    update();
    SaveView();
}

void Form1::EnterFullScreen(QScreen* screen)
{
    if (!screen)
        return;
    if (!m_fullScreen) {
        m_windowedPos = pos();
        m_windowedZoom = m_zoom;
    }
    m_fullScreen = true;
    m_fullScreenOn = screen->name();
    const QRect area = screen->geometry();
    const BoardZoom::Fit fit = BoardZoom::FitInto(area.size(), m_stage->size());
    ShowStage(fit.zoom, fit.origin);
    setFixedSize(area.size());
    if (windowHandle())
        windowHandle()->setScreen(screen);
    setGeometry(area);
    ShapeWindow();
    showFullScreen();
    activateWindow();
    SaveView();
}

void Form1::LeaveFullScreen()
{
    if (!m_fullScreen)
        return;
    m_fullScreen = false;
    m_fullScreenOn.clear();
    showNormal();
    ShowStage(m_windowedZoom, QPoint(0, 0));
    setFixedSize(BoardZoom::Scaled(m_stage->size(), m_windowedZoom));
    move(m_windowedPos);
    ShapeWindow();
    SaveView();
}

void Form1::RestoreView()
{
    const BoardZoom::ViewSettings v = BoardZoom::LoadViewSettings(m_viewFile);
    m_restoring = true;
    setZoom(v.zoom);
    if (!v.fullScreenOn.isEmpty()) {
        for (QScreen* s : screen()->virtualSiblings())
            if (s->name() == v.fullScreenOn)
                EnterFullScreen(s);
    }
    m_restoring = false;
}

void Form1::SaveView() const
{
    if (m_restoring)
        return;
    BoardZoom::ViewSettings v;
    v.zoom = m_fullScreen ? m_windowedZoom : m_zoom;
    v.fullScreenOn = m_fullScreenOn;
    BoardZoom::SaveViewSettings(m_viewFile, v);
}

QSize Form1::StageSize() const
{
    return m_stage->size();
}

QImage Form1::StageImage(const QRect& part)
{
    return m_stage->Grab(part & m_stage->rect());
}

void Form1::setOnStagePainted(std::function<void(const QRegion&)> onPainted)
{
    m_stage->setOnPainted(std::move(onPainted));
}
