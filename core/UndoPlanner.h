// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"

#include <QList>
#include <QString>

/// Works out whether a journalled operation can be taken back (or done again) without touching anything but the
/// item itself, and where the item then goes. It only looks at the file system; the mover does the moving.
class CUndoPlanner
{
public:
    enum class Refusal {
        None,
        Gone, ///< nothing is where the operation left the item
        Changed, ///< something is there, but not the item as the operation left it
        NameTaken, ///< another item holds the name the item would go back to
        FolderGone, ///< the folder the item would go back to is missing or not a folder
    };

    struct Step {
        Refusal refusal = Refusal::None;
        QString from; ///< where the item is now
        QString folder; ///< where it goes
        QString name; ///< under which name
        QString to; ///< folder and name joined

        [[nodiscard]] bool ok() const
        {
            return refusal == Refusal::None;
        }
    };

    /// Takes a done operation back: from its destination to its source.
    [[nodiscard]] static Step undo(const JournalEntry &entry);
    /// Does an undone operation again: from its source to its destination.
    [[nodiscard]] static Step redo(const JournalEntry &entry);

    /// True when `entry` is done and no later operation in `newerFirst` (the journal's history, newest first)
    /// took the item on from where it left it: only then does undoing it bring back what the user saw.
    [[nodiscard]] static bool isLatestOnItsItem(const JournalEntry &entry, const QList<JournalEntry> &newerFirst);
    /// True when `entry` is undone and no later operation in `newerFirst` took the item on from where the undo put
    /// it: only then does doing it again file the item the user undid.
    [[nodiscard]] static bool isRedoableOnItsItem(const JournalEntry &entry, const QList<JournalEntry> &newerFirst);

private:
    [[nodiscard]] static Step check(const QString &from, const FileStamp &expected, const QString &to,
                                    const FolderId &folder);
};
