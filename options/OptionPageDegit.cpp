// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionPageDegit.h"

#include "board/M_Degit.h"
#include "companion/ColorRef.h"
#include "options/ColorButton.h"
#include "options/OptionWidgets.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using optui::Named;

namespace {

// The lists sit over the runs of blanks, so each sentence reads with its list.
const char16_t* const kInfoCaptions[] = {
    u"停留所の順番（区間・個数）を、\u3000\u3000\u3000\u3000\u3000\u3000  コマ目に表示する。",
    u"整理券番号を、  \u3000\u3000\u3000\u3000\u3000\u3000コマ目に表示する。",
    u"系統番号を、  \u3000\u3000\u3000\u3000\u3000\u3000コマ目に表示する。",
    u"データの\u3000\u3000\u3000  \u3000\u3000\u3000\u3000\u3000列目の値を、  "
    u"\u3000\u3000\u3000\u3000\u3000\u3000コマ目に表示する。",
    u"0から数える",
};

} // namespace

OptionPageDegit::OptionPageDegit(QWidget* parent)
    : QGroupBox(QStringLiteral("デジタル部品と情報用数字"), parent)
{
    auto* page = new QVBoxLayout(this);

    Frame5[0] = Named(new QGroupBox(QStringLiteral("デジタル部品の背景色と文字色（時計つきの場"
                                                   "合はこの部分も同色となります）"),
                                    this),
                      "Frame5", 0);
    auto* colours = new QGridLayout(Frame5[0]);
    const char16_t* colourLabels[] = {u"背景色：", u"未発光時の文字色：", u"発光時の文字色："};
    const quint32 starts[] = {ltm4::Rgb(128, 128, 128), ltm4::Rgb(150, 150, 150),
                              ltm4::Rgb(248, 210, 114)};
    for (int i = 0; i < 3; ++i) {
        const auto k = std::size_t(i);
        Label6[k] = Named(new QLabel(QString::fromUtf16(colourLabels[k]), Frame5[0]), "Label6", i);
        Command8[k] = Named(new ColorButton(Frame5[0]), "Command8", i);
        Command8[k]->setFixedSize(48, 24);
        Command8[k]->setBackColor(starts[k]);
        colours->addWidget(Label6[k], i, 0, Qt::AlignRight);
        colours->addWidget(Command8[k], i, 1, Qt::AlignLeft);
    }
    Label6[3] = Named(new QLabel(QStringLiteral("プレビュー"), Frame5[0]), "Label6", 3);
    M_Degit1 = Named(new M_Degit(Frame5[0]), "M_Degit1");
    // Only a sample: its formatting is not the user's to change.
    M_Degit1->setUserSet(false);
    colours->addWidget(Label6[3], 0, 2, Qt::AlignRight);
    colours->addWidget(M_Degit1, 1, 2, 2, 1, Qt::AlignCenter);
    colours->setColumnStretch(3, 1);
    page->addWidget(Frame5[0]);

    Frame5[1] = Named(new QGroupBox(QStringLiteral("情報用数字の設定"), this), "Frame5", 1);
    auto* info = new QGridLayout(Frame5[1]);
    for (int i = 0; i < 5; ++i) {
        const auto k = std::size_t(i);
        Check3[k] =
            Named(new VbCheckBox(QString::fromUtf16(kInfoCaptions[k]), Frame5[1]), "Check3", i);
        Combo4[k] = Named(new VbComboBox(Frame5[1]), "Combo4", i);
    }
    for (int i = 0; i < 3; ++i)
        optui::SitOverBlanks(Check3[std::size_t(i)], Combo4[std::size_t(i)]);
    optui::SitOverBlanks(Check3[3], Combo4[4], 0);
    optui::SitOverBlanks(Check3[3], Combo4[3], 1);
    info->addWidget(Check3[0], 0, 0);
    info->addWidget(Check3[4], 0, 1);
    info->addWidget(Check3[1], 1, 0, 1, 2);
    info->addWidget(Check3[2], 2, 0, 1, 2);
    info->addWidget(Check3[3], 3, 0, 1, 2);
    info->setColumnStretch(1, 1);
    page->addWidget(Frame5[1]);

    Label7 = Named(new QLabel(QStringLiteral("デジタル数字の桁ずらし、ゼロ埋めの設定は各部品をダ"
                                             "ブルクリックして設定してください。また、これら情報用"
                                             "数字は運賃の表示よりも優先されます。"),
                              this),
                   "Label7");
    Label7->setWordWrap(true);
    page->addWidget(Label7);
    page->addStretch(1);

    for (int i = 0; i < 4; ++i)
        connect(Check3[std::size_t(i)], &QCheckBox::stateChanged, this,
                &OptionPageDegit::UpdateEnabling);
    UpdateEnabling();
}

void OptionPageDegit::RecolourSample()
{
    M_Degit1->setBackColor(Command8[0]->BackColor());
    M_Degit1->setBaseForeColor(Command8[1]->BackColor());
    M_Degit1->setDegitForeColor(Command8[2]->BackColor());
}

void OptionPageDegit::UpdateEnabling()
{
    const bool stopOrder = Check3[0]->Value() != 0;
    Combo4[0]->setEnabled(stopOrder);
    Check3[4]->setEnabled(stopOrder);
    Combo4[1]->setEnabled(Check3[1]->Value() != 0);
    Combo4[2]->setEnabled(Check3[2]->Value() != 0);
    const bool column = Check3[3]->Value() != 0;
    Combo4[3]->setEnabled(column);
    Combo4[4]->setEnabled(column);
}
