// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"

/// The mover of Windows. On one volume a rename that refuses a taken name; to another volume a copy into a hidden
/// part file beside the target, a rename of it that refuses a taken name, and the removal of the source only if it
/// still is the file that was copied.
class CWindowsMover : public IMover
{
public:
    /// Test seam: `copyAlways` moves as if every target were on another volume.
    explicit CWindowsMover(bool copyAlways = false);

    [[nodiscard]] MoveResult move(const QString &source, const QString &targetDir, const QString &newName,
                                  IMoveProgress *progress) override;
    /// Removes the part files that copies cut short left in `folder`; one a copy still writes cannot be opened to be
    /// removed, since the copy shares it with nobody.
    void removeLeftovers(const QString &folder) override;
    /// True for a rename on one volume, which MoveFileExW makes in one step; a case-only rename goes through a
    /// hidden name, and a move to another volume copies.
    [[nodiscard]] bool isSingleStep(const QString &source, const QString &targetDir, const QString &newName) override;
    /// True for a name of a part file, ".plindor-XXXXXX.part".
    [[nodiscard]] static bool isPartFileName(const QString &name);

private:
    bool m_copyAlways;
};
