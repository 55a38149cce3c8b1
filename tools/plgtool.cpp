// SPDX-License-Identifier: GPL-3.0-or-later
// Checks a ticket plugin (*.4SP) and draws its ticket into a picture, so a
// plugin can be written and tried without the control panel.
//
//   plgtool check plugin.4SP
//   plgtool draw plugin.4SP out.png [stop=名前] [ticket=N] [route=N] [row=N]
//                [date=mm-dd-yyyy] [time=hh:mm:ss] [company=N]
//
// check lists what the options page will show for the plugin and warns of
// likely mistakes. Exit code 0 on success (warnings or not), 1 for a file that
// is not a plugin, 2 for a wrong command line.

#include "companion/PlgInfo.h"
#include "companion/SaveSet.h"
#include "companion/SeiriPlugin.h"
#include "companion/SeiriPluginWarnings.h"
#include "companion/SeiriTicket.h"
#include "companion/TicketCost.h"
#include "options/PlgInfoLines.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kNotPlugin = 1;
constexpr int kUsage = 2;

// Messages go out as UTF-8 whatever the locale says.
void Say(FILE* to, const QString& text)
{
    const QByteArray b = (text + u'\n').toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
    // Warnings and report stay in order when both go to one place.
    std::fflush(to);
}

constexpr const char16_t* kDrawKeys = u"stop ticket route row date time company";

int Usage()
{
    Say(stderr, QStringLiteral(
                    "使い方:\n"
                    "  plgtool check 整理券.4SP\n"
                    "      プラグインとして読めるか調べ、オプションに出るプロパティと、\n"
                    "      誤りと思われるところ (警告) を示します\n"
                    "  plgtool draw 整理券.4SP 出力.png [項目=値 ...]\n"
                    "      整理券を画像にします。項目: stop ticket route row date time company\n"
                    "      (例: stop=駅前 ticket=3 route=12 row=3 date=03-05-2025 time=08:15:00)"));
    return kUsage;
}

// Names the argument that cannot be used and why, before the usage.
int Refuse(const QString& argument, const QString& why)
{
    Say(stderr, QStringLiteral("「%1」は使えません: %2").arg(argument, why));
    return Usage();
}

std::optional<ltm4::SeiriPlugin> Load(const QString& path)
{
    const ltm4::SeiriPluginResult r = ltm4::ReadSeiriPluginFile(path);
    if (!r.ok())
        Say(stderr, path + QStringLiteral(": ") + ltm4::SeiriPluginErrorText(r));
    return r.plugin;
}

int Check(const QString& path)
{
    const std::optional<ltm4::SeiriPlugin> p = Load(path);
    if (!p)
        return kNotPlugin;
    const ltm4::PlgInfo& i = p->info;
    Say(stdout,
        QStringLiteral("%1: プラグインです（%2）。プレビュー %3 x %4 twips (%5 x %6 ピクセル)、"
                       "描画 %7 項目 (重さ %9、上限 %10)、社名 %8 件")
            .arg(path, p->utf8 ? QStringLiteral("UTF-8") : QStringLiteral("CP932"),
                 QString::number(i.PrevWidth), QString::number(i.PrevHeight),
                 QString::number(i.PrevWidth / 15), QString::number(i.PrevHeight / 15),
                 QString::number(p->items.size()), QString::number(p->companies.size()),
                 QString::number(ltm4::TicketDrawCost(*p)),
                 QString::number(ltm4::kTicketMaxDrawCost)));
    // The same lines, by the same rule, as the options page lists.
    Say(stdout, QStringLiteral("オプションの「上記プラグインのプロパティ」:"));
    for (const QString& line : PlgInfoLines(i))
        Say(stdout, QStringLiteral("  ") + line);
    for (const ltm4::SeiriPluginWarning& w : ltm4::SeiriPluginWarnings(*p))
        Say(stderr, path + QStringLiteral(": 警告: ") + ltm4::SeiriPluginWarningText(w));
    return 0;
}

// Takes one key=value of the draw command; the reason when it cannot.
QString SetValue(ltm4::TicketValues& v, const QString& key, const QString& value)
{
    bool ok = true;
    if (key == u"stop") {
        v.stopName = value;
    } else if (key == u"date") {
        v.dateText = value;
    } else if (key == u"time") {
        v.timeText = value;
    } else if (key == u"route") {
        v.routeNo = value.toInt(&ok);
        if (!ok)
            return QStringLiteral("route は -2147483648 ～ 2147483647 の整数です");
    } else if (key == u"ticket" || key == u"row" || key == u"company") {
        const qint16 n = value.toShort(&ok);
        if (!ok)
            return key + QStringLiteral(" は -32768 ～ 32767 の整数です");
        (key == u"ticket" ? v.seiriNo : key == u"row" ? v.row : v.corpIndex) = n;
    } else {
        return QStringLiteral("%1 という項目はありません（項目: %2）")
            .arg(key, QString::fromUtf16(kDrawKeys));
    }
    return {};
}

int Draw(const QString& path, const QString& out, const QStringList& args)
{
    const QDateTime now = QDateTime::currentDateTime();
    ltm4::TicketValues v{QStringLiteral("駅前"),
                         now.toString(QStringLiteral("MM-dd-yyyy")),
                         now.toString(QStringLiteral("HH:mm:ss")),
                         1,
                         1,
                         1,
                         -1};
    for (const QString& a : args) {
        const qsizetype eq = a.indexOf(u'=');
        if (eq <= 0)
            return Refuse(a, QStringLiteral("項目=値 の形で書いてください（項目: %1）")
                                 .arg(QString::fromUtf16(kDrawKeys)));
        if (const QString why = SetValue(v, a.left(eq), a.mid(eq + 1)); !why.isEmpty())
            return Refuse(a, why);
    }
    const std::optional<ltm4::SeiriPlugin> p = Load(path);
    if (!p)
        return kNotPlugin;
    // The same picture the control panel clears before each drawing.
    QImage img(p->info.PrevWidth / 15, p->info.PrevHeight / 15, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        ltm4::DrawSeiriTicket(painter, *p, v);
    }
    // Encoded first, then saved whole: a full disk leaves no cut-short picture.
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (!img.save(&encoded, QFileInfo(out).suffix().toLatin1().constData())) {
        Say(stderr, out + QStringLiteral(": この形式の画像は書けません"));
        return kNotPlugin;
    }
    const ltm4::SaveResult saved = ltm4::SaveWhole(out, encoded.data());
    if (!saved.ok) {
        Say(stderr, out + QStringLiteral(": 書き込めません (") + saved.reason + u')');
        return kNotPlugin;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Drawing needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == u"check")
        return Check(args[1]);
    if (args.size() >= 3 && args[0] == u"draw")
        return Draw(args[1], args[2], args.mid(3));
    if (args.size() > 2 && args[0] == u"check")
        return Refuse(args[2], QStringLiteral("check にはプラグインのファイルを一つだけ渡します"));
    if (!args.isEmpty() && args[0] != u"check" && args[0] != u"draw")
        return Refuse(args[0], QStringLiteral("コマンドは check か draw です"));
    return Usage();
}
