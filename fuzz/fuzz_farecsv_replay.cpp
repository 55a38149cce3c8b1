// SPDX-License-Identifier: GPL-3.0-or-later
// hy3tool's CSV reader fuzz target as an ordinary test: damaged tables made
// from a valid one, or the files named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArrayLiteral("# 停留所名,整理券番号\n"
                                 "駅前ターミナル,1,160\n"
                                 "\"中央通り, 北\",2,180,160\n"
                                 "\"二行の\n名前\",3,210,180,160\n"
                                 "市役所前,4,-1,,200,\"190\"\n");
    in.extra << QByteArray() << QByteArrayLiteral("\xEF\xBB\xBF") // BOM alone
             << QByteArrayLiteral("\"unterminated,1\n")
             << QByteArray("\x89\xb9,1,100\r\n", 11); // CP932 bytes
    in.maxBlobSize = 400;
    return RunReplay("fuzz_farecsv_replay", argc, argv, in);
}
