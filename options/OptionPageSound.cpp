// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionPageSound.h"

#include "options/OptionWidgets.h"
#include "options/VbComboBox.h"
#include "options/VbOptionButton.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using optui::Named;

namespace {

QLabel* wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

const char16_t* const kFlagCaptions[] = {u"「1」の場合", u"「2」の場合", u"「3」の場合"};

} // namespace

void OptionPageSound::AddSoundRow(QWidget* parent, QGridLayout* grid, int row, QWidget* lead,
                                  int index)
{
    const auto k = std::size_t(index);
    txtSelectSound[k] = Named(new QLineEdit(parent), "txtSelectSound", index);
    cmdSelectSound[k] = optui::DotsButton(parent, "cmdSelectSound", index);
    grid->addWidget(lead, row, 0);
    grid->addWidget(txtSelectSound[k], row, 1);
    grid->addWidget(cmdSelectSound[k], row, 2);
}

OptionPageSound::OptionPageSound(QWidget* parent)
    : QGroupBox(
          QStringLiteral("サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）"),
          parent)
{
    auto* page = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    Label1[0] = Named(new QLabel(QStringLiteral("系統設定時のサウンド："), this), "Label1", 0);
    Label1[1] = Named(new QLabel(QStringLiteral("リセット時のサウンド："), this), "Label1", 1);
    AddSoundRow(this, top, 0, Label1[0], 0);
    AddSoundRow(this, top, 1, Label1[1], 1);
    page->addLayout(top);

    // The two selectors, fare steps first as on the page.
    auto* selectors = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    Option5[1] =
        Named(new QPushButton(QStringLiteral("送り・戻し時のサウンド..."), this), "Option5", 1);
    Option5[0] = Named(new QPushButton(QStringLiteral("放送前のサウンド..."), this), "Option5", 0);
    for (int i : {1, 0}) {
        QPushButton* b = Option5[std::size_t(i)];
        b->setCheckable(true);
        group->addButton(b, i);
        selectors->addWidget(b);
    }
    selectors->addStretch(1);
    page->addLayout(selectors);

    Frame2Stack = new QStackedWidget(this);

    // Fare steps.
    Frame2[1] = Named(new QGroupBox(QStringLiteral("送り・戻し時のサウンド"), this), "Frame2", 1);
    {
        QGroupBox* f = Frame2[1];
        auto* grid = new QGridLayout(f);
        Frame8 = Named(new QGroupBox(QStringLiteral("再生方法"), f), "Frame8");
        auto* how = new QVBoxLayout(Frame8);
        Option6[0] = Named(new VbOptionButton(QStringLiteral("同期再生(サウンドが完全に再生された"
                                                             "後で運賃切り替え)"),
                                              Frame8),
                           "Option6", 0);
        Option6[1] =
            Named(new VbOptionButton(
                      QStringLiteral("非同期再生(サウンドを再生しながら運賃切り替え)"), Frame8),
                  "Option6", 1);
        how->addWidget(Option6[0]);
        how->addWidget(Option6[1]);
        grid->addWidget(Frame8, 0, 0, 1, 3);

        Option2[0] = Named(new VbOptionButton(QStringLiteral("常に右記のサウンドを鳴らす"), f),
                           "Option2", 0);
        AddSoundRow(f, grid, 1, Option2[0], 7);
        Option2[1] =
            Named(new VbOptionButton(QStringLiteral("運賃データ(*.hy3)の特定の列のデータから"
                                                    "判断して、以下の指定したサウンドを鳴ら"
                                                    "す（指定した列のデータの内容が1～3以外"
                                                    "の場合はサウンドは鳴りません）"),
                                     f),
                  "Option2", 1);
        grid->addWidget(Option2[1], 2, 0, 1, 3);

        Label1[2] =
            Named(new QLabel(QString::fromUtf16(u"運賃データの                        "
                                                u"\u3000\u3000\u3000\u3000\u3000\u3000\u3000"
                                                u"\u3000\u3000列目                     "
                                                u"のデータが、"),
                             f),
                  "Label1", 2);
        Combo1 = Named(new VbComboBox(f), "Combo1");
        optui::SitOverBlanks(Label1[2], Combo1, 0);
        grid->addWidget(Label1[2], 3, 0, 1, 3);
        for (int j = 0; j < 3; ++j) {
            Label1[std::size_t(3 + j)] =
                Named(new QLabel(QString::fromUtf16(kFlagCaptions[j]), f), "Label1", 3 + j);
            AddSoundRow(f, grid, 4 + j, Label1[std::size_t(3 + j)], 8 + j);
        }
        grid->setRowStretch(7, 1);
    }

    // Before an announcement.
    Frame2[0] = Named(new QGroupBox(QStringLiteral("放送前のサウンド：※音声合成放送機能が有効でな"
                                                   "い場合は以下の設定は意味を持ちません。"),
                                    this),
                      "Frame2", 0);
    {
        QGroupBox* f = Frame2[0];
        auto* grid = new QGridLayout(f);
        Frame9 = Named(new QGroupBox(QStringLiteral("再生方法"), f), "Frame9");
        auto* how = new QVBoxLayout(Frame9);
        Option7[0] = Named(new VbOptionButton(QStringLiteral("同期再生(サウンドが完全に再生された"
                                                             "後で放送開始)"),
                                              Frame9),
                           "Option7", 0);
        Option7[1] =
            Named(new VbOptionButton(QStringLiteral("非同期再生(サウンドを再生しながら放送開始)"),
                                     Frame9),
                  "Option7", 1);
        how->addWidget(Option7[0]);
        how->addWidget(Option7[1]);
        grid->addWidget(Frame9, 0, 0, 1, 3);

        Option2[2] = Named(new VbOptionButton(QStringLiteral("常に右記のサウンドを鳴らす"), f),
                           "Option2", 2);
        AddSoundRow(f, grid, 1, Option2[2], 3);
        Option2[3] =
            Named(new VbOptionButton(QStringLiteral("放送データ(*.Tp.csv)内のフラグから判断"
                                                    "して、以下の指定したサウンドを鳴らす（"
                                                    "フラグの内容が1～3以外の場合はサウンド"
                                                    "は鳴りません）"),
                                     f),
                  "Option2", 3);
        grid->addWidget(Option2[3], 2, 0, 1, 3);
        for (int j = 0; j < 3; ++j) {
            Label1[std::size_t(9 + j)] =
                Named(new QLabel(QString::fromUtf16(kFlagCaptions[j]), f), "Label1", 9 + j);
            AddSoundRow(f, grid, 3 + j, Label1[std::size_t(9 + j)], 4 + j);
        }
        grid->setRowStretch(6, 1);
    }

    Frame2Stack->addWidget(Frame2[0]);
    Frame2Stack->addWidget(Frame2[1]);
    page->addWidget(Frame2Stack);

    Label1[7] =
        Named(wrapped(QStringLiteral("「放送前のサウンド」再生時は、停名のスクロールが停止す"
                                     "ることがありますので、あらかじめご了承ください。"),
                      this),
              "Label1", 7);
    page->addWidget(Label1[7]);

    for (VbOptionButton* o : Option2)
        o->setWordWrap(true);
    Option6[1]->setValue(-1);
    Option2[0]->setValue(-1);
    Option7[0]->setValue(-1);
    Option2[2]->setValue(-1);

    connect(group, &QButtonGroup::idClicked, this, &OptionPageSound::Option5_Click);
    Option5[1]->setChecked(true);
    Option5_Click(1);
}

void OptionPageSound::Option5_Click(int index)
{
    if (index == 0 || index == 1)
        Frame2Stack->setCurrentWidget(Frame2[std::size_t(index)]);
}
