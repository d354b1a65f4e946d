// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"

#include <QDateTime>
#include <QString>

/// What the file system said about one item: enough to tell later whether it is still the same file.
struct FileStamp {
    qint64 size = -1;
    qint64 mtimeNs = 0; ///< nanoseconds since the epoch
    quint64 inode = 0; ///< 0 when the item could not be looked at
    /// A file system reuses the inode of a deleted file; the device and the change time tell such a file from the
    /// one that was stamped. 0 in stamps recorded before they were kept.
    quint64 device = 0;
    qint64 ctimeNs = 0;

    [[nodiscard]] bool isValid() const
    {
        return inode != 0;
    }
    /// `now` is still the stamped item, unchanged. Only what this stamp recorded is compared.
    [[nodiscard]] bool matches(const FileStamp &now) const
    {
        const bool sameNode = device == 0 || (device == now.device && ctimeNs == now.ctimeNs);
        return sameNode && size == now.size && mtimeNs == now.mtimeNs && inode == now.inode;
    }
    /// Same size and modification time: what a copy keeps of its original, wherever it lives.
    [[nodiscard]] bool sameContentStamp(const FileStamp &other) const
    {
        return isValid() && other.isValid() && size == other.size && mtimeNs == other.mtimeNs;
    }
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

/// Which folder a path's folder was: a folder replaced by a link to another one is not the same folder.
struct FolderId {
    quint64 device = 0;
    quint64 inode = 0; ///< 0 when unknown

    [[nodiscard]] bool isValid() const
    {
        return inode != 0;
    }
    friend bool operator==(const FolderId &, const FolderId &) = default;
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
    /// Undoing and Redoing are the intents of an undo and a redo: like Intended, start-up settles them after a crash.
    enum class State { Intended, Done, Undone, Failed, Undoing, Redoing };

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
    /// The folders the item leaves and enters, as recordIntent() found them; undo and redo go nowhere else.
    FolderId sourceFolder;
    FolderId destinationFolder;
    /// The running program that recorded the intent; only once it has ended may another start settle the intent.
    QString owner;
    JournalRecovery recovery = JournalRecovery::None;
    /// The source's permissions as CJournal::modeOf() found them before the operation; -1 when unknown. An undo from
    /// a disk that keeps none gives them back.
    int beforeMode = -1;
    MoveError failure = MoveError::None; ///< why a Failed operation failed, when it was recorded
    /// The copy the intent's move made, recorded before it was published: what tells this program's copy from a
    /// user's with the same bytes. 0 when it made none, or none was recorded (rows of older versions).
    quint64 copyDevice = 0;
    quint64 copyInode = 0;
};

/// What start-up found and did about one unfinished operation, for the message to the user.
struct JournalFinding {
    qint64 id = 0;
    JournalRecovery recovery = JournalRecovery::NothingHappened;
    QString source;
    QString destination;
    QString leftAt; ///< where the item is when neither at source nor destination
    /// LeftTwice only: once settling was over, the file at the destination was compared with the one at the source
    /// byte by byte and holds the same. Nothing else lets a message call it a complete copy.
    bool sameContent = false;

    /// The item is not where the user would look for it, or is there twice.
    [[nodiscard]] bool needsTelling() const
    {
        return recovery == JournalRecovery::LeftHidden || recovery == JournalRecovery::LeftTwice
            || recovery == JournalRecovery::Missing;
    }
};
