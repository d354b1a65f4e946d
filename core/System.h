// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

/// What one name shows now, the name itself and not what a link at it points to.
struct ItemFacts {
    enum class Type { Missing, File, Folder, Other };
    Type type = Type::Missing;
    FileStamp stamp;
    quint64 links = 0; ///< how many names the item has

    [[nodiscard]] bool exists() const
    {
        return type != Type::Missing;
    }
    [[nodiscard]] bool sameItem(const ItemFacts &other) const
    {
        return exists() && other.exists() && stamp.device == other.stamp.device && stamp.inode == other.stamp.inode;
    }
};

/// What the program's logic asks of the operating system beyond what Qt answers: which item a name is, and locks
/// that the system lets go of when a program ends, however it ends. This header is the whole of it; each system's
/// answers are in platform/, so that nothing here reads a system header.
class CSystem
{
public:
    static constexpr qintptr kNoLock = -1;

    [[nodiscard]] static ItemFacts look(const QString &path);
    /// The folder at `path`, following links: a link to a folder is the folder it leads to.
    [[nodiscard]] static FolderId folderIdOf(const QString &path);
    /// The names in `folder`, read in one pass, as their hashes (qHash() with the seed 0), sorted; nothing when it
    /// cannot be read. Looking at each of many names in one folder costs ten times more, and a string for each name
    /// and a set of them cost twice what a hash for each does. A name that reads with a replacement character is left
    /// out: which name it stands for only a look at it tells.
    [[nodiscard]] static std::optional<std::vector<size_t>> nameHashesIn(const QString &folder);
    /// A value that changes whenever a name in `folder` is added, taken away or renamed, or the folder itself is
    /// replaced: while it stays the same, so do the folder's names. Empty where the file system does not promise
    /// that, and while the folder's last change is so recent that one following it within the same tick of the
    /// clock would leave the value as it is.
    [[nodiscard]] static QByteArray folderStamp(const QString &folder);
    /// True only when nothing at all has the name; a name that cannot be looked at is not absent.
    [[nodiscard]] static bool isAbsent(const QString &path);
    /// Whether the disk that holds `path` keeps an item's node number for as long as the item lives, across mounts:
    /// local disks of the system's own kinds do; FUSE drivers (exFAT, NTFS), FAT and network file systems may number
    /// an item anew at each mount, or under each spelling of its name.
    [[nodiscard]] static bool keepsNodeNumbers(const QString &path);

    /// Creates `path` (which must not exist yet), readable by its owner only, and locks it; kNoLock on failure.
    [[nodiscard]] static qintptr createLocked(const QString &path);
    /// Locks the existing file at `path` unless another program holds it; kNoLock when it does or on failure.
    [[nodiscard]] static qintptr lockIfFree(const QString &path);
    /// Opens `path`, creating it when missing, and locks it unless another program holds it; kNoLock when one does
    /// or on failure. A link at `path` is not followed. The file stays when the lock goes.
    [[nodiscard]] static qintptr lockOrCreate(const QString &path);
    /// When the system last started, in milliseconds since the epoch: no program that ran before is running now.
    [[nodiscard]] static qint64 bootTimeMs();
    /// Removes `path` if it still names the file that `lock` holds, so that a file another program made anew under
    /// the name stays; then lets go of the lock.
    static void removeAndUnlock(qintptr lock, const QString &path);
    static void unlock(qintptr lock);

    /// Gives the memory the program has freed back to the system, where the C library would keep it: after a large
    /// piece of work off the window's thread, whose working set would otherwise stay with the program.
    static void returnFreedMemory();

    /// Asks for large memory pages under a big block that is about to be filled, where the system has them: first
    /// touching a million paths' worth of memory a 4 KiB page at a time cost more than sorting them did.
    static void preferHugePages(const void *data, qsizetype bytes);
};
