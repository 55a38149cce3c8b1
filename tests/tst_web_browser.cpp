// SPDX-License-Identifier: GPL-3.0-or-later
// The web view in a real browser: Debian's chromium, headless, driven through
// its debugging protocol. The board page at zoom 1 shows the program's
// picture pixel for pixel; a press on the panel page reaches the program and
// the board page follows.

#include "tests/DevTools.h"
#include "tests/WebFakeHost.h"
#include "web/WebServer.h"

#include <QTest>

namespace {

// The share of pixels two pictures have the same.
double SameShare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 same = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c)
            same += p[c] == q[c];
    }
    return double(same) / double(qint64(x.width()) * x.height());
}

} // namespace

class tst_web_browser final : public QObject {
    Q_OBJECT

private slots:
    void boardAndPanel()
    {
        if (DevTools::Chromium().isEmpty())
            QSKIP("chromium is not installed (Debian: apt-get install chromium); "
                  "the browser test cannot run here");
        WebFakeHost host;
        WebServer server(host);
        WebServer::Settings settings;
        settings.port = 0;
        QString error;
        QVERIFY2(server.Start(settings, &error), qPrintable(error));

        DevTools browser;
        QString why;
        QVERIFY2(browser.Launch(&why), qPrintable(why));

        // The board at 1x in a window of the board's size.
        QUrl boardUrl = server.Url(QStringLiteral("board"));
        boardUrl.setQuery(boardUrl.query() + QStringLiteral("&zoom=1"));
        const QString board = browser.Open(boardUrl, WebFakeHost::kBoard);
        QVERIFY(!board.isEmpty());
        QVERIFY2(browser.WaitFor(board, QStringLiteral("window.rutomiaBoard && "
                                                       "rutomiaBoard.wholes > 0")),
                 "the board page got no picture");
        const QImage before = host.Board();
        QImage shot = browser.Screenshot(board);
        QCOMPARE(shot.size(), WebFakeHost::kBoard);
        const double first = SameShare(shot, before);
        QVERIFY2(first >= 0.99, qPrintable(QString::number(first)));

        // The panel as a phone shows it; データ送り pressed with the mouse.
        const QString panel = browser.Open(server.Url(QStringLiteral("panel")), QSize(400, 900));
        QVERIFY(!panel.isEmpty());
        QVERIFY(browser.WaitFor(panel, QStringLiteral("window.rutomiaPanel && rutomiaPanel.ready")));
        QCOMPARE(browser.Evaluate(panel, QStringLiteral("rutomiaPanel.state.row")).toInt(), 1);
        const QJsonObject rect =
            QJsonDocument::fromJson(
                browser
                    .Evaluate(panel, QStringLiteral("JSON.stringify(document.querySelector("
                                                    "'[data-control=next]').getBoundingClientRect())"))
                    .toString()
                    .toUtf8())
                .object();
        QVERIFY(rect.value(QStringLiteral("width")).toDouble() > 0);
        browser.Click(panel, QPointF(rect.value(QStringLiteral("x")).toDouble() +
                                         rect.value(QStringLiteral("width")).toDouble() / 2,
                                     rect.value(QStringLiteral("y")).toDouble() +
                                         rect.value(QStringLiteral("height")).toDouble() / 2));
        QTRY_COMPARE(host.presses.size(), size_t(1));
        QCOMPARE(host.presses[0], (WebPress{WebControl::Next, false}));

        // The board follows, and the panel shows the new row.
        QVERIFY(browser.WaitFor(board, QStringLiteral("rutomiaBoard.parts > 0")));
        QVERIFY(browser.WaitFor(panel, QStringLiteral("rutomiaPanel.state.row === 2")));
        QVERIFY(host.Board() != before);
        shot = browser.Screenshot(board);
        const double after = SameShare(shot, host.Board());
        QVERIFY2(after >= 0.99, qPrintable(QString::number(after)));
        QVERIFY(SameShare(shot, before) < after);
    }
};

QTEST_MAIN(tst_web_browser)
#include "tst_web_browser.moc"
