// SPDX-License-Identifier: GPL-3.0-or-later
// The sound command fuzz target as an ordinary test: damaged command lists
// made from the ones the sound module sends, or the files named on the
// command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArray("close 517S2\n"
                          "open \"/音/発車 ベル.wav\" type waveaudio alias 517S2 wait\n"
                          "stop 517S2\n"
                          "play 517S2 from 0\n"
                          "play 517S2 from 0 wait\n"
                          "open \"a\"b.mid\" type sequencer alias 517S3 wait\n"
                          "close 517S3\n");
    in.extra << QByteArray("open x type mpegvideo alias a\nplay A\nclose a\nclose a\n")
             << QByteArray("open \"unterminated type waveaudio alias z\nplay z from 1\n");
    in.maxBlobSize = 400;
    return RunReplay("fuzz_mci_replay", argc, argv, in);
}
