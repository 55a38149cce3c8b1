// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/FareCsv.h"

#include "companion/LTM4Res.h"
#include "route/RouteRules.h"

#include <algorithm>
#include <limits>

namespace {

using Field = CsvField;

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// UTF-8 (a BOM is skipped), else CP932. Neither: false, with where each breaks.
bool DecodeText(const QByteArray& bytes, QString& text, FareCsvError& error)
{
    ltm4::DecodedText decoded = ltm4::DecodeUtf8OrCp932(bytes);
    if (decoded.ok()) {
        text = std::move(decoded.text);
        return true;
    }
    const int line = int(std::count(bytes.begin(), bytes.begin() + decoded.badCp932, '\n')) + 1;
    error = {line, 0, ltm4::UndecodableText(bytes, decoded)};
    return false;
}

// Splits the text into lines of fields, skipping comments and blank lines.
// Quoted fields may span lines; every field remembers where it began.
class Splitter final {
public:
    explicit Splitter(const QString& text, bool hashComments = true)
        : m_text(text), m_hashComments(hashComments)
    {
    }

    // The next stop's fields; false at the end of the text or on an error.
    bool next(QList<Field>& fields)
    {
        fields.clear();
        while (m_pos < m_text.size()) {
            if (skipCommentOrBlank())
                continue;
            return readLine(fields);
        }
        return false;
    }

    bool failed() const { return m_failed; }
    const FareCsvError& error() const { return m_error; }

private:
    bool atLineEnd() const
    {
        return m_pos >= m_text.size() || m_text[m_pos] == u'\n' || m_text[m_pos] == u'\r';
    }

    void takeLineEnd()
    {
        if (m_pos < m_text.size() && m_text[m_pos] == u'\r')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == u'\n')
            ++m_pos;
        ++m_line;
    }

    bool skipCommentOrBlank()
    {
        qsizetype p = m_pos;
        if (!m_hashComments || m_text[p] != u'#') {
            while (p < m_text.size() && IsBlank(m_text[p]))
                ++p;
            if (p < m_text.size() && m_text[p] != u'\n' && m_text[p] != u'\r')
                return false;
        }
        m_pos = p;
        while (!atLineEnd())
            ++m_pos;
        takeLineEnd();
        return true;
    }

    bool fail(int line, int column, const QString& message)
    {
        m_failed = true;
        m_error = {line, column, message};
        return false;
    }

    bool readLine(QList<Field>& fields)
    {
        for (int column = 1;; ++column) {
            Field f;
            f.line = m_line;
            f.column = column;
            qsizetype p = m_pos;
            while (p < m_text.size() && IsBlank(m_text[p]))
                ++p;
            if (p < m_text.size() && m_text[p] == u'"') {
                m_pos = p + 1;
                if (!readQuoted(f))
                    return false;
            } else {
                const qsizetype start = m_pos;
                while (!atLineEnd() && m_text[m_pos] != u',')
                    ++m_pos;
                f.text = m_text.mid(start, m_pos - start);
            }
            fields << f;
            if (atLineEnd()) {
                takeLineEnd();
                return true;
            }
            ++m_pos; // the comma
        }
    }

    bool readQuoted(Field& f)
    {
        for (;;) {
            if (m_pos >= m_text.size())
                return fail(f.line, f.column, QStringLiteral("引用符が閉じていません"));
            const QChar c = m_text[m_pos];
            if (c == u'"') {
                if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'"') {
                    f.text += u'"';
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                break;
            }
            if (c == u'\r' || c == u'\n') {
                // Keep the break as written, but count the line.
                f.text += c;
                if (c == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n') {
                    f.text += u'\n';
                    ++m_pos;
                }
                ++m_pos;
                ++m_line;
                continue;
            }
            f.text += c;
            ++m_pos;
        }
        while (!atLineEnd() && IsBlank(m_text[m_pos]))
            ++m_pos;
        if (!atLineEnd() && m_text[m_pos] != u',')
            return fail(m_line, f.column, QStringLiteral("閉じた引用符のあとに文字があります"));
        return true;
    }

