// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/RouteFiles.h"

#include "companion/LTM4Res.h"
#include "companion/RegularFile.h"
#include "companion/SaveSet.h"
#include "route/RouteRules.h"
#include "run/Timetable.h"
#include "sound/ReadingList.h"
#include "sound/TapeData.h"
#include "tools/GtfsExport.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <algorithm>

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kCrLf = QByteArrayLiteral("\r\n");
const QByteArray kLf = QByteArrayLiteral("\n");

QString Key(int routeNo)
{
    return QString::number(routeNo);
}

// The lines of a text file, each with its line end; a final line end starts
// no line. The encodings the program reads never use the byte 0x0A inside a
// character, so lines of bytes are lines of text.
QList<QByteArray> SplitLines(const QByteArray& body)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    while (from < body.size()) {
        const qsizetype end = body.indexOf('\n', from);
        const qsizetype next = end < 0 ? body.size() : end + 1;
        lines << body.mid(from, next - from);
        from = next;
    }
    return lines;
}

// The line end the file uses, found on its first line that has one.
QByteArray NewlineOf(const QList<QByteArray>& lines, const QByteArray& otherwise)
{
    for (const QByteArray& l : lines)
        if (l.endsWith('\n'))
            return l.endsWith(kCrLf) ? kCrLf : kLf;
    return otherwise;
}

// A text file's encoding and the body after any byte-order mark.
QByteArray FormOf(const QByteArray& bytes, bool utf8, RouteTextForm& form)
{
    form.state = RouteFileState::Read;
    form.utf8 = utf8;
    form.bom = bytes.startsWith(kBom) ? kBom : QByteArray();
    return bytes.mid(form.bom.size());
}

QString Decode(const QByteArray& line, bool utf8)
{
    return utf8 ? QString::fromUtf8(line) : ltm4::FromCp932(line);
}

void Unreadable(RouteTextForm& form, const QString& problem)
{
    form = RouteTextForm{};
    form.state = RouteFileState::Unreadable;
    form.problem = problem;
}

void ReadTape(const RouteTextSource& src, RouteData& data)
{
    RouteTextForm& form = data.tapeForm;
    form = RouteTextForm{};
    form.state = src.state;
    form.problem = src.problem;
    if (src.state != RouteFileState::Read)
        return;
    const TapeParseResult parsed = ParseTapeCsv(src.bytes);
    if (!parsed.ok()) {
        Unreadable(form, parsed.errorLine > 0
                             ? QStringLiteral("%1行目: %2").arg(parsed.errorLine).arg(parsed.error)
                             : parsed.error);
        return;
    }
    const bool utf8 = ltm4::DecodeUtf8OrCp932(src.bytes).utf8;
    const QList<QByteArray> raws = SplitLines(FormOf(src.bytes, utf8, form));
    form.newline = NewlineOf(raws, kCrLf);
    for (qsizetype i = 0; i < parsed.entries.size(); ++i) {
        const TapeEntry& e = parsed.entries[i];
        // The reader counts lines as this does; were it ever otherwise, the
        // entries are still right and only written anew.
        data.tape << RouteTapeLine{e.TapeText, e.TapeStepFlag, e.TapePreFlag,
                                   raws.size() == parsed.entries.size() ? raws[i] : QByteArray()};
    }
}

void ReadReadings(const RouteTextSource& src, RouteData& data)
{
    RouteTextForm& form = data.readingForm;
    form = RouteTextForm{};
    form.state = src.state;
    form.problem = src.problem;
    if (src.state != RouteFileState::Read)
        return;
    if (src.bytes.size() > kReadingMaxFileBytes) {
        Unreadable(form, QStringLiteral("大きすぎます (上限 %1 バイト)").arg(kReadingMaxFileBytes));
        return;
    }
    const ltm4::DecodedText decoded = ltm4::DecodeUtf8OrCp932(src.bytes);
    if (!decoded.ok()) {
        Unreadable(form, QStringLiteral("文字コードがUTF-8でもCP932でもありません"));
        return;
    }
    const QList<QByteArray> raws = SplitLines(FormOf(src.bytes, decoded.utf8, form));
    form.newline = NewlineOf(raws, kLf);
    QSet<QString> forms;
    for (const QByteArray& raw : raws) {
        RouteReadingLine line;
        line.raw = raw;
        const QString text = Decode(raw, decoded.utf8);
        const QString trimmed = text.trimmed();
        // Each line through the program's own reader, which takes it as the
        // whole list would (up to its cap on written forms).
        if (!trimmed.isEmpty() && !trimmed.startsWith(u'#') && forms.size() < kReadingMaxEntries) {
            const ReadingList one = ReadingList::Parse(text.toUtf8());
            if (one.Entries().size() == 1) {
                line.written = one.Entries().first().written;
                line.reading = one.Entries().first().reading;
                forms.insert(line.written);
            }
        }
        data.readings << line;
    }
}

