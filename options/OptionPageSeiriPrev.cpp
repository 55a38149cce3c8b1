// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionPageSeiriPrev.h"

#include "options/OptionWidgets.h"
#include "options/VbCheckBox.h"
#include "options/VbOptionButton.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using optui::Named;

namespace {

QLabel* wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// The clear button's small cross: the letter "r" of the Marlett symbol font
// where that font is installed, otherwise a plain multiplication sign, which
// looks the same without depending on a font few systems here carry.
void makeCross(QPushButton* button)
{
    const QString marlett = QStringLiteral("Marlett");
    if (QFontDatabase::families().contains(marlett)) {
        QFont f = button->font();
        f.setFamily(marlett);
        button->setFont(f);
        button->setText(QStringLiteral("r"));
    } else {
        button->setText(QStringLiteral("×"));
    }
}

} // namespace

OptionPageSeiriPrev::OptionPageSeiriPrev(QWidget* parent)
    : QGroupBox(QStringLiteral("整理券プレビュー"), parent)
{
    auto* page = new QVBoxLayout(this);
    chkUseSeiriPrev = Named(new VbCheckBox(QStringLiteral("整理券プレビュー機能を使用する"), this),
                            "chkUseSeiriPrev");
    page->addWidget(chkUseSeiriPrev);

    Frame10 = Named(new QGroupBox(QStringLiteral("整理券プラグイン設定"), this), "Frame10");
    {
        auto* grid = new QGridLayout(Frame10);
        Label2 = Named(wrapped(QStringLiteral("整理券プラグイン（整理券プレビューを使用しない場合は"
                                              "、何も入れないでください）："),
                               Frame10),
                       "Label2");
        txtSeiriPlgDir = Named(new QLineEdit(Frame10), "txtSeiriPlgDir");
        // Only a path the chooser has loaded as a plugin belongs here.
        txtSeiriPlgDir->setReadOnly(true);
        Command1 = optui::DotsButton(Frame10, "Command1", -1);
        Command11 = Named(new QPushButton(Frame10), "Command11");
        makeCross(Command11);
        Command11->setFixedWidth(Command1->width());
        Label11 =
            Named(new QLabel(QStringLiteral("上記プラグインのプロパティ："), Frame10), "Label11");
        List1 = Named(new QListWidget(Frame10), "List1");
        Label13 =
            Named(new QLabel(QStringLiteral("上記プラグインの特記事項："), Frame10), "Label13");
        txtPlginComment = Named(new QPlainTextEdit(Frame10), "txtPlginComment");
        txtPlginComment->setReadOnly(true);
        grid->addWidget(Label2, 0, 0, 1, 3);
        grid->addWidget(txtSeiriPlgDir, 1, 0);
        grid->addWidget(Command1, 1, 1);
        grid->addWidget(Command11, 1, 2);
        grid->addWidget(Label11, 2, 0, 1, 3);
        grid->addWidget(List1, 3, 0, 1, 3);
        grid->addWidget(Label13, 4, 0, 1, 3);
        grid->addWidget(txtPlginComment, 5, 0, 1, 3);
    }
    page->addWidget(Frame10);

    Frame7 = Named(new QGroupBox(QStringLiteral("日付の設定（整理券プラグインが日付の印字をサポー"
                                                "トしているときに有効）"),
                                 this),
                   "Frame7");
    {
        auto* grid = new QGridLayout(Frame7);
        Option4[0] = Named(new VbOptionButton(QStringLiteral("システムの日付を使用（整理券印字と"
                                                             "同時に日付を更新、デフォルト）"),
                                              Frame7),
                           "Option4", 0);
        Option4[1] = Named(
            new VbOptionButton(
                QStringLiteral("システムの日付を使用（系統設定した時点の日付を保持）"), Frame7),
            "Option4", 1);
        Label14 =
            Named(wrapped(QStringLiteral("系統設定した際の日付が保持され、日付が途中で変わって"
                                         "も次回系統設定するまで整理券の日付変更を行いません。"),
                          Frame7),
                  "Label14");
        Option4[2] =
            Named(new VbOptionButton(QStringLiteral("右記の日付に固定"), Frame7), "Option4", 2);
        Label10 = Named(new QLabel(Frame7), "Label10");
        Label10->setFrameShape(QFrame::Panel);
        Label10->setFrameShadow(QFrame::Sunken);
        Command7 = Named(new QPushButton(QStringLiteral("日付選択..."), Frame7), "Command7");
        grid->addWidget(Option4[0], 0, 0, 1, 3);
        grid->addWidget(Option4[1], 1, 0, 1, 3);
        grid->addWidget(Label14, 2, 0, 1, 3);
        grid->addWidget(Option4[2], 3, 0);
        grid->addWidget(Label10, 3, 1);
        grid->addWidget(Command7, 3, 2);
        grid->setColumnStretch(1, 1);
    }
    page->addWidget(Frame7);
    page->addStretch(1);

    Option4[0]->setValue(-1);

    // The page keeps its size whether the plugin frames show or not.
    for (QGroupBox* frame : {Frame10, Frame7}) {
        QSizePolicy keep = frame->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(keep);
    }
    connect(chkUseSeiriPrev, &QCheckBox::stateChanged, this, &OptionPageSeiriPrev::UpdateEnabling);
    UpdateEnabling();
}

void OptionPageSeiriPrev::UpdateEnabling()
{
    const bool on = chkUseSeiriPrev->Value() != 0;
    for (QGroupBox* frame : {Frame10, Frame7}) {
        frame->setEnabled(on);
        frame->setVisible(on);
    }
}
