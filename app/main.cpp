// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Rutomia.h"

#include "companion/UiLanguage.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

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
    if (!haveDisplay()) {
        std::fputs("ルトミア: no display found (DISPLAY is not set).\n"
                   "Start it on a desktop, or without one under a virtual display:\n"
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
    program.Start();
    // Only the control panel's exit question ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    return app.exec();
}
