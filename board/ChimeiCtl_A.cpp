// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/ChimeiCtl_A.h"

#include "board/ChimeiGlyph.h"
#include "board/ChimeiLayout.h"
#include "board/PropertyBag.h"
#include "companion/ColorRef.h"
#include "companion/LTM4Res.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace {

constexpr quint32 kDefBackColor = 8421504; // grey
constexpr quint32 kDefForeColor = 48895;   // amber
constexpr qint16 kDefSpeed = 5;
constexpr qint32 kDefScrollStartWait = 1500;
constexpr qint16 kDefMode = 0;
constexpr qint16 kDefAppearance = 1;
constexpr qint16 kDefFontMode = 0;
constexpr bool kDefFontBold = false;

// Fractions of a pixel per step: a step moves Speed / 200 pixels. Distances
// are kept in these units so that a pass ends exactly where it should, however
// many frames it took.
constexpr qint64 kStepDivisor = 200;

qint16 toShort(const QVariant& v)
{
    return qint16(std::clamp(v.toInt(), int(SHRT_MIN), int(SHRT_MAX)));
}

} // namespace

ChimeiCtl_A::ChimeiCtl_A(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setParent(this);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ChimeiCtl_A::advanceScroll);
    m_elapsed.start();
    setStripGeometry(chimei::kShortStrip);
}

ChimeiCtl_A::~ChimeiCtl_A()
{
    // A scroll never outlives the control.
    m_timer.stop();
    m_phase = Phase::Idle;
}

// --- properties ------------------------------------------------------------

void ChimeiCtl_A::setBackColor(quint32 c)
{
    m_backColor = c;
    clearStrip(); // a new background erases the dots; the host sends the name again
    updateClient();
    emit PropertyChanged(QStringLiteral("BackColor"));
}

void ChimeiCtl_A::setForeColor(quint32 c)
{
    // Dots already drawn keep their colour until the next name.
    m_foreColor = c;
    emit PropertyChanged(QStringLiteral("ForeColor"));
}

void ChimeiCtl_A::setSpeed(qint16 v)
{
    // Settle the steps taken so far at the old speed, so the new one applies
    // from the next step on.
    if (m_phase == Phase::Moving)
        stepTo(now());
    m_speed = v;
    if (m_phase == Phase::Moving)
        scheduleTick();
    emit PropertyChanged(QStringLiteral("Speed"));
}

void ChimeiCtl_A::setScrollStartWait(qint32 v)
{
    // Stored only: a wait already running keeps its length; the next one uses this.
    m_scrollStartWait = v;
    emit PropertyChanged(QStringLiteral("ScrollStartWait"));
}

void ChimeiCtl_A::setMode(qint16 v)
{
    m_mode = v;
    emit PropertyChanged(QStringLiteral("Mode"));
}

void ChimeiCtl_A::setAppearance(qint16 v)
{
    m_appearance = v;
    clearStrip();
    m_fixedViewport = v == 0 ? QSize(35, 185) : QSize(37, 195);
    update();
    emit PropertyChanged(QStringLiteral("Appearance"));
}

void ChimeiCtl_A::setFontMode(qint16 v)
{
    m_fontMode = v;
    emit PropertyChanged(QStringLiteral("FontMode"));
}

void ChimeiCtl_A::setFontBold(bool v)
{
    m_fontBold = v;
    emit PropertyChanged(QStringLiteral("FontBold"));
}

void ChimeiCtl_A::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("BackColor"), m_backColor, kDefBackColor);
    bag.WriteProperty(QStringLiteral("ForeColor"), m_foreColor, kDefForeColor);
    bag.WriteProperty(QStringLiteral("Speed"), m_speed, kDefSpeed);
    bag.WriteProperty(QStringLiteral("ScrollStartWait"), m_scrollStartWait, kDefScrollStartWait);
    bag.WriteProperty(QStringLiteral("Mode"), m_mode, kDefMode);
    bag.WriteProperty(QStringLiteral("Appearance"), m_appearance, kDefAppearance);
    bag.WriteProperty(QStringLiteral("FontMode"), m_fontMode, kDefFontMode);
    bag.WriteProperty(QStringLiteral("FontBold"), m_fontBold, kDefFontBold);
}

