// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The route editor's view of the program: the settings' folders, the board
// for a stop's preview, the panel for 試す.

#include "editor/EditorHost.h"

class frmCtl;
class frmOption;
class mdlM_Tape;

class EditorLink final : public EditorHost {
public:
    EditorLink(frmCtl& ctl, frmOption& option, mdlM_Tape& tape)
        : m_ctl(ctl), m_option(option), m_tape(tape)
    {
    }

    QString FareFolder() const override;
    QString TapeFolder() const override;
    QString CurrentRoute() const override;
    void PreviewRow(const StopRecord& stop, int row, const QString& routeNo) override;
    void EndPreview() override;
    bool TryRoute(const QString& routeNo, const QList<StopRecord>& stops,
                  const QList<TapeEntry>& tape, const ReadingList& readings) override;

private:
    frmCtl& m_ctl;
    frmOption& m_option;
    mdlM_Tape& m_tape;
};
