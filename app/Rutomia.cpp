// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Rutomia.h"

#include "app/ScreenFit.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

Rutomia::Rutomia()
    : m_ini(m_board, m_option, m_ctl),
      m_snd(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
            [this](const QString& command) { return m_mci.SendString(command); })
{
    m_board.setOptionDialog(&m_option);
    m_board.setControlPanel(&m_ctl);
    m_ctl.setBoard(&m_board);
    m_ctl.setOptionDialog(&m_option);
    m_option.setLinks(&m_board, &m_ctl);
    m_option.setSeiriPrevHost(&m_ctl);
    frmCtl::Services services;
    services.SndPlay = [this](const QString& path, const QString& channel, qint16 sync,
                              qint16 delay) { m_snd.SndPlay(path, channel, sync, delay); };
    services.SndCloseAll = [this] { m_snd.SndCloseAll(); };
    services.SaveIni = [this] { m_ini.SaveIni(); };
    m_ctl.setServices(std::move(services));
}

void Rutomia::PlacePanel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The whole window, frame included, in the screen's bottom-right corner
    // (of the part that panels and docks leave free).
    const QRect area = screen->availableGeometry();
    const QSize outer = m_ctl.frameGeometry().size();
    m_ctl.move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
    m_placedAt = m_ctl.pos();
}

void Rutomia::KeepWithinReach(QWidget& window)
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    // A window's position is its frame's top-left corner.
    const QPoint place = ReachablePlace(window.frameGeometry(), areas);
    if (place != window.pos())
        window.move(place);
}

void Rutomia::Start()
{
    const bool hasSettings = !m_ini.LoadPath().isEmpty();
    Form1::LoadSteps steps;
    steps.showPanel = [this] {
        m_ctl.Form_Load();
        m_ctl.show();
        m_ctl.raise();
    };
    steps.placePanel = [this] { PlacePanel(); };
    steps.loadSettings = [this, hasSettings] {
        m_ini.LoadIni();
        // What the panel and the options show is what runs, also where the
        // settings read held no panel state or there were none: the
        // stop-name display's own defaults differ from both.
        m_ctl.HScroll1_Change(0);
        if (!hasSettings)
            m_option.SetProp();
    };
    m_board.Form_Load(steps);
    m_board.show();
    m_board.RestoreView();
    KeepWithinReach(m_board);
    KeepWithinReach(m_ctl);
    if (!m_ini.PositionsLoaded()) {
        // A window manager frames the panel only after it is shown, so its
        // outer size is known a moment later; place it again then, unless the
        // user has already moved it.
        QTimer::singleShot(300, &m_ctl, [this] {
            if (m_ctl.pos() == m_placedAt)
                PlacePanel();
        });
    }
}
