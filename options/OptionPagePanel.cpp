// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionPagePanel.h"

#include "options/ColorButton.h"
#include "options/OptionWidgets.h"
#include "options/PanelPictureChoice.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "options/VbOptionButton.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using optui::Named;

namespace {

constexpr const char16_t* kPictureFrameCaptions[] = {
    u"バックライトOFF時の画像：",
    u"ON1の画像：",
    u"ON2の画像：",
};

QLabel* wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

OptionPagePanel::OptionPagePanel(QWidget* parent)
    : QGroupBox(QStringLiteral("パネルと整理券番号表示"), parent)
{
    auto* page = new QVBoxLayout(this);

    Check1 = Named(new VbCheckBox(QStringLiteral("整理券番号自動表示機能を使用"), this), "Check1");
    page->addWidget(Check1);

    Frame4 = Named(new QGroupBox(QStringLiteral("本体パネル"), this), "Frame4");
    auto* f4 = new QGridLayout(Frame4);
    using PanelPictureChoice::kAutomatic;
    using PanelPictureChoice::kIndividual;
    Option3[kAutomatic] =
        Named(new VbOptionButton(QStringLiteral("内蔵しているパネルを自動で割り当てる"), Frame4),
              "Option3", kAutomatic);
    Option3[kIndividual] =
        Named(new VbOptionButton(QStringLiteral("個別に設定する"), Frame4), "Option3", kIndividual);
    f4->addWidget(Option3[kAutomatic], 0, 0, 1, 3);
    f4->addWidget(Option3[kIndividual], 1, 0, 1, 3);
    for (int i = 0; i < 3; ++i) {
        const auto k = std::size_t(i);
        const PanelPictureChoice::StateButtons& pf = PanelPictureChoice::kStateButtons[k];
        auto* frame =
            Named(new QGroupBox(QString::fromUtf16(kPictureFrameCaptions[k]), Frame4), "Frame6", i);
        auto* grid = new QGridLayout(frame);
        auto* builtin =
            Named(new VbOptionButton(QStringLiteral("内蔵"), frame), "Option3", pf.builtin);
        auto* user =
            Named(new VbOptionButton(QStringLiteral("ユーザーパネル"), frame), "Option3", pf.user);
        txtSelectPanel[k] = Named(new QLineEdit(frame), "txtSelectPanel", i);
        Command6[k] = optui::DotsButton(frame, "Command6", i);
        grid->addWidget(builtin, 0, 0, 1, 2);
        grid->addWidget(user, 1, 0, 1, 2);
        grid->addWidget(txtSelectPanel[k], 2, 0);
        grid->addWidget(Command6[k], 2, 1);
        Option3[std::size_t(pf.builtin)] = builtin;
        Option3[std::size_t(pf.user)] = user;
        Frame6[k] = frame;
        f4->addWidget(frame, 2, i);
    }
    page->addWidget(Frame4);

    Frame3 = Named(new QFrame(this), "Frame3");
    Frame3->setFrameShape(QFrame::StyledPanel);
    auto* f3 = new QGridLayout(Frame3);
    Label4[5] = Named(new QLabel(QStringLiteral("整理券番号表示設定"), Frame3), "Label4", 5);
    Combo2 = Named(new VbComboBox(Frame3), "Combo2");
    Check2 =
        Named(new VbCheckBox(QStringLiteral("数字が1桁の番号は頭に0を付け足す"), Frame3), "Check2");
    Label4[1] = Named(new QLabel(QStringLiteral("整理券番号のバックライトカラー(文字色)"), Frame3),
                      "Label4", 1);
    f3->addWidget(Label4[5], 0, 0, 1, 6);
    f3->addWidget(Combo2, 1, 0, 1, 6);
    f3->addWidget(Check2, 2, 0, 1, 6);
    f3->addWidget(Label4[1], 3, 0, 1, 6);
    const char16_t* states[] = {u"OFF：", u"ON1：", u"ON2："};
    for (int i = 0; i < 3; ++i) {
        const auto k = std::size_t(i);
        Label4[k + 2] = Named(new QLabel(QString::fromUtf16(states[k]), Frame3), "Label4", i + 2);
        Command5[k] = Named(new ColorButton(Frame3), "Command5", i);
        Command5[k]->setFixedSize(48, 24);
        f3->addWidget(Label4[k + 2], 4, i * 2, Qt::AlignRight);
        f3->addWidget(Command5[k], 4, i * 2 + 1, Qt::AlignLeft);
    }
    Label15 = Named(wrapped(QStringLiteral("※ユーザーパネルに直接番号をデザインしている場合には上記"
                                           "チェックをOFFにしてください。"),
                            Frame3),
                    "Label15");
    f3->addWidget(Label15, 5, 0, 1, 6);
    page->addWidget(Frame3);

    Label5[1] =
        Named(wrapped(QStringLiteral("※ユーザーパネルには、現在の機種に対応の画像をご使用くだ"
                                     "さい。大きいパネルの場合、はみ出た部分（右・下）が切り取"
                                     "られます。逆に小さいパネルの場合は左上から表示され、余白"
                                     "部分はグレーになりますのでご注意ください。"),
                      this),
              "Label5", 1);
    page->addWidget(Label5[1]);
    page->addStretch(1);

    // Automatic, and the built-in picture for every state.
    Option3[PanelPictureChoice::kAutomatic]->setValue(-1);
    for (const PanelPictureChoice::StateButtons& b : PanelPictureChoice::kStateButtons)
        Option3[std::size_t(b.builtin)]->setValue(-1);

    // The rules follow the values, so a value set from code (settings load,
    // panel set-up) leaves the page as a user's click would.
    // The page keeps its size whether the picture frames show or not.
    for (QGroupBox* frame : Frame6) {
        QSizePolicy keep = frame->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(keep);
    }
    connect(Check1, &QCheckBox::stateChanged, this, &OptionPagePanel::UpdateEnabling);
    for (VbOptionButton* option : Option3)
        connect(option, &QAbstractButton::toggled, this, &OptionPagePanel::UpdateEnabling);
    UpdateEnabling();
}

void OptionPagePanel::UpdateEnabling()
{
    Frame3->setEnabled(Check1->Value() != 0);
    // The individual picture frames only mean something without the automatic choice.
    const bool individual = Option3[PanelPictureChoice::kAutomatic]->Value() == 0;
    for (QGroupBox* frame : Frame6) {
        frame->setEnabled(individual);
        frame->setVisible(individual);
    }
}