    const QString& m_text;
    const bool m_hashComments;
    qsizetype m_pos = 0;
    int m_line = 1;
    bool m_failed = false;
    FareCsvError m_error;
};

// A whole number in the 16-bit range; blanks around it are allowed.
bool ParseNumber(const Field& f, qint16& out, FareCsvError& error)
{
    const QString t = f.text.trimmed();
    bool digitsOnly = !t.isEmpty();
    for (qsizetype i = 0; i < t.size() && digitsOnly; ++i) {
        const QChar c = t[i];
        digitsOnly =
            (c >= u'0' && c <= u'9') || (i == 0 && (c == u'-' || c == u'+') && t.size() > 1);
    }
    if (!digitsOnly) {
        error = {f.line, f.column, QStringLiteral("'%1' は数値ではありません").arg(f.text)};
        return false;
    }
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<qint16>::min() || n > std::numeric_limits<qint16>::max()) {
        error = {f.line, f.column, QStringLiteral("'%1' は範囲外です (-32768～32767)").arg(f.text)};
        return false;
    }
    out = qint16(n);
    return true;
}

bool IsFullWidthComma(QChar c)
{
    return c == u'，' || c == u'、';
}

bool IsAnyDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９');
}

// What an error on this line probably comes from, or empty. The field the
// error names is the one looked at, so a name that rightly holds "、" gives
// no hint for a fault elsewhere.
QString SlipHint(const QList<Field>& fields, const FareCsvError& error, bool firstStop)
{
    if (fields.isEmpty())
        return {};
    const Field& f = error.column >= 1 && error.column <= fields.size() ? fields[error.column - 1]
                                                                        : fields.last();
    if (f.text.contains(u'\t'))
        return QStringLiteral("タブで区切られているようです。項目の区切りは半角の「,」です"
                              " (表計算ソフトでは「CSV (コンマ区切り)」で保存します)");
    for (QChar c : f.text)
        if (IsFullWidthComma(c))
            return QStringLiteral("全角の「%1」で区切っていませんか。項目の区切りは半角の「,」です")
                .arg(c);
    const bool fullWidthDigit = std::any_of(f.text.begin(), f.text.end(), [](QChar c) {
        return (c >= u'０' && c <= u'９') || c == u'－' || c == u'ー';
    });
    if (fullWidthDigit && error.column >= 2)
        return QStringLiteral("全角の数字や記号があります。数は半角で書きます");
    const bool digit =
        std::any_of(f.text.begin(), f.text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    // A header names the ticket column with a word where the number belongs.
    if (firstStop && error.column == 2 && !digit && !f.text.trimmed().isEmpty())
        return QStringLiteral("1行目は見出しですか。見出しの行は先頭に「#」を付けると注釈として"
                              "読み飛ばします");
    return {};
}

bool ToRecord(const QList<Field>& fields, StopRecord& rec, FareCsvError& error,
              QList<FareCsvError>& warnings)
{
    const Field& name = fields[0];
    rec.StopName = name.text;
    for (qsizetype i = 0; i + 1 < name.text.size(); ++i) {
        if (IsFullWidthComma(name.text[i]) && IsAnyDigit(name.text[i + 1])) {
            warnings.append({name.line, 1,
                             QStringLiteral("停留所名 '%1' に全角の「%2」と数があります "
                                            "(項目の区切りは半角の「,」です)")
                                 .arg(name.text, name.text[i])});
            break;
        }
    }

    if (fields.size() < 2 || fields[1].text.trimmed().isEmpty()) {
        const Field& at = fields.size() < 2 ? fields[0] : fields[1];
        error = {at.line, 2, QStringLiteral("整理券番号がありません")};
        return false;
    }
    if (!ParseNumber(fields[1], rec.SeiriNo, error))
        return false;

    // Empty fields after the last fare are harmless trailing commas; one
    // before it is most likely a slip that moved the fares after it.
    qsizetype lastFilled = 1;
    for (qsizetype i = 2; i < fields.size(); ++i)
        if (!fields[i].text.trimmed().isEmpty())
            lastFilled = i;
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const Field& f = fields[i];
        const bool empty = f.text.trimmed().isEmpty();
        if (i - 1 > kFareColumns) {
            if (empty)
                continue;
            error = {f.line, f.column, QStringLiteral("運賃は%1列までです").arg(kFareColumns)};
            return false;
        }
        if (empty) {
            if (i < lastFilled)
                warnings.append(
                    {f.line, f.column, QStringLiteral("運賃の欄が空です (0として書きます)")});
            continue;
        }
        if (!ParseNumber(f, rec.Fare[size_t(i - 1)], error))
            return false;
    }
    return true;
}

