// SPDX-License-Identifier: GPL-3.0-or-later
#include "route/SheetText.h"

namespace {

bool EndsCell(QChar c)
{
    return c == u'\t' || c == u'\r' || c == u'\n';
}

// A quoted cell from the quote at text[at]; false when the quote never closes.
bool QuotedCell(QStringView text, qsizetype& at, QString& cell)
{
    qsizetype i = at + 1;
    cell.clear();
    for (;;) {
        if (i >= text.size())
            return false;
        if (text[i] == u'"') {
            if (i + 1 < text.size() && text[i + 1] == u'"') {
                cell += u'"';
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        cell += text[i++];
    }
    // What follows the closing quote up to the cell's end is taken as written.
    while (i < text.size() && !EndsCell(text[i]))
        cell += text[i++];
    at = i;
    return true;
}

} // namespace

SheetCells ParseSheetText(QStringView text, qsizetype maxRows, qsizetype maxColumns)
{
    SheetCells out;
    QStringList row;
    qsizetype cellsInRow = 0;
    qsizetype at = 0;
    // After a quote that never closes no other can close either, so the
    // look-ahead runs to the end at most once.
    bool quotesClose = true;
    const auto endRow = [&] {
        if (qsizetype(out.rows.size()) < maxRows)
            out.rows << row;
        else
            ++out.rowsBeyond;
        out.columnsBeyond = qMax(out.columnsBeyond, cellsInRow - maxColumns);
        row.clear();
        cellsInRow = 0;
    };
    while (at < text.size()) {
        QString cell;
        bool quoted = false;
        if (text[at] == u'"' && quotesClose) {
            quoted = QuotedCell(text, at, cell);
            quotesClose = quoted;
        }
        if (!quoted) {
            const qsizetype start = at;
            while (at < text.size() && !EndsCell(text[at]))
                ++at;
            cell = text.mid(start, at - start).toString();
        }
        if (cellsInRow++ < maxColumns)
            row << cell;
        if (at >= text.size()) {
            endRow();
            break;
        }
        const QChar sep = text[at++];
        if (sep == u'\t') {
            if (at >= text.size()) {
                // A tab at the very end leaves one empty cell after it.
                if (cellsInRow++ < maxColumns)
                    row << QString();
                endRow();
            }
            continue;
        }
        if (sep == u'\r' && at < text.size() && text[at] == u'\n')
            ++at;
        endRow();
    }
    return out;
}

QString WriteSheetText(const QList<QStringList>& rows)
{
    QString out;
    for (const QStringList& row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += u'\t';
            const QString& cell = row[c];
            const bool quote = cell.startsWith(u'"') || cell.contains(u'\t') ||
                               cell.contains(u'\n') || cell.contains(u'\r');
            if (!quote) {
                out += cell;
                continue;
            }
            QString q = cell;
            q.replace(u'"', QLatin1String("\"\""));
            out += u'"' + q + u'"';
        }
        out += u'\n';
    }
    return out;
}

std::optional<qint16> SheetNumber(QStringView cell)
{
    QString t;
    for (QChar c : cell.trimmed()) {
        // Full-width forms to ASCII: digits, signs and the comma.
        if (c >= u'０' && c <= u'９')
            c = QChar(u'0' + (c.unicode() - u'０'));
        else if (c == u'－' || c == u'−' || c == u'ー')
            c = u'-';
        else if (c == u'＋')
            c = u'+';
        else if (c == u'，')
            c = u',';
        t += c;
    }
    if (t.startsWith(u'¥') || t.startsWith(u'￥'))
        t.remove(0, 1);
    if (t.endsWith(u'円'))
        t.chop(1);
    t = t.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    qint64 value = 0;
    int digits = 0;
    int group = -1; // digits since the last comma; -1 before any comma
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u',') {
            // Only as a thousands separator: after 1..3 digits, then groups of 3.
            if (digits == 0 || (group >= 0 && group != 3) || (group < 0 && digits > 3))
                return std::nullopt;
            group = 0;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        ++digits;
        if (group >= 0)
            ++group;
        if (value > 32768)
            return std::nullopt;
    }
    if (digits == 0 || (group >= 0 && group != 3))
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}
