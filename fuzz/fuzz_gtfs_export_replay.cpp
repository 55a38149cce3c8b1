// SPDX-License-Identifier: GPL-3.0-or-later
// The export round trip as an ordinary test: damaged feeds made from one whose
// names hold what text formatting and CSV trip over (and a reading list the
// user already has, after the tables), or the files named on the command line.

#include "fuzz/ReplayDriver.h"

namespace {

QList<QByteArray> Tables()
{
    return {
        "stop_id,stop_name,zone_id\n"
        "S1,第%1乗り場,Z1\n"
        "S2,%2丁目,Z1\n"
        "S3,\"北,南 \"\"角\"\"\",Z2\n"
        "S4,100% 公園前 %L1,Z2\n"
        "S5,\"%%3, %9\",Z2\n",
        "route_id,route_short_name\nR1,%1\n",
        "route_id,trip_id,trip_headsign,direction_id\nR1,T%1,%2行,0\nR1,T2,\"\"\"%1\"\"\",1\n",
        "trip_id,departure_time,stop_id,stop_sequence\n"
        "T%1,7:00:00,S1,1\nT%1,7:10:00,S2,2\nT%1,7:20:00,S3,3\nT%1,7:30:00,S4,4\n"
        "T%1,7:40:00,S5,5\nT2,8:00:00,S5,1\nT2,8:20:00,S1,2\n",
        "fare_id,price\n%1,160\n%2,210\n",
        "fare_id,route_id,origin_id,destination_id\n%1,R1,Z1,Z1\n%2,R1,Z1,Z2\n",
        "table_name,field_name,language,translation,record_id,field_value\n"
        "stops,stop_name,ja-Hrkt,\"だい%1,のりば\",S1,\n"
        "stops,stop_name,ja-Hrkt,\"\"\"かど\"\"\",S3,\n"
        "stops,stop_name,ja-Hrkt,# こうえん,S4,\n",
        "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday\nW,1,1,1,1,1,0,0\n",
        "service_id,date,exception_type\nW,20240429,2\n",
        // The user's reading list: one entry of the export's, read otherwise.
        "# 表記,読み\r\n\"北,南 角\",きたみなみかど\r\n第%1乗り場,だいいちのりば",
    };
}

} // namespace

int main(int argc, char** argv)
{
    ReplayInputs inputs;
    inputs.valid = Tables().join('\0');
    inputs.extra << QByteArray() << Tables().mid(0, 4).join('\0');
    inputs.maxBlobSize = 400;
    return RunReplay("fuzz_gtfs_export_replay", argc, argv, inputs);
}
