// SPDX-License-Identifier: GPL-3.0-or-later
// The plugin host's calls that fill controls: the notes box and the company
// list of the options dialog.

#include "companion/LTM4Res.h"

#include "companion/SeiriPlugin.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace ltm4 {

void LT4_SetPlgComment(const QString& path, QWidget* notesBox)
{
    const std::optional<SeiriPlugin> plugin = LoadSeiriPlugin(path);
    if (!plugin || !notesBox)
        return;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(notesBox))
        plain->setPlainText(plugin->notes);
    else if (auto* rich = qobject_cast<QTextEdit*>(notesBox))
        rich->setPlainText(plugin->notes);
    else if (auto* line = qobject_cast<QLineEdit*>(notesBox))
        line->setText(plugin->notes);
    else if (auto* label = qobject_cast<QLabel*>(notesBox))
        label->setText(plugin->notes);
}

void LT4_SetCorpAddList(const QString& path, QWidget* companyList)
{
    const std::optional<SeiriPlugin> plugin = LoadSeiriPlugin(path);
    if (!plugin || !companyList)
        return;
    if (auto* combo = qobject_cast<QComboBox*>(companyList))
        combo->addItems(plugin->companies);
    else if (auto* list = qobject_cast<QListWidget*>(companyList))
        list->addItems(plugin->companies);
}

} // namespace ltm4