// The times of the stops from the timetable, row by row. A timetable of
// another length is taken as far as it goes, with a warning: its rows past
// the last stop are lost when the route is saved.
void ReadTimetable(const RouteTextSource& src, RouteData& data, QStringList& warnings)
{
    RouteTextForm& form = data.timetableForm;
    form = RouteTextForm{};
    form.state = src.state;
    form.problem = src.problem;
    if (src.state != RouteFileState::Read)
        return;
    const TimetableResult parsed = ParseTimetableCsv(src.bytes);
    if (!parsed.ok()) {
        const TimetableError& e = parsed.error;
        QString where;
        if (e.line > 0)
            where += QStringLiteral("%1行目: ").arg(e.line);
        if (e.column > 0)
            where += QStringLiteral("%1列目: ").arg(e.column);
        Unreadable(form, where + e.message);
        return;
    }
    form.state = RouteFileState::Read;
    data.timetableFile = src.bytes;
    const qsizetype n = qMin(parsed.rows.size(), data.stops.size());
    for (qsizetype i = 0; i < n; ++i) {
        data.stops[i].arrival = parsed.rows[i].arrival;
        data.stops[i].departure = parsed.rows[i].departure;
    }
    if (parsed.rows.size() != data.stops.size())
        warnings << QStringLiteral("%1: 時刻表は %2 行、停留所は %3 か所です。先頭から順に"
                                   "停留所に当てはめました%4")
                        .arg(src.name)
                        .arg(parsed.rows.size())
                        .arg(data.stops.size())
                        .arg(parsed.rows.size() > data.stops.size()
                                 ? QStringLiteral(" (余った行は保存すると消えます)")
                                 : QString());
}

QString Warning(const RouteTextSource& src, const RouteTextForm& form, const QString& what)
{
    return QStringLiteral("%1: 読み込めないため、%2を空にして開きます (%3)。%2を加えて保存すると"
                          "置き換わります (前のファイルは .bak に残ります)")
        .arg(src.name, what, form.problem);
}

// CP932 bytes that happen to be UTF-8 as a whole would be read as UTF-8.
bool MisreadAsUtf8(const QByteArray& cp932)
{
    const ltm4::DecodedText d = ltm4::DecodeUtf8OrCp932(cp932);
    return d.utf8 && d.text != ltm4::FromCp932(cp932.mid(cp932.startsWith(kBom) ? 3 : 0));
}

// A list that was read: the lines nobody changed as they were, the others in
// its encoding and line ends. A CP932 list that cannot hold a new line's
// characters becomes UTF-8 as a whole.
QByteArray WriteKeptLines(const RouteTextForm& form, const QList<QByteArray>& raws,
                          const QStringList& fresh, bool toUtf8 = false)
{
    for (qsizetype i = 0; i < raws.size() && !form.utf8 && !toUtf8; ++i) {
        bool lossy = false;
        if (raws[i].isEmpty())
            ltm4::ToCp932(fresh[i], &lossy);
        toUtf8 = lossy;
    }
    const bool utf8 = form.utf8 || toUtf8;
    const QByteArray newline = form.newline.isEmpty() ? kCrLf : form.newline;
    QByteArray out = form.bom;
    bool open = false; // the last line has no line end
    for (qsizetype i = 0; i < raws.size(); ++i) {
        if (open)
            out += newline;
        QByteArray piece;
        if (!raws[i].isEmpty())
            piece = toUtf8 ? ltm4::FromCp932(raws[i]).toUtf8() : raws[i];
        else
            piece = (utf8 ? fresh[i].toUtf8() : ltm4::ToCp932(fresh[i])) + newline;
        out += piece;
        open = !piece.endsWith('\n');
    }
    if (!utf8 && MisreadAsUtf8(out))
        return WriteKeptLines(form, raws, fresh, true);
    return out;
}