void ChimeiCtl_A::ReadProperties(const PropertyBag& bag)
{
    m_backColor = bag.ReadProperty(QStringLiteral("BackColor"), kDefBackColor).toUInt();
    clearStrip();
    m_foreColor = bag.ReadProperty(QStringLiteral("ForeColor"), kDefForeColor).toUInt();
    m_speed = toShort(bag.ReadProperty(QStringLiteral("Speed"), kDefSpeed));
    m_scrollStartWait =
        bag.ReadProperty(QStringLiteral("ScrollStartWait"), kDefScrollStartWait).toInt();
    m_mode = toShort(bag.ReadProperty(QStringLiteral("Mode"), kDefMode));
    // The border only: a stored appearance does not resize the viewport.
    m_appearance = toShort(bag.ReadProperty(QStringLiteral("Appearance"), kDefAppearance));
    m_fontMode = toShort(bag.ReadProperty(QStringLiteral("FontMode"), kDefFontMode));
    m_fontBold = bag.ReadProperty(QStringLiteral("FontBold"), kDefFontBold).toBool();
    update();
}

// --- drawing the name ------------------------------------------------------

void ChimeiCtl_A::SetChimei(const QString& text)
{
    m_text = text;
    clearStrip();
    if (text.isEmpty()) {
        // Blank only; a running scroll carries on with the blank strip.
        updateClient();
        return;
    }
    stopScroll();
    const chimei::NameLayout nl = chimei::LayOut(text, m_mode);
    setStripGeometry(nl.layout.stripHeight);
    for (const chimei::Cell& cell : nl.cells)
        drawUnit(chimei::kDotLeft, cell.top, cell.unit);
    updateClient();
    if (nl.layout.scrolls)
        startScroll();
}

void ChimeiCtl_A::DrawDot16(int x, int y, const QString& text)
{
    drawUnit(x, y, ltm4::ToCp932(text));
    updateClient();
}

void ChimeiCtl_A::drawUnit(int x, int y, const QByteArray& unit)
{
    if (unit.isEmpty())
        return;
    const chimei::Glyph g = chimei::MakeGlyph(unit, m_fontMode, m_fontBold);
    const QRgb dot = ltm4::FromColorRef(m_foreColor).rgb();
    const qreal dpr = m_strip.devicePixelRatio();
    if (dpr == 1.0) {
        // One dot, one pixel: write it straight into the strip.
        const QRect bounds = m_strip.rect();
        chimei::ForEachDot(g, x, y, [&](int px, int py) {
            if (bounds.contains(px, py))
                reinterpret_cast<QRgb*>(m_strip.scanLine(py))[px] = dot;
        });
        return;
    }
    QPainter p(&m_strip);
    chimei::ForEachDot(g, x, y, [&](int px, int py) { p.fillRect(QRectF(px, py, 1, 1), dot); });
}

void ChimeiCtl_A::Refresh()
{
    update();
}

void ChimeiCtl_A::clearStrip()
{
    m_strip.fill(ltm4::FromColorRef(m_backColor));
}

void ChimeiCtl_A::setStripGeometry(int height)
{
    m_stripHeight = height;
    const qreal dpr = devicePixelRatioF();
    const QSize device(qCeil(std::max(width(), 1) * dpr), qCeil(height * dpr));
    if (m_strip.size() != device || m_strip.devicePixelRatio() != dpr) {
        m_strip = QImage(device, QImage::Format_RGB32);
        m_strip.setDevicePixelRatio(dpr);
    }
    clearStrip();
    setStripTop(0.0);
}

void ChimeiCtl_A::matchDevicePixelRatio()
{
    // Moved to a screen of another scale: keep the dots, at the new resolution.
    const qreal dpr = devicePixelRatioF();
    if (m_strip.devicePixelRatio() == dpr)
        return;
    const QSize device(qCeil(std::max(width(), 1) * dpr), qCeil(m_stripHeight * dpr));
    m_strip = m_strip.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    m_strip.setDevicePixelRatio(dpr);
    m_shownTopDevice = qRound(m_stripTop * dpr);
}

