// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include "companion/ModalSeam.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace ltm4 {

namespace {

// The text arrives with CR LF line breaks; a label breaks lines on LF.
QString toDisplayLines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void Call_dlg110(QWidget* owner, qint32 mode, const QString& text)
{
    // Only mode 1 (the text with an OK button) is ever asked for; any other
    // mode gets the same dialog rather than none at all.
    Q_UNUSED(mode);

    QDialog dlg(owner);
    dlg.setObjectName(QStringLiteral("dlg110"));
    dlg.setWindowTitle(QStringLiteral("バージョン情報"));

    auto* label = new QLabel(&dlg);
    label->setObjectName(QStringLiteral("lblText"));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setText(toDisplayLines(text));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);

    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(label);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ExecModal(dlg);
}

} // namespace ltm4
