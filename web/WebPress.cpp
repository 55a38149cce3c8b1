// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebPress.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// "on"/"off" and their usual spellings; nullopt for anything else.
std::optional<bool> SwitchWord(QStringView word)
{
    const QStringView w = word.trimmed();
    for (const char* on : {"on", "1", "true"})
        if (w.compare(QLatin1StringView(on), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* off : {"off", "0", "false"})
        if (w.compare(QLatin1StringView(off), Qt::CaseInsensitive) == 0)
            return false;
    return std::nullopt;
}

struct BodyState {
    bool valid = true;
    std::optional<bool> on;
};

BodyState ReadBody(QByteArrayView body)
{
    const QByteArrayView b = body.trimmed();
    if (b.isEmpty())
        return {};
    if (b.front() == '{') {
        QJsonParseError err{};
        const QJsonDocument doc = QJsonDocument::fromJson(b.toByteArray(), &err);
        if (err.error != QJsonParseError::NoError || !doc.isObject())
            return {false, {}};
        const QJsonObject o = doc.object();
        const QJsonValue on = o.value(QLatin1StringView("on"));
        const QJsonValue state = o.value(QLatin1StringView("state"));
        if (on.isBool() && state.isUndefined())
            return {true, on.toBool()};
        if (state.isString() && on.isUndefined()) {
            const std::optional<bool> v = SwitchWord(state.toString());
            return {v.has_value(), v};
        }
        // An object that says nothing of a state is no state at all.
        return {on.isUndefined() && state.isUndefined(), {}};
    }
    const std::optional<bool> v = SwitchWord(QString::fromUtf8(b));
    return {v.has_value(), v};
}

WebPressResult Refused(int status, const QString& error)
{
    WebPressResult r;
    r.status = status;
    r.error = error;
    return r;
}

} // namespace

WebPressResult ParsePress(QStringView name, const std::optional<QString>& state,
                          QByteArrayView body)
{
    if (body.size() > kMaxPressBody)
        return Refused(413, QStringLiteral("本文が長すぎます。"));
    const std::optional<WebControl> control = WebControls::FromName(name);
    if (!control)
        return Refused(
            404, QStringLiteral("そのような操作はありません: %1").arg(name.left(40).toString()));
    const BodyState fromBody = ReadBody(body);
    if (!fromBody.valid)
        return Refused(400, QStringLiteral("本文が読めません。on か off を送ってください。"));
    std::optional<bool> on = fromBody.on;
    if (state) {
        const std::optional<bool> q = SwitchWord(*state);
        if (!q)
            return Refused(400, QStringLiteral("state は on か off です。"));
        if (on && *on != *q)
            return Refused(400, QStringLiteral("state と本文の on/off が食い違っています。"));
        on = q;
    }
    const QString caption = WebControls::Caption(*control);
    if (WebControls::IsSwitch(*control)) {
        if (!on)
            return Refused(
                400, QStringLiteral("「%1」には on か off を指定してください。").arg(caption));
        WebPressResult r;
        r.press = WebPress{*control, *on};
        return r;
    }
    if (on)
        return Refused(
            400, QStringLiteral("「%1」はボタンです。on/off は指定できません。").arg(caption));
    WebPressResult r;
    r.press = WebPress{*control, false};
    return r;
}
