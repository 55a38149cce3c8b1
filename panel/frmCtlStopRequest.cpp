// SPDX-License-Identifier: GPL-3.0-or-later
// The stop request (降車ボタン): a passenger's press lights 「つぎ止まります」
// on the board and sounds the chime; the next row, a route set or a cleared
// board puts it out, as on a bus.
#include "panel/frmCtl.h"

#include "board/Form1.h"
#include "board/StopLampCtl.h"
#include "companion/LTM4Res.h"
#include "options/VbCheckBox.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>

namespace {

// Lit like the lamp it stands for; the caption stays legible either way.
const QString kUnlitStyle = QStringLiteral("QPushButton { background-color: #f0e0d8; }");
const QString kLitStyle =
    QStringLiteral("QPushButton { background-color: #ff9a30; font-weight: bold; }");

} // namespace

void frmCtl::setBoard(Form1* board)
{
    m_board = board;
    if (!m_board)
        return;
    connect(m_board->StopLamp(), &StopLampCtl::Clicked, this, [this] { RequestStop(); });
    ShowStopRequest();
}

void frmCtl::buildStopRequest()
{
    // Beside 表示消去, in the gap above the late-night frame.
    m_cmdStopRequest = new QPushButton(QStringLiteral("降車"), this);
    m_cmdStopRequest->setObjectName(QStringLiteral("cmdStopRequest"));
    m_cmdStopRequest->setGeometry(288, 51, 66, 21);
    m_cmdStopRequest->setFocusPolicy(Qt::NoFocus);
    m_cmdStopRequest->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_cmdStopRequest, &QPushButton::clicked, this, [this] { RequestStop(); });
    connect(m_cmdStopRequest, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->setObjectName(QStringLiteral("StopRequestMenu"));
        QAction* lamp = menu->addAction(QStringLiteral("表示器に「つぎ止まります」を出す"));
        lamp->setCheckable(true);
        lamp->setChecked(m_stopRequest.lampShown);
        connect(lamp, &QAction::toggled, this, [this](bool shown) {
            StopRequestSettings s = m_stopRequest;
            s.lampShown = shown;
            setStopRequestSetup(s);
            m_stopRequest.Save(StopRequestSettings::DefaultFile());
        });
        connect(menu->addAction(QStringLiteral("チャイムのファイルを選ぶ...")), &QAction::triggered,
                this, [this] {
                    const QString file = ltm4::Lt3FileDlg(
                        this, 0,
                        QStringLiteral("Waveサウンド(*.wav)\0*.wav\0MP3サウンド(*.mp3)\0*.mp3\0"
                                       "MIDIシーケンス(*.mid)\0*.mid\0\0"),
                        QString(), QStringLiteral("降車チャイムの選択"));
                    if (file.isEmpty())
                        return;
                    m_stopRequest.chime = file;
                    m_stopRequest.Save(StopRequestSettings::DefaultFile());
                });
        QAction* silent = menu->addAction(QStringLiteral("チャイムを鳴らさない"));
        silent->setEnabled(!m_stopRequest.chime.isEmpty());
        connect(silent, &QAction::triggered, this, [this] {
            m_stopRequest.chime.clear();
            m_stopRequest.Save(StopRequestSettings::DefaultFile());
        });
        menu->popup(m_cmdStopRequest->mapToGlobal(at));
    });
    m_stopRequest = StopRequestSettings::Load(
        StopRequestSettings::DefaultFile(),
        StopRequestSettings::DemoChime(QCoreApplication::applicationDirPath()));
    ShowStopRequest();
}

void frmCtl::setStopRequestSetup(const StopRequestSettings& settings)
{
    m_stopRequest = settings;
    ShowStopRequest();
}

bool frmCtl::RequestStop()
{
    // Lit already: the passenger's second press changes nothing. A cleared
    // board takes no request, as it takes no step.
    if (m_stopRequested || m_check1->Value() == 1)
        return false;
    m_stopRequested = true;
    ShowStopRequest();
    emit StopRequestChanged(true);
    // A file that is missing or cannot be played is simply not heard.
    if (!m_stopRequest.chime.isEmpty() && m_services.SndPlay)
        m_services.SndPlay(m_stopRequest.chime, QLatin1String(kStopRequestChannel), 0, 0);
    return true;
}

void frmCtl::ClearStopRequest()
{
    if (!m_stopRequested)
        return;
    m_stopRequested = false;
    ShowStopRequest();
    emit StopRequestChanged(false);
}

void frmCtl::ShowStopRequest()
{
    m_cmdStopRequest->setStyleSheet(m_stopRequested ? kLitStyle : kUnlitStyle);
    if (m_board) {
        m_board->StopLamp()->setRequested(m_stopRequested);
        m_board->StopLamp()->setHidden(!m_stopRequest.lampShown);
    }
}
