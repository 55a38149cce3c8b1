// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionPageDataDirs.h"

#include "options/OptionWidgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using optui::Named;

OptionPageDataDirs::OptionPageDataDirs(QWidget* parent)
    : QGroupBox(QStringLiteral("運賃データと放送用データ"), parent)
{
    const QString labels[] = {QStringLiteral("運賃データ(*.hy3)のあるフォルダー："),
                              QStringLiteral("放送用データ(*****Tp.csv)のあるフォルダー：")};
    const QString opens[] = {QStringLiteral("上記運賃データの場所をエクスプローラで開く"),
                             QStringLiteral("上記放送用データの場所をエクスプローラで開く")};

    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 2; ++i) {
        const auto k = std::size_t(i);
        Label3[k] = Named(new QLabel(labels[k], this), "Label3", i);
        Text2[k] = Named(new QLineEdit(this), "Text2", i);
        Command3[k] = optui::DotsButton(this, "Command3", i);
        Command10[k] = Named(new QPushButton(opens[k], this), "Command10", i);

        const int row = i * 4;
        grid->addWidget(Label3[k], row, 0, 1, 2);
        grid->addWidget(Text2[k], row + 1, 0);
        grid->addWidget(Command3[k], row + 1, 1);
        grid->addWidget(Command10[k], row + 2, 0, 1, 2, Qt::AlignRight);
        grid->setRowMinimumHeight(row + 3, 12);
    }
    grid->setRowStretch(8, 1);
}
