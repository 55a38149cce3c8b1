// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Rutomia.h"

#include <QGuiApplication>
#include <QScreen>

Rutomia::Rutomia() : m_ini(m_board, m_option, m_ctl)
{
    m_board.setOptionDialog(&m_option);
    m_board.setControlPanel(&m_ctl);
    m_ctl.setBoard(&m_board);
    m_ctl.setOptionDialog(&m_option);
    m_option.setLinks(&m_board, &m_ctl);
    frmCtl::Services services;
    services.SaveIni = [this] { m_ini.SaveIni(); };
    services.Quit = [] { QCoreApplication::exit(0); };
    m_ctl.setServices(std::move(services));
}

void Rutomia::Start()
{
    Form1::LoadSteps steps;
    steps.showPanel = [this] {
        m_ctl.Form_Load();
        m_ctl.show();
        m_ctl.raise();
    };
    steps.placePanel = [this] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->geometry();
        const QSize outer = m_ctl.frameGeometry().size();
        m_ctl.move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
    };
    steps.loadSettings = [this] { m_ini.LoadIni(); };
    m_board.Form_Load(steps);
    m_board.show();
}
