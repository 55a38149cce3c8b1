// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OpenRouteDialog.h"

#include "companion/LTM4Res.h"
#include "editor/EditorRules.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

OpenRouteDialog::OpenRouteDialog(const QString& fareFolder, const QString& routeNo, QWidget* parent)
    : QDialog(parent), m_fareFolder(fareFolder)
{
    setObjectName(QStringLiteral("openRouteDialog"));
    setWindowTitle(QStringLiteral("開く"));
    m_number = new QLineEdit(routeNo, this);
    m_number->setObjectName(QStringLiteral("routeNumber"));
    m_number->setPlaceholderText(QStringLiteral("0～99999"));
    m_number->selectAll();
    auto* folder = new QLabel(QStringLiteral("運賃データのフォルダー: %1")
                                  .arg(fareFolder.isEmpty() ? QStringLiteral("(作業フォルダー)")
                                                            : QDir::toNativeSeparators(fareFolder)),
                              this);
    folder->setWordWrap(true);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("openNote"));
    m_note->setStyleSheet(QStringLiteral("color: #b00000"));
    m_note->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    auto* file =
        buttons->addButton(QStringLiteral("ファイルから(&F)..."), QDialogButtonBox::ActionRole);
    file->setObjectName(QStringLiteral("chooseFile"));
    connect(file, &QPushButton::clicked, this, &OpenRouteDialog::chooseFile);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("系統番号(&N):"), m_number);
    form->addRow(folder);
    form->addRow(m_note);
    form->addRow(buttons);
}

void OpenRouteDialog::chooseFile()
{
    const QString filter = QStringLiteral("運賃データ(*.hy3)") + QChar(0) +
                           QStringLiteral("*.hy3") + QChar(0) + QChar(0);
    const QString path =
        ltm4::Lt3FileDlg(this, 0, filter, m_fareFolder, QStringLiteral("運賃データを開く"));
    if (path.isEmpty())
        return;
    m_target = path;
    QDialog::accept();
}

void OpenRouteDialog::accept()
{
    if (!RouteNumberFromText(m_number->text())) {
        m_note->setText(QStringLiteral("系統番号は 0～99999 の数です。"));
        m_note->show();
        m_number->setFocus();
        return;
    }
    m_target = m_number->text().trimmed();
    QDialog::accept();
}
