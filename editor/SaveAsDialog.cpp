// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SaveAsDialog.h"

#include "companion/LTM4Res.h"
#include "editor/EditorRules.h"
#include "route/RouteFiles.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

SaveAsDialog::SaveAsDialog(int routeNo, const QString& fareFolder, const QString& tapeFolder,
                           QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("saveAsDialog"));
    setWindowTitle(QStringLiteral("名前を付けて保存"));
    m_number = new QLineEdit(routeNo < 0 ? QString() : QString::number(routeNo), this);
    m_number->setObjectName(QStringLiteral("routeNumber"));
    m_number->setPlaceholderText(QStringLiteral("0～99999"));
    m_fareFolder = new QLineEdit(fareFolder, this);
    m_fareFolder->setObjectName(QStringLiteral("fareFolder"));
    m_tapeFolder = new QLineEdit(tapeFolder, this);
    m_tapeFolder->setObjectName(QStringLiteral("tapeFolder"));
    for (QLineEdit* e : {m_fareFolder, m_tapeFolder})
        e->setPlaceholderText(QStringLiteral("(作業フォルダー)"));
    auto* chooseFare = new QPushButton(QStringLiteral("参照(&R)..."), this);
    chooseFare->setObjectName(QStringLiteral("chooseFareFolder"));
    auto* chooseTape = new QPushButton(QStringLiteral("参照(&E)..."), this);
    chooseTape->setObjectName(QStringLiteral("chooseTapeFolder"));
    connect(chooseFare, &QPushButton::clicked, this,
            [this] { choose(m_fareFolder, QStringLiteral("運賃データのフォルダー")); });
    connect(chooseTape, &QPushButton::clicked, this,
            [this] { choose(m_tapeFolder, QStringLiteral("放送と読みのフォルダー")); });
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("saveNote"));
    m_note->setWordWrap(true);

    auto* fareRow = new QHBoxLayout;
    fareRow->addWidget(m_fareFolder);
    fareRow->addWidget(chooseFare);
    auto* tapeRow = new QHBoxLayout;
    tapeRow->addWidget(m_tapeFolder);
    tapeRow->addWidget(chooseTape);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("保存"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("系統番号(&N):"), m_number);
    form->addRow(QStringLiteral("運賃データのフォルダー(&F):"), fareRow);
    form->addRow(QStringLiteral("放送と読みのフォルダー(&T):"), tapeRow);
    form->addRow(m_note);
    form->addRow(buttons);
    for (QLineEdit* e : {m_number, m_fareFolder, m_tapeFolder})
        connect(e, &QLineEdit::textChanged, this, &SaveAsDialog::update);
    update();
    resize(520, sizeHint().height());
}

QString SaveAsDialog::fareFolder() const
{
    return m_fareFolder->text().trimmed();
}

QString SaveAsDialog::tapeFolder() const
{
    return m_tapeFolder->text().trimmed();
}

void SaveAsDialog::choose(QLineEdit* folder, const QString& prompt)
{
    const QString chosen = ltm4::Lt3FolderDlg(this, prompt, folder->text());
    if (!chosen.isEmpty())
        folder->setText(chosen);
}

void SaveAsDialog::update()
{
    const std::optional<int> n = RouteNumberFromText(m_number->text());
    if (!n) {
        m_note->setText(QStringLiteral("系統番号は 0～99999 の数です。"));
        return;
    }
    // Saving over files is what the user may want; saying so first is the least.
    const RouteFileNames names = RouteFilePaths(fareFolder(), tapeFolder(), *n);
    QStringList there;
    for (const QString& path : {names.fares, names.tape, names.readings})
        if (QFileInfo::exists(path))
            there << QFileInfo(path).fileName();
    m_note->setText(there.isEmpty()
                        ? QStringLiteral("新しいファイルに保存します。")
                        : QStringLiteral("%1 があります。保存すると置き換わり、前のファイルは"
                                         " .bak に残ります。")
                              .arg(there.join(QStringLiteral("、"))));
}

void SaveAsDialog::accept()
{
    const std::optional<int> n = RouteNumberFromText(m_number->text());
    if (!n) {
        m_number->setFocus();
        m_number->selectAll();
        return;
    }
    m_routeNo = *n;
    QDialog::accept();
}
