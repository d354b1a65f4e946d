// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"

#include <QFlags>
#include <QString>

/// Renames or moves one file or folder and never replaces anything that exists.
class CFileMover
{
public:
    /// Abilities some file systems lack (FUSE mounts of FAT, exFAT or NTFS sticks lack the first two). Test seam:
    /// naming one makes move() take the path it takes where the ability is missing, even on a disk that has it.
    enum class Ability {
        NoReplaceRename = 0x1, ///< renameat2(RENAME_NOREPLACE)
        HardLinks = 0x2, ///< link()
        UnnamedTempFiles = 0x4, ///< open(O_TMPFILE)
        CopyFileRange = 0x8, ///< copy_file_range() between the two file systems
    };
    Q_DECLARE_FLAGS(Abilities, Ability)

    /// Moves `source` into `targetDir` under `newName`. On any failure the file system is as it was. `owner` is the
    /// token the names of items taken aside carry (see IMover::setOwner); empty, a token of this program's own.
    [[nodiscard]] static MoveResult move(const QString &source, const QString &targetDir, const QString &newName,
                                         IMoveProgress *progress = nullptr, Abilities doWithout = {},
                                         const QString &owner = {});
    /// True when move() will be one rename that a crash cannot cut in two: afterwards the item has its old name
    /// or its new one and nothing of it is anywhere else. The same mount, a file system that refuses taken names,
    /// and not a case-only rename (which may go through a hidden name).
    [[nodiscard]] static bool isSingleRename(const QString &source, const QString &targetDir, const QString &newName,
                                             Abilities doWithout = {});
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CFileMover::Abilities)
