// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

/// What the file system said about one item: enough to tell later whether it is still the same file.
struct FileStamp {
    qint64 size = -1;
    qint64 mtimeNs = 0; ///< nanoseconds since the epoch
    quint64 inode = 0; ///< 0 when the item could not be looked at

    [[nodiscard]] bool isValid() const
    {
        return inode != 0;
    }
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

/// How start-up finished an operation that a crash had left unfinished.
enum class JournalRecovery {
    None, ///< the operation finished normally
    NothingHappened, ///< the item is still at its source
    CopyRemoved, ///< the item is at its source; a copy this program had begun was removed
    Finished, ///< the item is at its destination; any hidden copy of it was removed
    PutBack, ///< the item was found under a hidden name and is at its source again
    LeftHidden, ///< the item is under a hidden name, see JournalFinding::leftAt
    LeftTwice, ///< the item is at its source and a copy of it at its destination
    Missing, ///< the item is neither at its source, nor at its destination, nor hidden beside its source
};

/// One rename, move or quick move as the journal keeps it.
struct JournalEntry {
    enum class Kind { Rename, Move, QuickMove };
    enum class State { Intended, Done, Undone, Failed };

    qint64 id = 0;
    QDateTime time; ///< when the intent was recorded
    Kind kind = Kind::Rename;
    State state = State::Intended;
    QString source;
    QString destination;
    QString composedName;
    FileStamp before; ///< the source as the operation found it; recordIntent() fills it in when left empty
    FileStamp after; ///< the destination once the operation was done
    /// Another item held the destination's name when the intent was recorded; recordIntent() finds this out.
    bool destinationExisted = false;
    JournalRecovery recovery = JournalRecovery::None;
};

/// What start-up found and did about one unfinished operation, for the message to the user.
struct JournalFinding {
    qint64 id = 0;
    JournalRecovery recovery = JournalRecovery::NothingHappened;
    QString source;
    QString destination;
    QString leftAt; ///< where the item is when neither at source nor destination

    /// The item is not where the user would look for it, or is there twice.
    [[nodiscard]] bool needsTelling() const
    {
        return recovery == JournalRecovery::LeftHidden || recovery == JournalRecovery::LeftTwice
            || recovery == JournalRecovery::Missing;
    }
};
