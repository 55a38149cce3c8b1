// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One table of a GTFS feed, read line by line with the fare table's CSV rules
// (UTF-8 with or without BOM, quoted fields, CRLF or LF). The first line names
// the columns; the reader finds the ones asked for by name, in any order, and
// ignores the rest. A line shorter than the header reads empty fields.

#include "tools/FareCsv.h"
#include "tools/GtfsError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

struct GtfsColumn {
    const char* name;
    bool required = false;
};

// The fields of one data line, in the order the columns were asked for.
class GtfsRow final {
public:
    GtfsRow(const QList<int>& map, const QList<CsvField>& fields) : m_map(map), m_fields(fields) {}

    // The field without surrounding blanks; empty when the table lacks the column.
    QString operator[](int column) const;
    // Whether the table has the column at all.
    bool has(int column) const { return m_map.value(column, -1) >= 0; }
    int line() const { return m_fields.isEmpty() ? 0 : m_fields.first().line; }

private:
    const QList<int>& m_map; // asked-for column -> field index, -1 if absent
    const QList<CsvField>& m_fields;
};

// Calls row for every data line; row returns false to stop after setting
// error. False when a required column is missing (error.header is then set),
// on a quoting fault, or when row stopped. header, when given, gets the
// header's fields as written.
bool ReadGtfsTable(const QByteArray& bytes, const QString& file,
                   std::initializer_list<GtfsColumn> columns,
                   const std::function<bool(const GtfsRow&)>& row, GtfsError& error,
                   QStringList* header = nullptr);

// A header's fields as one line for messages, with tabs made visible.
QString ShowGtfsHeader(const QStringList& header);
