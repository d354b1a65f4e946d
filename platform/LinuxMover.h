// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"
#include "platform/FileMover.h"

/// The mover of this platform: CFileMover behind the interface the operation runner moves through.
class CLinuxMover : public IMover
{
public:
    /// `doWithout` is CFileMover's test seam, for the crash driver's runs without an ability.
    explicit CLinuxMover(CFileMover::Abilities doWithout = {});

    [[nodiscard]] MoveResult move(const QString &source, const QString &targetDir, const QString &newName,
                                  IMoveProgress *progress) override;
    [[nodiscard]] bool isSingleStep(const QString &source, const QString &targetDir, const QString &newName) override;
    void removeLeftovers(const QString &folder) override;
    [[nodiscard]] bool storesPermissions(const QString &folder) override;
    void setOwner(const QString &token) override;

private:
    CFileMover::Abilities m_doWithout;
    QString m_owner;
};
