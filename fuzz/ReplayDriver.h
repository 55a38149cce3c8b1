// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a fuzz target without libFuzzer: over the files and folders named on
// the command line, or else over a fixed set of damaged files made from a
// valid one. Any finding aborts, so the plain and sanitizer builds keep the
// target's checks as an ordinary test.

#include <QByteArray>
#include <QList>

struct ReplayInputs {
    QByteArray valid;          // a well-formed file to damage
    QList<QByteArray> extra;   // further hand-made inputs
    QList<quint16> words;      // written over every 16-bit position of valid
    qsizetype maxBlobSize = 0; // random blobs up to this size
};

int RunReplay(const char* name, int argc, char** argv, const ReplayInputs& inputs);
