// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Moves every setting between the windows' controls and the settings file
// "<program name>.in4": read once at start-up, written once at exit.

#include "settings/SettingsRecord.h"

#include <QString>

class Form1;
class frmCtl;
class frmOption;

class mdlIniIo final {
public:
    mdlIniIo(Form1& board, frmOption& option, frmCtl& ctl);

    // Reads the settings file and pushes its values into the controls. A
    // missing file is quiet; a file cut short applies what it holds, and a
    // value a control refuses costs only itself. A file that could not be read
    // whole is kept as "<file>.bak" and the user is told. Without any file, an
    // installed program takes the demo's settings, pointing into the demo data
    // installed with it (InstalledDemoFolder).
    void LoadIni();
    // Collects the values from the controls and writes the file whole or not
    // at all: when it cannot be written, the previous file stays and the user
    // is told. A file LoadIni could not read is kept as "<file>.bak" when this
    // replaces it.
    void SaveIni();

    // The file beside the executable, or in the user's configuration folder
    // when the executable's folder cannot be written.
    QString ProgramFile() const;
    QString ConfigFile() const;
    // The file LoadIni reads: the one the last save wrote; empty when none exists.
    QString LoadPath() const;
    // Folders used instead of the real ones (tests).
    void setFolders(const QString& programDir, const QString& configDir);

    const SettingsRecord& Record() const { return m_rec; }
    // Whether the last LoadIni read the windows' positions; a file cut short
    // before them (the demo's first settings) leaves the windows where they are.
    bool PositionsLoaded() const { return m_positionsLoaded; }

private:
    bool ProgramFolderWritable() const;
    bool readFile(const QString& path, QByteArray& bytes);
    void collect();
    void report(int code, const QString& description, bool withModule,
                const QString& lastLine = {});

    Form1& m_board;
    frmOption& m_option;
    frmCtl& m_ctl;
    SettingsRecord m_rec;
    QString m_programDir;
    QString m_configDir;
    QString m_baseName;
    QString m_demoFolder;
    QString m_unreadPath; // the settings file LoadIni could not read
    bool m_toldLossy = false;
    bool m_positionsLoaded = false;
};
