// SPDX-License-Identifier: GPL-3.0-or-later
// A screenshot of one of the web view's pages as headless chromium draws it,
// taken once the page has shown what it waits for (the guide's pictures):
//   webshot URL OUT.png --size WxH [--scale S] [--mobile] [--transparent]
//           [--ready EXPRESSION] [--settle MS]
// --ready: a script expression that is true once the page is ready (the
// board's first picture, say); --settle: a wait after that, for frames still
// on their way. --transparent: no white behind a page without a background.

#include "tests/DevTools.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

namespace {

void Pause(int ms)
{
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec();
}

int Fail(const QString& why)
{
    std::fprintf(stderr, "webshot: %s\n", qPrintable(why));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("url"), QStringLiteral("the page"));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("the PNG to write"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("viewport"),
                                  QStringLiteral("WxH"));
    const QCommandLineOption scale(QStringLiteral("scale"), QStringLiteral("device pixels"),
                                   QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption mobile(QStringLiteral("mobile"), QStringLiteral("a phone's layout"));
    const QCommandLineOption transparent(QStringLiteral("transparent"),
                                         QStringLiteral("no default white background"));
    const QCommandLineOption ready(QStringLiteral("ready"), QStringLiteral("ready when true"),
                                   QStringLiteral("expression"), QStringLiteral("true"));
    const QCommandLineOption settle(QStringLiteral("settle"), QStringLiteral("wait after ready"),
                                    QStringLiteral("ms"), QStringLiteral("500"));
    parser.addOptions({size, scale, mobile, transparent, ready, settle});
    parser.process(app);
    const QStringList where = parser.positionalArguments();
    const QStringList wh = parser.value(size).split(u'x');
    const QSize viewport(wh.value(0).toInt(), wh.value(1).toInt());
    const double factor = parser.value(scale).toDouble();
    if (where.size() != 2 || viewport.isEmpty() || factor <= 0 || factor > 4)
        return Fail(QStringLiteral("usage: webshot URL OUT.png --size WxH [--scale S] [--mobile] "
                                   "[--transparent] [--ready EXPRESSION] [--settle MS]"));

    DevTools browser;
    QString why;
    if (!browser.Launch(&why))
        return Fail(why);
    const QString session = browser.Open(QUrl(where[0]), viewport, factor, parser.isSet(mobile));
    if (session.isEmpty())
        return Fail(QStringLiteral("no page"));
    if (parser.isSet(transparent)) {
        const QJsonObject none{{QStringLiteral("r"), 0},
                               {QStringLiteral("g"), 0},
                               {QStringLiteral("b"), 0},
                               {QStringLiteral("a"), 0}};
        browser.Call(QStringLiteral("Emulation.setDefaultBackgroundColorOverride"),
                     {{QStringLiteral("color"), none}}, session);
    }
    if (!browser.WaitFor(session, parser.value(ready), 20000))
        return Fail(QStringLiteral("the page did not become ready: ") + parser.value(ready));
    Pause(parser.value(settle).toInt());
    const QImage shot = browser.Screenshot(session);
    if (shot.isNull())
        return Fail(QStringLiteral("no screenshot"));
    if (!shot.save(where[1], "PNG"))
        return Fail(QStringLiteral("cannot write ") + where[1]);
    std::printf("%s %dx%d\n", qPrintable(where[1]), shot.width(), shot.height());
    return 0;
}
