// SPDX-License-Identifier: GPL-3.0-or-later
// The settings fuzz target as an ordinary test: damaged settings files made
// from a valid one, or the files named on the command line.

#include "fuzz/ReplayDriver.h"
#include "settings/SettingsCodec.h"

#include <QtEndian>

namespace {

SettingsRecord Populated()
{
    SettingsRecord r;
    r.DataDir.FareDataDir = QStringLiteral("/運賃/データ");
    r.DataDir.TapeDataDir = QStringLiteral("tape");
    r.Panel.AutoSeiriNum = 1;
    r.Panel.SeiriNumColor = {0x00FFFFFF, 0x00C0FFC0, -1};
    r.Panel.PanelAuto = -1;
    r.Panel.PanelFile[1] = QStringLiteral("パネル①.bmp");
    r.Degit.DegitForeColor = 0x0000FFFF;
    r.Degit.InfoColumn = 149;
    r.Chimei.ChimeiFontMode = 2;
    r.Sound.StepSound = QStringLiteral("音.wav");
    r.Sound.StepSoundFlag[3] = QStringLiteral("c.mid");
    r.Sound.PreSoundFlag[1] = QStringLiteral("～");
    r.SeiriPrev.SeiriPlgPath = QStringLiteral("sample.4SP");
    r.SeiriPrev.FixedDate = QStringLiteral("2024/02/29");
    r.CtrlData.ScrollSpeed = 40;
    r.CtrlData.CtrlLeft = -15000;
    r.Form.BoardTop = 70000;
    for (int i = 0; i < 17; ++i)
        r.CustColors[i] = 0x010203 * (i + 1);
    for (int k = 1; k <= 50; ++k)
        r.DegitSet[k] = {qint16(k % 3), qint16(-k), qint16(k)};
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = EncodeSettings(Populated()).bytes;
    in.extra << EncodeSettings(SettingsRecord{}).bytes;
    // A huge count that the file does hold, filled with lone lead bytes.
    QByteArray big(2 + 0xFFFF, '\x81');
    qToLittleEndian(quint16(0xFFFF), big.data());
    in.extra << big << big + in.valid.mid(2);
    // Every 16-bit word turned into a huge count, wherever the texts fall.
    in.words = {0xFFFF, 0x8001};
    in.maxBlobSize = 1200;
    return RunReplay("fuzz_settings_replay", argc, argv, in);
}
