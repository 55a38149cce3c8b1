// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MciCommand.h"

#include <QList>

namespace {

bool Is(QStringView word, QStringView keyword)
{
    return word.compare(keyword, Qt::CaseInsensitive) == 0;
}

QList<QStringView> Words(QStringView text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

MciParseResult Fail(MciParseError e)
{
    MciParseResult r;
    r.error = e;
    return r;
}

// The words after the alias: "wait" for every verb, "from 0" for play.
MciParseError ReadFlags(const QList<QStringView>& words, qsizetype from, MciCommand& c)
{
    for (qsizetype i = from; i < words.size(); ++i) {
        const QStringView w = words[i];
        if (Is(w, u"wait") && !c.wait) {
            c.wait = true;
        } else if (Is(w, u"from") && c.verb == MciVerb::Play && !c.fromStart) {
            if (i + 1 >= words.size() || words[i + 1] != u"0")
                return MciParseError::BadPosition;
            c.fromStart = true;
            ++i;
        } else {
            return MciParseError::UnknownKeyword;
        }
    }
    return MciParseError::None;
}

MciParseResult ParseOpen(QStringView rest)
{
    MciParseResult r;
    r.command.verb = MciVerb::Open;
    rest = rest.trimmed();
    if (rest.isEmpty())
        return Fail(MciParseError::MissingPath);
    QStringView tail;
    if (rest.front() == u'"') {
        // The quote that closes the path is the last one followed by the
        // type word, so a quote in the file name or in the alias (a program
        // renamed with one) still reads right; without one, the last quote.
        const auto beforeType = [rest](qsizetype q) {
            qsizetype i = q + 1;
            if (i >= rest.size() || rest[i] != u' ')
                return false;
            while (i < rest.size() && rest[i] == u' ')
                ++i;
            const QStringView after = rest.sliced(i);
            return after.size() >= 4 && Is(after.first(4), u"type") &&
                   (after.size() == 4 || after[4] == u' ');
        };
        const qsizetype last = rest.lastIndexOf(u'"');
        qsizetype close = last;
        while (close > 0 && !beforeType(close))
            close = rest.lastIndexOf(u'"', close - 1);
        if (close <= 0)
            close = last;
        if (close == 0)
            return Fail(MciParseError::UnterminatedQuote);
        r.command.path = rest.sliced(1, close - 1).toString();
        tail = rest.sliced(close + 1);
        // The closing quote ends a word.
        if (!tail.isEmpty() && tail.front() != u' ')
            return Fail(MciParseError::UnknownKeyword);
    } else {
        const qsizetype blank = rest.indexOf(u' ');
        r.command.path = rest.first(blank < 0 ? rest.size() : blank).toString();
        tail = blank < 0 ? QStringView() : rest.sliced(blank);
    }
    if (r.command.path.isEmpty())
        return Fail(MciParseError::MissingPath);

    const QList<QStringView> words = Words(tail);
    if (words.size() < 2 || !Is(words[0], u"type"))
        return Fail(MciParseError::MissingType);
    if (Is(words[1], u"waveaudio"))
        r.command.type = MciDeviceType::WaveAudio;
    else if (Is(words[1], u"mpegvideo"))
        r.command.type = MciDeviceType::MpegVideo;
    else if (Is(words[1], u"sequencer"))
        r.command.type = MciDeviceType::Sequencer;
    else
        return Fail(MciParseError::UnknownType);
    if (words.size() < 4 || !Is(words[2], u"alias"))
        return Fail(MciParseError::MissingAlias);
    r.command.alias = words[3].toString();
    r.error = ReadFlags(words, 4, r.command);
    return r;
}

} // namespace

MciParseResult ParseMciCommand(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return Fail(MciParseError::Empty);
    const qsizetype blank = text.indexOf(u' ');
    const QStringView verb = text.first(blank < 0 ? text.size() : blank);
    const QStringView rest = blank < 0 ? QStringView() : text.sliced(blank);
    if (Is(verb, u"open"))
        return ParseOpen(rest);

    MciParseResult r;
    if (Is(verb, u"play"))
        r.command.verb = MciVerb::Play;
    else if (Is(verb, u"stop"))
        r.command.verb = MciVerb::Stop;
    else if (Is(verb, u"close"))
        r.command.verb = MciVerb::Close;
    else
        return Fail(MciParseError::UnknownVerb);
    const QList<QStringView> words = Words(rest);
    if (words.isEmpty())
        return Fail(MciParseError::MissingAlias);
    r.command.alias = words[0].toString();
    r.error = ReadFlags(words, 1, r.command);
    return r;
}