QByteArray EncodeTape(const RouteData& data)
{
    const QList<RouteTapeLine>& tape = data.tape;
    QList<QByteArray> raws;
    QStringList fresh;
    for (const RouteTapeLine& l : tape) {
        raws << l.raw;
        fresh << TapeCsvLine(l.text, l.stepFlag, l.preFlag);
    }
    if (data.tapeForm.state == RouteFileState::Read)
        return WriteKeptLines(data.tapeForm, raws, fresh);
    // As hy3tool writes it; a text CP932 cannot hold makes the list UTF-8
    // rather than a list of question marks.
    const QString text =
        fresh.isEmpty() ? QString() : fresh.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    bool lossy = false;
    const QByteArray cp932 = ltm4::ToCp932(text, &lossy);
    return lossy || MisreadAsUtf8(cp932) ? text.toUtf8() : cp932;
}

QByteArray EncodeReadings(const RouteData& data, int routeNo)
{
    if (data.readingForm.state == RouteFileState::Read) {
        QList<QByteArray> raws;
        QStringList fresh;
        for (const RouteReadingLine& l : data.readings) {
            raws << l.raw;
            fresh << YomiCsvLine(l.written, l.reading);
        }
        return WriteKeptLines(data.readingForm, raws, fresh);
    }
    QList<GtfsReading> entries;
    for (const RouteReadingLine& l : data.readings)
        if (!l.written.isEmpty())
            entries << GtfsReading{l.written, l.reading};
    return WriteYomiCsv(entries, QStringLiteral("(系統%1)").arg(Key(routeNo)));
}

// Times of the stops that the timetable's reader takes back; else false
// with out.error naming the stop. A timetable read and unchanged in its
// times is written as it was.
bool EncodeTimetable(const RouteData& data, RouteBytes& out)
{
    QList<TimetableRow> rows;
    for (const RouteStop& s : data.stops)
        rows << TimetableRow{s.arrival, s.departure, s.record.StopName};
    out.timetable = WriteTimetableCsv(rows);
    // The run refuses a timetable whose time goes back: refused here, it is
    // found while the route is being edited.
    const TimetableResult back = ParseTimetableCsv(out.timetable);
    if (!back.ok()) {
        out.ok = false;
        // The written file has one comment line before the stops.
        out.error = back.error.line > 1 ? QStringLiteral("時刻表の%1番目の停留所: %2")
                                              .arg(back.error.line - 1)
                                              .arg(back.error.message)
                                        : QStringLiteral("時刻表: ") + back.error.message;
        return false;
    }
    if (data.timetableForm.state == RouteFileState::Read) {
        const TimetableResult before = ParseTimetableCsv(data.timetableFile);
        const auto sameTimes = [&] {
            if (before.rows.size() != rows.size())
                return false;
            for (qsizetype i = 0; i < rows.size(); ++i)
                if (before.rows[i].arrival != rows[i].arrival ||
                    before.rows[i].departure != rows[i].departure)
                    return false;
            return true;
        };
        if (before.ok() && sameTimes())
            out.timetable = data.timetableFile;
    }
    return true;
}

void PutU16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

// The records as EncodeFareFile writes them, with the names the file had in
// other codes put back.
QByteArray KeepNameBytes(const QByteArray& encoded, const QList<RouteStop>& stops)
{
    QByteArray out = encoded.left(2);
    qsizetype at = 2;
    for (const RouteStop& s : stops) {
        const qsizetype len = qFromLittleEndian<quint16>(encoded.constData() + at);
        const QByteArray name = s.nameBytes.isEmpty() ? encoded.mid(at + 2, len) : s.nameBytes;
        PutU16(out, quint16(name.size()));
        out += name;
        out += encoded.mid(at + 2 + len, kFareRecordFixedBytes - 2);
        at += kFareRecordFixedBytes + len;
    }
    return out;
}

} // namespace

