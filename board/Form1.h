// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The display board: the board face with 50 fare cells and their ticket
// numbers, the vertical stop-name display and the (hidden) clock. A frameless
// window that is moved by dragging its surface.

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QWidget>

#include <array>
#include <functional>

class BoardStage;
class ChimeiCtl_A;
class M_Degit;
class QLabel;
class QScreen;
class QTimer;
class StopLampCtl;
class frmOption;
struct FormInfo;

class Form1 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCells = 50;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Windows this one works with; set by their owner before Form_Load.
    void setOptionDialog(frmOption* option) { m_option = option; }
    void setControlPanel(QWidget* ctl) { m_ctl = ctl; }

    // Steps of start-up that belong to the other windows, run in their place
    // in the board's load order.
    struct LoadSteps {
        std::function<void()> showPanel;    // load, show and raise the control panel
        std::function<void()> placePanel;   // bottom-right corner of the screen
        std::function<void()> loadSettings; // the settings file
    };

    // Start-up: blank cells and panel defaults, the control panel, the board at
    // the screen's top-left corner, its shape, then the settings.
    void Form_Load(const LoadSteps& steps = {});

    // Controls by index; nullptr outside the set.
    M_Degit* Degit(int index) const;
    QLabel* lblSeiriNum(int index) const;
    M_Degit* TimeDegit(int index) const;
    ChimeiCtl_A* ChimeiCtl() const { return m_chimei; }
    QTimer* Timer1() const { return m_timer1; }
    // The stop-request lamp 「つぎ止まります」; the control panel lights it.
    StopLampCtl* StopLamp() const { return m_stopLamp; }

    // Built-in board pictures: 0 backlight off, 1 ON1, 2 ON2.
    const QImage& imgRes(int index) const;
    void setImgRes(int index, const QImage& picture);
    // The picture drawn behind the controls, from the top-left at its own size.
    const QImage& Picture() const { return m_picture; }
    void setPicture(const QImage& picture);

    // Text colour of the ticket-number labels 1..50 (0x00BBGGRR).
    void SetSeiriNumColor(quint32 color);

    void GetFormInfo(FormInfo& info) const;
    void SetFormInfo(const FormInfo& info);
    // The window's shape is its own once set; nothing to release.
    void DeleteRgn() {}

    // One clock tick: hours and minutes of the current time into the clock cells.
    void Timer1_Timer();

    // The board drawn larger (one of BoardZoom::kSteps), pixel for pixel, or
    // filling a screen; remembered in a settings file of its own.
    qreal Zoom() const { return m_zoom; }
    void setZoom(qreal zoom);
    bool IsFullScreen() const { return m_fullScreen; }
    void EnterFullScreen(QScreen* screen);
    void LeaveFullScreen();
    // The zoom and full screen of the last run (start-up).
    void RestoreView();
    // Where the view is remembered (tests).
    void setViewSettingsFile(const QString& file) { m_viewFile = file; }
    // Where the board's picture starts in the window (off 0, 0 only in full screen).
    QPoint StageOrigin() const { return m_stageOrigin; }
    // A command of the board's right-click menu beyond the view (the route
    // editor, the run, the web view), listed in the order added; the board
    // knows only its caption.
    void addMenuCommand(const QString& caption, std::function<void()> run);

    // The board as the window shows it at 1x, for showing it elsewhere: its
    // size, a part of it, and every part painted anew (in its coordinates).
    QSize StageSize() const;
    QImage StageImage(const QRect& part);
    void setOnStagePainted(std::function<void(const QRegion&)> onPainted);

protected:
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void Degit_DblClick(int index);
    void ShapeWindow();
    // The control drawn at a point of the window, whatever the zoom.
    QWidget* ControlAt(const QPoint& pos) const;
    void ShowStage(qreal zoom, const QPoint& origin);
    void SaveView() const;

    std::array<M_Degit*, kCells + 1> m_degit{};
    std::array<QLabel*, kCells + 1> m_label{};
    std::array<M_Degit*, 2> m_time{};
    ChimeiCtl_A* m_chimei = nullptr;
    StopLampCtl* m_stopLamp = nullptr;
    QTimer* m_timer1 = nullptr;
    std::array<QImage, 3> m_imgRes;
    QImage m_picture;

    frmOption* m_option = nullptr;
    QWidget* m_ctl = nullptr;

    // Window managers without move support: follow the mouse ourselves.
    bool m_dragging = false;
    QPoint m_dragOffset;

    BoardStage* m_stage = nullptr;
    qreal m_zoom = 1.0;
    bool m_fullScreen = false;
    QString m_fullScreenOn;
    QPoint m_windowedPos;
    qreal m_windowedZoom = 1.0;
    QString m_viewFile;
    QList<QPair<QString, std::function<void()>>> m_menuCommands;
    bool m_restoring = false;
    QPoint m_stageOrigin;
    QImage m_zoomed;        // the stage at its own size, painted enlarged
    QRegion m_stageChanged; // of the stage, not yet drawn into m_zoomed
};
