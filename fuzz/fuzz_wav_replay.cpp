// SPDX-License-Identifier: GPL-3.0-or-later
// The wave header fuzz target as an ordinary test: damaged headers made from
// one with a LIST chunk, an extensible format and a fact chunk, or the files
// named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArray::fromHex("52494646 60000000 57415645"
                                   "4C495354 03000000 616263 00"
                                   "666D7420 28000000 FEFF 0200 401F0000 80BB0000 0600 1800"
                                   "1600 1800 03000000 0100 00000000 1000 8000 00AA 0038 9B71"
                                   "66616374 04000000 10000000"
                                   "64617461 0C000000 000000000000000000000000");
    in.extra << QByteArray::fromHex("52494646 00000000 57415645 666D7420 10000000 0700 0100"
                                    "401F0000 401F0000 0100 0800 64617461 FFFFFFFF 00")
             << QByteArray::fromHex("52494646 00000000 57415645 64617461 00000000");
    in.words = {0x0000, 0xFFFF, 0x0001, 0x0003, 0xFFFE, 0x8000, 0x7FFF};
    in.maxBlobSize = 400;
    return RunReplay("fuzz_wav_replay", argc, argv, in);
}
