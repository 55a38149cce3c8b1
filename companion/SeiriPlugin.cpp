// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/SeiriPlugin.h"

#include "companion/LTM4Res.h"
#include "companion/RegularFile.h"
#include "companion/TicketCost.h"

#include <QHash>
#include <QSet>

#include <array>
#include <limits>
#include <utility>

namespace ltm4 {

namespace {

using Error = SeiriPluginError;

struct Failure {
    Error error;
    QString detail;
};

// A reader step either succeeds or says what is wrong; the line is added by
// the caller that knows it.
template <typename T> struct Step {
    std::optional<T> value;
    Failure failure{Error::None, {}};
    static Step fail(Error e, QString detail = {}) { return Step{std::nullopt, {e, detail}}; }
};

// ---- numbers, colours, words ----------------------------------------------

std::optional<qint32> parseInt(QStringView s)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == u'-') {
        negative = true;
        ++i;
    }
    const qsizetype digits = s.size() - i;
    // Ten digits hold every 32-bit value; more are refused before any sum.
    if (digits < 1 || digits > 10)
        return std::nullopt;
    qint64 v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9')
            return std::nullopt;
        v = v * 10 + (s[i].unicode() - u'0');
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(v);
}

std::optional<quint32> parseColor(QStringView s)
{
    if (s.size() != 7 || s[0] != u'#')
        return std::nullopt;
    quint32 rgb = 0;
    for (qsizetype i = 1; i < 7; ++i) {
        const char16_t c = s[i].unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        rgb = rgb * 16 + quint32(d);
    }
    return 0xFF000000u | rgb;
}

// ---- ticket texts ------------------------------------------------------------

struct FieldName {
    const char16_t* name;
    TicketField field;
    bool numeric;
};

constexpr FieldName kFieldNames[] = {
    {u"stop", TicketField::StopName, false},   {u"date", TicketField::Date, false},
    {u"time", TicketField::Time, false},       {u"year", TicketField::Year, true},
    {u"month", TicketField::Month, true},      {u"day", TicketField::Day, true},
    {u"era", TicketField::Era, false},         {u"eyear", TicketField::EraYear, true},
    {u"hour", TicketField::Hour, true},        {u"minute", TicketField::Minute, true},
    {u"second", TicketField::Second, true},    {u"route", TicketField::RouteNo, true},
    {u"ticket", TicketField::SeiriNo, true},   {u"row", TicketField::Row, true},
    {u"company", TicketField::Company, false},
};

const FieldName* findField(QStringView name)
{
    for (const FieldName& f : kFieldNames)
        if (name == QStringView(f.name))
            return &f;
    return nullptr;
}

void appendLiteral(TicketText& text, QChar c)
{
    if (text.isEmpty() || text.last().field != TicketField::Literal)
        text.append(TicketTextPart{});
    text.last().literal += c;
}

// "{name}" or "{name:width}" for a value, "{{" and "}}" for the braces.
Step<TicketText> parseText(QStringView s)
{
    using R = Step<TicketText>;
    if (s.size() > kPluginMaxTextChars)
        return R::fail(Error::BadText, s.left(20).toString());
    TicketText text;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'}') {
            if (i + 1 < s.size() && s[i + 1] == u'}') {
                appendLiteral(text, c);
                ++i;
                continue;
            }
            return R::fail(Error::BadText, QStringLiteral("}"));
        }
        if (c != u'{') {
            appendLiteral(text, c);
            continue;
        }
        if (i + 1 < s.size() && s[i + 1] == u'{') {
            appendLiteral(text, c);
            ++i;
            continue;
        }
        const qsizetype close = s.indexOf(u'}', i + 1);
        if (close < 0)
            return R::fail(Error::BadText, s.mid(i).toString());
        const QStringView inside = s.mid(i + 1, close - i - 1);
        const qsizetype colon = inside.indexOf(u':');
        const QStringView name = colon < 0 ? inside : inside.left(colon);
        const FieldName* f = findField(name);
        if (!f)
            return R::fail(Error::BadText, inside.toString());
        TicketTextPart part;
        part.field = f->field;
        if (colon >= 0) {
            const QStringView w = inside.mid(colon + 1);
            // Only numbers pad, to at most nine digits.
            if (!f->numeric || w.size() != 1 || w[0] < u'1' || w[0] > u'9')
                return R::fail(Error::BadText, inside.toString());
            part.width = w[0].unicode() - u'0';
        }
        text.append(part);
        i = close;
    }
    return {std::move(text)};
}

