// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/GtfsTable.h"

QString GtfsRow::operator[](int column) const
{
    const int at = m_map.value(column, -1);
    if (at < 0 || at >= m_fields.size())
        return {};
    return m_fields[at].text.trimmed();
}

namespace {

// The first required column the header lacks, or nullptr.
const char* MissingColumn(std::initializer_list<GtfsColumn> columns, const QList<int>& map)
{
    qsizetype i = 0;
    for (const GtfsColumn& c : columns) {
        if (c.required && map.value(i, -1) < 0)
            return c.name;
        ++i;
    }
    return nullptr;
}

} // namespace

bool ReadGtfsTable(const QByteArray& bytes, const QString& file,
                   std::initializer_list<GtfsColumn> columns,
                   const std::function<bool(const GtfsRow&)>& row, GtfsError& error,
                   QStringList* header)
{
    QList<int> map;
    bool atHeader = true;
    bool stopped = false;
    auto missing = [&](const char* name, int line) {
        error = {file, line, QStringLiteral("列 %1 がありません").arg(QLatin1String(name)), true};
        stopped = true;
        return false;
    };
    if (header)
        header->clear();
    auto onLine = [&](const QList<CsvField>& fields) {
        if (!atHeader) {
            if (row(GtfsRow(map, fields)))
                return true;
            stopped = true;
            return false;
        }
        atHeader = false;
        if (header)
            for (const CsvField& f : fields)
                *header << f.text;
        for (const GtfsColumn& c : columns) {
            int at = -1;
            for (qsizetype i = 0; i < fields.size() && at < 0; ++i)
                if (fields[i].text.trimmed() == QLatin1String(c.name))
                    at = int(i);
            map << at;
        }
        if (const char* name = MissingColumn(columns, map))
            return missing(name, fields.first().line);
        return true;
    };
    FareCsvError csvError;
    const bool read = SplitCsv(bytes, false, onLine, csvError);
    if (stopped)
        return false;
    if (!read) {
        error = {file, csvError.line, csvError.message};
        return false;
    }
    // An empty table has no header, so it lacks every column.
    if (atHeader) {
        map.fill(-1, qsizetype(columns.size()));
        if (const char* name = MissingColumn(columns, map))
            return missing(name, 0);
    }
    return true;
}

QString ShowGtfsHeader(const QStringList& header)
{
    QString shown = header.join(u',');
    shown.replace(u'\t', QStringLiteral("<タブ>"));
    shown.replace(u'\r', QStringLiteral("<CR>"));
    return shown;
}
