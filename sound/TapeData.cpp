// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/TapeData.h"

#include "companion/LTM4Res.h"
#include "companion/RegularFile.h"

#include <QFileInfo>

namespace {

bool ParseFlag(QStringView field, qint16& out)
{
    field = field.trimmed();
    bool ok = false;
    const int v = field.toInt(&ok, 10);
    if (!ok || v < -32768 || v > 32767)
        return false;
    out = qint16(v);
    return true;
}

// One line into an entry; the reason when it is not one.
QString ParseLine(QStringView line, TapeEntry& entry)
{
    qsizetype at = 0;
    while (at < line.size() && (line[at] == u' ' || line[at] == u'\t'))
        ++at;
    if (at < line.size() && line[at] == u'"') {
        const qsizetype close = line.indexOf(u'"', at + 1);
        if (close < 0)
            return QStringLiteral("引用符が閉じていません");
        entry.TapeText = line.mid(at + 1, close - at - 1).toString();
        at = close + 1;
        while (at < line.size() && (line[at] == u' ' || line[at] == u'\t'))
            ++at;
        if (at >= line.size() || line[at] != u',')
            return QStringLiteral("引用符の後に区切りがありません");
    } else {
        const qsizetype comma = line.indexOf(u',', at);
        if (comma < 0)
            return QStringLiteral("項目が足りません");
        entry.TapeText = line.mid(at, comma - at).trimmed().toString();
        at = comma;
    }
    const QStringView rest = line.mid(at + 1);
    const qsizetype comma = rest.indexOf(u',');
    if (comma < 0)
        return QStringLiteral("項目が足りません");
    if (rest.indexOf(u',', comma + 1) >= 0)
        return QStringLiteral("項目が多すぎます");
    if (!ParseFlag(rest.first(comma), entry.TapeStepFlag) ||
        !ParseFlag(rest.mid(comma + 1), entry.TapePreFlag))
        return QStringLiteral("数値ではありません");
    return {};
}

} // namespace

QString DecodeTextFile(QByteArrayView bytes)
{
    return ltm4::DecodeUtf8OrCp932(bytes).text;
}

TapeParseResult ParseTapeCsv(QByteArrayView bytes)
{
    TapeParseResult r;
    if (bytes.size() > kTapeMaxFileBytes) {
        r.error = QStringLiteral("ファイルが大きすぎます");
        return r;
    }
    const ltm4::DecodedText decoded = ltm4::DecodeUtf8OrCp932(bytes);
    if (!decoded.ok()) {
        r.error = QStringLiteral("文字コードがUTF-8でもCP932でもありません");
        return r;
    }
    const QString& text = decoded.text;
    if (text.isEmpty()) {
        r.error = QStringLiteral("行がありません");
        return r;
    }
    qsizetype from = 0;
    int lineNo = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(from, end - from);
        if (line.endsWith(u'\r'))
            line.chop(1);
        from = end + 1;
        ++lineNo;
        if (lineNo > kTapeMaxEntries) {
            r.errorLine = lineNo;
            r.error = QStringLiteral("行が多すぎます");
            break;
        }
        TapeEntry entry;
        const QString why = ParseLine(line, entry);
        if (!why.isEmpty()) {
            r.errorLine = lineNo;
            r.error = why;
            break;
        }
        r.entries.push_back(std::move(entry));
    }
    if (!r.ok())
        r.entries.clear();
    return r;
}

TapeParseResult ReadTapeFile(const QString& path)
{
    const ltm4::FileBytes file = ltm4::ReadRegularFile(path, kTapeMaxFileBytes);
    if (!file.ok()) {
        TapeParseResult r;
        r.error = file.reason;
        return r;
    }
    if (file.truncated) {
        TapeParseResult r;
        r.error = QStringLiteral("ファイルが大きすぎます");
        return r;
    }
    return ParseTapeCsv(file.bytes);
}

QString FindTapeFile(const QString& folder, const QString& routeKey)
{
    for (const char* suffix : {"tp.csv", "Tp.csv", "TP.csv", "tp.CSV", "TP.CSV"}) {
        const QString name = folder + routeKey + QLatin1String(suffix);
        const QFileInfo info(name);
        if (info.isFile())
            return name;
    }
    return {};
}