bool isNumericField(TicketField f)
{
    for (const FieldName& n : kFieldNames)
        if (n.field == f)
            return n.numeric;
    return false;
}

// Whether a symbology can carry every text the template can produce.
bool barcodeCanCarry(TicketBarcode type, const TicketText& text)
{
    for (const TicketTextPart& p : text) {
        if (p.field == TicketField::Literal) {
            for (QChar c : p.literal) {
                const char16_t u = c.unicode();
                const bool digit = u >= u'0' && u <= u'9';
                switch (type) {
                case TicketBarcode::Itf:
                    if (!digit)
                        return false;
                    break;
                case TicketBarcode::Codabar:
                    if (!digit && !QStringView(u"-$:/.+").contains(c))
                        return false;
                    break;
                case TicketBarcode::Code128:
                    if (u < 0x20 || u > 0x7E)
                        return false;
                    break;
                }
            }
            continue;
        }
        if (isNumericField(p.field))
            continue;
        // The date and time are digits with "-", "/" and ":".
        const bool dateTime = p.field == TicketField::Date || p.field == TicketField::Time;
        if (!dateTime || type == TicketBarcode::Itf)
            return false;
    }
    return true;
}

// ---- draw lines ----------------------------------------------------------------

struct Pair {
    QString key;
    QString value;
};

// "kind key=value key="quoted value" ...": a quoted value may hold blanks,
// \" and \\.
Step<std::pair<QString, QList<Pair>>> splitDrawLine(QStringView line)
{
    using R = Step<std::pair<QString, QList<Pair>>>;
    constexpr qsizetype kMaxPairs = 32;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t' || line[i] == u'\u3000'))
            ++i;
    };
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\u3000'; };
    skipBlanks();
    const qsizetype kindStart = i;
    while (i < line.size() && !isBlank(line[i]))
        ++i;
    const QString kind = line.mid(kindStart, i - kindStart).toString();
    QList<Pair> pairs;
    for (skipBlanks(); i < line.size(); skipBlanks()) {
        const qsizetype keyStart = i;
        while (i < line.size() && line[i] != u'=' && !isBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] != u'=' || i == keyStart)
            return R::fail(Error::BadLine, line.mid(keyStart, i - keyStart + 1).toString());
        Pair pair;
        pair.key = line.mid(keyStart, i - keyStart).toString();
        ++i; // '='
        if (i < line.size() && line[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const QChar c = line[i++];
                if (c == u'"') {
                    closed = true;
                    break;
                }
                if (c == u'\\' && i < line.size() && (line[i] == u'"' || line[i] == u'\\'))
                    pair.value += line[i++];
                else
                    pair.value += c;
            }
            if (!closed)
                return R::fail(Error::BadLine, pair.key);
            if (i < line.size() && !isBlank(line[i]))
                return R::fail(Error::BadLine, pair.key);
        } else {
            const qsizetype valueStart = i;
            while (i < line.size() && !isBlank(line[i]))
                ++i;
            pair.value = line.mid(valueStart, i - valueStart).toString();
        }
        if (pairs.size() >= kMaxPairs)
            return R::fail(Error::TooMany, pair.key);
        pairs << pair;
    }
    return {std::make_pair(kind, pairs)};
}

struct NumberKey {
    const char16_t* key;
    int TicketItem::*member;
    int min;
    int max;
};

constexpr int kCoord = 4000;
constexpr NumberKey kNumberKeys[] = {
    {u"x", &TicketItem::x, -kCoord, kCoord},   {u"y", &TicketItem::y, -kCoord, kCoord},
    {u"w", &TicketItem::w, 0, kCoord},         {u"h", &TicketItem::h, 0, kCoord},
    {u"x1", &TicketItem::x, -kCoord, kCoord},  {u"y1", &TicketItem::y, -kCoord, kCoord},
    {u"x2", &TicketItem::x2, -kCoord, kCoord}, {u"y2", &TicketItem::y2, -kCoord, kCoord},
    {u"pen", &TicketItem::pen, 0, 50},         {u"radius", &TicketItem::radius, 0, kCoord},
    {u"size", &TicketItem::size, 1, 400},      {u"spacing", &TicketItem::spacing, -20, 100},
};

struct KindRule {
    const char16_t* name;
    TicketItemKind kind;
    std::initializer_list<const char16_t*> required;
    std::initializer_list<const char16_t*> optional;
};

