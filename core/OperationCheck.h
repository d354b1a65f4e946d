// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OperationPlanner.h"

#include <QString>

/// Tells before a click whether a planned rename or move would fail, and why, from what the planner made of the
/// window and from facts the file system gave about the source and the target. It touches no file itself.
class COperationCheck
{
public:
    enum class Reason {
        None,
        NameMissing,
        NoFolderChosen,
        ButtonNotLinked,
        FolderNotAbsolute, ///< detail: the folder
        NameNotAllowed, ///< detail: the name, "/" or the NUL character
        PathTooLong, ///< amount and limit in bytes
        NameTooLong, ///< amount and limit in bytes
        SourceGone,
        FolderMissing, ///< detail: the folder
        NotAFolder, ///< detail: the folder
        FolderNotWritable, ///< detail: the folder
        FolderReadOnlyDisk, ///< detail: the folder
        ForbiddenCharacter, ///< detail: the character
        EndsWithDotOrSpace, ///< detail: the last character
        ReservedName, ///< detail: the device name
        SameName,
        NameTaken, ///< detail: the new name
        NameNumbered, ///< the name is taken and numbering is on; detail: the numbered name the click will use
        IntoItself,
        FolderAcrossDisks,
        SourceFolderNotWritable,
        FileTooLarge, ///< amount: the file's size, limit: the largest file the target stores
        NotEnoughSpace, ///< amount: bytes needed, limit: bytes left
    };

    struct Warning {
        Reason reason = Reason::None;
        QString detail;
        qint64 amount = 0;
        qint64 limit = 0;

        [[nodiscard]] bool ok() const
        {
            return reason == Reason::None;
        }
        friend bool operator==(const Warning &, const Warning &) = default;
    };

    enum class FolderState { Usable, Missing, NotAFolder, NotWritable, ReadOnlyDisk };
    enum class Occupant {
        Nobody, ///< the destination name is free
        Source, ///< the name finds the source itself: the same name, or another spelling on a disk without case
        Other, ///< another file or folder holds the name
    };

    /// What the file system said about one plan's source and target; only the checks of the name are made when
    /// `known` is false (the probe did not answer in time).
    struct Facts {
        bool known = false;
        bool sourceExists = true;
        bool sourceIsFolder = false;
        qint64 sourceSize = 0;
        qint64 sourceAllocated = 0; ///< bytes the source occupies on its disk: less than its size when it has holes
        bool sourceFolderWritable = true;
        FolderState folder = FolderState::Usable;
        bool windowsNames = false; ///< FAT, exFAT or NTFS
        bool caseInsensitive = false;
        qint64 nameMaxBytes = 0; ///< 0 when unknown
        qint64 maxFileSize = 0; ///< 0 when unlimited or unknown
        qint64 freeBytes = -1; ///< -1 when unknown
        bool sameFilesystem = true;
        bool sameFolder = false; ///< the target folder is the folder the source lies in
        bool targetInsideSource = false; ///< the source is a folder and the target lies inside it
        Occupant occupant = Occupant::Nobody;
        QString numberedName; ///< the first free numbered name, asked for when numbering is on and the name is taken
    };

    /// The checks that need no file system: the planner's refusals and what no disk accepts.
    [[nodiscard]] static Warning checkName(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan);
    /// Every check, the file system's facts included; the first that fails is the warning.
    [[nodiscard]] static Warning check(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan,
                                       const Facts &facts);
};
