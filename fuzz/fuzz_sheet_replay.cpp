// SPDX-License-Identifier: GPL-3.0-or-later
// The spreadsheet text fuzz target as an ordinary test: damaged clipboard
// texts made from a valid one, or the files named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArrayLiteral("160\t\xef\xbc\x91,200\t\"a\tb\"\r\n"
                                 "\"two\nlines\"\t\"say \"\"hi\"\"\"\t-1\n"
                                 "\xc2\xa5"
                                 "1,200\t\t\n");
    in.extra << QByteArray() << QByteArrayLiteral("\"") << QByteArrayLiteral("\"a\t\"\"b\nc")
             << QByteArrayLiteral("\t\t\r\r\n\n") << QByteArrayLiteral("\"\"\"\"\"");
    in.maxBlobSize = 400;
    return RunReplay("fuzz_sheet_replay", argc, argv, in);
}
