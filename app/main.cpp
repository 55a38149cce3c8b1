// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/Rutomia.h"

#include "companion/UiLanguage.h"
#include "web/WebServer.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// For the start-up benchmark: given the moment the program was started (in
// nanoseconds of the system's monotonic clock, as RUTOMIA_STARTUP_T0), prints
// how long it took until the control panel's first paint was done.
class FirstPaintReport final : public QObject {
public:
    explicit FirstPaintReport(qint64 startNs) : m_startNs(startNs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // After this paint has reached the window.
            QTimer::singleShot(0, this, [this] {
                const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count();
                std::printf("first paint: %.1f ms\n", double(now - m_startNs) / 1e6);
                std::fflush(stdout);
            });
        }
        return false;
    }

private:
    qint64 m_startNs = 0;
    bool m_seen = false;
};

bool haveDisplay()
{
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString programName = QString::fromLocal8Bit(argc > 0 ? argv[0] : "517");
    const CommandLine commandLine = ParseCommandLine(args);
    if (commandLine.action == CommandLine::Action::Help) {
        std::fputs(CommandLineUsage(programName).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (commandLine.action == CommandLine::Action::Error) {
        std::fputs((programName + QStringLiteral(": ") + commandLine.error + u'\n' +
                    CommandLineUsage(programName))
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 2;
    }
    if (!haveDisplay()) {
        std::fputs("ルトミア: 画面が見つかりません (DISPLAY が設定されていません)。\n"
                   "デスクトップで起動するか、デスクトップのないマシンでは仮想の画面の上で"
                   "起動してください:\n"
                   "    xvfb-run -a -s \"-screen 0 1280x800x24\" ./517\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ルトミア"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(RUTOMIA_VERSION_MAJOR)
                                            .arg(RUTOMIA_VERSION_MINOR)
                                            .arg(RUTOMIA_VERSION_PATCH));
    // Desktops match the windows to the installed menu entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.rutomia.Rutomia"));
    ltm4::SpeakJapanese();

    Rutomia program;
    std::unique_ptr<FirstPaintReport> report;
    if (const QByteArray t0 = qgetenv("RUTOMIA_STARTUP_T0"); !t0.isEmpty()) {
        report = std::make_unique<FirstPaintReport>(t0.toLongLong());
        program.panel().installEventFilter(report.get());
    }
    program.Start(commandLine);
    if (commandLine.serve) {
        QString error;
        if (program.Serve(&error)) {
            const WebServer& web = program.webServer();
            QStringList hosts{QStringLiteral("127.0.0.1")};
            // The LAN's addresses too, when the saved settings open it.
            for (const QByteArray& host : web.Hosts())
                if (host != "127.0.0.1" && host != "localhost" && host != "::1")
                    hosts << QString::fromLatin1(host);
            for (const QString& host : hosts)
                std::printf("ボード: %s\n操作盤: %s\n",
                            web.Url(QStringLiteral("board"), host).toString().toUtf8().constData(),
                            web.Url(QStringLiteral("panel"), host).toString().toUtf8().constData());
            std::fflush(stdout);
        } else {
            std::fprintf(stderr, "%s: Web 表示を始められません: %s\n",
                         programName.toLocal8Bit().constData(), error.toLocal8Bit().constData());
        }
    }
    // Only the control panel's exit question ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    return app.exec();
}