void ChimeiCtl_A::resizeEvent(QResizeEvent* e)
{
    // The strip is as wide as the control; keep what is drawn on it.
    QWidget::resizeEvent(e);
    const qreal dpr = devicePixelRatioF();
    const QSize device(qCeil(std::max(width(), 1) * dpr), qCeil(m_stripHeight * dpr));
    if (m_strip.size() == device && m_strip.devicePixelRatio() == dpr)
        return;
    QImage wider(device, QImage::Format_RGB32);
    wider.setDevicePixelRatio(dpr);
    wider.fill(ltm4::FromColorRef(m_backColor));
    QPainter(&wider).drawImage(QPointF(0, 0), m_strip);
    m_strip = wider;
}

QSize ChimeiCtl_A::viewportSize() const
{
    return m_fixedViewport.value_or(size());
}

QRect ChimeiCtl_A::clientRect() const
{
    const int b = borderWidth();
    return viewportRect().adjusted(b, b, -b, -b);
}

bool ChimeiCtl_A::dotAt(int x, int y) const
{
    return stripPixel(x, y) != ltm4::FromColorRef(m_backColor).rgb();
}

QRgb ChimeiCtl_A::stripPixel(int x, int y) const
{
    const qreal dpr = m_strip.devicePixelRatio();
    const QPoint p(int(x * dpr), int(y * dpr));
    if (!m_strip.rect().contains(p))
        return ltm4::FromColorRef(m_backColor).rgb();
    return m_strip.pixel(p);
}

void ChimeiCtl_A::updateClient()
{
    update(clientRect());
}

void ChimeiCtl_A::paintFrame(QPainter& p)
{
    const QRect vp = viewportRect();
    for (const QRect& r : QRegion(rect()).subtracted(vp))
        p.fillRect(r, palette().window());

    // A single dark line when flat, else a sunken edge in the classic colours.
    if (m_appearance == 0) {
        p.setPen(Qt::black);
        p.drawRect(vp.adjusted(0, 0, -1, -1));
        return;
    }
    const QRect i = vp.adjusted(1, 1, -1, -1);
    const auto edge = [&p](const QRect& r, const QColor& upperLeft, const QColor& lowerRight) {
        p.setPen(upperLeft);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(lowerRight);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    };
    edge(vp, QColor(128, 128, 128), Qt::white);
    edge(i, QColor(64, 64, 64), QColor(212, 208, 200));
}

void ChimeiCtl_A::paintEvent(QPaintEvent* e)
{
    matchDevicePixelRatio();
    if (m_phase == Phase::Moving)
        ++m_stats.repaints;

    QPainter p(this);
    if (!clientRect().contains(e->rect()))
        paintFrame(p); // scroll frames only touch the inside

    // Inside: the visible part of the strip, the viewport's background elsewhere.
    const QRect client = clientRect() & e->rect();
    if (client.isEmpty())
        return;
    const qreal dpr = m_strip.devicePixelRatio();
    const QRectF stripRect(clientRect().left(), clientRect().top() + m_shownTopDevice / dpr,
                           m_strip.width() / dpr, m_stripHeight);
    const QRectF shown = stripRect & QRectF(client);
    QRegion rest(client);
    if (!shown.isEmpty()) {
        const QRectF source((shown.left() - stripRect.left()) * dpr,
                            (shown.top() - stripRect.top()) * dpr, shown.width() * dpr,
                            shown.height() * dpr);
        p.drawImage(shown, m_strip, source);
        rest -= shown.toAlignedRect();
    }
    for (const QRect& r : rest)
        p.fillRect(r, ltm4::FromColorRef(m_backColor));
}

// --- scrolling -------------------------------------------------------------

void ChimeiCtl_A::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

qint64 ChimeiCtl_A::now() const
{
    return m_clock ? m_clock() : m_elapsed.elapsed();
}

int ChimeiCtl_A::frameInterval() const
{
    const QScreen* s = screen();
    const qreal hz = s && s->refreshRate() > 1.0 ? s->refreshRate() : 60.0;
    return std::clamp(int(1000.0 / hz), 4, 100);
}

int ChimeiCtl_A::tickInterval() const
{
    // A slow strip moves a device pixel less often than the display refreshes:
    // waking for frames in which nothing moves would cost for nothing.
    const double perPixel =
        double(kStepDivisor) / (std::max<int>(m_speed, 1) * m_strip.devicePixelRatio());
    return std::clamp(std::max(frameInterval(), int(perPixel)), 4, 100);
}

