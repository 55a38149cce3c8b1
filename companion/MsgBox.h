// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every message box of the program goes through MsgBox, so tests can record
// what would be shown and answer it.

#include <QString>

#include <functional>

class QWidget;

namespace ltm4 {

// Button sets and icons, combined by addition as the callers always did.
enum MsgStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

enum MsgResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct MsgBoxCall {
    QWidget* owner = nullptr;
    QString text; // as given, line breaks CR LF
    int style = vbOKOnly;
    QString title;  // resolved: the program's title when the caller gave none
    QString detail; // shown below the text in smaller type; empty for none
};

using MsgBoxHandler = std::function<int(const MsgBoxCall&)>;

// The title of message boxes that set none.
QString ProgramTitle();

int MsgBox(QWidget* owner, const QString& text, int style = vbOKOnly, const QString& title = {},
           const QString& detail = {});

// Replaces the real message box; an empty handler restores it. Returns the
// previous handler.
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler);

} // namespace ltm4
