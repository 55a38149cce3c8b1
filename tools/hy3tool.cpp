// SPDX-License-Identifier: GPL-3.0-or-later
// Converts fare data between the readable CSV form and the .hy3 files the
// control panel loads.
//
//   hy3tool encode in.csv out.hy3
//   hy3tool decode in.hy3 out.csv     ("-" for standard output)
//   hy3tool gtfs list|export ...      (GtfsTool.h)
//   hy3tool --help
//
// Exit code 0 on success, 1 for bad input, 2 for a wrong command line, 3 when
// an output file could not be written (the old one is then as it was).

#include "tools/FareCsv.h"
#include "tools/GtfsTool.h"
#include "tools/ToolOutput.h"

#include "companion/RegularFile.h"
#include "companion/SaveSet.h"
#include "panel/FareData.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cstdio>

namespace {

using hy3tool::kBadInput;
using hy3tool::kCannotWrite;
using hy3tool::kUsage;
using hy3tool::Say;

// A fare CSV holds at most 301 lines of 152 fields; its names at most 65535
// bytes each (doubled where quotes are doubled).
constexpr qint64 kMaxCsvBytes = qint64(64) << 20;

// To stderr for a wrong command line, to stdout when asked for.
int Usage(FILE* to = stderr)
{
    Say(to, QStringLiteral(
                "使い方:\n"
                "  hy3tool encode 入力.csv 出力.hy3   CSVから運賃データを作ります\n"
                "  hy3tool decode 入力.hy3 出力.csv   運賃データをCSV(UTF-8)にします"
                " (出力を - にすると画面に)\n"
                "  hy3tool gtfs ...                   "
                "GTFS-JPの便から運賃・放送・読みのデータを作ります\n"
                "                                     (詳しくは hy3tool gtfs)\n"
                "\n"
                "CSVは1行に1停留所、運行順に: 停留所名,整理券番号,整理券番号1の運賃,2の運賃,...\n"
                "(運賃は150まで。書かれていない運賃は0、-1は表示用の符号)。\n"
                "UTF-8またはCP932。\"で囲んだ欄には , \" 改行を書けます(\"は\"\"と書く)。\n"
                "先頭が # の行は注釈、空行は読み飛ばします。停留所は301まで。\n"
                "出力.hy3 の名前は系統番号 (0～99999、先頭に0を付けない) と .hy3 です"
                " (系統12なら 12.hy3)。"));
    return to == stderr ? kUsage : 0;
}

bool ReadAll(const QString& path, qint64 maxBytes, QByteArray& out)
{
    // Only a regular file: a pipe given by mistake must not hold the tool.
    ltm4::FileBytes file = ltm4::ReadRegularFile(path, maxBytes);
    if (!file.ok()) {
        Say(stderr, path + QStringLiteral(": 読み込めません (") + file.reason + u')');
        return false;
    }
    if (file.truncated) {
        Say(stderr, path + QStringLiteral(": 大きすぎます (上限 ") + QString::number(maxBytes) +
                        QStringLiteral(" バイト)"));
        return false;
    }
    out = std::move(file.bytes);
    return true;
}

// Whole or not at all: a failed run leaves the old file as it was.
bool WriteAll(const QString& path, const QByteArray& bytes)
{
    const ltm4::SaveResult saved = ltm4::SaveWhole(path, bytes);
    if (!saved.ok) {
        Say(stderr, path + QStringLiteral(": 書き込めません (") + saved.reason +
                        QStringLiteral(")。元のファイルはそのままです"));
        return false;
    }
    return true;
}

int Encode(const QString& in, const QString& out)
{
    QByteArray csv;
    if (!ReadAll(in, kMaxCsvBytes, csv))
        return kBadInput;
    const FareCsvResult parsed = ParseFareCsv(csv);
    if (!parsed.ok) {
        Say(stderr, FormatFareCsvError(in, parsed.error));
        return kBadInput;
    }
    // Some slips are deliberate, so the file is written all the same.
    for (const FareCsvError& w : parsed.warnings)
        Say(stderr, FormatFareCsvWarning(in, w));
    // The CSV reader has already refused what the encoder would.
    const FareEncodeResult enc = EncodeFareFile(parsed.records);
    if (!enc.ok() || enc.lossy) {
        Say(stderr,
            QStringLiteral("%1: 運賃データにできません (レコード %2)")
                .arg(in, QString::number(enc.ok() ? enc.firstLossyRecord : enc.errorRecord)));
        return kBadInput;
    }
    // Still written: the name may be chosen for a later rename.
    if (const QString problem = FareFileNameProblem(QFileInfo(out).fileName()); !problem.isEmpty())
        Say(stderr, QStringLiteral("%1: 警告: %2").arg(out, problem));
    for (const QString& w : parsed.routeWarnings)
        Say(stderr, QStringLiteral("%1: 警告: %2").arg(in, w));
    if (!WriteAll(out, enc.bytes))
        return kCannotWrite;
    int fares = 0;
    for (const StopRecord& rec : parsed.records)
        fares += int(
            std::count_if(rec.Fare.begin() + 1, rec.Fare.end(), [](qint16 v) { return v != 0; }));
    Say(stdout, QStringLiteral("%1: 停留所 %2 件、運賃 %3 件 (0 以外) を書き込みました")
                    .arg(out, QString::number(parsed.records.size()), QString::number(fares)));
    return 0;
}

// The first record whose bytes the text form cannot give back, 0 if none.
// Such a name holds bytes that are not CP932 or one of CP932's duplicate codes.
int FirstRecordNotKept(const QByteArray& file, const QByteArray& again)
{
    qsizetype at = 2;
    for (int r = 1; at + 2 <= file.size(); ++r) {
        const qsizetype size =
            kFareRecordFixedBytes + qFromLittleEndian<quint16>(file.constData() + at);
        if (file.mid(at, size) != again.mid(at, size))
            return r;
        at += size;
    }
    return 0;
}

int Decode(const QString& in, const QString& out)
{
    QByteArray file;
    if (!ReadAll(in, kFareFileMaxBytes, file))
        return kBadInput;
    const FareFileResult res = ParseFareFile(file);
    if (!res.ok()) {
        Say(stderr, FareFileErrorText(res, in));
        return kBadInput;
    }
    const FareEncodeResult again = EncodeFareFile(res.records);
    const QByteArray used = file.left(file.size() - res.trailingBytes);
    if (!again.ok() || again.bytes != used) {
        Say(stderr, QStringLiteral("%1: レコード %2: 停留所名のバイト列が文字に変換すると"
                                   "元に戻りません")
                        .arg(in, QString::number(FirstRecordNotKept(used, again.bytes))));
        return kBadInput;
    }
    if (res.trailingBytes > 0)
        Say(stderr, QStringLiteral("%1: 警告: 最後のレコードの後ろの %2 バイトは読まれないため、"
                                   "CSVには書きません")
                        .arg(in, QString::number(res.trailingBytes)));
    const QByteArray csv = WriteFareCsv(res.records);
    if (out == QLatin1String("-")) {
        if (std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout) != size_t(csv.size()) ||
            std::fflush(stdout) != 0) {
            Say(stderr, QStringLiteral("標準出力に書き込めません"));
            return kCannotWrite;
        }
        return 0;
    }
    return WriteAll(out, csv) ? 0 : kCannotWrite;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && QString::fromLocal8Bit(argv[1]) == QLatin1String("gtfs"))
        return GtfsCommand(argc - 2, argv + 2);
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return Usage(stdout);
    }
    if (argc != 4)
        return Usage();
    const QString command = QString::fromLocal8Bit(argv[1]);
    const QString in = QString::fromLocal8Bit(argv[2]);
    const QString out = QString::fromLocal8Bit(argv[3]);
    if (command == QLatin1String("encode"))
        return Encode(in, out);
    if (command == QLatin1String("decode"))
        return Decode(in, out);
    return Usage();
}
