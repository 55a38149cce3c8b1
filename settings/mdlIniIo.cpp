// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/mdlIniIo.h"

#include "board/ChimeiCtl_A.h"
#include "board/Form1.h"
#include "board/M_Degit.h"
#include "companion/LTM4Res.h"
#include "companion/MsgBox.h"
#include "companion/RegularFile.h"
#include "companion/SaveSet.h"
#include "options/frmOption.h"
#include "panel/frmCtl.h"
#include "settings/DemoProfile.h"
#include "settings/SettingsCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Failure codes the settings messages have always shown.
constexpr int kFileAccessError = 75;
constexpr int kDeviceIoError = 57;

// A stored path that names nothing, though the same path with CP932's forms
// of 〜 − ‖ ¢ £ ¬ — turned back into the forms Linux input methods type does
// name something: that one is what the user chose (the file cannot tell them
// apart).
void FindTypedForm(QString& path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return;
    const QString typed = ltm4::ToJisForms(path);
    if (typed != path && QFileInfo::exists(typed))
        path = typed;
}

void FindTypedForms(SettingsRecord& rec)
{
    for (QString* p : {&rec.DataDir.FareDataDir, &rec.DataDir.TapeDataDir, &rec.Panel.PanelFile[0],
                       &rec.Panel.PanelFile[1], &rec.Panel.PanelFile[2], &rec.Sound.RouteSetSound,
                       &rec.Sound.ResetSound, &rec.Sound.StepSound, &rec.Sound.PreSound,
                       &rec.SeiriPrev.SeiriPlgPath})
        FindTypedForm(*p);
    for (int i = 1; i <= 3; ++i) {
        FindTypedForm(rec.Sound.StepSoundFlag[i]);
        FindTypedForm(rec.Sound.PreSoundFlag[i]);
    }
}

QString backupName(const QString& path)
{
    return QFileInfo(path).fileName() + QStringLiteral(".bak");
}

// Keeps a settings file that could not be read whole as "<file>.bak" beside
// it, from the bytes that were read; returns the copy's file name, empty when
// it could not be made.
QString KeepBackup(const QString& path, const QByteArray& bytes)
{
    if (!ltm4::SaveWhole(path + QStringLiteral(".bak"), bytes).ok)
        return {};
    return backupName(path);
}

} // namespace

mdlIniIo::mdlIniIo(Form1& board, frmOption& option, frmCtl& ctl)
    : m_board(board), m_option(option), m_ctl(ctl)
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    m_programDir = exe.absolutePath();
    m_baseName = exe.completeBaseName();
    m_configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    m_demoFolder = InstalledDemoFolder(m_programDir);
}

void mdlIniIo::setFolders(const QString& programDir, const QString& configDir)
{
    m_programDir = programDir;
    m_configDir = configDir;
    m_demoFolder = InstalledDemoFolder(m_programDir);
}

QString mdlIniIo::ProgramFile() const
{
    return SettingsFileName(m_programDir, m_baseName);
}

QString mdlIniIo::ConfigFile() const
{
    return m_configDir.isEmpty() ? QString() : SettingsFileName(m_configDir, m_baseName);
}

bool mdlIniIo::ProgramFolderWritable() const
{
    return QFileInfo(m_programDir).isWritable();
}

QString mdlIniIo::LoadPath() const
{
    const auto isFile = [](const QString& p) { return !p.isEmpty() && QFileInfo(p).isFile(); };
    // Where the last save went: beside the program, or in the config folder
    // when the program's folder cannot be written.
    if (!ProgramFolderWritable() && isFile(ConfigFile()))
        return ConfigFile();
    if (isFile(ProgramFile()))
        return ProgramFile();
    return isFile(ConfigFile()) ? ConfigFile() : QString();
}

void mdlIniIo::report(int code, const QString& description, bool withModule,
                      const QString& lastLine)
{
    QString text = QStringLiteral("エラー Code:") + QString::number(code) + QStringLiteral("\r\n") +
                   QStringLiteral("内容:") + description;
    if (withModule)
        text += QStringLiteral("\r\nモジュール:mdlIniIo.LoadIni()");
    if (!lastLine.isEmpty())
        text += QStringLiteral("\r\n") + lastLine;
    ltm4::MsgBox(&m_ctl, text);
}

void mdlIniIo::collect()
{
    for (int k = 1; k <= Form1::kCells; ++k) {
        const M_Degit* d = m_board.Degit(k);
        m_rec.DegitSet[size_t(k)] = {d->Shift(), d->ZeroMode(), d->FillZero()};
    }
    m_option.GetOptionInfo(m_rec);
    m_ctl.GetCtrlDataInfo(m_rec.CtrlData);
    m_board.GetFormInfo(m_rec.Form);
    const ltm4::CustColorTable& table = m_option.CustColors();
    for (size_t i = 0; i < table.size(); ++i)
        m_rec.CustColors[i] = qint32(table[i]);
}

bool mdlIniIo::readFile(const QString& path, QByteArray& bytes)
{
    // A settings file is a few hundred bytes; anything beyond is not ours.
    constexpr qint64 kMaxSize = 4 * 1024 * 1024;
    ltm4::FileBytes file = ltm4::ReadRegularFile(path, kMaxSize);
    if (!file.ok()) {
        // Kept aside when the exit save replaces it: the file may be fine, only
        // out of reach just now.
        m_unreadPath = path;
        const bool opening = file.error != ltm4::ReadFileError::Failed;
        report(opening ? kFileAccessError : kDeviceIoError,
               (opening ? QStringLiteral("設定ファイルを開けません。(")
                        : QStringLiteral("設定ファイルを読み込めません。(")) +
                   file.reason + u')',
               true,
               QStringLiteral("元のファイルは、終了のときに「") + backupName(path) +
                   QStringLiteral("」として残します。"));
        return false;
    }
    bytes = std::move(file.bytes);
    return true;
}

