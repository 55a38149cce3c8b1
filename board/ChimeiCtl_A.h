// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Stop-name display: the next stop's name written top to bottom in LED dots.
//
// Three areas make it up: the viewport (the visible, bordered window), the dot
// strip (a persistent back image holding the dots, which slides up inside the
// viewport when a long name scrolls) and a 16 x 16 scratch each character is
// printed into before its black pixels become dots.
//
// A long name scrolls on a frame timer; the strip's position follows elapsed
// time at one step per millisecond, each step Speed / 200 pixels, so the
// speed is the same whatever the frame rate and nothing blocks while it runs.

#include <QElapsedTimer>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class PropertyBag;
class QPainter;

class ChimeiCtl_A final : public QWidget {
    Q_OBJECT
public:
    explicit ChimeiCtl_A(QWidget* parent = nullptr);
    ~ChimeiCtl_A() override;

    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 c);
    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 c);
    qint16 Speed() const { return m_speed; }
    void setSpeed(qint16 v);
    qint32 ScrollStartWait() const { return m_scrollStartWait; }
    void setScrollStartWait(qint32 v);
    qint16 Mode() const { return m_mode; }
    void setMode(qint16 v);
    qint16 Appearance() const { return m_appearance; }
    void setAppearance(qint16 v);
    qint16 FontMode() const { return m_fontMode; }
    void setFontMode(qint16 v);
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool v);

    // Shows a stop name and returns at once. A non-empty name ends a running
    // scroll; more than six characters start a new one. The empty name only
    // blanks the strip: a running scroll carries on, blank.
    void SetChimei(const QString& text);
    // The name last sent (empty after a blanking).
    const QString& Text() const { return m_text; }

    // Draws one display unit's dots with its top-left dot at (x, y) on the strip.
    void DrawDot16(int x, int y, const QString& text);

    void Refresh();

    void WriteProperties(PropertyBag& bag) const;
    void ReadProperties(const PropertyBag& bag);

    // Inspection and test seams.
    using Clock = std::function<qint64()>; // milliseconds, monotonic
    void setClock(Clock clock);            // empty: the real clock
    void advanceScroll();                  // what the frame timer runs
    bool isScrolling() const { return m_phase != Phase::Idle; }
    bool isWaitingToScroll() const { return m_phase == Phase::Waiting; }
    double stripTop() const { return m_stripTop; }
    int stripHeight() const { return m_stripHeight; }
    QSize viewportSize() const;
    const QImage& stripImage() const { return m_strip; } // device pixels
    bool dotAt(int x, int y) const;                      // strip coordinates, logical pixels
    QRgb stripPixel(int x, int y) const;

    struct FrameStats {
        qint64 frames = 0; // timer ticks while moving
        qint64 late = 0;   // ticks that came more than half a frame late
        qint64 repaints = 0;
        qint64 longest = 0; // the longest time between two ticks while moving, ms
    };
    FrameStats frameStats() const { return m_stats; }
    void resetFrameStats() { m_stats = {}; }
    int frameInterval() const;
    // The scroll timer's interval: a display frame, or longer while the strip
    // needs longer than a frame to move one device pixel.
    int tickInterval() const;

signals:
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    enum class Phase { Idle, Waiting, Moving };

    int borderWidth() const { return m_appearance == 0 ? 1 : 2; }
    QRect viewportRect() const { return QRect(QPoint(0, 0), viewportSize()); }
    QRect clientRect() const;
    qint64 now() const;
    void clearStrip();
    void setStripGeometry(int height);
    void setStripTop(double top);
    void startScroll();
    void stopScroll();
    void beginWait(qint64 at);
    void stepTo(qint64 t);
    void scheduleTick();
    void updateClient();
    void paintFrame(QPainter& p);
    void drawUnit(int x, int y, const QByteArray& unit);
    void matchDevicePixelRatio();

    quint32 m_backColor = 8421504;
    quint32 m_foreColor = 48895;
    qint16 m_speed = 5;
    qint32 m_scrollStartWait = 1500;
    qint16 m_mode = 0;
    qint16 m_appearance = 1;
    qint16 m_fontMode = 0;
    bool m_fontBold = false;

    // Set by the Appearance setter; until then the viewport fills the control.
    std::optional<QSize> m_fixedViewport;

    QImage m_strip; // the dot strip at device resolution
    int m_stripHeight = 192;
    double m_stripTop = 0.0;
    int m_shownTopDevice = 0; // strip top as last painted, device pixels

    Phase m_phase = Phase::Idle;
    qint64 m_phaseStart = 0; // when the current wait began
    qint64 m_lastStep = 0;   // time of the last step taken
    qint64 m_travel = 0;     // distance of this pass in 1/200 pixel
    qint64 m_lastTick = -1;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    Clock m_clock;
    FrameStats m_stats;
    qint64 m_activeWait = 0; // length of the wait in progress
    QString m_text;
};
