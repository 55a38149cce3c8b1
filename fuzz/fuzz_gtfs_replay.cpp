// SPDX-License-Identifier: GPL-3.0-or-later
// The GTFS fuzz target as an ordinary test: damaged feeds made from a valid
// one, as NUL-separated tables and as a .zip, or the files named on the
// command line.

#include "fuzz/ReplayDriver.h"
#include "tools/GtfsFeed.h"

#include <QTemporaryDir>

#include <zip.h>

namespace {

QList<QByteArray> Tables()
{
    return {
        "\xEF\xBB\xBFstop_id,stop_name,zone_id\r\nS1,駅前,Z1\r\nS2,\"富岸, 北\",Z2\r\n"
        "S3,市役所前,Z2\r\n",
        "route_id,route_short_name\nR1,31\n",
        "route_id,trip_id,trip_headsign,direction_id\nR1,T1,市役所前行,0\nR1,T2,,1\n",
        "trip_id,departure_time,stop_id,stop_sequence\nT1,7:00:00,S1,1\nT1,7:10:00,S2,2\n"
        "T1,7:20:00,S3,3\nT2,8:00:00,S3,1\nT2,8:20:00,S1,2\n",
        "fare_id,price\nA,160\nB,210.0\n",
        "fare_id,route_id,origin_id,destination_id,contains_id\nA,R1,Z1,Z1,\nB,R1,Z1,Z2,\n"
        "A,,Z2,Z2,\nB,R1,Z2,Z1,Z2\n",
        "table_name,field_name,language,translation,record_id,field_value\n"
        "stops,stop_name,ja-Hrkt,えきまえ,S1,\nstops,stop_name,ja-Hrkt,\"とんけし\",,\"富岸, 北\"\n",
    };
}

QByteArray Zip(const QList<QByteArray>& tables)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("feed.zip")).toLocal8Bit();
    int err = 0;
    zip_t* z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return {};
    const QStringList names = GtfsTableNames();
    for (qsizetype i = 0; i < tables.size(); ++i) {
        zip_source_t* s = zip_source_buffer(z, tables[i].constData(), tables[i].size(), 0);
        const QByteArray name = "feed/" + names[i].toUtf8();
        const zip_int64_t at = zip_file_add(z, name.constData(), s, 0);
        // Stored, so that damage reaches the tables and not only the inflater.
        zip_set_file_compression(z, zip_uint64_t(at), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0)
        return {};
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    const QList<QByteArray> tables = Tables();
    ReplayInputs text;
    text.valid = tables.join('\0');
    text.extra << QByteArray() << QByteArray("\0\0\0", 3) << tables.mid(0, 4).join('\0');
    text.maxBlobSize = 400;
    if (argc > 1)
        return RunReplay("fuzz_gtfs_replay", argc, argv, text);
    ReplayInputs zip;
    zip.valid = Zip(tables);
    zip.extra << QByteArray("PK\x03\x04", 4) << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
    zip.words = {0xFFFF, 0x0000, 0x7FFF};
    zip.maxBlobSize = 200;
    if (zip.valid.isEmpty())
        return 1;
    return RunReplay("fuzz_gtfs_replay (text)", argc, argv, text) |
           RunReplay("fuzz_gtfs_replay (zip)", argc, argv, zip);
}
