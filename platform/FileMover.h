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
};

struct MoveResult {
    MoveError error = MoveError::None;
    QString destination; ///< the full destination path that was attempted (Qt separators)
    QString detail; ///< the system's own words for the failure, for diagnostics only

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
};

/// Renames or moves one file or folder and never replaces anything that exists.
class CFileMover
{
public:
    /// Moves `source` into `targetDir` under `newName`. On any failure the file system is as it was.
    [[nodiscard]] static MoveResult move(const QString &source, const QString &targetDir, const QString &newName,
                                         IMoveProgress *progress = nullptr);
};