void mdlIniIo::LoadIni()
{
    m_positionsLoaded = false;
    m_unreadPath.clear();
    const QString path = LoadPath();
    QByteArray bytes;
    if (path.isEmpty()) {
        // No settings yet: every control keeps its initial value, except that
        // an installed program starts as the demo does, on its installed data.
        if (m_demoFolder.isEmpty())
            return;
        collect();
        bytes = EncodeDemoProfile(m_rec, m_demoFolder);
        if (bytes.isEmpty())
            return;
    } else if (!readFile(path, bytes)) {
        return;
    }

    // The backlight is applied with the panel's rows and again with the
    // options: a broken picture is told once.
    const frmCtl::PictureErrorsOnce once(m_ctl);
    // Start from what the windows show, so fields a short file lacks keep them.
    collect();
    const SettingsDecodeResult decoded = DecodeSettings(bytes, m_rec);
    m_positionsLoaded = decoded.fieldsRead >= SettingsFieldNumber(u"BoardTop");
    FindTypedForms(m_rec);

    for (int k = 1; k <= Form1::kCells; ++k) {
        M_Degit* d = m_board.Degit(k);
        const DegitSetEntry& e = m_rec.DegitSet[size_t(k)];
        d->setZeroMode(e.ZeroMode);
        d->setShift(e.Shift);
        d->setFillZero(e.FillZero);
        d->setBackColor(quint32(m_rec.Degit.DegitBackColor));
        d->setBaseForeColor(quint32(m_rec.Degit.DegitBaseForeColor));
        d->setDegitForeColor(quint32(m_rec.Degit.DegitForeColor));
        d->setValue(DegitValue(QStringLiteral(" ")));
    }
    for (int i = 0; i < 2; ++i) {
        M_Degit* d = m_board.TimeDegit(i);
        d->setBackColor(quint32(m_rec.Degit.DegitBackColor));
        d->setBaseForeColor(quint32(m_rec.Degit.DegitBaseForeColor));
        d->setDegitForeColor(quint32(m_rec.Degit.DegitForeColor));
    }
    m_board.ChimeiCtl()->setBackColor(quint32(m_rec.Chimei.ChimeiBackColor));
    m_board.ChimeiCtl()->setForeColor(quint32(m_rec.Chimei.ChimeiForeColor));
    ltm4::CustColorTable table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = quint32(m_rec.CustColors[i]);
    m_option.setCustColors(table);

    // A refused value is skipped and everything else still applied, so the
    // save at exit writes the user's settings back rather than initial values.
    const auto refused = m_option.SetOptionInfo(m_rec);
    m_ctl.SetCtrlDataInfo(m_rec.CtrlData);
    m_board.SetFormInfo(m_rec.Form);
    m_option.SetProp();

    // What could not be read whole is kept as it was before the exit save
    // replaces it.
    const bool damaged = !bytes.isEmpty() && decoded.damaged();
    QString kept;
    if ((refused || damaged) && !path.isEmpty())
        kept = KeepBackup(path, bytes);
    if (refused) {
        report(refused->code, refused->description, true,
               kept.isEmpty()
                   ? QString()
                   : QStringLiteral("元の設定ファイルを「%1」として残しました。").arg(kept));
    } else if (damaged) {
        ltm4::MsgBox(&m_ctl,
                     kept.isEmpty()
                         ? QStringLiteral("設定ファイルの一部が壊れていて読めませんでした。")
                         : QStringLiteral("設定ファイルの一部が壊れていたため、元のファイルを"
                                          "「%1」として残しました。")
                               .arg(kept),
                     ltm4::vbExclamation);
    }
}

void mdlIniIo::SaveIni()
{
    collect();
    const SettingsEncodeResult encoded = EncodeSettings(m_rec);
    if (!encoded.ok()) {
        report(kFileAccessError,
               QStringLiteral("%1 の文字数が多すぎて保存できません。")
                   .arg(SettingsFieldName(encoded.errorField)),
               false);
        return; // the existing file stays as it was
    }
    if (encoded.lossy && !m_toldLossy) {
        m_toldLossy = true;
        ltm4::MsgBox(&m_ctl,
                     QStringLiteral("設定の %1 に、設定ファイルに保存できない文字が含まれています。"
                                    "\r\nその文字は「?」として保存されます。")
                         .arg(SettingsFieldName(encoded.firstLossyField)),
                     ltm4::vbExclamation);
    }

    // Beside the program when that folder can be written, else the user's
    // configuration folder.
    QString path = ProgramFile();
    if (!ProgramFolderWritable() && !ConfigFile().isEmpty()) {
        QDir().mkpath(m_configDir);
        path = ConfigFile();
    }
    // A file that could not be read at start-up is replaced only once it is
    // kept aside, as a damaged one was.
    const bool keep = !m_unreadPath.isEmpty() && QFileInfo(m_unreadPath) == QFileInfo(path);
    const bool existed = QFileInfo::exists(path);
    const ltm4::SaveResult saved =
        ltm4::SaveWhole(path, encoded.bytes, keep ? path + QStringLiteral(".bak") : QString());
    if (!saved.ok) {
        report(kFileAccessError,
               QStringLiteral("設定ファイルを書き込めません。(") + saved.reason + u')', false,
               existed ? QStringLiteral("前の設定ファイルはそのまま残っています。")
                       : QStringLiteral("設定は保存されていません。"));
    }
}
