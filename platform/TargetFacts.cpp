// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TargetFacts.h"

#include "core/PathParts.h"
#include "platform/TargetFilesystem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace
{
using Facts = COperationCheck::Facts;
using FolderState = COperationCheck::FolderState;

bool sameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// FUSE drivers may number one file differently under each spelling, as the mover knows too.
bool looksLikeSource(const struct stat &found, const struct stat &source)
{
    return sameInode(found, source)
        || (found.st_dev == source.st_dev && found.st_mode == source.st_mode && found.st_size == source.st_size
            && found.st_mtim.tv_sec == source.st_mtim.tv_sec && found.st_mtim.tv_nsec == source.st_mtim.tv_nsec);
}

FolderState folderState(const QByteArray &folder, struct stat &st)
{
    if (::stat(folder.constData(), &st) != 0)
        return errno == EACCES ? FolderState::NotWritable : FolderState::Missing;
    if (!S_ISDIR(st.st_mode))
        return FolderState::NotAFolder;
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return errno == EROFS ? FolderState::ReadOnlyDisk : FolderState::NotWritable;
    return FolderState::Usable;
}

bool inside(const QString &folder, const QString &source)
{
    const QString target = QFileInfo(folder).canonicalFilePath();
    const QString item = QFileInfo(source).canonicalFilePath();
    return !target.isEmpty() && !item.isEmpty()
        && (target == item || target.startsWith(item.endsWith(u'/') ? item : item + u'/'));
}

void learnSource(Facts &facts, const struct stat &st, const QByteArray &parent)
{
    facts.sourceIsFolder = S_ISDIR(st.st_mode);
    facts.sourceSize = st.st_size;
    facts.sourceAllocated = S_ISREG(st.st_mode) ? qint64(st.st_blocks) * 512 : 0;
    facts.sourceFolderWritable = ::faccessat(AT_FDCWD, parent.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

void learnFilesystem(Facts &facts, const QByteArray &folder)
{
    facts.windowsNames = CTargetFilesystem::usesWindowsNames(folder);
    facts.caseInsensitive = facts.windowsNames || CTargetFilesystem::foldsCase(folder);
    const long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    facts.nameMaxBytes = nameMax > 0 ? nameMax : 0;
    facts.maxFileSize = CTargetFilesystem::maxFileSize(folder);
    struct statvfs vfs {
    };
    if (::statvfs(folder.constData(), &vfs) == 0) {
        // Only root may use the blocks a disk keeps in reserve.
        const auto blocks = ::geteuid() == 0 ? vfs.f_bfree : vfs.f_bavail;
        facts.freeBytes = qint64(blocks) * qint64(vfs.f_frsize);
    }
}
// Free means nothing at all has the name; a name that cannot be looked at counts as taken.
bool isFreeName(const QString &path)
{
    struct stat found {
    };
    return ::lstat(QFile::encodeName(path).constData(), &found) != 0 && errno == ENOENT;
}
} // namespace

COperationCheck::Facts CTargetFacts::probe(const Question &question)
{
    Facts facts;
    facts.known = true;
    const QByteArray source = QFile::encodeName(question.source);
    const QByteArray parent = QFile::encodeName(CPathParts::directoryOf(question.source));
    const QByteArray folder = QFile::encodeName(question.folder);
    struct stat sourceStat {
    };
    if (::lstat(source.constData(), &sourceStat) != 0) {
        facts.sourceExists = false;
        return facts;
    }
    learnSource(facts, sourceStat, parent);
    struct stat folderStat {
    };
    facts.folder = folderState(folder, folderStat);
    if (facts.folder != FolderState::Usable)
        return facts;
    struct stat parentStat {
    };
    facts.sameFilesystem = folderStat.st_dev == sourceStat.st_dev;
    facts.sameFolder = ::stat(parent.constData(), &parentStat) == 0 && sameInode(parentStat, folderStat);
    learnFilesystem(facts, folder);
    struct stat found {
    };
    if (::lstat(QFile::encodeName(question.destination).constData(), &found) == 0)
        facts.occupant
            = looksLikeSource(found, sourceStat) ? COperationCheck::Occupant::Source : COperationCheck::Occupant::Other;
    facts.targetInsideSource = facts.sourceIsFolder && inside(question.folder, question.source);
    if (facts.occupant != COperationCheck::Occupant::Nobody && question.numbering)
        facts.numberedName = COperationPlanner::firstFreeNumbered(*question.numbering, question.extension, isFreeName);
    return facts;
}
