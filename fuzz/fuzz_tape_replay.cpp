// SPDX-License-Identifier: GPL-3.0-or-later
// The announcement and reading list fuzz target as an ordinary test: damaged
// lists made from a valid one, or the files named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArrayLiteral("\"\xe6\xac\xa1\xe3\x81\xaf\xe3\x80\x81\xe7\xb7\x91\xe7\x94\xba,"
                                 "\xe3\x81\xa7\xe3\x81\x99\",1,1\r\n"
                                 "plain text,0,0\n"
                                 "\"a, b\",-1,32767\r\n");
    in.extra << QByteArray() << QByteArrayLiteral("\xEF\xBB\xBF")
             << QByteArrayLiteral("\"unterminated,1,1\n")
             << QByteArrayLiteral("\x97\xce\x92\xac,\x82\xdd\x82\xc7\x82\xe8\x82\xdc\x82\xbf,1\r\n")
             << QByteArrayLiteral("# comment\na,a\na,aa\naa,a\n\"q\"\"\",\"r\"\n");
    in.maxBlobSize = 400;
    return RunReplay("fuzz_tape_replay", argc, argv, in);
}
