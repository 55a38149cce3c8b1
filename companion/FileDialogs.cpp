// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/LTM4Res.h"

#include "companion/ModalSeam.h"

#include <QFileDialog>
#include <QFileInfo>

namespace ltm4 {

namespace {

// The pattern as given, then its lower- and upper-case forms, each once:
// file names on the original platform matched regardless of case.
QStringList bothCases(const QString& pattern)
{
    QStringList out{pattern};
    for (const QString& variant : {pattern.toLower(), pattern.toUpper()}) {
        if (!out.contains(variant))
            out << variant;
    }
    return out;
}

QString buildFilter(QString desc, const QString& pattern)
{
    QStringList patterns;
    for (const QString& p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = p.trimmed();
        if (!trimmed.isEmpty())
            patterns << bothCases(trimmed);
    }
    patterns.removeDuplicates();
    if (patterns.isEmpty())
        return {};

    // "Waveサウンド(*.wav)" already shows its pattern: replace it by the full
    // list instead of adding a second one.
    const QString shown = QLatin1Char('(') + pattern + QLatin1Char(')');
    if (desc.endsWith(shown))
        desc.chop(shown.size());
    else
        desc += QLatin1Char(' ');
    return desc + QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

} // namespace

QStringList ParseFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(QChar(u'\0'));
    QStringList filters;
    // An empty text ends the list (the closing double NUL); a description
    // left without its pattern is dropped, there is nothing it could match.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& desc = parts.at(i);
        const QString& pattern = parts.at(i + 1);
        if (desc.isEmpty() || pattern.isEmpty())
            break;
        const QString built = buildFilter(desc, pattern);
        if (!built.isEmpty())
            filters << built;
    }
    return filters;
}

QString Lt3FileDlg(QWidget* owner, qint32 mode, const QString& filter, const QString& initialDir,
                   const QString& title)
{
    // Every caller opens an existing file (mode 0); other modes do the same.
    Q_UNUSED(mode);

    QFileDialog dlg(owner, title);
    dlg.setObjectName(QStringLiteral("lt3FileDlg"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = ParseFileFilter(filter);
    if (!filters.isEmpty())
        dlg.setNameFilters(filters);
    if (!initialDir.isEmpty())
        dlg.setDirectory(initialDir);

    if (ExecModal(dlg) != QDialog::Accepted)
        return {};
    return dlg.selectedFiles().value(0);
}

QString Lt3FolderDlg(QWidget* owner, const QString& prompt, const QString& startFolder)
{
    QFileDialog dlg(owner, prompt);
    dlg.setObjectName(QStringLiteral("lt3FolderDlg"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setOption(QFileDialog::ShowDirsOnly);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setLabelText(QFileDialog::FileName, QStringLiteral("フォルダー:"));
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dlg.setDirectory(startFolder);

    if (ExecModal(dlg) != QDialog::Accepted)
        return {};
    return dlg.selectedFiles().value(0);
}

} // namespace ltm4
