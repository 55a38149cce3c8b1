// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionPageChimei.h"

#include "companion/ColorRef.h"
#include "options/ColorButton.h"
#include "options/OptionWidgets.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"

#include <QGridLayout>
#include <QLabel>

using optui::Named;

OptionPageChimei::OptionPageChimei(QWidget* parent)
    : QGroupBox(QStringLiteral("停名の設定"), parent)
{
    auto* grid = new QGridLayout(this);
    Label9 = Named(new QLabel(QStringLiteral("フォントオプション："), this), "Label9");
    Combo3 = Named(new VbComboBox(this), "Combo3");
    Combo3->addItems({QStringLiteral("ゴシック体"), QStringLiteral("明朝体"),
                      QStringLiteral("漢字はゴシック、それ以外は明朝"),
                      QStringLiteral("漢字は明朝、それ以外はゴシック"),
                      QStringLiteral("英数字はゴシック、それ以外は明朝")});
    // Qt selects the first item it is given; until a setting says otherwise
    // the list shows nothing.
    Combo3->setListIndex(-1);
    Check4 = Named(new VbCheckBox(QStringLiteral("太字（表示の不具合はサポート対象外）"), this),
                   "Check4");
    grid->addWidget(Label9, 0, 0, Qt::AlignRight);
    grid->addWidget(Combo3, 0, 1, 1, 2);
    grid->addWidget(Check4, 1, 1, 1, 2);

    const char16_t* labels[] = {u"背景色：", u"文字色："};
    const quint32 starts[] = {ltm4::Rgb(128, 128, 128), ltm4::Rgb(255, 255, 0)};
    for (int i = 0; i < 2; ++i) {
        const auto k = std::size_t(i);
        Label8[k] = Named(new QLabel(QString::fromUtf16(labels[k]), this), "Label8", i);
        Command9[k] = Named(new ColorButton(this), "Command9", i);
        Command9[k]->setFixedSize(48, 24);
        Command9[k]->setBackColor(starts[k]);
        grid->addWidget(Label8[k], 2 + i, 0, Qt::AlignRight);
        grid->addWidget(Command9[k], 2 + i, 1, Qt::AlignLeft);
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
}