bool NeedsQuotes(const QString& name)
{
    if (name.startsWith(u'#'))
        return true;
    if (!name.isEmpty() && (IsBlank(name.front()) || IsBlank(name.back())))
        return true;
    for (QChar c : name)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    return false;
}

} // namespace

FareCsvResult ParseFareCsv(const QByteArray& bytes)
{
    FareCsvResult res;
    QString text;
    if (!DecodeText(bytes, text, res.error)) {
        res.ok = false;
        return res;
    }
    // The reader's own warnings, by stop and field, to go among the rules' ones.
    struct Slip {
        int stop = 0;
        int order = 0; // 0 name, the field's column for a fare, kTicketOrder
        FareCsvError warning;
    };
    constexpr int kTicketOrder = 1000;
    QList<Slip> slips;
    QList<QList<int>> lines; // of each stop, the line each field begins on
    QList<Field> names;      // of each stop, for the hint at a fault in it
    Splitter split(text);
    QList<Field> fields;
    bool failed = false;
    FareCsvError fault;
    while (split.next(fields)) {
        QList<int> at;
        for (const Field& f : std::as_const(fields))
            at << f.line;
        if (res.records.size() == kFareTableRows) {
            // One stop more than a route holds is enough for the rules to say so.
            res.records << StopRecord{};
            lines << at;
            names << fields[0];
            break;
        }
        StopRecord rec;
        QList<FareCsvError> warnings;
        if (!ToRecord(fields, rec, fault, warnings)) {
            failed = true;
            fault.hint = SlipHint(fields, fault, res.records.isEmpty());
            // A fault after the name: the name's own faults come first.
            if (fault.column > 1) {
                res.records << rec;
                lines << at;
                names << fields[0];
            }
            break;
        }
        for (const FareCsvError& w : std::as_const(warnings))
            slips.append({int(res.records.size()), w.column == 1 ? 0 : w.column, w});
        res.records << rec;
        lines << at;
        names << fields[0];
    }
    if (!failed && split.failed()) {
        failed = true;
        fault = split.error();
    }

    const auto lineOf = [&lines](int stop, int column) {
        return lines[stop].value(column - 1, lines[stop].value(0));
    };
    const QList<RouteFinding> findings = CheckRoute(res.records, [&](int stop) {
        return QStringLiteral("%1 行目の停留所").arg(lineOf(stop, 1));
    });
    // The first fault in reading order is the one told.
    for (const RouteFinding& f : findings) {
        if (!f.error || (failed && f.stop < 0))
            continue;
        res.ok = false;
        res.records.clear();
        const bool name = f.field == RouteField::Name;
        res.error = {f.stop < 0 ? 1 : lineOf(f.stop, 1), name ? 1 : 0, f.message};
        if (name)
            res.error.hint = SlipHint({names[f.stop]}, res.error, f.stop == 0);
        return res;
    }
    if (failed) {
        res.ok = false;
        res.records.clear();
        res.error = fault;
        return res;
    }
    for (const RouteFinding& f : findings) {
        if (f.stop < 0) {
            res.routeWarnings << f.message;
            continue;
        }
        const int column = f.field == RouteField::Fare ? f.ticket + 2 : 2;
        slips.append({f.stop,
                      f.field == RouteField::Fare ? column : kTicketOrder,
                      {lineOf(f.stop, column), column, f.message}});
    }
    std::stable_sort(slips.begin(), slips.end(), [](const Slip& a, const Slip& b) {
        return a.stop != b.stop ? a.stop < b.stop : a.order < b.order;
    });
    for (const Slip& s : std::as_const(slips))
        res.warnings << s.warning;
    return res;
}