RouteOpenResult ReadRoute(const QByteArray& fareFile, const QString& fareName,
                          const RouteTextSource& tape, const RouteTextSource& readings,
                          const RouteTextSource& timetable)
{
    RouteOpenResult res;
    const FareFileResult parsed = ParseFareFile(fareFile);
    if (!parsed.ok()) {
        res.error = FareFileErrorText(parsed, fareName);
        return res;
    }
    RouteData& data = res.data;
    data.fareFile = fareFile;
    qsizetype at = 2;
    for (const StopRecord& rec : parsed.records) {
        // The reader has checked every length against the file.
        const qsizetype len = qFromLittleEndian<quint16>(fareFile.constData() + at);
        const QByteArray name = fareFile.mid(at + 2, len);
        RouteStop stop{rec, {}, {}, {}};
        if (ltm4::ToCp932(rec.StopName) != name)
            stop.nameBytes = name;
        data.stops << stop;
        at += kFareRecordFixedBytes + len;
    }
    ReadTape(tape, data);
    ReadReadings(readings, data);
    if (data.tapeForm.state == RouteFileState::Unreadable)
        res.warnings << Warning(tape, data.tapeForm, QStringLiteral("放送"));
    if (data.readingForm.state == RouteFileState::Unreadable)
        res.warnings << Warning(readings, data.readingForm, QStringLiteral("読み"));
    ReadTimetable(timetable, data, res.warnings);
    if (data.timetableForm.state == RouteFileState::Unreadable)
        res.warnings << Warning(timetable, data.timetableForm, QStringLiteral("時刻"));
    res.ok = true;
    return res;
}

RouteFileNames RouteFilePaths(const QString& fareFolder, const QString& tapeFolder, int routeNo)
{
    const QString key = Key(routeNo);
    const QString tapeDir = WithTrailingSeparator(tapeFolder);
    RouteFileNames names;
    names.fares = FareFileName(fareFolder, key);
    names.tape = FindTapeFile(tapeDir, key);
    if (names.tape.isEmpty())
        names.tape = tapeDir + key + QStringLiteral("tp.csv");
    names.readings = tapeDir + key + QStringLiteral("yomi.csv");
    const QString fareDir = WithTrailingSeparator(fareFolder);
    names.timetable = FindTimetableFile(fareDir, key);
    if (names.timetable.isEmpty())
        names.timetable = fareDir + key + QStringLiteral("time.csv");
    return names;
}

RouteTextSource ReadRouteTextSource(const QString& path, qint64 maxBytes)
{
    RouteTextSource src;
    src.name = path;
    const ltm4::FileBytes file = ltm4::ReadRegularFile(path, maxBytes);
    if (file.error == ltm4::ReadFileError::Missing) {
        src.state = RouteFileState::Missing;
    } else if (!file.ok()) {
        src.state = RouteFileState::Unreadable;
        src.problem = file.reason;
    } else if (file.truncated) {
        src.state = RouteFileState::Unreadable;
        src.problem = QStringLiteral("大きすぎます (上限 %1 バイト)").arg(maxBytes);
    } else {
        src.state = RouteFileState::Read;
        src.bytes = file.bytes;
    }
    return src;
}

RouteOpenResult OpenRoute(const QString& fareFolder, const QString& tapeFolder, int routeNo)
{
    const RouteFileNames names = RouteFilePaths(fareFolder, tapeFolder, routeNo);
    const ltm4::FileBytes fares = ltm4::ReadRegularFile(names.fares, kFareFileMaxBytes);
    if (!fares.ok() || fares.truncated) {
        RouteOpenResult res;
        res.fareFileMissing = fares.error == ltm4::ReadFileError::Missing;
        res.error =
            fares.ok()
                ? QStringLiteral("「%1」は運賃データではありません (大きすぎます)").arg(names.fares)
                : QStringLiteral("%1: 読み込めません (%2)").arg(names.fares, fares.reason);
        return res;
    }
    return ReadRoute(fares.bytes, names.fares, ReadRouteTextSource(names.tape, kTapeMaxFileBytes),
                     ReadRouteTextSource(names.readings, kReadingMaxFileBytes),
                     ReadRouteTextSource(names.timetable, kTimetableMaxFileBytes));
}

