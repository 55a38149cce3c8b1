// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The record that carries every setting between the windows and the settings
// file. Values are raw control values: check boxes 0/1/2, option buttons 0/-1,
// list indices (-1 for none), colours 0x00BBGGRR, positions in twips.

#include <QString>

#include <array>

struct DataDirInfo {
    QString FareDataDir;
    QString TapeDataDir;
};

struct PanelInfo {
    qint16 AutoSeiriNum = 0;
    std::array<qint32, 3> SeiriNumColor{};
    qint16 SeiriNumStyle = 0;
    qint16 SeiriNumZero = 0;
    qint16 PanelAuto = 0;
    qint16 PanelIndividual = 0;
    qint16 PanelOffBuiltin = 0;
    qint16 PanelOffUser = 0;
    qint16 PanelOn1Builtin = 0;
    qint16 PanelOn1User = 0;
    qint16 PanelOn2Builtin = 0;
    qint16 PanelOn2User = 0;
    std::array<QString, 3> PanelFile;
};

struct DegitInfo {
    qint32 DegitBackColor = 0;
    qint32 DegitBaseForeColor = 0;
    qint32 DegitForeColor = 0;
    qint16 InfoStopOrderOn = 0;
    qint16 InfoStopOrderCell = 0;
    qint16 InfoCountFromZero = 0;
    qint16 InfoSeiriNoOn = 0;
    qint16 InfoSeiriNoCell = 0;
    qint16 InfoRouteNoOn = 0;
    qint16 InfoRouteNoCell = 0;
    qint16 InfoColumnOn = 0;
    qint16 InfoColumn = 0;
    qint16 InfoColumnCell = 0;
};

struct ChimeiInfo {
    qint32 ChimeiBackColor = 0;
    qint32 ChimeiForeColor = 0;
    qint16 ChimeiFontMode = 0;
    qint16 ChimeiFontBold = 0;
};

struct SoundInfo {
    QString RouteSetSound;
    QString ResetSound;
    qint16 StepSoundAlways = 0;
    qint16 StepSoundByColumn = 0;
    qint16 StepSoundSync = 0;
    qint16 StepSoundAsync = 0;
    QString StepSound;
    qint16 StepSoundColumn = 0;
    std::array<QString, 4> StepSoundFlag; // 1..3 used
    qint16 PreSoundAlways = 0;
    qint16 PreSoundByFlag = 0;
    qint16 PreSoundSync = 0;
    qint16 PreSoundAsync = 0;
    QString PreSound;
    std::array<QString, 4> PreSoundFlag; // 1..3 used
};

struct SeiriPrevInfo {
    qint16 UseSeiriPrev = 0;
    QString SeiriPlgPath;
    qint16 DateSystemEachPrint = 0;
    qint16 DateHoldAtRouteSet = 0;
    qint16 DateFixed = 0;
    QString FixedDate;
};

struct CtrlDataInfo {
    qint16 CtrlPanelMode = 0;
    qint32 ScrollSpeed = 0;
    qint32 ScrollInterval = 0;
    qint16 LateNight = 0;
    qint16 PreviewOpen = 0;
    qint32 CtrlLeft = 0;
    qint32 CtrlTop = 0;
};

struct FormInfo {
    qint32 BoardLeft = 0;
    qint32 BoardTop = 0;
};

struct DegitSetEntry {
    qint16 Shift = 0;
    qint16 ZeroMode = 0;
    qint16 FillZero = 0;
};

struct SettingsRecord {
    DataDirInfo DataDir;
    PanelInfo Panel;
    DegitInfo Degit;
    ChimeiInfo Chimei;
    SoundInfo Sound;
    SeiriPrevInfo SeiriPrev;
    CtrlDataInfo CtrlData;
    FormInfo Form;
    std::array<qint32, 17> CustColors{};
    qint16 DegitCount = 50;
    std::array<DegitSetEntry, 51> DegitSet{}; // entries 1..50
};