QByteArray WriteFareCsv(const QList<StopRecord>& records)
{
    QString out = QStringLiteral("# 停留所名,整理券番号,運賃(整理券番号1から順に、最大150)\n");
    for (const StopRecord& rec : records) {
        if (NeedsQuotes(rec.StopName)) {
            QString quoted = rec.StopName;
            quoted.replace(u'"', QLatin1String("\"\""));
            out += u'"' + quoted + u'"';
        } else {
            out += rec.StopName;
        }
        out += u',' + QString::number(rec.SeiriNo);
        int last = kFareColumns;
        while (last > 0 && rec.Fare[size_t(last)] == 0)
            --last;
        for (int k = 1; k <= last; ++k)
            out += u',' + QString::number(rec.Fare[size_t(k)]);
        out += u'\n';
    }
    return out.toUtf8();
}

QString FormatFareCsvError(const QString& fileName, const FareCsvError& error)
{
    QString s = fileName + u':' + QString::number(error.line) + QLatin1String(": ");
    if (error.column > 0)
        s += QString::number(error.column) + QStringLiteral("列目: ");
    s += error.message;
    if (!error.hint.isEmpty())
        s += u'\n' + fileName + u':' + QString::number(error.line) + QStringLiteral(": ヒント: ") +
             error.hint;
    return s;
}

QString FormatFareCsvWarning(const QString& fileName, const FareCsvError& warning)
{
    FareCsvError w = warning;
    w.message = QStringLiteral("警告: ") + w.message;
    return FormatFareCsvError(fileName, w);
}

bool SplitCsv(const QByteArray& bytes, bool hashComments,
              const std::function<bool(const QList<CsvField>&)>& row, FareCsvError& error)
{
    QString text;
    if (!DecodeText(bytes, text, error))
        return false;
    Splitter split(text, hashComments);
    QList<Field> fields;
    while (split.next(fields))
        if (!row(fields))
            return false;
    if (split.failed()) {
        error = split.error();
        return false;
    }
    return true;
}

QString FareFileNameProblem(const QString& fileName)
{
    const QString suffix = QStringLiteral(".hy3");
    if (!fileName.endsWith(suffix, Qt::CaseInsensitive))
        return QStringLiteral("名前が .hy3 で終わらないため、系統の運賃データとして読み込まれません"
                              " (例: 12.hy3)");
    if (!fileName.endsWith(suffix))
        return QStringLiteral("拡張子が小文字の .hy3 でないため、系統の運賃データとして読み込まれ"
                              "ません (例: 12.hy3)");
    const QString stem = fileName.chopped(suffix.size());
    const bool digits = !stem.isEmpty() && std::all_of(stem.begin(), stem.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    if (!digits)
        return QStringLiteral("系統番号でない名前のため、系統の運賃データとして読み込まれません。"
                              "名前は系統番号 (0～99999、先頭に0を付けない) と .hy3 にします"
                              " (例: 12.hy3)");
    const QString key = RouteKey(stem);
    if (key.size() > 5)
        return QStringLiteral("系統番号は5桁 (0～99999) までのため、系統の運賃データとして読み込"
                              "まれません");
    if (key != stem)
        return QStringLiteral(
                   "系統番号の先頭に0があるため、系統の運賃データとして読み込まれません。"
                   "系統 %1 なら %1.hy3 にします")
            .arg(key);
    return {};
}
