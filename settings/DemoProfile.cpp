// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/DemoProfile.h"

#include "settings/SettingsCodec.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString DemoSound(const char* file)
{
    return QLatin1String(kDemoSoundFolder) + u'/' + QLatin1String(file);
}

} // namespace

void ApplyDemoProfile(SettingsRecord& rec)
{
    rec.Sound.RouteSetSound = DemoSound(kDemoRouteSetSound);
    // A step sound that always plays, in the background.
    rec.Sound.StepSoundAlways = -1;
    rec.Sound.StepSoundByColumn = 0;
    rec.Sound.StepSoundSync = 0;
    rec.Sound.StepSoundAsync = -1;
    rec.Sound.StepSound = DemoSound(kDemoStepSound);
    // The sample ticket in the preview pane (opened with ">>").
    rec.SeiriPrev.UseSeiriPrev = 1;
    rec.SeiriPrev.SeiriPlgPath = QLatin1String(kDemoPlugin);
    // Announcements: a chime before the entries that ask for one (flag 1,
    // the arrival at the terminus flag 2), heard before the voice starts.
    rec.DataDir.TapeDataDir = QLatin1String(kDemoTapeDataDir);
    rec.Sound.PreSoundAlways = 0;
    rec.Sound.PreSoundByFlag = -1;
    rec.Sound.PreSoundSync = -1;
    rec.Sound.PreSoundAsync = 0;
    rec.Sound.PreSound = DemoSound(kDemoPreSound);
    rec.Sound.PreSoundFlag[1] = DemoSound(kDemoPreSound);
    rec.Sound.PreSoundFlag[2] = DemoSound(kDemoRouteSetSound);
}

int DemoProfileLastField()
{
    return SettingsFieldNumber(u"FixedDate");
}

QByteArray EncodeDemoProfile(const SettingsRecord& base, const QString& dataFolder)
{
    SettingsRecord rec = base;
    ApplyDemoProfile(rec);
    if (!dataFolder.isEmpty())
        AnchorDemoProfile(rec, dataFolder);
    const SettingsEncodeResult encoded = EncodeSettings(rec);
    if (!encoded.ok())
        return {};
    // The shortest head of the file that still holds every profile field.
    const int last = DemoProfileLastField();
    qsizetype lo = 0;
    qsizetype hi = encoded.bytes.size();
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        SettingsRecord scratch;
        if (DecodeSettings(encoded.bytes.first(mid), scratch).fieldsRead >= last)
            hi = mid;
        else
            lo = mid + 1;
    }
    return encoded.bytes.first(lo);
}

void AnchorDemoProfile(SettingsRecord& rec, const QString& dataFolder)
{
    // An empty data folder means the working folder, which the demo's is not.
    for (QString* folder : {&rec.DataDir.FareDataDir, &rec.DataDir.TapeDataDir}) {
        if (folder->isEmpty())
            *folder = QStringLiteral(".");
    }
    const QDir root(dataFolder);
    QList<QString*> paths = {&rec.DataDir.FareDataDir, &rec.DataDir.TapeDataDir,
                             &rec.Panel.PanelFile[0],  &rec.Panel.PanelFile[1],
                             &rec.Panel.PanelFile[2],  &rec.Sound.RouteSetSound,
                             &rec.Sound.ResetSound,    &rec.Sound.StepSound,
                             &rec.Sound.PreSound,      &rec.SeiriPrev.SeiriPlgPath};
    for (int i = 1; i <= 3; ++i)
        paths << &rec.Sound.StepSoundFlag[size_t(i)] << &rec.Sound.PreSoundFlag[size_t(i)];
    for (QString* p : paths) {
        if (!p->isEmpty() && QDir::isRelativePath(*p))
            *p = QDir::cleanPath(root.absoluteFilePath(*p));
    }
}

QString InstalledDemoFolder(const QString& programDir)
{
    if (programDir.isEmpty())
        return {};
    const QFileInfo folder(QDir(programDir).filePath(QStringLiteral(RUTOMIA_DATA_FROM_BIN)));
    return folder.isDir() ? QDir::cleanPath(folder.absoluteFilePath()) : QString();
}
