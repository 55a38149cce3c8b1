// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WebLink.h"

#include "board/DegitFormat.h"
#include "board/Form1.h"
#include "board/M_Degit.h"
#include "companion/SysWait.h"
#include "options/VbCheckBox.h"
#include "panel/PanelKeys.h"
#include "panel/frmCtl.h"
#include "sound/mdlM_Tape.h"

#include <QGroupBox>
#include <QLabel>

#include <optional>

namespace {

constexpr int kPanelLookMs = 250;

std::optional<PanelKeyPress> KeyOf(WebControl control)
{
    const int index = int(control);
    if (index >= int(WebControl::Digit0) && index <= int(WebControl::Digit9))
        return PanelKeyPress{PanelKey::Digit, index - int(WebControl::Digit0)};
    switch (control) {
    case WebControl::Route:
        return PanelKeyPress{PanelKey::Route};
    case WebControl::Section:
        return PanelKeyPress{PanelKey::Section};
    case WebControl::Reset:
        return PanelKeyPress{PanelKey::Reset};
    case WebControl::Next:
        return PanelKeyPress{PanelKey::Forward};
    case WebControl::Back:
        return PanelKeyPress{PanelKey::Back};
    case WebControl::Clear:
        return PanelKeyPress{PanelKey::Clear};
    case WebControl::TapeNext:
        return PanelKeyPress{PanelKey::TapeNext};
    case WebControl::TapeBack:
        return PanelKeyPress{PanelKey::TapeBack};
    case WebControl::TapeStop:
        return PanelKeyPress{PanelKey::TapeStop};
    default:
        return std::nullopt;
    }
}

} // namespace

WebLink::WebLink(Form1& board, frmCtl& ctl, mdlM_Tape& tape, QObject* parent)
    : WebHost(parent), m_board(board), m_ctl(ctl), m_tape(tape)
{
    m_board.setOnStagePainted([this](const QRegion& part) { emit BoardChanged(part); });
    connect(&m_ctl, &frmCtl::rowShown, this, &WebHost::PanelChanged);
    connect(&m_ctl, &frmCtl::routeSet, this, &WebHost::PanelChanged);
    connect(&m_ctl, &frmCtl::tapeMoved, this, &WebHost::PanelChanged);
    m_panelLook.setInterval(kPanelLookMs);
    connect(&m_panelLook, &QTimer::timeout, this, &WebHost::PanelChanged);
    m_panelLook.start();
}

WebLink::~WebLink()
{
    m_board.setOnStagePainted({});
}

QSize WebLink::BoardSize() const
{
    return m_board.StageSize();
}

QImage WebLink::BoardImage(const QRect& part)
{
    return m_board.StageImage(part);
}

WebPanelState WebLink::PanelState() const
{
    WebPanelState s;
    s.routeEntry = m_ctl.Label2(0)->text();
    s.sectionEntry = m_ctl.Label2(2)->text();
    s.routeEntryActive = m_ctl.IsRouteEntry();
    const RouteState& route = m_ctl.Route();
    if (route.DataCount > 0) {
        s.route = route.RouteNo;
        s.section = route.SectionNo;
        s.row = route.CurIndex + 1;
        s.rows = route.DataCount;
        if (const StopRecord* rec = route.Table.Row(qint16(s.row)))
            s.stopName = rec->StopName;
    }
    for (int k = 1; k <= WebPanelState::kCells && k <= Form1::kCells; ++k) {
        const M_Degit* cell = m_board.Degit(k);
        s.cells[size_t(k - 1)] =
            DegitFormat::DisplayText(cell->Value(), cell->ZeroMode(), cell->FillZero(),
                                     cell->Shift(), cell->Keta())
                .trimmed();
    }
    s.lateNight = m_ctl.Check4()->Value() == 1;
    s.displayClear = m_ctl.Check1()->Value() == 1;
    s.tapeCaption = m_ctl.grpM_Tape()->title();
    s.tapeCount = m_tape.GetTapeCount();
    s.tapeIndex = s.tapeCount > 0 ? m_tape.GetTapeIndex() : -1;
    for (int i = 0; i < WebControls::kCount; ++i) {
        const WebControl control = WebControls::At(i);
        if (control == WebControl::LateNight)
            s.enabled[size_t(i)] =
                m_ctl.Check4()->isEnabled() && m_ctl.Check4()->isVisibleTo(&m_ctl);
        else if (const std::optional<PanelKeyPress> key = KeyOf(control))
            s.enabled[size_t(i)] = m_ctl.KeyButton(*key) != nullptr;
    }
    return s;
}

void WebLink::Press(const WebPress& press)
{
    if (press.control == WebControl::LateNight || press.control == WebControl::Clear) {
        VbCheckBox* box = press.control == WebControl::LateNight ? m_ctl.Check4() : m_ctl.Check1();
        // A switch is set to the state asked for: clicked only when it is not in it.
        if ((box->Value() == 1) == press.on || !box->isEnabled() || !box->isVisibleTo(&m_ctl))
            return;
        box->click();
    } else if (const std::optional<PanelKeyPress> key = KeyOf(press.control)) {
        m_ctl.PressKey(*key);
    }
    emit PanelChanged();
}

void WebLink::WhenIdle(std::function<void()> run)
{
    ltm4::WhenIdle(std::move(run));
}
