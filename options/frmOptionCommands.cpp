// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog's choosers: folders, sound and picture files, colours,
// the fixed ticket date and the file-manager buttons. Each writes straight
// into the control holding the setting; the board only sees it on OK.

#include "options/frmOption.h"

#include "companion/MsgBox.h"
#include "options/ColorButton.h"
#include "options/OptionPageDegit.h"
#include "options/SeiriPrevHost.h"
#include "options/VbCheckBox.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace {

const QString& soundFilter()
{
    static const QString filter =
        QStringLiteral("Waveサウンド(*.wav)\0*.wav\0MP3サウンド(*.mp3)\0*.mp3\0"
                       "MIDIシーケンス(*.mid)\0*.mid\0\0");
    return filter;
}

const QString& pictureFilter()
{
    static const QString filter = QStringLiteral(
        "ビットマップ(*.bmp)\0*.bmp\0GIF画像(*.gif)\0*.gif\0JPEG画像(*.jpg)\0*.jpg\0\0");
    return filter;
}

// Replaces the text only when the chooser gave a path (not cancelled).
void takePath(QLineEdit* box, const QString& path)
{
    if (box && !path.isEmpty())
        box->setText(path);
}

} // namespace

void frmOption::ConnectCommands()
{
    for (int i = 0; i < 2; ++i) {
        connect(Command3(i), &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
        connect(Command10(i), &QPushButton::clicked, this, [this, i] { Command10_Click(i); });
        connect(Command9(i), &QPushButton::clicked, this, [this, i] { Command9_Click(i); });
    }
    for (int i = 0; i <= 10; ++i) {
        if (QPushButton* b = cmdSelectSound(i))
            connect(b, &QPushButton::clicked, this, [this, i] { cmdSelectSound_Click(i); });
    }
    for (int i = 0; i < 3; ++i) {
        connect(Command6(i), &QPushButton::clicked, this, [this, i] { Command6_Click(i); });
        connect(Command5(i), &QPushButton::clicked, this, [this, i] { Command5_Click(i); });
        connect(Command8(i), &QPushButton::clicked, this, [this, i] { Command8_Click(i); });
    }
    connect(Command7(), &QPushButton::clicked, this, &frmOption::Command7_Click);
    connect(Command11(), &QPushButton::clicked, this, &frmOption::Command11_Click);
    connect(Command4(), &QPushButton::clicked, this, &frmOption::Command4_Click);
    connect(Command1(), &QPushButton::clicked, this, &frmOption::Command1_Click);
}

QString frmOption::GetPathString(const QString& strDefPath)
{
    // Opens where the setting already points, so a correction starts there.
    return ltm4::Lt3FolderDlg(this, QStringLiteral("フォルダーを選択してください"), strDefPath);
}

void frmOption::GetBtnColor(ColorButton* button)
{
    if (!button)
        return;
    quint32 colour = button->BackColor();
    if (ltm4::Lt3ChooseColor(this, colour, m_custColors) != 0)
        button->setBackColor(colour);
}

void frmOption::Command3_Click(int index)
{
    if (QLineEdit* box = Text2(index))
        takePath(box, GetPathString(box->text()));
}

void frmOption::Command10_Click(int index)
{
    // Whatever the file manager makes of a missing or empty folder is its
    // own business; the dialog says nothing.
    if (QLineEdit* box = Text2(index))
        QDesktopServices::openUrl(QUrl::fromLocalFile(box->text()));
}

void frmOption::cmdSelectSound_Click(int index)
{
    QLineEdit* box = txtSelectSound(index);
    if (!box)
        return;
    takePath(box,
             ltm4::Lt3FileDlg(this, 0, soundFilter(), QString(), QStringLiteral("サウンドの選択")));
}

void frmOption::Command6_Click(int index)
{
    QLineEdit* box = txtSelectPanel(index);
    if (!box)
        return;
    takePath(box, ltm4::Lt3FileDlg(this, 0, pictureFilter(), QString(),
                                   QStringLiteral("パネル画像の選択")));
}

void frmOption::Command5_Click(int index)
{
    GetBtnColor(Command5(index));
}

void frmOption::Command9_Click(int index)
{
    GetBtnColor(Command9(index));
}

void frmOption::Command8_Click(int index)
{
    GetBtnColor(Command8(index));
    // Re-coloured even after a cancel: the sample always shows the buttons.
    m_p2->RecolourSample();
}

void frmOption::Command1_Click()
{
    const QString path =
        ltm4::Lt3FileDlg(this, 0, QStringLiteral("整理券プラグイン(*.4SP)\0*.4SP\0\0"), QString(),
                         QStringLiteral("プラグインの選択"));
    if (path.isEmpty())
        return;
    // Emptied before the load, which fills it with the new plugin's names. A
    // refused file keeps the previous plugin, so its names come back too.
    QComboBox* const companies = m_seiriHost ? m_seiriHost->CompanyList() : nullptr;
    QStringList previousNames;
    int previousIndex = -1;
    if (companies) {
        for (int i = 0; i < companies->count(); ++i)
            previousNames << companies->itemText(i);
        previousIndex = companies->currentIndex();
        companies->clear();
    }
    QString refusal;
    if (SetPlgin(path, &refusal) != 0) {
        txtSeiriPlgDir()->setText(path);
        return;
    }
    if (companies) {
        companies->addItems(previousNames);
        companies->setCurrentIndex(previousIndex);
    }
    // The line and the reason below the message, so that the plugin's author
    // knows what to mend without another tool.
    ltm4::MsgBox(this, QStringLiteral("指定したファイルはプラグインでないか、内容が不正です"),
                 ltm4::vbCritical + ltm4::vbOKOnly, QStringLiteral("プラグインロードエラー"),
                 refusal);
}

void frmOption::Command7_Click()
{
    ltm4::SystemTime date;
    if (ltm4::Call_dlg111(this, date) == 0)
        return;
    Label10()->setText(QStringLiteral("%1/%2/%3")
                           .arg(date.wYear)
                           .arg(date.wMonth, 2, 10, QLatin1Char('0'))
                           .arg(date.wDay, 2, 10, QLatin1Char('0')));
}

void frmOption::Command11_Click()
{
    // The company names on the control panel stay: they go with the next plugin.
    txtSeiriPlgDir()->clear();
    List1()->clear();
    txtPlginComment()->clear();
}
