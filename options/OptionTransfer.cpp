// SPDX-License-Identifier: GPL-3.0-or-later
// Moving the settings between the settings record and the dialog's controls.
// Both directions walk one table, so a row can never be read one way and
// written another. Values go across raw, without conversion or range check;
// only a control may refuse one.

#include "options/frmOption.h"

#include "options/BacklightHost.h"
#include "options/ColorButton.h"
#include "options/VbCheckBox.h"
#include "options/VbComboBox.h"
#include "options/VbOptionButton.h"
#include "settings/SettingsRecord.h"

#include <QLabel>
#include <QLineEdit>

namespace {

enum class Dir { Get, Set };

bool xfer(QLineEdit* c, QString& field, Dir d)
{
    if (d == Dir::Get)
        field = c->text();
    else
        c->setText(field);
    return true;
}

bool xfer(QLabel* c, QString& field, Dir d)
{
    if (d == Dir::Get)
        field = c->text();
    else
        c->setText(field);
    return true;
}

bool xfer(VbCheckBox* c, qint16& field, Dir d)
{
    if (d == Dir::Get) {
        field = c->Value();
        return true;
    }
    return c->setValue(field);
}

bool xfer(VbOptionButton* c, qint16& field, Dir d)
{
    if (d == Dir::Get)
        field = c->Value();
    else
        c->setValue(field);
    return true;
}

bool xfer(VbComboBox* c, qint16& field, Dir d)
{
    if (d == Dir::Get) {
        field = qint16(c->ListIndex());
        return true;
    }
    return c->setListIndex(field);
}

bool xfer(ColorButton* c, qint32& field, Dir d)
{
    if (d == Dir::Get)
        field = qint32(c->BackColor());
    else
        c->setBackColor(quint32(field));
    return true;
}

using Row = bool (*)(frmOption&, SettingsRecord&, Dir);

// In the order the settings have always been restored: the sync/async pair of
// each sound comes before its mode pair.
#define ROW(control, field)                                                                        \
    [](frmOption& o, SettingsRecord& r, Dir d) { return xfer(o.control, r.field, d); }
constexpr Row kRows[] = {
    ROW(Text2(0), DataDir.FareDataDir),              // 1
    ROW(Text2(1), DataDir.TapeDataDir),              // 2
    ROW(Check1(), Panel.AutoSeiriNum),               // 3
    ROW(Command5(0), Panel.SeiriNumColor[0]),        // 4
    ROW(Command5(1), Panel.SeiriNumColor[1]),        // 5
    ROW(Command5(2), Panel.SeiriNumColor[2]),        // 6
    ROW(Combo2(), Panel.SeiriNumStyle),              // 7
    ROW(Check2(), Panel.SeiriNumZero),               // 8
    ROW(Option3(0), Panel.PanelAuto),                // 9
    ROW(Option3(1), Panel.PanelIndividual),          // 10
    ROW(Option3(7), Panel.PanelOffBuiltin),          // 11
    ROW(Option3(6), Panel.PanelOffUser),             // 12
    ROW(Option3(3), Panel.PanelOn1Builtin),          // 13
    ROW(Option3(2), Panel.PanelOn1User),             // 14
    ROW(Option3(4), Panel.PanelOn2Builtin),          // 15
    ROW(Option3(5), Panel.PanelOn2User),             // 16
    ROW(txtSelectPanel(0), Panel.PanelFile[0]),      // 17
    ROW(txtSelectPanel(1), Panel.PanelFile[1]),      // 18
    ROW(txtSelectPanel(2), Panel.PanelFile[2]),      // 19
    ROW(Command8(0), Degit.DegitBackColor),          // 20
    ROW(Command8(1), Degit.DegitBaseForeColor),      // 21
    ROW(Command8(2), Degit.DegitForeColor),          // 22
    ROW(Check3(0), Degit.InfoStopOrderOn),           // 23
    ROW(Combo4(0), Degit.InfoStopOrderCell),         // 24
    ROW(Check3(4), Degit.InfoCountFromZero),         // 25
    ROW(Check3(1), Degit.InfoSeiriNoOn),             // 26
    ROW(Combo4(1), Degit.InfoSeiriNoCell),           // 27
    ROW(Check3(2), Degit.InfoRouteNoOn),             // 28
    ROW(Combo4(2), Degit.InfoRouteNoCell),           // 29
    ROW(Check3(3), Degit.InfoColumnOn),              // 30
    ROW(Combo4(4), Degit.InfoColumn),                // 31
    ROW(Combo4(3), Degit.InfoColumnCell),            // 32
    ROW(Command9(0), Chimei.ChimeiBackColor),        // 33
    ROW(Command9(1), Chimei.ChimeiForeColor),        // 34
    ROW(Combo3(), Chimei.ChimeiFontMode),            // 35
    ROW(Check4(), Chimei.ChimeiFontBold),            // 36
    ROW(txtSelectSound(0), Sound.RouteSetSound),     // 37
    ROW(txtSelectSound(1), Sound.ResetSound),        // 38
    ROW(Option6(0), Sound.StepSoundSync),            // 39
    ROW(Option6(1), Sound.StepSoundAsync),           // 40
    ROW(Option2(0), Sound.StepSoundAlways),          // 41
    ROW(Option2(1), Sound.StepSoundByColumn),        // 42
    ROW(txtSelectSound(7), Sound.StepSound),         // 43
    ROW(Combo1(), Sound.StepSoundColumn),            // 44
    ROW(txtSelectSound(8), Sound.StepSoundFlag[1]),  // 45
    ROW(txtSelectSound(9), Sound.StepSoundFlag[2]),  // 46
    ROW(txtSelectSound(10), Sound.StepSoundFlag[3]), // 47
    ROW(Option7(0), Sound.PreSoundSync),             // 48
    ROW(Option7(1), Sound.PreSoundAsync),            // 49
    ROW(Option2(2), Sound.PreSoundAlways),           // 50
    ROW(Option2(3), Sound.PreSoundByFlag),           // 51
    ROW(txtSelectSound(3), Sound.PreSound),          // 52
    ROW(txtSelectSound(4), Sound.PreSoundFlag[1]),   // 53
    ROW(txtSelectSound(5), Sound.PreSoundFlag[2]),   // 54
    ROW(txtSelectSound(6), Sound.PreSoundFlag[3]),   // 55
    ROW(chkUseSeiriPrev(), SeiriPrev.UseSeiriPrev),  // 56
    ROW(txtSeiriPlgDir(), SeiriPrev.SeiriPlgPath),   // 57
    ROW(Option4(0), SeiriPrev.DateSystemEachPrint),  // 58
    ROW(Option4(1), SeiriPrev.DateHoldAtRouteSet),   // 59
    ROW(Option4(2), SeiriPrev.DateFixed),            // 60
    ROW(Label10(), SeiriPrev.FixedDate),             // 61
};
#undef ROW

// The panel pictures are complete after this row.
constexpr int kLastPanelRow = 19;

} // namespace

void frmOption::GetOptionInfo(SettingsRecord& rec) const
{
    // Reading only: the table's rows take the dialog as they would to write it.
    auto& self = const_cast<frmOption&>(*this);
    for (Row row : kRows)
        row(self, rec, Dir::Get);
}

std::optional<OptionTransferFailure> frmOption::SetOptionInfo(const SettingsRecord& rec)
{
    SettingsRecord values = rec;
    std::optional<OptionTransferFailure> refused;
    int number = 0;
    for (Row row : kRows) {
        ++number;
        if (!row(*this, values, Dir::Set) && !refused)
            refused = OptionTransferFailure{number, kInvalidPropertyValue,
                                            QStringLiteral("プロパティの値が不正です。")};
        // Show the restored panel pictures and label colours at once, in the
        // backlight state the control panel is in.
        if (number == kLastPanelRow && m_panel)
            m_panel->Option4_Click(SelectedBacklight());
    }
    // A stored plugin that no longer loads just leaves the description empty.
    ClearPlginDescription();
    SetPlgin(txtSeiriPlgDir()->text());
    return refused;
}
