// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the demo's first settings file beside the program, unless the user
// already has settings there or in the configuration folder:
//   demoprofile <program>
// The base values are what the windows show at a start without settings, so
// they are taken from the windows themselves (built off screen, never shown).

#include "settings/DemoProfile.h"
#include "companion/SaveSet.h"
#include "panel/BoardWindows.h"
#include "settings/SettingsCodec.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: demoprofile <program>\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's own name, so the configuration folder is the program's.
    QApplication::setApplicationName(QStringLiteral("ルトミア"));

    const QFileInfo program(QString::fromLocal8Bit(argv[1]));
    const QString baseName = program.completeBaseName();
    const QString file = SettingsFileName(program.absolutePath(), baseName);
    const QString configFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    for (const QString& existing : {file, SettingsFileName(configFolder, baseName)}) {
        if (QFileInfo::exists(existing)) {
            std::printf("demoprofile: %s exists, left as it is\n", qPrintable(existing));
            return 0;
        }
    }

    if (!QFileInfo(program.absolutePath()).isWritable()) {
        std::printf("demoprofile: %s cannot be written, no demo settings\n",
                    qPrintable(program.absolutePath()));
        return 0;
    }

    BoardWindows windows;
    windows.Load();
    SettingsRecord rec;
    windows.option.GetOptionInfo(rec);

    const QByteArray bytes = EncodeDemoProfile(rec);
    // Whole or not at all: an empty settings file would be read at every start.
    const ltm4::SaveResult saved = bytes.isEmpty()
                                       ? ltm4::SaveResult{false, QStringLiteral("設定を作れません")}
                                       : ltm4::SaveWhole(file, bytes);
    if (!saved.ok) {
        std::fprintf(stderr, "demoprofile: cannot write %s: %s\n", qPrintable(file),
                     saved.reason.toUtf8().constData());
        return 1;
    }
    std::printf("demoprofile: wrote %s\n", qPrintable(file));
    return 0;
}
