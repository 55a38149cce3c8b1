// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A program for the web server's tests: a board picture of the board's size
// whose row number is drawn as a band that moves, a panel state, presses
// recorded, and a blocking wait that holds presses back as the program's
// lamp test does.

#include "web/WebHost.h"

#include <QEventLoop>
#include <QPainter>
#include <QTimer>

#include <deque>

class WebFakeHost final : public WebHost {
public:
    static constexpr QSize kBoard{704, 249};

    WebFakeHost()
    {
        m_board = QImage(kBoard, QImage::Format_RGB32);
        // Something in every pixel, so a misplaced part shows.
        for (int y = 0; y < kBoard.height(); ++y)
            for (int x = 0; x < kBoard.width(); ++x)
                m_board.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 5) & 0xff, (x ^ y) & 0xff));
        state.route = QStringLiteral("12");
        state.section = 1;
        state.rows = 9;
        state.row = 1;
        state.stopName = QStringLiteral("駅前");
        state.enabled.set();
        DrawRow();
    }

    QSize BoardSize() const override { return kBoard; }
    QImage BoardImage(const QRect& part) override
    {
        ++imagesDrawn;
        return m_board.copy(part);
    }
    WebPanelState PanelState() const override { return state; }

    void Press(const WebPress& press) override
    {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        presses.push_back(press);
        pressedWhileBusy += busy ? 1 : 0;
        if (onPress)
            onPress(press);
        if (press.control == WebControl::Next && state.row < state.rows) {
            ++state.row;
            DrawRow();
            emit PanelChanged();
        }
        --depth;
    }

    void WhenIdle(std::function<void()> run) override
    {
        if (busy)
            m_idle.push_back(std::move(run));
        else
            run();
    }

    // A blocking wait as the program's: events run, presses wait.
    void Block(int ms)
    {
        busy = true;
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        busy = false;
        while (!m_idle.empty() && !busy) {
            const std::function<void()> run = std::move(m_idle.front());
            m_idle.pop_front();
            run();
        }
    }

    // A band whose place follows the row; the changed part is announced.
    void DrawRow()
    {
        const QRect band(40, 20, 600, 30);
        QPainter p(&m_board);
        p.fillRect(band, QColor(20, 20, 20));
        p.fillRect(QRect(band.x() + 60 * (state.row - 1), band.y(), 50, band.height()),
                   QColor(255, 160, 0));
        p.end();
        emit BoardChanged(band);
    }

    // Changes a part of the board and says so, as a scrolling name would.
    void Paint(const QRect& part, QColor color)
    {
        QPainter(&m_board).fillRect(part, color);
        emit BoardChanged(part);
    }

    // A strip of glyph-like blocks moved left by offset pixels, as a
    // scrolling stop name changes it: every pixel of the strip, each tick.
    void Scroll(const QRect& strip, int offset)
    {
        constexpr int kCell = 24;
        QPainter p(&m_board);
        p.setClipRect(strip);
        p.fillRect(strip, Qt::black);
        const int first = offset / kCell;
        for (int i = 0; i * kCell - offset % kCell < strip.width(); ++i) {
            const int glyph = (first + i) * 2654435761u >> 7;
            const int x = strip.x() + i * kCell - offset % kCell;
            for (int b = 0; b < 6; ++b)
                if (glyph & (1 << b))
                    p.fillRect(QRect(x + (b % 3) * 7,
                                     strip.y() + 4 + (b / 3) * (strip.height() / 2 - 4), 6,
                                     strip.height() / 2 - 6),
                               QColor(255, 170, 40));
        }
        p.end();
        emit BoardChanged(strip);
    }

    const QImage& Board() const { return m_board; }

    WebPanelState state;
    std::vector<WebPress> presses;
    std::function<void(const WebPress&)> onPress;
    bool busy = false;
    int pressedWhileBusy = 0;
    int depth = 0;
    int maxDepth = 0;
    int imagesDrawn = 0;

private:
    QImage m_board;
    std::deque<std::function<void()>> m_idle;
};
