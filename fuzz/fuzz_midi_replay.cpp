// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI length fuzz target as an ordinary test: damaged files made from a
// two-track file with tempo changes, running status, system-exclusive and
// meta events, or the files named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArray::fromHex("4D546864 00000006 0001 0002 01E0"
                                   "4D54726B 00000013 00FF510307A120 8360FF51030F4240 00FF2F00"
                                   "4D54726B 00000025 00C013 00904564 60 4500 00F0037E7F09"
                                   "00FF0103616263 8740 904964 8360 804900 00FF2F00");
    in.extra << QByteArray::fromHex("4D546864 00000006 0000 0001 E728"
                                    "4D54726B 0000000D 00903C64 9344 803C00 00FF2F00")
             << QByteArray::fromHex("52494646 2A000000 524D4944 64617461 1E000000"
                                    "4D546864 00000006 0000 0001 01E0"
                                    "4D54726B 00000008 00903C64 00FF2F00")
             << QByteArray::fromHex("4D546864 00000006 0000 0001 01E0"
                                    "4D54726B 0000000E 00C000 00903C64 FFFFFF7F FF2F00");
    in.words = {0x0000, 0xFFFF, 0x7F7F, 0x8080, 0xFF00, 0x00FF, 0x2FFF, 0x51FF, 0xF000, 0xE800};
    in.maxBlobSize = 400;
    return RunReplay("fuzz_midi_replay", argc, argv, in);
}