const KindRule kKinds[] = {
    {u"paper", TicketItemKind::Paper, {u"color"}, {}},
    {u"box", TicketItemKind::Box, {u"x", u"y", u"w", u"h"}, {u"pen", u"color", u"fill", u"radius"}},
    {u"line", TicketItemKind::Line, {u"x1", u"y1", u"x2", u"y2"}, {u"pen", u"color", u"style"}},
    {u"text",
     TicketItemKind::Text,
     {u"x", u"y", u"w", u"h", u"value"},
     {u"face", u"size", u"bold", u"color", u"align", u"valign", u"spacing", u"fit"}},
    {u"barcode", TicketItemKind::Barcode, {u"x", u"y", u"w", u"h", u"type", u"value"}, {u"color"}},
};

template <typename E, std::size_t N>
std::optional<E> pickWord(QStringView word, const std::pair<const char16_t*, E> (&words)[N])
{
    for (const auto& [name, value] : words)
        if (word == QStringView(name))
            return value;
    return std::nullopt;
}

constexpr std::pair<const char16_t*, TicketAlign> kAligns[] = {
    {u"left", TicketAlign::Left}, {u"center", TicketAlign::Center}, {u"right", TicketAlign::Right}};
constexpr std::pair<const char16_t*, TicketVAlign> kVAligns[] = {{u"top", TicketVAlign::Top},
                                                                 {u"middle", TicketVAlign::Middle},
                                                                 {u"bottom", TicketVAlign::Bottom}};
constexpr std::pair<const char16_t*, TicketLineStyle> kStyles[] = {
    {u"solid", TicketLineStyle::Solid},
    {u"dash", TicketLineStyle::Dash},
    {u"dot", TicketLineStyle::Dot}};
constexpr std::pair<const char16_t*, TicketBarcode> kBarcodes[] = {
    {u"code128", TicketBarcode::Code128},
    {u"itf", TicketBarcode::Itf},
    {u"codabar", TicketBarcode::Codabar}};
constexpr std::pair<const char16_t*, bool> kBools[] = {{u"0", false}, {u"1", true}};

Step<TicketItem> parseItem(QStringView line)
{
    using R = Step<TicketItem>;
    const auto split = splitDrawLine(line);
    if (!split.value)
        return R::fail(split.failure.error, split.failure.detail);
    const auto& [kindName, pairs] = *split.value;

    const KindRule* rule = nullptr;
    for (const KindRule& k : kKinds)
        if (kindName == QStringView(k.name))
            rule = &k;
    if (!rule)
        return R::fail(Error::BadWord, kindName);

    TicketItem item;
    item.kind = rule->kind;
    item.face = QStringLiteral("ＭＳ Ｐゴシック");
    QSet<QString> seen;
    for (const Pair& p : pairs) {
        const auto in = [&p](std::initializer_list<const char16_t*> keys) {
            for (const char16_t* k : keys)
                if (p.key == QStringView(k))
                    return true;
            return false;
        };
        if (!in(rule->required) && !in(rule->optional))
            return R::fail(Error::UnknownKey, p.key);
        if (seen.contains(p.key))
            return R::fail(Error::DuplicateKey, p.key);
        seen.insert(p.key);

        bool numberKey = false;
        for (const NumberKey& n : kNumberKeys) {
            if (p.key != QStringView(n.key))
                continue;
            numberKey = true;
            const std::optional<qint32> v = parseInt(p.value);
            if (!v || *v < n.min || *v > n.max)
                return R::fail(Error::BadNumber, p.key);
            item.*n.member = *v;
        }
        if (numberKey)
            continue;

        bool good = true;
        if (p.key == u"color" || p.key == u"fill") {
            const std::optional<quint32> c = parseColor(p.value);
            if (!c)
                return R::fail(Error::BadColor, p.key);
            (p.key == u"color" ? item.color : item.fill.emplace()) = *c;
        } else if (p.key == u"face") {
            if (p.value.trimmed().isEmpty() || p.value.size() > kPluginMaxNameChars)
                return R::fail(Error::BadWord, p.key);
            item.face = p.value.trimmed();
        } else if (p.key == u"value") {
            Step<TicketText> text = parseText(p.value);
            if (!text.value)
                return R::fail(text.failure.error, text.failure.detail);
            item.text = std::move(*text.value);
        } else if (p.key == u"bold" || p.key == u"fit") {
            const auto b = pickWord(p.value, kBools);
            good = b.has_value();
            (p.key == u"bold" ? item.bold : item.fit) = b.value_or(false);
        } else if (p.key == u"align") {
            const auto a = pickWord(p.value, kAligns);
            good = a.has_value();
            item.align = a.value_or(TicketAlign::Left);
        } else if (p.key == u"valign") {
            const auto a = pickWord(p.value, kVAligns);
            good = a.has_value();
            item.valign = a.value_or(TicketVAlign::Middle);
        } else if (p.key == u"style") {
            const auto s = pickWord(p.value, kStyles);
            good = s.has_value();
            item.style = s.value_or(TicketLineStyle::Solid);
        } else if (p.key == u"type") {
            const auto t = pickWord(p.value, kBarcodes);
            good = t.has_value();
            item.barcode = t.value_or(TicketBarcode::Code128);
        }
        if (!good)
            return R::fail(Error::BadWord, p.key);
    }
    for (const char16_t* k : rule->required)
        if (!seen.contains(QString::fromUtf16(k)))
            return R::fail(Error::MissingValue, QString::fromUtf16(k));
    if (item.kind == TicketItemKind::Barcode) {
        if (item.text.isEmpty() || !barcodeCanCarry(item.barcode, item.text))
            return R::fail(Error::BadText, QStringLiteral("value"));
        // Refused now rather than drawn as nothing at the stop whose values
        // make it too long: every placeholder is counted at its longest.
        if (const std::optional<qsizetype> limit = BarcodeMaxChars(item.barcode)) {
            const qsizetype longest = item.barcode == TicketBarcode::Itf
                                          ? TicketTextMaxDigits(item.text)
                                          : TicketTextMaxChars(item.text, {});
            if (longest > *limit)
                return R::fail(Error::BarcodeTooLong,
                               QStringLiteral("value は最長 %1 文字、%2 は %3 文字まで")
                                   .arg(QString::number(longest), BarcodeTypeName(item.barcode),
                                        QString::number(*limit)));
        }
    }
    return {std::move(item)};
}

