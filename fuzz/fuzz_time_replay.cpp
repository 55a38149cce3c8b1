// SPDX-License-Identifier: GPL-3.0-or-later
// The timetable fuzz target as an ordinary test: damaged timetables made from
// a valid one, or the files named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid = QByteArrayLiteral("# \xe5\x88\xb0\xe7\x9d\x80,\xe7\x99\xba\xe8\xbb\x8a\r\n"
                                 ",23:40,\"\xe9\xa7\x85\xe5\x89\x8d, \"\"\xe5\x8c\x97\"\"\"\r\n"
                                 "23:44,23:44:30\r\n"
                                 ",\r\n"
                                 "\r\n"
                                 "24:10,,\xe8\xbb\x8a\xe5\xba\xab\r\n");
    in.extra << QByteArray() << QByteArrayLiteral("\xEF\xBB\xBF")
             << QByteArrayLiteral("arrival,departure\n07:00,\n")
             << QByteArrayLiteral("23:50,\n00:10,\n") << QByteArrayLiteral("47:59:59,48:00\n")
             << QByteArrayLiteral("07:00,07:01,\"unterminated\n")
             << QByteArrayLiteral("\x82\x4f\x82\x56:00,\n") // full-width digits in CP932
             << QByteArray("7:00,\n").repeated(302);
    in.maxBlobSize = 400;
    return RunReplay("fuzz_time_replay", argc, argv, in);
}
