// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardZoom.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace BoardZoom {

qreal NearestStep(qreal z)
{
    if (!std::isfinite(z))
        return kSteps.front();
    qreal best = kSteps.front();
    for (qreal s : kSteps)
        if (std::abs(s - z) < std::abs(best - z))
            best = s;
    return best;
}

QSize Scaled(const QSize& board, qreal z)
{
    return QSize(qRound(board.width() * z), qRound(board.height() * z));
}

Fit FitInto(const QSize& screen, const QSize& board)
{
    Fit f;
    if (board.isEmpty() || screen.isEmpty())
        return f;
    f.zoom =
        std::min(qreal(screen.width()) / board.width(), qreal(screen.height()) / board.height());
    const QSize shown = Scaled(board, f.zoom);
    f.origin = QPoint((screen.width() - shown.width()) / 2, (screen.height() - shown.height()) / 2);
    return f;
}

QString ViewSettingsFile()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return dir.isEmpty() ? QString() : QDir(dir).filePath(QStringLiteral("board.ini"));
}

ViewSettings LoadViewSettings(const QString& file)
{
    ViewSettings v;
    if (file.isEmpty())
        return v;
    const QSettings s(file, QSettings::IniFormat);
    v.zoom = NearestStep(s.value(QStringLiteral("board/zoom"), 1.0).toDouble());
    v.fullScreenOn = s.value(QStringLiteral("board/fullScreenOn")).toString();
    return v;
}

bool SaveViewSettings(const QString& file, const ViewSettings& view)
{
    if (file.isEmpty())
        return false;
    QSettings s(file, QSettings::IniFormat);
    s.setValue(QStringLiteral("board/zoom"), view.zoom);
    s.setValue(QStringLiteral("board/fullScreenOn"), view.fullScreenOn);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace BoardZoom