void ChimeiCtl_A::setStripTop(double top)
{
    m_stripTop = top;
    const int device = qRound(top * m_strip.devicePixelRatio());
    if (device != m_shownTopDevice) {
        // Repaint only when the strip has moved by a whole device pixel.
        m_shownTopDevice = device;
        // A scroll frame on screen is painted at once, from the frame timer:
        // a posted update would wake the event loop a second time per frame.
        const QWidget* w = window();
        if (m_phase == Phase::Moving && w->isVisible() &&
            !w->testAttribute(Qt::WA_DontShowOnScreen))
            repaint(clientRect());
        else
            updateClient();
    }
}

void ChimeiCtl_A::startScroll()
{
    if (m_speed == 0)
        setSpeed(1);
    m_lastTick = -1;
    beginWait(now());
}

void ChimeiCtl_A::stopScroll()
{
    m_phase = Phase::Idle;
    m_timer.stop();
    m_travel = 0;
    setStripTop(0.0);
}

void ChimeiCtl_A::beginWait(qint64 at)
{
    m_phase = Phase::Waiting;
    m_activeWait = std::max<qint32>(m_scrollStartWait, 0);
    m_phaseStart = at;
    m_travel = 0;
    setStripTop(0.0);
    scheduleTick();
}

void ChimeiCtl_A::advanceScroll()
{
    if (m_phase == Phase::Idle) {
        m_timer.stop();
        return;
    }
    const qint64 t = now();
    if (m_phase == Phase::Moving && m_lastTick >= 0) {
        const qint64 interval = t - m_lastTick;
        ++m_stats.frames;
        if (interval * 2 > qint64(tickInterval()) * 3)
            ++m_stats.late;
        m_stats.longest = std::max(m_stats.longest, interval);
    }
    m_lastTick = t;
    stepTo(t);
    scheduleTick();
}

void ChimeiCtl_A::stepTo(qint64 t)
{
    const qint64 wait = m_activeWait;
    // Distance after which the name has left the viewport and a further
    // viewport height of blank has gone by.
    const qint64 passLength = kStepDivisor * (m_stripHeight + viewportSize().height());

    // A wait, a pass and the next wait at most; longer gaps (a suspended
    // machine) skip whole cycles arithmetically below, never by looping.
    for (int transitions = 0; transitions < 3; ++transitions) {
        if (m_phase == Phase::Waiting) {
            if (m_speed > 0) {
                const qint64 cycle = wait + (passLength + m_speed - 1) / m_speed;
                if (t - m_phaseStart >= cycle)
                    m_phaseStart += (t - m_phaseStart) / cycle * cycle;
            }
            if (t < m_phaseStart + wait)
                break;
            m_phase = Phase::Moving;
            m_lastStep = m_phaseStart + wait;
            m_travel = 0;
        }
        const qint64 steps = t - m_lastStep;
        if (steps <= 0)
            break;
        if (m_speed > 0) {
            const qint64 toEnd = (passLength - m_travel + m_speed - 1) / m_speed;
            if (toEnd <= steps) {
                beginWait(m_lastStep + toEnd);
                continue;
            }
        }
        m_travel += steps * m_speed;
        m_lastStep = t;
        setStripTop(-double(m_travel) / kStepDivisor);
        break;
    }
}

void ChimeiCtl_A::scheduleTick()
{
    switch (m_phase) {
    case Phase::Idle:
        m_timer.stop();
        break;
    case Phase::Waiting: {
        // Sleep through the wait: no frames while the strip stands still.
        const qint64 left = m_phaseStart + m_activeWait - now();
        m_timer.start(int(std::clamp<qint64>(left, 0, INT_MAX)));
        break;
    }
    case Phase::Moving:
        if (m_speed == 0) {
            // Nothing moves until the speed changes, and the pause is no late frame.
            m_timer.stop();
            m_lastTick = -1;
        } else if (!m_timer.isActive() || m_timer.interval() != tickInterval()) {
            m_timer.start(tickInterval());
        }
        break;
    }
}

void ChimeiCtl_A::mousePressEvent(QMouseEvent* e)
{
    // A press on the display is its own, not a grab of the board around it.
    e->accept();
}