RouteBytes EncodeRoute(const RouteData& data, int routeNo)
{
    RouteBytes out;
    const QList<StopRecord> records = StopRecords(data.stops);
    for (const RouteFinding& f : CheckRoute(records)) {
        if (!f.error)
            continue;
        out.ok = false;
        out.error = f.stop < 0
                        ? f.message
                        : QStringLiteral("%1番目の停留所: %2").arg(f.stop + 1).arg(f.message);
        return out;
    }
    const FareEncodeResult enc = EncodeFareFile(records);
    if (!enc.ok() || enc.lossy) {
        // The rules above refuse whatever the encoder would.
        out.ok = false;
        out.error = QStringLiteral("運賃データにできません (%1番目の停留所)")
                        .arg(enc.ok() ? enc.firstLossyRecord : enc.errorRecord);
        return out;
    }
    const bool otherCodes = std::any_of(data.stops.begin(), data.stops.end(),
                                        [](const RouteStop& s) { return !s.nameBytes.isEmpty(); });
    out.fares = otherCodes ? KeepNameBytes(enc.bytes, data.stops) : enc.bytes;
    // Unchanged: the file as it was, bytes after its records and all.
    if (data.fareFile.startsWith(out.fares))
        out.fares = data.fareFile;

    out.tape = EncodeTape(data);
    out.tapeWanted = !data.tape.isEmpty() || data.tapeForm.state == RouteFileState::Read;
    out.readings = EncodeReadings(data, routeNo);
    out.timetableWanted = HasTimes(data.stops);
    if (out.timetableWanted && !EncodeTimetable(data, out))
        return out;
    out.readingsWanted = !data.readings.isEmpty() ||
                         data.readingForm.state == RouteFileState::Read ||
                         data.readingForm.state == RouteFileState::New;
    return out;
}

RouteSaveResult SaveRoute(const RouteData& data, const QString& fareFolder,
                          const QString& tapeFolder, int routeNo)
{
    RouteSaveResult result;
    auto fail = [&result](const QString& error) {
        result.ok = false;
        result.error = error;
        return result;
    };
    if (routeNo < 0 || routeNo > kRouteMaxNumber)
        return fail(
            QStringLiteral("系統番号 %1 は使えません (0～%2)").arg(routeNo).arg(kRouteMaxNumber));
    const RouteBytes bytes = EncodeRoute(data, routeNo);
    if (!bytes.ok)
        return fail(bytes.error + QStringLiteral("。どのファイルも書き換えていません"));
    for (const QString& folder : {fareFolder, tapeFolder}) {
        if (!folder.isEmpty() && !QDir(folder).mkpath(QStringLiteral(".")))
            return fail(folder + QStringLiteral(": フォルダを作れません"));
    }
    const RouteFileNames names = RouteFilePaths(fareFolder, tapeFolder, routeNo);
    const auto there = [](const QString& path) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    // An emptied list replaces the one that is there (unless that was one the
    // program could not read, which is left alone).
    QList<std::pair<QString, QByteArray>> files{{names.fares, bytes.fares}};
    if (bytes.tapeWanted ||
        (there(names.tape) && data.tapeForm.state != RouteFileState::Unreadable))
        files.append({names.tape, bytes.tape});
    if (bytes.timetableWanted)
        files.append({names.timetable, bytes.timetable});
    if (bytes.readingsWanted ||
        (there(names.readings) && data.readingForm.state != RouteFileState::Unreadable))
        files.append({names.readings, bytes.readings});
    // All or none: announcements beside fares of another version would step
    // the board wrongly.
    ltm4::SaveSet set;
    bool staged = true;
    for (const auto& [path, content] : files) {
        const QString bak = there(path) ? path + QStringLiteral(".bak") : QString();
        staged = staged && set.add(path, content, bak);
        result.written << path;
        if (!bak.isEmpty())
            result.kept << bak;
    }
    if (staged && set.commit())
        return result;
    result.written.clear();
    result.kept.clear();
    return fail(set.errorFile() + QStringLiteral(": 書き込めません (") + set.errorReason() +
                QStringLiteral(")。どのファイルも書き換えていません"));
}