// ---- info ----------------------------------------------------------------------

constexpr std::pair<const char16_t*, qint32 PlgInfo::*> kInfoKeys[] = {
    {u"PrevWidth", &PlgInfo::PrevWidth},
    {u"PrevHeight", &PlgInfo::PrevHeight},
    {u"CanDate", &PlgInfo::CanDate},
    {u"CanTime", &PlgInfo::CanTime},
    {u"CanRouteNo", &PlgInfo::CanRouteNo},
    {u"CanStopName", &PlgInfo::CanStopName},
    {u"CanBarcode", &PlgInfo::CanBarcode},
    {u"BarcodeCount", &PlgInfo::BarcodeCount},
    {u"RouteMax", &PlgInfo::RouteMax},
    {u"BarcodeRouteMode", &PlgInfo::BarcodeRouteMode},
    {u"StopRangeFrom", &PlgInfo::StopRangeFrom},
    {u"StopRangeTo", &PlgInfo::StopRangeTo},
    {u"CorpSwitch", &PlgInfo::CorpSwitch},
};

// ---- the file --------------------------------------------------------------------

bool hasControlBytes(QByteArrayView bytes)
{
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0x7F)
            return true;
    }
    return false;
}

std::optional<std::pair<QString, bool>> decode(QByteArrayView bytes)
{
    DecodedText decoded = DecodeUtf8OrCp932(bytes);
    // Neither encoding holds every byte: not a text file.
    if (!decoded.ok())
        return std::nullopt;
    return std::make_pair(std::move(decoded.text), decoded.utf8);
}

bool isBlankOrComment(QStringView trimmed)
{
    return trimmed.isEmpty() || trimmed.startsWith(u'#');
}

enum class Section { None, Info, Notes, Companies, Draw, End };

class Reader {
public:
    SeiriPluginResult run(QByteArrayView bytes);

private:
    SeiriPluginResult fail(Error e, QString detail = {}) const
    {
        SeiriPluginResult r;
        r.error = e;
        r.line = m_line;
        r.detail = std::move(detail);
        return r;
    }
    std::optional<SeiriPluginResult> line(QStringView raw);
    std::optional<SeiriPluginResult> infoLine(QStringView trimmed);

    int m_line = 0;
    bool m_header = false;
    Section m_section = Section::None;
    std::array<bool, 6> m_seenSections{};
    QSet<QString> m_infoKeys;
    QStringList m_notes;
    SeiriPlugin m_plugin;
    int m_firstBarcodeLine = 0;
};

