// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunLink.h"

#include "companion/SysWait.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "run/RunExecutor.h"
#include "sound/mdlM_Tape.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
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

PanelRunHost::PanelRunHost(frmCtl& ctl, frmOption& option, mdlM_Tape& tape)
    : m_ctl(ctl), m_option(option), m_tape(tape)
{
    // A route set shows its row before it says it is set.
    const auto moved = [this] { m_justSet = false; };
    connect(&m_ctl, &frmCtl::rowShown, this, moved);
    connect(&m_ctl, &frmCtl::tapeMoved, this, moved);
    connect(&m_ctl, &frmCtl::routeSet, this, [this] { m_justSet = true; });
}

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
    // Set just now at this row (--run keys it first, 試す sets the editor's
    // content): setting it again would only repeat the lamp test, and keying
    // a tried route would read its saved file instead of what was tried.
    if (m_justSet && m_ctl.Route().DataCount > 0 && m_ctl.Route().CurIndex + 1 == startRow)
        return true;
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

QStringList PanelRunHost::stopNames() const
{
    QStringList names;
    const RouteState& route = m_ctl.Route();
    for (int row = 1; row <= route.DataCount; ++row)
        if (const StopRecord* rec = route.Table.Row(qint16(row)))
            names << rec->StopName;
    return names;
}

QList<TimetableRow> PanelRunHost::timetable() const
{
    m_timetableError.clear();
    const RouteState& route = m_ctl.Route();
    if (route.DataCount == 0)
        return {};
    // Beside the fare data, as the settings name its folder.
    const QString file = FindTimetableFile(WithTrailingSeparator(m_option.Text2(0)->text()),
                                           RouteKey(route.RouteNo));
    if (file.isEmpty())
        return {};
    const TimetableResult read = ReadTimetableFile(file);
    if (!read.ok()) {
        m_timetableError = FormatTimetableError(QFileInfo(file).fileName(), read.error);
        return {};
    }
    return read.rows;
}

QList<TapeEntry> PanelRunHost::tapeEntries() const
{
    // Without a voice the announcement buttons do nothing: the run steps
    // the fares with データ送り instead.
    if (m_tape.VoiceAvailable() == 0)
        return {};
    return m_tape.Entries();
}

void PanelRunHost::requestStop()
{
    m_ctl.RequestStop();
}
