// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/RunSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace {

// The file is ours, a few lines long; anything bigger is not worth reading.
constexpr qint64 kMaxFileBytes = 64 * 1024;

} // namespace

int RunSettings::NearestSpeed(double speed)
{
    if (!std::isfinite(speed))
        return kRunSpeeds.front();
    int best = kRunSpeeds.front();
    for (int s : kRunSpeeds)
        if (std::abs(s - speed) < std::abs(best - speed))
            best = s;
    return best;
}

RunSettings RunSettings::Clamped() const
{
    RunSettings s = *this;
    s.speed = NearestSpeed(speed);
    s.layoverMin = std::clamp(layoverMin, 0, kMaxLayoverMin);
    s.intervalSec = std::clamp(intervalSec, kMinIntervalSec, kMaxIntervalSec);
    s.preArrivalSec = std::clamp(preArrivalSec, 0, kMaxPreArrivalSec);
    s.passengerPercent = std::clamp(passengerPercent, 0, 100);
    return s;
}

QString RunSettings::DefaultFile()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return dir.isEmpty() ? QString() : QDir(dir).filePath(QStringLiteral("run.ini"));
}

RunSettings RunSettings::Load(const QString& file)
{
    RunSettings v;
    const QFileInfo info(file);
    // A pipe or a device under the name would stall the reader.
    if (file.isEmpty() || !info.isFile() || info.size() > kMaxFileBytes)
        return v;
    const QSettings s(file, QSettings::IniFormat);
    v.speed = s.value(QStringLiteral("Run/Speed"), v.speed).toInt();
    v.loop = s.value(QStringLiteral("Run/Loop"), v.loop).toBool();
    v.layoverMin = s.value(QStringLiteral("Run/LayoverMinutes"), v.layoverMin).toInt();
    v.intervalSec = s.value(QStringLiteral("Run/IntervalSeconds"), v.intervalSec).toInt();
    v.preArrivalSec = s.value(QStringLiteral("Run/PreArrivalSeconds"), v.preArrivalSec).toInt();
    v.passengerPercent =
        s.value(QStringLiteral("Passengers/StopRequestPercent"), v.passengerPercent).toInt();
    return v.Clamped();
}

bool RunSettings::Save(const QString& file) const
{
    if (file.isEmpty() || !QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSettings s(file, QSettings::IniFormat);
    s.setValue(QStringLiteral("Run/Speed"), speed);
    s.setValue(QStringLiteral("Run/Loop"), loop);
    s.setValue(QStringLiteral("Run/LayoverMinutes"), layoverMin);
    s.setValue(QStringLiteral("Run/IntervalSeconds"), intervalSec);
    s.setValue(QStringLiteral("Run/PreArrivalSeconds"), preArrivalSec);
    s.setValue(QStringLiteral("Passengers/StopRequestPercent"), passengerPercent);
    s.sync();
    return s.status() == QSettings::NoError;
}

RunPlan RunSettings::Plan(int rowCount, const QList<TimetableRow>& timetable,
                          const QList<TapeEntry>& tape, int startRow, qint64 untimedStartMs) const
{
    const RunSettings s = Clamped();
    RunPlan p;
    p.rowCount = rowCount;
    p.timetable = timetable;
    p.intervalSec = s.intervalSec;
    p.untimedStartMs = untimedStartMs;
    p.tape = tape;
    p.startRow = startRow;
    p.speed = s.speed;
    p.preArrivalSec = s.preArrivalSec;
    p.loop = s.loop;
    p.layoverSec = s.layoverMin * 60;
    return p;
}
