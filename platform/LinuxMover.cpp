// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LinuxMover.h"
#include "platform/PartFiles.h"
#include "platform/TargetFilesystem.h"

#include <QFile>

CLinuxMover::CLinuxMover(CFileMover::Abilities doWithout)
    : m_doWithout(doWithout)
{
}

MoveResult CLinuxMover::move(const QString &source, const QString &targetDir, const QString &newName,
                             IMoveProgress *progress)
{
    return CFileMover::move(source, targetDir, newName, progress, m_doWithout, m_owner);
}

void CLinuxMover::setOwner(const QString &token)
{
    m_owner = token;
}

void CLinuxMover::removeLeftovers(const QString &folder)
{
    CPartFiles::removeStale(folder);
}

bool CLinuxMover::isSingleStep(const QString &source, const QString &targetDir, const QString &newName)
{
    return CFileMover::isSingleRename(source, targetDir, newName, m_doWithout);
}

// The disks of Windows show every file with the mount's permissions; NTFS keeps real ones only when mounted with
// a user mapping, which a stick never is.
bool CLinuxMover::storesPermissions(const QString &folder)
{
    return !CTargetFilesystem::usesWindowsNames(QFile::encodeName(folder));
}
