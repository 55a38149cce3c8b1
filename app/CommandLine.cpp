// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QRegularExpression>

namespace {

// Qt's options that take a value: the value is Qt's too.
const QStringList kQtOptionsWithValue{
    "-platform",        "-platformpluginpath",
    "-platformtheme",   "-plugin",
    "-qmljsdebugger",   "-style",
    "-stylesheet",      "-session",
    "-display",         "-geometry",
    "-title",           "-name",
    "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle",
};

constexpr int kSpeeds[] = {1, 2, 5, 10, 60};

CommandLine Fail(const QString& error)
{
    CommandLine c;
    c.action = CommandLine::Action::Error;
    c.error = error;
    return c;
}

bool IsRouteNumber(const QString& s)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    return digits.match(s).hasMatch();
}

} // namespace

CommandLine ParseCommandLine(const QStringList& args)
{
    CommandLine c;
    std::optional<int> speed;
    bool loop = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        // --name=value is --name value.
        QString name = a;
        std::optional<QString> inlineValue;
        if (a.startsWith(QLatin1String("--")) && a.contains(u'=')) {
            name = a.section(u'=', 0, 0);
            inlineValue = a.section(u'=', 1);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                return args[++i];
            return std::nullopt;
        };
        if (name == u"--help" || name == u"-h") {
            c.action = CommandLine::Action::Help;
            return c;
        }
        if (name == u"--edit") {
            const std::optional<QString> v = value();
            if (!v || v->isEmpty())
                return Fail(
                    QStringLiteral("--edit には系統番号か .hy3 のファイルを続けてください"));
            if (!IsRouteNumber(*v) && !v->endsWith(QLatin1String(".hy3"), Qt::CaseInsensitive))
                return Fail(QStringLiteral(
                                "--edit %1: 系統番号 (0～99999) か .hy3 のファイルではありません")
                                .arg(*v));
            c.edit = *v;
        } else if (name == u"--run") {
            const std::optional<QString> v = value();
            if (!v)
                return Fail(QStringLiteral("--run には系統 (系統:区間 も可) を続けてください"));
            RunRequest r;
            r.route = v->section(u':', 0, 0);
            if (v->contains(u':'))
                r.section = v->section(u':', 1);
            if (!IsRouteNumber(r.route))
                return Fail(QStringLiteral("--run %1: 系統は 0～99999 の数字です").arg(*v));
            static const QRegularExpression section(QStringLiteral("^[0-9]{1,3}$"));
            if (!section.match(r.section).hasMatch())
                return Fail(QStringLiteral("--run %1: 区間は 1～3 桁の数字です").arg(*v));
            c.run = r;
        } else if (name == u"--speed") {
            const std::optional<QString> v = value();
            bool ok = false;
            const int n = v ? v->toInt(&ok) : 0;
            if (!ok || std::find(std::begin(kSpeeds), std::end(kSpeeds), n) == std::end(kSpeeds))
                return Fail(QStringLiteral("--speed は 1、2、5、10、60 のどれかです"));
            speed = n;
        } else if (name == u"--loop") {
            if (inlineValue)
                return Fail(QStringLiteral("--loop は値をとりません"));
            loop = true;
        } else if (name == u"--serve") {
            if (inlineValue)
                return Fail(QStringLiteral("--serve は値をとりません"));
            c.serve = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return Fail(QStringLiteral("知らないオプションです: %1").arg(a));
        } else if (a.startsWith(u'-') && a.size() > 1) {
            if (kQtOptionsWithValue.contains(a))
                ++i; // Qt's option and its value
        } else {
            return Fail(QStringLiteral("余分な引数です: %1").arg(a));
        }
    }
    if ((speed || loop) && !c.run)
        return Fail(QStringLiteral("--speed と --loop は --run といっしょに使います"));
    if (c.run) {
        c.run->speed = speed.value_or(1);
        c.run->loop = loop;
    }
    return c;
}

QString CommandLineUsage(const QString& program)
{
    return QStringLiteral("使い方: %1 [オプション]\n"
                          "  --edit 系統番号|ファイル.hy3   路線エディターでその路線を開きます\n"
                          "  --run 系統[:区間]              その路線で運行を始めます\n"
                          "      --speed 1|2|5|10|60        運行の速さ (倍)\n"
                          "      --loop                     終点のあと、始めから繰り返します\n"
                          "  --serve                        この起動のあいだ Web 表示を使います\n"
                          "  --help                         この説明を表示します\n")
        .arg(program);
}
