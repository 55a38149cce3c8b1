// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/MsgBox.h"

#include "companion/ModalSeam.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace ltm4 {

namespace {

// Beyond this a line of text is hard to read; longer lines wrap.
constexpr int kWidestText = 640;

MsgBoxHandler& handlerSlot()
{
    static MsgBoxHandler h;
    return h;
}

int showReal(const MsgBoxCall& call)
{
    QMessageBox box(call.owner);
    box.setWindowTitle(call.title);
    // The texts are built with CR LF; Qt breaks lines on LF alone.
    QString text = call.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.setText(text);
    if (!call.detail.isEmpty())
        box.setInformativeText(call.detail);
    // Japanese has no blanks to wrap at, so Qt would break a line anywhere
    // ("含まれていま/す。"): make the text as wide as its longest line, up to
    // a readable measure, so the lines break where the text breaks them.
    int longest = 0;
    for (const QString& line : text.split(u'\n'))
        longest = qMax(longest, box.fontMetrics().horizontalAdvance(line));
    if (QLabel* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        label->setMinimumWidth(qMin(longest + 2, kWidestText));
    switch (call.style & 0x70) {
    case vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    QList<QMessageBox::StandardButton> order;
    switch (call.style & 0x0F) {
    case vbYesNo:
        order = {QMessageBox::Yes, QMessageBox::No};
        break;
    case vbYesNoCancel:
        order = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        break;
    case vbOKCancel:
        order = {QMessageBox::Ok, QMessageBox::Cancel};
        break;
    default:
        order = {QMessageBox::Ok};
        break;
    }
    QMessageBox::StandardButtons buttons;
    for (QMessageBox::StandardButton b : order)
        buttons |= b;
    box.setStandardButtons(buttons);
    if (order.first() == QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    for (qsizetype i = 0; i < order.size() && i < call.buttons.size(); ++i)
        box.button(order[i])->setText(call.buttons[i]);
    // Modal through the seam like every other dialog; the answer is the
    // button that closed the box (Escape counts as No or Cancel).
    ExecModal(box);
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return vbYes;
    case QMessageBox::No:
        return vbNo;
    case QMessageBox::Cancel:
        return vbCancel;
    default:
        return vbOK;
    }
}

} // namespace

QString ProgramTitle()
{
    return QStringLiteral("ルトミア");
}

int MsgBox(QWidget* owner, const QString& text, int style, const QString& title,
           const QString& detail, const QStringList& buttons)
{
    const MsgBoxCall call{owner, text, style, title.isEmpty() ? ProgramTitle() : title, detail,
                          buttons};
    // A copy: the handler may replace itself while it runs.
    if (const MsgBoxHandler h = handlerSlot())
        return h(call);
    return showReal(call);
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler)
{
    return std::exchange(handlerSlot(), std::move(handler));
}

} // namespace ltm4
