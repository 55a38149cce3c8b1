// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the demo's sounds, synthesised here:
//   soundgen route-set|step|pre|stop-request <out.wav>

#include "companion/SaveSet.h"
#include "sound/ToneWav.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: soundgen route-set|step|pre|stop-request <out.wav>\n", stderr);
        return 2;
    }
    QByteArray wav;
    if (std::strcmp(argv[1], "route-set") == 0)
        wav = RouteSetChimeWav();
    else if (std::strcmp(argv[1], "step") == 0)
        wav = StepChimeWav();
    else if (std::strcmp(argv[1], "pre") == 0)
        wav = PreAnnounceChimeWav();
    else if (std::strcmp(argv[1], "stop-request") == 0)
        wav = StopRequestChimeWav();
    else {
        std::fprintf(stderr, "soundgen: unknown sound \"%s\"\n", argv[1]);
        return 2;
    }
    const ltm4::SaveResult saved = ltm4::SaveWhole(QString::fromLocal8Bit(argv[2]), wav);
    if (!saved.ok) {
        std::fprintf(stderr, "soundgen: cannot write %s: %s\n", argv[2],
                     saved.reason.toUtf8().constData());
        return 1;
    }
    return 0;
}
