// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Saving the user's files whole or not at all. Each file is first written
// into a new file beside it, every write checked, its size verified and the
// data synced to the disk; only then are the new files renamed over the old
// ones. A full disk, a write refused or a rename that fails leaves every old
// file as it was, and the caller is told why. A program killed half-way
// leaves at most a stray temporary file, never a damaged one.

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ltm4 {

// Tests: what the hook answers for a path (as given to add()) makes saving
// that file fail as a full disk or a refused rename would.
struct SaveFault {
    qint64 writeLimit = -1;    // bytes the new file takes before its writes fail; -1: no limit
    bool replaceFails = false; // putting the new file in place of the old one fails
};
using SaveFaultHook = std::function<SaveFault(const QString& path)>;
// An empty hook restores normal saving; returns the previous hook.
SaveFaultHook SetSaveFaultHook(SaveFaultHook hook);

// Files that are replaced together: all of them, or none.
class SaveSet final {
public:
    SaveSet();
    ~SaveSet(); // what was not committed is discarded
    SaveSet(const SaveSet&) = delete;
    SaveSet& operator=(const SaveSet&) = delete;

    // Writes bytes into a new file beside path; path itself is not touched
    // yet. With keepOldAs, the file that path holds now is kept under that
    // name when it is replaced (it need not be readable: it is moved or
    // linked, not copied). False when the file could not be written whole;
    // the set is then abandoned.
    bool add(const QString& path, const QByteArray& bytes, const QString& keepOldAs = {});

    // Puts every added file in place, in the order added. When one cannot be,
    // the ones already replaced get their old contents back (or are removed
    // when there were none) and the rest are left as they were.
    bool commit();

    // After a failure: the file at fault (as given to add()) and why, as a
    // Japanese phrase.
    const QString& errorFile() const { return m_errorFile; }
    const QString& errorReason() const { return m_errorReason; }

private:
    struct Staged;
    bool fail(const QString& file, const QString& reason);
    void rollBack(std::size_t failedAt);

    std::vector<std::unique_ptr<Staged>> m_files;
    QString m_errorFile;
    QString m_errorReason;
    bool m_failed = false;
};

struct SaveResult {
    bool ok = true;
    QString reason; // Japanese; empty when saved
};

// One file, whole or not at all.
SaveResult SaveWhole(const QString& path, const QByteArray& bytes, const QString& keepOldAs = {});

} // namespace ltm4
