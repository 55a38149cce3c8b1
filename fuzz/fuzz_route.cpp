// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for a route's three files as the route editor opens and saves
// them. The input is a fare file, an announcement list and a reading list,
// the first two each after its 16-bit little-endian length. Whatever they
// hold, a route that opens saves unchanged to the very same bytes, and one
// changed (an entry's step flag, a reading CP932 cannot hold) reads back as
// it was meant, through the program's own readers.

#include "fuzz/FuzzCheck.h"
#include "route/RouteFiles.h"

#include <QtEndian>

#include <cstdint>

namespace {

// The next part: its length, then its bytes (fewer when the input ends).
bool Part(const QByteArray& in, qsizetype& at, QByteArray& part)
{
    if (at + 2 > in.size())
        return false;
    const qsizetype n = qFromLittleEndian<quint16>(in.constData() + at);
    at += 2;
    part = in.mid(at, n);
    at += part.size();
    return true;
}

RouteTextSource Source(const char* name, bool present, const QByteArray& bytes)
{
    RouteTextSource s;
    s.name = QLatin1String(name);
    s.state = present ? RouteFileState::Read : RouteFileState::Missing;
    s.bytes = bytes;
    return s;
}

QString OneLine(QString text)
{
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype at = 0;
    QByteArray fares;
    QByteArray tape;
    if (!Part(in, at, fares))
        return 0;
    const bool hasTape = Part(in, at, tape);
    const bool hasReadings = at < in.size();
    const QByteArray readings = in.mid(at);
    const RouteOpenResult r =
        ReadRoute(fares, QStringLiteral("1.hy3"), Source("1tp.csv", hasTape, tape),
                  Source("1yomi.csv", hasReadings, readings));
    if (!r.ok) {
        Require(!r.error.isEmpty());
        return 0;
    }
    const RouteBytes same = EncodeRoute(r.data, 1);
    if (!same.ok) {
        // Only the rules refuse a route that was read.
        Require(!same.error.isEmpty());
        return 0;
    }
    Require(same.fares == fares);
    if (r.data.tapeForm.state == RouteFileState::Read)
        Require(same.tapeWanted && same.tape == tape);
    if (r.data.readingForm.state == RouteFileState::Read)
        Require(same.readingsWanted && same.readings == readings);

    RouteData changed = r.data;
    if (!changed.tape.isEmpty()) {
        changed.tape[0].stepFlag = changed.tape[0].stepFlag == 1 ? 0 : 1;
        changed.tape[0].raw.clear();
    }
    changed.readings << RouteReadingLine{QStringLiteral("鷗,町"), QStringLiteral("かもめ"), {}};
    const RouteBytes out = EncodeRoute(changed, 1);
    Require(out.ok && out.readingsWanted);
    const RouteOpenResult back =
        ReadRoute(out.fares, QStringLiteral("1.hy3"), Source("1tp.csv", true, out.tape),
                  Source("1yomi.csv", true, out.readings));
    Require(back.ok);
    Require(StopRecords(back.data.stops) == StopRecords(changed.stops));
    if (!changed.tape.isEmpty()) {
        Require(back.data.tape.size() == changed.tape.size());
        for (qsizetype i = 0; i < changed.tape.size(); ++i) {
            const RouteTapeLine& a = back.data.tape[i];
            const RouteTapeLine& b = changed.tape[i];
            Require(a.text == (b.raw.isEmpty() ? OneLine(b.text) : b.text));
            Require(a.stepFlag == b.stepFlag && a.preFlag == b.preFlag);
        }
    }
    Require(ReadingMap(back.data.readings) == ReadingMap(changed.readings));
    return 0;
}
