// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/Timetable.h"

#include "companion/LTM4Res.h"
#include "companion/RegularFile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kColumns = 3;

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

QStringView Trimmed(QStringView s)
{
    while (!s.isEmpty() && IsBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && IsBlank(s.back()))
        s.chop(1);
    return s;
}

int LineOf(QByteArrayView bytes, qsizetype at)
{
    return int(std::count(bytes.begin(), bytes.begin() + at, '\n')) + 1;
}

// The fields of one line; false when a quote is not closed. Every field
// beyond the columns is kept too, so that the caller can say there are too many.
bool SplitFields(QStringView line, QList<QString>& fields)
{
    fields.clear();
    qsizetype at = 0;
    for (;;) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        QString field;
        if (at < line.size() && line[at] == u'"') {
            ++at;
            for (;;) {
                if (at >= line.size())
                    return false;
                if (line[at] == u'"') {
                    if (at + 1 < line.size() && line[at + 1] == u'"') {
                        field += u'"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field += line[at++];
            }
            // Anything between the closing quote and the comma is blank or a slip; dropped.
            while (at < line.size() && line[at] != u',')
                ++at;
        } else {
            const qsizetype comma = line.indexOf(u',', at);
            const qsizetype end = comma < 0 ? line.size() : comma;
            field = Trimmed(line.mid(at, end - at)).toString();
            at = end;
        }
        fields.push_back(std::move(field));
        if (at >= line.size())
            return true;
        ++at; // the comma
    }
}

bool HasWideForms(QStringView s)
{
    for (const QChar c : s)
        if ((c >= u'０' && c <= u'９') || c == u'：')
            return true;
    return false;
}

// What a field that is not a time probably meant; empty when nothing is known.
QString TimeHint(QStringView field, int lineNo, bool firstStopLine)
{
    if (HasWideForms(field))
        return QStringLiteral("数字と「:」は半角で書きます (例 07:05)。");
    // 7.05, 0705: a time without its colon.
    bool digits = !field.isEmpty();
    for (const QChar c : field)
        digits = digits && ((c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'/');
    if (digits)
        return QStringLiteral("時と分は「:」で区切ります (例 07:05)。");
    if (firstStopLine)
        return QStringLiteral("%1行目は見出しですか。見出しの行は先頭に「#」を付けると注釈として"
                              "読み飛ばします。")
            .arg(lineNo);
    return {};
}

// A parsed time, or why the field is not one.
struct TimeField {
    std::optional<int> seconds; // none for an empty field
    QString fault;
    QString hint;
};

TimeField ReadTime(const QString& field, int lineNo, bool firstStopLine)
{
    TimeField r;
    if (field.isEmpty())
        return r;
    r.seconds = ParseTimetableTime(field);
    if (r.seconds)
        return r;
    // Tell a time out of range from one that is not a time at all.
    const QList<QStringView> parts = QStringView(field).split(u':');
    bool numeric = parts.size() == 2 || parts.size() == 3;
    for (const QStringView p : parts)
        numeric = numeric && !p.isEmpty() && p.size() <= 2 &&
                  std::all_of(p.begin(), p.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (numeric) {
        if (parts[0].toInt() > 47)
            r.fault = QStringLiteral("時刻「%1」の時は 0〜47 です").arg(field);
        else if (parts[1].size() != 2 || (parts.size() == 3 && parts[2].size() != 2))
            r.fault = QStringLiteral("時刻「%1」の分と秒は2桁で書きます").arg(field);
        else
            r.fault = QStringLiteral("時刻「%1」の分と秒は 00〜59 です").arg(field);
        if (parts[0].toInt() > 47)
            r.hint =
                QStringLiteral("夜中の0時を過ぎても 24:10 のように数え続けます (48時より前まで)。");
        return r;
    }
    r.fault = QStringLiteral("時刻「%1」が読めません。h:mm か h:mm:ss で書きます").arg(field);
    r.hint = TimeHint(field, lineNo, firstStopLine);
    return r;
}

// A memo as a field; line breaks become blanks (a memo is one line).
QString MemoField(QString text)
{
    text.replace(u'\n', u' ');
    const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\r') ||
                       (!text.isEmpty() && (IsBlank(text.front()) || IsBlank(text.back())));
    if (!quote)
        return text;
    text.replace(u'"', QLatin1String("\"\""));
    return u'"' + text + u'"';
}

} // namespace

std::optional<int> ParseTimetableTime(QStringView text)
{
    text = Trimmed(text);
    // h:mm or hh:mm, then :ss optionally.
    const auto digit = [&](qsizetype i) {
        return i < text.size() && text[i] >= u'0' && text[i] <= u'9';
    };
    const auto value = [&](qsizetype i) { return text[i].unicode() - u'0'; };
    qsizetype at = 0;
    if (!digit(0))
        return std::nullopt;
    int h = value(at++);
    if (digit(at))
        h = h * 10 + value(at++);
    int parts[2] = {-1, -1};
    for (int& part : parts) {
        if (at >= text.size())
            break;
        if (text[at] != u':' || !digit(at + 1) || !digit(at + 2))
            return std::nullopt;
        part = value(at + 1) * 10 + value(at + 2);
        at += 3;
    }
    if (at != text.size() || parts[0] < 0 || parts[0] > 59 || parts[1] > 59 || h > 47)
        return std::nullopt;
    return h * 3600 + parts[0] * 60 + std::max(parts[1], 0);
}

QString FormatTimetableTime(int seconds)
{
    seconds = std::max(seconds, 0);
    const int h = seconds / 3600;
    const int m = seconds / 60 % 60;
    const int s = seconds % 60;
    QString out =
        QStringLiteral("%1:%2").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0'));
    if (s != 0)
        out += QStringLiteral(":%1").arg(s, 2, 10, QLatin1Char('0'));
    return out;
}

TimetableResult ParseTimetableCsv(QByteArrayView bytes)
{
    TimetableResult r;
    if (bytes.size() > kTimetableMaxFileBytes) {
        r.error.message =
            QStringLiteral("ファイルが大きすぎます (%1 バイトまで)").arg(kTimetableMaxFileBytes);
        return r;
    }
    const ltm4::DecodedText decoded = ltm4::DecodeUtf8OrCp932(bytes);
    if (!decoded.ok()) {
        // The encoding that read further is the one the file was meant to be in.
        r.error.line = LineOf(bytes, std::max(decoded.badUtf8, decoded.badCp932));
        r.error.message = ltm4::UndecodableText(bytes, decoded);
        return r;
    }
    const QString& text = decoded.text;
    QList<QString> fields;
    int lineNo = 0;
    // The latest time above, for the rule that time never goes back.
    std::optional<int> latest;
    int latestLine = 0;
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(from, end - from);
        from = end + 1;
        ++lineNo;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView bare = Trimmed(line);
        if (bare.isEmpty() || bare.startsWith(u'#'))
            continue;
        const auto fail = [&](int column, QString message, QString hint = {}) {
            r.rows.clear();
            r.error = {lineNo, column, std::move(message), std::move(hint)};
            return r;
        };
        if (r.rows.size() >= kTimetableMaxRows)
            return fail(0, QStringLiteral("停留所の行は %1 までです").arg(kTimetableMaxRows));
        if (!SplitFields(line, fields))
            return fail(int(fields.size()) + 1, QStringLiteral("引用符 (\") が閉じていません"));
        if (fields.size() < 2) {
            const bool tabs = line.contains(u'\t');
            return fail(0, QStringLiteral("項目が足りません。到着と発車を「,」で区切って書きます"),
                        tabs ? QStringLiteral("区切りはタブではなく「,」です。")
                             : QStringLiteral("時刻のない停留所も「,」だけの行を書きます。"));
        }
        if (fields.size() > kColumns)
            return fail(kColumns + 1, QStringLiteral("項目が多すぎます (到着,発車,メモ の3つまで)"),
                        QStringLiteral("メモに「,」を含めるときは \" で囲みます。"));
        TimetableRow row;
        for (int column = 1; column <= 2; ++column) {
            TimeField t = ReadTime(fields[column - 1], lineNo, r.rows.isEmpty());
            if (!t.fault.isEmpty())
                return fail(column, t.fault, t.hint);
            if (!t.seconds)
                continue;
            const int at = *t.seconds;
            if (latest && at < *latest) {
                const QString before = FormatTimetableTime(*latest);
                const bool sameRow = latestLine == lineNo;
                QString hint;
                if (!sameRow && at + 24 * 3600 >= *latest && at + 24 * 3600 <= kTimetableMaxSeconds)
                    hint =
                        QStringLiteral("夜中の0時を過ぎた時刻は 24 時から数えます (%1 なら %2)。")
                            .arg(FormatTimetableTime(at), FormatTimetableTime(at + 24 * 3600));
                return fail(column,
                            sameRow ? QStringLiteral("発車 %1 が到着 %2 より前です")
                                          .arg(FormatTimetableTime(at), before)
                                    : QStringLiteral("時刻 %1 が %2行目の %3 より前です")
                                          .arg(FormatTimetableTime(at))
                                          .arg(latestLine)
                                          .arg(before),
                            hint);
            }
            latest = at;
            latestLine = lineNo;
            (column == 1 ? row.arrival : row.departure) = at;
        }
        if (fields.size() == kColumns)
            row.memo = fields[2];
        r.rows.push_back(std::move(row));
    }
    if (r.rows.isEmpty())
        r.error.message = QStringLiteral("停留所の行がありません");
    return r;
}

TimetableResult ReadTimetableFile(const QString& path)
{
    const ltm4::FileBytes file = ltm4::ReadRegularFile(path, kTimetableMaxFileBytes);
    TimetableResult r;
    if (!file.ok())
        r.error.message = file.reason;
    else if (file.truncated)
        r.error.message =
            QStringLiteral("ファイルが大きすぎます (%1 バイトまで)").arg(kTimetableMaxFileBytes);
    else
        r = ParseTimetableCsv(file.bytes);
    return r;
}

QByteArray WriteTimetableCsv(const QList<TimetableRow>& rows)
{
    QString out =
        QStringLiteral("# 到着,発車,メモ (h:mm か h:mm:ss。0時を過ぎたら 24:10 のように)\n");
    for (const TimetableRow& row : rows) {
        if (row.arrival)
            out += FormatTimetableTime(*row.arrival);
        out += u',';
        if (row.departure)
            out += FormatTimetableTime(*row.departure);
        if (!row.memo.isEmpty())
            out += u',' + MemoField(row.memo);
        out += u'\n';
    }
    return out.toUtf8();
}

QString FormatTimetableError(const QString& fileName, const TimetableError& error)
{
    const QString place = error.line > 0
                              ? fileName + u':' + QString::number(error.line) + QLatin1String(": ")
                              : fileName + QLatin1String(": ");
    QString s = place;
    if (error.column > 0)
        s += QString::number(error.column) + QStringLiteral("列目: ");
    s += error.message;
    if (!error.hint.isEmpty())
        s += u'\n' + place + QStringLiteral("ヒント: ") + error.hint;
    return s;
}

QString FindTimetableFile(const QString& folder, const QString& routeKey)
{
    for (const char* suffix : {"time.csv", "Time.csv", "TIME.csv", "time.CSV", "TIME.CSV"}) {
        const QString name = folder + routeKey + QLatin1String(suffix);
        if (QFileInfo(name).isFile())
            return name;
    }
    return {};
}
