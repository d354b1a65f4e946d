// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UndoPlanner.h"

#include "core/Journal.h"
#include "core/PathParts.h"
#include "core/System.h"

#include <QFileInfo>

#include <algorithm>

CUndoPlanner::Step CUndoPlanner::undo(const JournalEntry &entry)
{
    return check(entry.destination, entry.after, entry.source, entry.sourceFolder);
}

CUndoPlanner::Step CUndoPlanner::redo(const JournalEntry &entry)
{
    return check(entry.source, entry.before, entry.destination, entry.destinationFolder);
}

namespace
{
// On a disk that ignores case, "Report.txt" going back to "report.txt" finds itself under the old name: the same node,
// or, where a FUSE driver numbers each spelling of a name apart (exFAT), the one entry of the folder that answers to
// both spellings. The folder then lists the new spelling and not the old, and both show the same size on the same
// disk; not always the same time, which the kernel keeps for each spelling apart for a second. A name whose hash
// matches another entry's by chance counts as listed, which refuses the undo rather than mistaking another file.
bool isItselfUnder(const QString &to, const QString &from, const FileStamp &there, const FileStamp &now)
{
    if (there.inode == now.inode)
        return true;
    const QString folder = CPathParts::directoryOf(to);
    if (to == from || to.compare(from, Qt::CaseInsensitive) != 0 || CPathParts::directoryOf(from) != folder
        || there.device != now.device || there.size != now.size)
        return false;
    const std::optional<std::vector<size_t>> names = CSystem::nameHashesIn(folder);
    const auto listed = [&names](const QString &path) {
        return std::binary_search(names->cbegin(), names->cend(),
                                  qHash(QStringView(CPathParts::lastComponentOf(path)), 0));
    };
    return names && listed(from) && !listed(to);
}
} // namespace

// The checks run in the order a user would fix them: find the file first, then make room for it.
// A folder replaced by a link to another one is not the folder the item came from, though its path still works.
CUndoPlanner::Step CUndoPlanner::check(const QString &from, const FileStamp &expected, const QString &to,
                                       const FolderId &folder)
{
    Step step { Refusal::None, from, CPathParts::directoryOf(to), CPathParts::lastComponentOf(to), to };
    const FileStamp now = CJournal::stampOf(from);
    const FolderId folderNow = CJournal::folderIdOf(step.folder);
    if (!now.isValid())
        step.refusal = Refusal::Gone;
    else if (expected.isValid() && !expected.matches(now))
        step.refusal = Refusal::Changed;
    else if (!folderNow.isValid() || (folder.isValid() && folderNow != folder))
        step.refusal = Refusal::FolderGone;
    else if (const FileStamp there = CJournal::stampOf(to); there.isValid() && !isItselfUnder(to, from, there, now))
        step.refusal = Refusal::NameTaken;
    return step;
}

namespace
{
// No operation after `entry` that is done took the item on from `leftAt`.
bool nothingLaterFrom(const JournalEntry &entry, const QString &leftAt, const QList<JournalEntry> &newerFirst)
{
    for (const JournalEntry &later : newerFirst) {
        if (later.id <= entry.id)
            break;
        if (later.state == JournalEntry::State::Done && later.source == leftAt)
            return false;
    }
    return true;
}
} // namespace

bool CUndoPlanner::isLatestOnItsItem(const JournalEntry &entry, const QList<JournalEntry> &newerFirst)
{
    return entry.state == JournalEntry::State::Done && nothingLaterFrom(entry, entry.destination, newerFirst);
}

bool CUndoPlanner::isRedoableOnItsItem(const JournalEntry &entry, const QList<JournalEntry> &newerFirst)
{
    return entry.state == JournalEntry::State::Undone && nothingLaterFrom(entry, entry.source, newerFirst);
}
