// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunLink.h"

#include "companion/SysWait.h"
#include "panel/frmCtl.h"
#include "run/RunExecutor.h"
#include "sound/mdlM_Tape.h"

#include <QLabel>
#include <QPushButton>

namespace {

class Pressing final {
public:
    explicit Pressing(int& count) : m_count(count) { ++m_count; }
    ~Pressing() { --m_count; }
    Pressing(const Pressing&) = delete;
    Pressing& operator=(const Pressing&) = delete;

private:
    int& m_count;
};

} // namespace

PanelRunHost::PanelRunHost(frmCtl& ctl, mdlM_Tape& tape) : m_ctl(ctl), m_tape(tape) {}

void PanelRunHost::follow(RunExecutor& run)
{
    connect(&m_ctl, &frmCtl::routeSet, &run, [this, &run] {
        if (m_pressing == 0)
            run.stop();
    });
    const auto moved = [this, &run] {
        if (m_pressing == 0 && run.isRunning())
            run.hostMoved();
    };
    connect(&m_ctl, &frmCtl::rowShown, &run, moved);
    connect(&m_ctl, &frmCtl::tapeMoved, &run, moved);
}

void PanelRunHost::pressTapeNext()
{
    const Pressing pressing(m_pressing);
    // The button itself: nothing happens while it is disabled, as by hand.
    m_ctl.cmdTapeNext()->click();
}

void PanelRunHost::pressDataNext()
{
    const Pressing pressing(m_pressing);
    m_ctl.Command2(1)->click();
}

bool PanelRunHost::setRoute(int startRow)
{
    const QString route = m_ctl.Route().RouteNo;
    if (route.isEmpty())
        return false;
    const Pressing pressing(m_pressing);
    // Keyed in as a driver would, then リセット.
    m_ctl.Label2(0)->setText(route);
    m_ctl.Label2(2)->setText(QString::number(startRow));
    m_ctl.Command1_Click(1);
    return m_ctl.Route().RouteNo == route && m_ctl.Route().CurIndex + 1 == startRow;
}

bool PanelRunHost::speaking() const
{
    return m_tape.Speaking();
}

bool PanelRunHost::waiting() const
{
    return ltm4::IsBusy();
}

int PanelRunHost::currentRow() const
{
    return m_ctl.Route().CurIndex + 1;
}

int PanelRunHost::tapePosition() const
{
    return m_tape.GetTapeIndex();
}