std::optional<SeiriPluginResult> Reader::infoLine(QStringView trimmed)
{
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0)
        return fail(Error::BadLine);
    const QString key = trimmed.left(eq).trimmed().toString();
    const QStringView value = trimmed.mid(eq + 1).trimmed();
    qint32 PlgInfo::*member = nullptr;
    for (const auto& [name, m] : kInfoKeys)
        if (key == QStringView(name))
            member = m;
    if (!member)
        return fail(Error::UnknownKey, key);
    if (m_infoKeys.contains(key))
        return fail(Error::DuplicateKey, key);
    m_infoKeys.insert(key);
    const std::optional<qint32> v = parseInt(value);
    if (!v)
        return fail(Error::BadNumber, key);
    if ((member == &PlgInfo::PrevWidth || member == &PlgInfo::PrevHeight) &&
        (*v < kPluginMinPrevTwips || *v > kPluginMaxPrevTwips))
        return fail(Error::BadNumber, key);
    m_plugin.info.*member = *v;
    return std::nullopt;
}

std::optional<SeiriPluginResult> Reader::line(QStringView raw)
{
    if (raw.size() > kPluginMaxLineChars)
        return fail(Error::LineTooLong);
    const QStringView trimmed = raw.trimmed();

    if (!m_header) {
        if (isBlankOrComment(trimmed))
            return std::nullopt;
        const QList<QStringView> words = trimmed.split(u' ', Qt::SkipEmptyParts);
        if (words.size() != 2 || words[0] != u"4SP")
            return fail(Error::NoHeader);
        if (words[1] != u"1")
            return fail(Error::UnknownVersion, words[1].toString());
        m_header = true;
        return std::nullopt;
    }

    if (m_section == Section::End) {
        if (!trimmed.isEmpty())
            return fail(Error::AfterEnd);
        return std::nullopt;
    }

    // The notes are free text: only a section line ends them.
    const bool sectionLine = trimmed.startsWith(u'[') && trimmed.endsWith(u']');
    if (m_section == Section::Notes && !sectionLine) {
        if (m_notes.size() >= kPluginMaxNoteLines)
            return fail(Error::TooMany, QStringLiteral("notes"));
        m_notes << raw.toString().trimmed();
        return std::nullopt;
    }
    if (isBlankOrComment(trimmed))
        return std::nullopt;

    if (sectionLine) {
        static const QHash<QString, Section> kSections{
            {QStringLiteral("info"), Section::Info},
            {QStringLiteral("notes"), Section::Notes},
            {QStringLiteral("companies"), Section::Companies},
            {QStringLiteral("draw"), Section::Draw},
            {QStringLiteral("end"), Section::End},
        };
        const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed().toString();
        const auto it = kSections.constFind(name);
        if (it == kSections.cend() || m_seenSections[std::size_t(*it)])
            return fail(Error::BadSection, name);
        m_section = *it;
        m_seenSections[std::size_t(*it)] = true;
        return std::nullopt;
    }

    switch (m_section) {
    case Section::None:
    case Section::End:
    case Section::Notes:
        return fail(Error::BadSection);
    case Section::Info:
        return infoLine(trimmed);
    case Section::Companies:
        if (m_plugin.companies.size() >= kPluginMaxCompanies)
            return fail(Error::TooMany, QStringLiteral("companies"));
        if (trimmed.size() > kPluginMaxNameChars)
            return fail(Error::BadText, trimmed.left(20).toString());
        m_plugin.companies << trimmed.toString();
        return std::nullopt;
    case Section::Draw: {
        if (m_plugin.items.size() >= kPluginMaxItems)
            return fail(Error::TooMany, QStringLiteral("draw"));
        Step<TicketItem> item = parseItem(trimmed);
        if (!item.value)
            return fail(item.failure.error, item.failure.detail);
        if (item.value->kind == TicketItemKind::Barcode && m_firstBarcodeLine == 0)
            m_firstBarcodeLine = m_line;
        item.value->line = m_line;
        m_plugin.items << std::move(*item.value);
        return std::nullopt;
    }
    }
    return std::nullopt;
}

