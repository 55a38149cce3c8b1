// SPDX-License-Identifier: GPL-3.0-or-later
// The web request fuzz target as an ordinary test: damaged requests made from
// a valid press, or the files named on the command line.

#include "fuzz/ReplayDriver.h"

int main(int argc, char** argv)
{
    ReplayInputs in;
    in.valid =
        QByteArrayLiteral("POST /api/press/latenight?t=AAAAAAAAAAAAAAAAAAAAAA&zoom=2&bg=00ff00 "
                          "HTTP/1.1\r\nHost: 127.0.0.1:5170\r\nOrigin: http://127.0.0.1:5170\r\n"
                          "Content-Length: 11\r\n\r\n{\"on\":true}");
    in.extra << QByteArray() << QByteArrayLiteral("GET / HTTP/1.1\r\n\r\n")
             << QByteArrayLiteral("GET /board?zoom=9&bg=%23zz HTTP/1.1\r\nHost: [::1]:5170\r\n\r\n")
             << QByteArrayLiteral("POST /api/press/next?state=on HTTP/1.1\r\nHost: a\r\n"
                                  "Content-Length: 3\r\n\r\noff")
             << QByteArrayLiteral("GET /ws/board HTTP/1.1\r\nHost: x:5170\r\nUpgrade: websocket\r\n"
                                  "Transfer-Encoding: chunked\r\n\r\n")
             << QByteArrayLiteral("GET / HTTP/1.1\r\nHost: 127.0.0.1:5170\r\n folded\r\n\r\n")
             << QByteArray("X-A: b\r\n").repeated(1200);
    in.maxBlobSize = 600;
    return RunReplay("fuzz_web_replay", argc, argv, in);
}
