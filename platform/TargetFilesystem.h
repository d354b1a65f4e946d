// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

/// What the file system holding a folder can store, learnt from the kernel before anything is changed there.
class CTargetFilesystem
{
public:
    /// The mount's type as /proc/self/mountinfo names it ("ext4", "vfat", "fuseblk", "fuse.exfat"…); empty if unknown.
    [[nodiscard]] static QByteArray typeOf(const QByteArray &folder);
    /// True for the file systems of Windows and of USB sticks (FAT, exFAT, NTFS), in the kernel or through FUSE.
    [[nodiscard]] static bool usesWindowsNames(const QByteArray &folder);
    /// The first character of `name` that such a file system cannot store (\ : * ? " < > | and control
    /// characters); a null QChar when there is none.
    [[nodiscard]] static QChar firstWindowsForbidden(const QString &name);
    /// True where names differ only by case in no more than their spelling: a folder of ext4 or f2fs made to fold
    /// case. The disks of Windows fold case too, which usesWindowsNames() tells.
    [[nodiscard]] static bool foldsCase(const QByteArray &folder);
    /// The largest file the file system holding `folder` stores (4 GiB - 1 on FAT32), or 0 when it sets no limit of
    /// its own or cannot tell.
    [[nodiscard]] static qint64 maxFileSize(const QByteArray &folder);
    /// True for the kernel's own disk file systems known to refuse an existing name in a rename
    /// (RENAME_NOREPLACE); false for every other, FUSE included, and when it cannot tell.
    [[nodiscard]] static bool refusesTakenNames(const QByteArray &folder);
};
