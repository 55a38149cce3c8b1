// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/VoiceSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

VoiceSettings VoiceSettings::Clamped() const
{
    VoiceSettings v = *this;
    v.rate = std::clamp(rate, kMinRate, kMaxRate);
    v.pitch = std::clamp(pitch, kMinPitch, kMaxPitch);
    v.volume = std::clamp(volume, 0, kMaxVolume);
    return v;
}

QString VoiceSettings::DefaultFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("voice.ini"));
}

VoiceSettings VoiceSettings::Load(const QString& file)
{
    VoiceSettings v;
    if (!QFileInfo::exists(file))
        return v;
    const QSettings s(file, QSettings::IniFormat);
    v.engine = s.value(QStringLiteral("Voice/Engine"), v.engine).toString();
    v.voice = s.value(QStringLiteral("Voice/Voice"), v.voice).toString();
    v.rate = s.value(QStringLiteral("Voice/Rate"), v.rate).toInt();
    v.pitch = s.value(QStringLiteral("Voice/Pitch"), v.pitch).toInt();
    v.volume = s.value(QStringLiteral("Voice/Volume"), v.volume).toInt();
    return v.Clamped();
}

bool VoiceSettings::Save(const QString& file) const
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSettings s(file, QSettings::IniFormat);
    s.setValue(QStringLiteral("Voice/Engine"), engine);
    s.setValue(QStringLiteral("Voice/Voice"), voice);
    s.setValue(QStringLiteral("Voice/Rate"), rate);
    s.setValue(QStringLiteral("Voice/Pitch"), pitch);
    s.setValue(QStringLiteral("Voice/Volume"), volume);
    s.sync();
    return s.status() == QSettings::NoError;
}
