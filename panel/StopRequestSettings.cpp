// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/StopRequestSettings.h"

#include "settings/DemoProfile.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kChimeKey = QStringLiteral("stopRequest/chime");
const QString kLampKey = QStringLiteral("stopRequest/lampShown");

} // namespace

QString StopRequestSettings::DefaultFile()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return dir.isEmpty() ? QString() : QDir(dir).filePath(QStringLiteral("stop-request.ini"));
}

QString StopRequestSettings::DemoChime(const QString& programDir)
{
    const QString relative =
        QLatin1String(kDemoSoundFolder) + u'/' + QLatin1String(kDemoStopRequestSound);
    const QString installed = InstalledDemoFolder(programDir);
    return installed.isEmpty() ? relative : QDir(installed).filePath(relative);
}

StopRequestSettings StopRequestSettings::Load(const QString& file, const QString& demoChime)
{
    StopRequestSettings s;
    s.chime = demoChime;
    if (file.isEmpty())
        return s;
    const QSettings ini(file, QSettings::IniFormat);
    s.chime = ini.value(kChimeKey, demoChime).toString();
    s.lampShown = ini.value(kLampKey, true).toBool();
    return s;
}

bool StopRequestSettings::Save(const QString& file) const
{
    if (file.isEmpty())
        return false;
    QSettings ini(file, QSettings::IniFormat);
    ini.setValue(kChimeKey, chime);
    ini.setValue(kLampKey, lampShown);
    ini.sync();
    return ini.status() == QSettings::NoError;
}
