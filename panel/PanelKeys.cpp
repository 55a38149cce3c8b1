// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/PanelKeys.h"

std::optional<PanelKeyPress> PanelKeyFor(int qtKey, Qt::KeyboardModifiers modifiers,
                                         bool autoRepeat)
{
    // Shortcuts of other programs (and of the desktop) keep their keys, and a
    // held key steps once, not as fast as the keyboard repeats.
    if (autoRepeat || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return std::nullopt;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return PanelKeyPress{PanelKey::Digit, qtKey - Qt::Key_0};
    switch (qtKey) {
    case Qt::Key_R:
    case Qt::Key_Slash:
        return PanelKeyPress{PanelKey::Route};
    case Qt::Key_S:
    case Qt::Key_Asterisk:
        return PanelKeyPress{PanelKey::Section};
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return PanelKeyPress{PanelKey::Reset};
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        return PanelKeyPress{PanelKey::Forward};
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        return PanelKeyPress{PanelKey::Back};
    case Qt::Key_N:
        return PanelKeyPress{PanelKey::TapeNext};
    case Qt::Key_B:
        return PanelKeyPress{PanelKey::TapeBack};
    case Qt::Key_Space:
    case Qt::Key_Period:
        return PanelKeyPress{PanelKey::TapeStop};
    case Qt::Key_C:
    case Qt::Key_Delete:
        return PanelKeyPress{PanelKey::Clear};
    case Qt::Key_T:
    case Qt::Key_Plus:
        return PanelKeyPress{PanelKey::StopRequest};
    default:
        return std::nullopt;
    }
}

QString PanelKeyNames(PanelKey key, int digit)
{
    switch (key) {
    case PanelKey::Digit:
        return QString::number(digit);
    case PanelKey::Route:
        return QStringLiteral("R / テンキーの /");
    case PanelKey::Section:
        return QStringLiteral("S / テンキーの *");
    case PanelKey::Reset:
        return QStringLiteral("Enter");
    case PanelKey::Forward:
        return QStringLiteral("→ / PageDown");
    case PanelKey::Back:
        return QStringLiteral("← / PageUp");
    case PanelKey::TapeNext:
        return QStringLiteral("N");
    case PanelKey::TapeBack:
        return QStringLiteral("B");
    case PanelKey::TapeStop:
        return QStringLiteral("Space / .");
    case PanelKey::Clear:
        return QStringLiteral("C / Delete");
    case PanelKey::StopRequest:
        return QStringLiteral("T / テンキーの +");
    }
    return {};
}
