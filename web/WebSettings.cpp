// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebSettings.h"

#include "web/WebAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kEnabled = QStringLiteral("Web/Enabled");
const QString kPort = QStringLiteral("Web/Port");
const QString kLan = QStringLiteral("Web/Lan");
const QString kToken = QStringLiteral("Web/Token");

} // namespace

QString WebSettings::DefaultFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("web.ini"));
}

WebSettings WebSettings::Load(const QString& file)
{
    WebSettings w;
    // Only a regular file is read: QSettings would open anything by that name.
    if (QFileInfo(file).isFile()) {
        const QSettings s(file, QSettings::IniFormat);
        w.enabled = s.value(kEnabled, false).toBool();
        bool ok = false;
        const int port = s.value(kPort, int(w.port)).toInt(&ok);
        // Port 0 would mean "any free port": no fixed URL to bookmark.
        if (ok && port >= 1 && port <= 65535)
            w.port = quint16(port);
        w.lan = s.value(kLan, false).toBool();
        w.token = s.value(kToken).toString().toLatin1();
    }
    if (!WebAccess::IsWellFormedToken(w.token))
        w.RenewToken();
    return w;
}

bool WebSettings::Save(const QString& file) const
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    {
        QSettings s(file, QSettings::IniFormat);
        s.setValue(kEnabled, enabled);
        s.setValue(kPort, int(port));
        s.setValue(kLan, lan);
        s.setValue(kToken, QString::fromLatin1(token));
        s.sync();
        if (s.status() != QSettings::NoError)
            return false;
    }
    // The token opens the board and the panel: for the user alone.
    return QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

void WebSettings::RenewToken()
{
    token = WebAccess::NewToken();
}

WebServer::Settings WebSettings::ServerSettings() const
{
    WebServer::Settings s;
    s.port = port;
    s.lan = lan;
    s.token = token;
    return s;
}