SeiriPluginResult Reader::run(QByteArrayView bytes)
{
    if (bytes.size() > kPluginMaxFileBytes)
        return fail(Error::TooLarge);
    if (hasControlBytes(bytes))
        return fail(Error::NotText);
    auto decoded = decode(bytes);
    if (!decoded)
        return fail(Error::NotText);
    const QString& text = decoded->first;
    m_plugin.utf8 = decoded->second;

    // Lines end in LF, CR LF, or CR alone as old Mac editors write them.
    const QStringView all(text);
    qsizetype from = 0;
    for (;;) {
        qsizetype to = from;
        while (to < all.size() && all[to] != u'\n' && all[to] != u'\r')
            ++to;
        ++m_line;
        if (auto failed = line(all.mid(from, to - from)))
            return *failed;
        if (to >= all.size())
            break;
        from = to + 1;
        if (all[to] == u'\r' && from < all.size() && all[from] == u'\n')
            ++from;
    }

    m_line = 0;
    if (!m_header)
        return fail(Error::NoHeader);
    if (m_section != Section::End)
        return fail(Error::NoEnd);
    if (!m_infoKeys.contains(QStringLiteral("PrevWidth")))
        return fail(Error::MissingValue, QStringLiteral("PrevWidth"));
    if (!m_infoKeys.contains(QStringLiteral("PrevHeight")))
        return fail(Error::MissingValue, QStringLiteral("PrevHeight"));
    if (m_firstBarcodeLine != 0 && m_plugin.info.CanBarcode != 1) {
        m_line = m_firstBarcodeLine;
        return fail(Error::BarcodeNotAllowed);
    }

    const qint64 cost = TicketDrawCost(m_plugin);
    if (cost > kTicketMaxDrawCost)
        return fail(Error::TooCostly,
                    QStringLiteral("重さ %1、上限 %2。項目や文字を減らすか、小さくしてください")
                        .arg(QString::number(cost), QString::number(kTicketMaxDrawCost)));

    // Blank lines around the notes are layout, not content.
    while (!m_notes.isEmpty() && m_notes.first().isEmpty())
        m_notes.removeFirst();
    while (!m_notes.isEmpty() && m_notes.last().isEmpty())
        m_notes.removeLast();
    m_plugin.notes = m_notes.join(u'\n');
    m_plugin.info.PlgHead = PlgInfo::kHead;

    SeiriPluginResult r;
    r.plugin = std::move(m_plugin);
    return r;
}

} // namespace

std::optional<qsizetype> BarcodeMaxChars(TicketBarcode type)
{
    if (type == TicketBarcode::Codabar)
        return std::nullopt;
    return kBarcodeMaxChars;
}

QString BarcodeTypeName(TicketBarcode type)
{
    for (const auto& [name, t] : kBarcodes)
        if (t == type)
            return QString::fromUtf16(name);
    return {};
}

SeiriPluginResult ReadSeiriPlugin(QByteArrayView bytes)
{
    return Reader().run(bytes);
}

SeiriPluginResult ReadSeiriPluginFile(const QString& path)
{
    // One byte past the cap is enough to know the file is too large.
    const FileBytes file = ReadRegularFile(path, kPluginMaxFileBytes + 1);
    if (!file.ok()) {
        SeiriPluginResult refused;
        refused.error = Error::Unreadable;
        return refused;
    }
    return ReadSeiriPlugin(file.bytes);
}

QString SeiriPluginErrorText(const SeiriPluginResult& r)
{
    // In the order of SeiriPluginError, None first.
    static constexpr const char16_t* kReasons[] = {
        u"",
        u"ファイルを開けません",
        u"ファイルが大きすぎます（64KiBまで）",
        u"テキストファイルではありません（UTF-8かShift_JISのテキストにしてください）",
        u"最初の行が「4SP 1」ではありません",
        u"対応していない形式の版です",
        u"行が長すぎます（1024文字まで）",
        u"不明な、または重複した節です",
        u"書き方が正しくありません",
        u"不明な項目名です",
        u"同じ項目が二度あります",
        u"必要な項目がありません",
        u"数値が正しくないか、範囲外です",
        u"色は #RRGGBB の形で書いてください",
        u"使えない語です",
        u"文字列または差し込み項目が正しくありません",
        u"数が上限を超えています",
        u"CanBarcode が 1 でないのにバーコードがあります",
        u"[end] がありません（ファイルが途中で切れています）",
        u"[end] の後に内容があります",
        u"描画に時間がかかりすぎます",
        u"バーコードに入りきりません",
    };
    static_assert(std::size(kReasons) == std::size_t(Error::BarcodeTooLong) + 1);
    if (r.error == Error::None)
        return {};
    QString text = r.line > 0 ? QStringLiteral("%1行目: ").arg(r.line) : QString();
    text += QString::fromUtf16(kReasons[std::size_t(r.error)]);
    if (!r.detail.isEmpty())
        text += QStringLiteral("（%1）").arg(r.detail);
    return text;
}

} // namespace ltm4
