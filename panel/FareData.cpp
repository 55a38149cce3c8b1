// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/FareData.h"

#include "companion/LTM4Res.h"

#include <QtEndian>

#include <limits>

namespace {

constexpr qsizetype kCountBytes = 2;

// A cursor that refuses any field the bytes do not fully hold.
class Reader final {
public:
    explicit Reader(const QByteArray& bytes) : m_data(bytes.constData()), m_size(bytes.size()) {}

    qsizetype left() const { return m_size - m_pos; }

    // The next n bytes, or nullptr when fewer are left.
    const char* take(qsizetype n)
    {
        if (n < 0 || left() < n)
            return nullptr;
        const char* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    bool u16(quint16& out)
    {
        const char* p = take(2);
        if (p)
            out = qFromLittleEndian<quint16>(p);
        return p;
    }
    bool i16(qint16& out)
    {
        const char* p = take(2);
        if (p)
            out = qFromLittleEndian<qint16>(p);
        return p;
    }

private:
    const char* m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_pos = 0;
};

// One whole record, or nothing: a record cut short is not half-filled.
bool ReadRecord(Reader& in, StopRecord& rec)
{
    quint16 nameBytes = 0;
    if (!in.u16(nameBytes) || in.left() < qsizetype(nameBytes) + kFareRecordFixedBytes - 2)
        return false;
    // The name is only looked at while it is decoded: no copy of its bytes.
    const char* name = in.take(nameBytes);
    rec.StopName = ltm4::FromCp932(QByteArray::fromRawData(name, nameBytes));
    in.i16(rec.SeiriNo);
    qFromLittleEndian<qint16>(in.take(2 * kFareColumns), kFareColumns, &rec.Fare[1]);
    return true;
}

void AppendI16(QByteArray& out, qint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

} // namespace

void FareTable::Clear()
{
    for (StopRecord& r : m_rows)
        r = StopRecord{};
}

bool FareTable::Fill(const QList<StopRecord>& records)
{
    Clear();
    int row = 0;
    for (const StopRecord& rec : records) {
        if (!IsRow(++row))
            return false;
        StopRecord& r = m_rows[size_t(row)];
        r = rec;
        r.Fare[0] = 0; // not a column of the table
    }
    return true;
}

std::optional<qint16> FareTable::Fare(int row, int k) const
{
    if (!IsRow(row) || k < 1 || k > kFareColumns)
        return std::nullopt;
    return m_rows[size_t(row)].Fare[size_t(k)];
}

FareFileResult ParseFareFile(const QByteArray& bytes)
{
    FareFileResult res;
    Reader in(bytes);
    if (!in.i16(res.count))
        return res; // too short for a count: a file with no records
    if (res.count < 0 ||
        (res.count > kFareTableRows && in.left() < qsizetype(res.count) * kFareRecordFixedBytes)) {
        res.error = FareFileError::NotFareData;
        return res;
    }
    if (res.count > kFareTableRows) {
        res.error = FareFileError::TooManyRecords;
        return res;
    }

    res.records.resize(res.count);
    for (StopRecord& rec : res.records) {
        if (!ReadRecord(in, rec)) {
            res.error = FareFileError::Truncated;
            res.records.clear();
            return res;
        }
        ++res.recordsRead;
    }
    res.trailingBytes = in.left();
    return res;
}

QString FareFileErrorText(const FareFileResult& result, const QString& fileName)
{
    // One substitution pass: a "%1" in a file name stays as it is.
    const QString count = QString::number(result.count);
    switch (result.error) {
    case FareFileError::None:
        return {};
    case FareFileError::NotFareData:
        return QStringLiteral("「%1」は運賃データではありません。\r\n"
                              "(先頭のレコード数 %2 がファイルの大きさと合いません)")
            .arg(fileName, count);
    case FareFileError::TooManyRecords:
        return QStringLiteral("運賃データ「%1」のレコード数(%2)が上限(%3)を超えています。")
            .arg(fileName, count, QString::number(kFareTableRows));
    case FareFileError::Truncated:
        return QStringLiteral("運賃データ「%1」は途中で切れています。\r\n"
                              "レコード数 %2 のうち、完全なレコードは %3 件です。")
            .arg(fileName, count, QString::number(result.recordsRead));
    }
    return {};
}

FareEncodeResult EncodeFareFile(const QList<StopRecord>& records)
{
    FareEncodeResult res;
    if (records.size() > kFareTableRows) {
        res.error = FareEncodeError::TooManyRecords;
        res.errorRecord = kFareTableRows + 1;
        return res;
    }
    QByteArray out;
    out.reserve(kCountBytes + records.size() * (kFareRecordFixedBytes + 32));
    AppendI16(out, qint16(records.size()));
    int index = 0;
    for (const StopRecord& rec : records) {
        ++index;
        bool lossy = false;
        const QByteArray name = ltm4::ToCp932(rec.StopName, &lossy);
        if (name.size() > kFareNameMaxBytes) {
            res.error = FareEncodeError::NameTooLong;
            res.errorRecord = index;
            return res;
        }
        if (lossy && !res.lossy) {
            res.lossy = true;
            res.firstLossyRecord = index;
        }
        char len[2];
        qToLittleEndian(quint16(name.size()), len);
        out.append(len, 2);
        out.append(name);
        AppendI16(out, rec.SeiriNo);
        for (int k = 1; k <= kFareColumns; ++k)
            AppendI16(out, rec.Fare[size_t(k)]);
    }
    res.bytes = out;
    return res;
}

RouteSetCheck CheckSection(qint16 count, qint16 sectionNo)
{
    if (count == 0)
        return RouteSetCheck::NoRecords;
    // In int: count - 1 of the most negative count must not wrap.
    if (int(count) - 1 < int(sectionNo))
        return RouteSetCheck::SectionBeyondData;
    return RouteSetCheck::Ok;
}

QString RouteSetCheckText(RouteSetCheck check)
{
    switch (check) {
    case RouteSetCheck::Ok:
        return {};
    case RouteSetCheck::NoRecords:
        return QStringLiteral("指定した系統はデータの数が0(未登録)の可能性があります...");
    case RouteSetCheck::SectionBeyondData:
        return QStringLiteral("指定した区間はデータの数よりも多いです...\r\n"
                              "  解決法：正しい区間を入力して下さい.");
    }
    return {};
}

int LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    constexpr int kMax = std::numeric_limits<int>::max();
    int n = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int d = text[i].unicode() - u'0';
        n = n > (kMax - d) / 10 ? kMax : n * 10 + d;
    }
    return n;
}

qint16 ClampSection(int section)
{
    return qint16(qBound(1, section, kFareMaxSection));
}

QString RouteKey(QStringView routeNo)
{
    qsizetype i = 0;
    while (i < routeNo.size() && (routeNo[i] == u' ' || routeNo[i] == u'\t'))
        ++i;
    const qsizetype first = i;
    while (i < routeNo.size() && routeNo[i] >= u'0' && routeNo[i] <= u'9')
        ++i;
    QStringView digits = routeNo.mid(first, i - first);
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    return digits.isEmpty() ? QStringLiteral("0") : digits.toString();
}

QString WithTrailingSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

QString FareFileName(const QString& folder, const QString& routeNo)
{
    return WithTrailingSeparator(folder) + RouteKey(routeNo) + QLatin1String(".hy3");
}
