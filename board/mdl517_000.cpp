// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/mdl517_000.h"

#include "board/Form1.h"
#include "board/M_Degit.h"
#include "board/SeiriNumbering.h"
#include "companion/ColorRef.h"
#include "companion/FontMap.h"
#include "companion/MsgBox.h"
#include "options/ColorButton.h"
#include "options/VbCheckBox.h"
#include "options/frmOption.h"

#include <QLabel>

namespace mdl517_000 {

namespace {

// Reported when a label of the set is missing.
constexpr int kSubscriptOutOfRange = 9;

void setFace(QLabel* label, const QString& face)
{
    QFont f = label->font();
    f.setFamily(FontMap::ResolveFamily(face));
    label->setFont(f);
}

} // namespace

void DegitReset(Form1& board)
{
    for (int k = 1; k <= Form1::kCells; ++k)
        board.Degit(k)->ResetDegit(0);
}

void PanelInit(Form1& board, frmOption& option)
{
    option.Check1()->setValue(1);
    option.Command5(0)->setBackColor(ltm4::Rgb(255, 255, 255));
    option.Command5(1)->setBackColor(ltm4::Rgb(192, 255, 192));
    option.Command5(2)->setBackColor(ltm4::Rgb(192, 255, 192));
    SeirikenNumSet(board, 0, 0);
    // Each lit state keeps its own built-in face.
    board.setPicture(board.imgRes(0));
}

QString SeirikenNumSetError(int code, const QString& description)
{
    const QString sep = QStringLiteral("\r\n\r\n");
    return QStringLiteral("エラーです！") + sep + QStringLiteral("コード：") +
           QString::number(code) + sep + QStringLiteral("内容：") + description + sep +
           QStringLiteral("モジュール：IniIO-SeirikenNumSet( )");
}

void SeirikenNumSet(Form1& board, qint16 style, qint16 zero)
{
    SeirikenNumSet([&board](int k) { return board.lblSeiriNum(k); }, &board, style, zero);
}

void SeirikenNumSet(const std::function<QLabel*(int)>& labels, QWidget* owner, qint16 style,
                    qint16 zero)
{
    const SeiriNumbering::Plan plan = SeiriNumbering::Make(style, zero);
    const auto fail = [owner] {
        ltm4::MsgBox(owner,
                     SeirikenNumSetError(kSubscriptOutOfRange,
                                         QStringLiteral("インデックスが有効範囲にありません。")),
                     ltm4::vbCritical, QStringLiteral("エラー！"));
    };
    QLabel* first = labels(1);
    if (!first)
        return fail();
    if (plan.firstWord) {
        setFace(first, QStringLiteral("ＭＳ Ｐゴシック"));
        first->setText(*plan.firstWord);
    } else {
        setFace(first, QStringLiteral("M_NumC1"));
    }
    for (int k = 1; k <= SeiriNumbering::kLabels; ++k) {
        const auto& caption = plan.captions[size_t(k)];
        if (!caption)
            continue;
        QLabel* label = labels(k);
        if (!label)
            return fail();
        label->setText(*caption);
    }
}

} // namespace mdl517_000
