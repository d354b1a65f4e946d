// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Why a move did not happen; None means the item now lives at the destination.
enum class MoveError {
    None,
    SameFile,
    InvalidName,
    NameTooLong,
    SourceMissing,
    DestinationExists,
    TargetFolderMissing,
    TargetNotFolder,
    IntoItself,
    FolderAcrossFilesystems,
    PermissionDenied,
    ReadOnlyFilesystem,
    NoSpace,
    SourceChanged,
    Cancelled,
    IoError,
    UnsupportedName, ///< a character the target's file system cannot store (FAT, exFAT, NTFS)
    PathTooLong, ///< the source or destination path is longer than the system accepts
    FileTooLarge, ///< larger than the target's file system stores (4 GiB - 1 on FAT32)
    /// The item is complete at the destination, but its old name could not be removed: it is at both.
    SourceNotRemoved,
};

struct MoveResult {
    MoveError error = MoveError::None;
    QString destination; ///< the full destination path that was attempted (Qt separators)
    QString detail; ///< the system's own words for the failure, for diagnostics only
    /// Set only when a failed move could not put the item back under its old name: where it is now.
    QString leftAt;

    [[nodiscard]] bool ok() const
    {
        return error == MoveError::None;
    }
};

/// Told how far a long cross-filesystem copy has come; answers false to cancel it.
class IMoveProgress
{
public:
    virtual ~IMoveProgress() = default;
    virtual bool copied(qint64 done, qint64 total) = 0;
    /// Told which file the copy is (device and inode) before it shows under the destination's name: a copy written
    /// into a hidden name first is complete and synced by then, one written into the name itself just created.
    /// Answers false to stop the move before the copy is published.
    virtual bool copyMade(quint64 device, quint64 inode)
    {
        Q_UNUSED(device);
        Q_UNUSED(inode);
        return true;
    }
};

/// Moves one item and never replaces anything that exists. Each platform has its own; the operations, their undo
/// and their redo all move through one, so a test can put a scripted one in its place.
class IMover
{
public:
    virtual ~IMover() = default;
    /// Moves `source` into `targetDir` under `newName`. On any failure the file system is as it was, unless the
    /// result's leftAt says where the item had to stay.
    [[nodiscard]] virtual MoveResult move(const QString &source, const QString &targetDir, const QString &newName,
                                          IMoveProgress *progress)
        = 0;
    /// True when move() will be a single rename that a crash cannot cut in two: afterwards the item has its old
    /// name or its new one, and nothing of it is anywhere else. Such a move's intent need not wait for the disk.
    [[nodiscard]] virtual bool isSingleStep(const QString &source, const QString &targetDir, const QString &newName)
        = 0;
    /// Removes from `folder` what moves cut short by a crash left there, never a running move's.
    virtual void removeLeftovers(const QString &folder) = 0;
    /// The token of the journal's owner (CJournalOwner), which the hidden names an item is taken aside under carry
    /// (.plindor-XXXXXX-<token>.moving), so that settling an ended program's intent never takes a running one's item.
    virtual void setOwner(const QString &token)
    {
        Q_UNUSED(token);
    }
    /// False where the disk holding `folder` keeps no permissions of its own (FAT, exFAT): an item that comes back
    /// from there shows the disk's made-up ones.
    [[nodiscard]] virtual bool storesPermissions(const QString &folder)
    {
        Q_UNUSED(folder);
        return true;
    }
};
