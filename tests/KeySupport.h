// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Typing as a user does, into whichever widget has the focus: keys, plain
// digits and letters, and Japanese as an input method commits it.

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QString>
#include <QTest>

// A key as the user presses it.
inline void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* w = QApplication::focusWidget();
    QVERIFY(w);
    QTest::keyClick(w, Qt::Key(key), modifiers);
    // Cell editors commit Enter on the next turn of the event loop.
    QCoreApplication::processEvents();
}

// Plain digits and letters typed one by one.
inline void TypeKeys(const QString& text)
{
    for (QChar c : text) {
        QWidget* w = QApplication::focusWidget();
        QVERIFY(w);
        QTest::keyClick(w, c.toLatin1());
    }
}

// Japanese text as an input method hands it over: F2 opens the cell's
// editor, the IME commits the text, Enter stores it and goes down.
inline void TypeJapanese(const QString& text)
{
    Press(Qt::Key_F2);
    auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(line);
    QVERIFY(line->testAttribute(Qt::WA_InputMethodEnabled));
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(line, &commit);
    Press(Qt::Key_Return);
}
