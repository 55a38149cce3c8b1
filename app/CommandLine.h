// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's command line. The original program took none; these go
// beyond it on purpose, for displays that start by themselves, for editing a
// route at once and for the web view. One parser for all of them. Arguments
// with a single dash are Qt's own (-platform, -style...) and are left to it.

#include <QString>
#include <QStringList>

#include <optional>

struct RunRequest {
    QString route; // as keyed: digits, leading zeros kept
    QString section = QStringLiteral("1");
    int speed = 1; // 1, 2, 5, 10 or 60
    bool loop = false;
};

struct CommandLine {
    enum class Action { Start, Help, Error };
    Action action = Action::Start;
    QString error; // Japanese, one line, for Action::Error

    std::optional<QString> edit; // a route number or a .hy3 file
    std::optional<RunRequest> run;
    bool serve = false;
};

// args: the arguments without the program's name.
CommandLine ParseCommandLine(const QStringList& args);

// The usage text, ending in a line break.
QString CommandLineUsage(const QString& program);
