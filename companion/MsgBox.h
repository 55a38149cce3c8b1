// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every message box of the program goes through MsgBox, so tests can record
// what would be shown and answer it.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace ltm4 {

// Button sets and icons, combined by addition as the callers always did.
enum MsgStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,
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
    // Texts for the buttons in the order of the style's name ("保存",
    // "保存しない", "キャンセル" for vbYesNoCancel); empty: the standard texts.
    QStringList buttons;
};

using MsgBoxHandler = std::function<int(const MsgBoxCall&)>;

// The title of message boxes that set none.
QString ProgramTitle();

int MsgBox(QWidget* owner, const QString& text, int style = vbOKOnly, const QString& title = {},
           const QString& detail = {}, const QStringList& buttons = {});

// Replaces the real message box; an empty handler restores it. Returns the
// previous handler.
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler);

} // namespace ltm4
