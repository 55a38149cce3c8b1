// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/FareCsv.h"

#include "companion/LTM4Res.h"

#include <QStringDecoder>

#include <limits>

namespace {

using Field = CsvField;

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString DecodeText(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    if (!utf8.hasError())
        return text;
    return ltm4::FromCp932(view.toByteArray());
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

bool ToRecord(const QList<Field>& fields, StopRecord& rec, FareCsvError& error)
{
    const Field& name = fields[0];
    bool lossy = false;
    const QByteArray cp932 = ltm4::ToCp932(name.text, &lossy);
    if (lossy) {
        error = {name.line, 1,
                 QStringLiteral("停留所名 '%1' にCP932で表せない文字があります").arg(name.text)};
        return false;
    }
    if (cp932.size() > kFareNameMaxBytes) {
        error = {name.line, 1,
                 QStringLiteral("停留所名が長すぎます (CP932で%1バイト、上限は%2バイト)")
                     .arg(cp932.size())
                     .arg(kFareNameMaxBytes)};
        return false;
    }
    rec.StopName = name.text;

    if (fields.size() < 2 || fields[1].text.trimmed().isEmpty()) {
        const Field& at = fields.size() < 2 ? fields[0] : fields[1];
        error = {at.line, 2, QStringLiteral("整理券番号がありません")};
        return false;
    }
    if (!ParseNumber(fields[1], rec.SeiriNo, error))
        return false;

    for (qsizetype i = 2; i < fields.size(); ++i) {
        const Field& f = fields[i];
        const bool empty = f.text.trimmed().isEmpty();
        if (i - 1 > kFareColumns) {
            if (empty)
                continue; // trailing commas are harmless
            error = {f.line, f.column, QStringLiteral("運賃は%1列までです").arg(kFareColumns)};
            return false;
        }
        if (!empty && !ParseNumber(f, rec.Fare[size_t(i - 1)], error))
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
    const QString text = DecodeText(bytes);
    Splitter split(text);
    QList<Field> fields;
    while (split.next(fields)) {
        if (res.records.size() == kFareTableRows) {
            res.ok = false;
            res.error = {fields[0].line, 0,
                         QStringLiteral("停留所は%1までです").arg(kFareTableRows)};
            return res;
        }
        StopRecord rec;
        if (!ToRecord(fields, rec, res.error)) {
            res.ok = false;
            return res;
        }
        res.records << rec;
    }
    if (split.failed()) {
        res.ok = false;
        res.error = split.error();
    }
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
    return s + error.message;
}

bool SplitCsv(const QByteArray& bytes, bool hashComments,
              const std::function<bool(const QList<CsvField>&)>& row, FareCsvError& error)
{
    const QString text = DecodeText(bytes);
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
