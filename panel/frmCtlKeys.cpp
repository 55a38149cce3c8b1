// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard operation of the control panel: a key presses the button it
// stands for, in the panel and on the board, whichever has focus.
#include "panel/frmCtl.h"

#include "board/Form1.h"
#include "options/VbCheckBox.h"
#include "panel/PanelKeys.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

// How long a button pressed by its key looks pressed.
constexpr int kPressedLookMs = 100;

} // namespace

bool frmCtl::KeyPressed(QObject* watched, const QKeyEvent& key)
{
    // Only for this panel's windows, and never while a dialog or menu is open.
    auto* w = qobject_cast<QWidget*>(watched);
    const QWidget* window = w ? w->window() : nullptr;
    if ((window != this && (!m_board || window != m_board)) || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget())
        return false;
    const auto press = PanelKeyFor(key.key(), key.modifiers(), key.isAutoRepeat());
    return press && PressKey(*press);
}

void frmCtl::ShowKeyNames()
{
    const auto tip = [](QAbstractButton* b, PanelKey key, int digit = -1) {
        b->setToolTip(QStringLiteral("キー: ") + PanelKeyNames(key, digit));
    };
    for (int d = 0; d <= 9; ++d)
        tip(m_key[size_t(d)], PanelKey::Digit, d);
    tip(m_key[10], PanelKey::Route);
    tip(m_key[11], PanelKey::Section);
    tip(m_command1[0], PanelKey::Reset);
    tip(m_command1[1], PanelKey::Reset);
    tip(m_command2[0], PanelKey::Back);
    tip(m_command2[1], PanelKey::Forward);
    tip(m_cmdTapeNext, PanelKey::TapeNext);
    tip(m_cmdTapeBack, PanelKey::TapeBack);
    tip(m_cmdTapeStop, PanelKey::TapeStop);
    tip(m_check1, PanelKey::Clear);
    tip(m_cmdStopRequest, PanelKey::StopRequest);
}

QAbstractButton* frmCtl::KeyButton(const PanelKeyPress& press) const
{
    const bool keypadInFront = !m_frame1[1]->isHidden();
    QAbstractButton* button = nullptr;
    switch (press.key) {
    case PanelKey::Digit:
        button = keypadInFront ? m_key[size_t(press.digit)] : nullptr;
        break;
    case PanelKey::Route:
        button = keypadInFront ? m_key[10] : nullptr;
        break;
    case PanelKey::Section:
        button = keypadInFront ? m_key[11] : nullptr;
        break;
    case PanelKey::Reset:
        button = m_command1[keypadInFront ? 1 : 0];
        break;
    case PanelKey::Forward:
        button = m_command2[1];
        break;
    case PanelKey::Back:
        button = m_command2[0];
        break;
    case PanelKey::TapeNext:
        button = m_cmdTapeNext;
        break;
    case PanelKey::TapeBack:
        button = m_cmdTapeBack;
        break;
    case PanelKey::TapeStop:
        button = m_cmdTapeStop;
        break;
    case PanelKey::Clear:
        button = m_check1;
        break;
    case PanelKey::StopRequest:
        button = m_cmdStopRequest;
        break;
    }
    if (!button || !button->isEnabled() || !button->isVisibleTo(this))
        return nullptr;
    return button;
}

bool frmCtl::PressKey(const PanelKeyPress& press)
{
    // The button is pressed as a click would press it, visibly; a disabled or
    // hidden one takes no key.
    QAbstractButton* const button = KeyButton(press);
    if (!button)
        return false;
    // The key acts at once, in the order typed, however fast the keys come;
    // the pressed look follows. (A look that came first, as animateClick's
    // does, delays the action behind a timer, and a key pressed twice within
    // it counted once and was overtaken by the keys in between.)
    QPointer<QAbstractButton> pressed(button);
    button->click();
    if (pressed && pressed->isEnabled()) {
        pressed->setDown(true);
        QTimer::singleShot(kPressedLookMs, pressed, [pressed] {
            if (pressed)
                pressed->setDown(false);
        });
    }
    return true;
}
