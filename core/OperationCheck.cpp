// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperationCheck.h"

#include "core/PathParts.h"
#include "core/WindowsNameRules.h"

#include <QFile>

#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace
{
using Reason = COperationCheck::Reason;
using Warning = COperationCheck::Warning;
using Facts = COperationCheck::Facts;
using Refusal = COperationPlanner::Refusal;

// The mover refuses longer names on every disk, whatever the disk itself would take. Linux counts a name's and a
// path's bytes; Windows counts UTF-16 units, and takes paths of up to 32767 of them, prefix included, through \\?\.
#ifdef Q_OS_WIN
constexpr qint64 kPathLimit = 32767 - 4;
qint64 lengthOf(const QString &text)
{
    return text.size();
}
#else
constexpr qint64 kPathLimit = PATH_MAX;
qint64 lengthOf(const QString &text)
{
    return QFile::encodeName(text).size();
}
#endif
constexpr qint64 kNameBytes = 255;

Warning warn(Reason reason, const QString &detail = {}, qint64 amount = 0, qint64 limit = 0)
{
    return { reason, detail, amount, limit };
}

Warning refusalWarning(const COperationPlanner::Plan &plan)
{
    switch (plan.refusal) {
    case Refusal::None:
        return {};
    case Refusal::EmptyName:
        return warn(Reason::NameMissing);
    case Refusal::NoFolderChosen:
        return warn(Reason::NoFolderChosen);
    case Refusal::ButtonNotLinked:
        return warn(Reason::ButtonNotLinked);
    case Refusal::RelativePath:
        return warn(Reason::FolderNotAbsolute, plan.folder);
    }
    return {};
}

Warning nameRuleWarning(const QString &newName)
{
    if (newName == "."_L1 || newName == ".."_L1)
        return warn(Reason::NameNotAllowed, newName);
    for (const QChar c : { QChar(u'/'), QChar(0) }) {
        if (newName.contains(c))
            return warn(Reason::NameNotAllowed, c);
    }
    return {};
}

Warning folderWarning(const COperationPlanner::Plan &plan, const Facts &facts)
{
    switch (facts.folder) {
    case COperationCheck::FolderState::Usable:
        return {};
    case COperationCheck::FolderState::Missing:
        return warn(Reason::FolderMissing, plan.folder);
    case COperationCheck::FolderState::NotAFolder:
        return warn(Reason::NotAFolder, plan.folder);
    case COperationCheck::FolderState::NotWritable:
        return warn(Reason::FolderNotWritable, plan.folder);
    case COperationCheck::FolderState::ReadOnlyDisk:
        return warn(Reason::FolderReadOnlyDisk, plan.folder);
    }
    return {};
}

// Their length limit, 255 UTF-16 units, is never stricter than the 255 bytes of UTF-8 the mover allows everywhere.
Warning windowsWarning(const QString &newName)
{
    if (const QChar c = CWindowsNameRules::firstForbidden(newName); !c.isNull())
        return warn(Reason::ForbiddenCharacter, c);
    if (CWindowsNameRules::endsWithDotOrSpace(newName))
        return warn(Reason::EndsWithDotOrSpace, newName.right(1));
    if (const QString device = CWindowsNameRules::reservedDevice(newName); !device.isEmpty())
        return warn(Reason::ReservedName, device);
    return {};
}

// With numbering on, a taken name is no failure while a numbered one is free: the user learns which it will be.
Warning takenWarning(const COperationPlanner::Plan &plan, const Facts &facts)
{
    if (plan.numberOnClash && !facts.numberedName.isEmpty())
        return warn(Reason::NameNumbered, facts.numberedName);
    return warn(Reason::NameTaken, plan.newName);
}

Warning occupantWarning(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan, const Facts &facts)
{
    switch (facts.occupant) {
    case COperationCheck::Occupant::Nobody:
        return {};
    case COperationCheck::Occupant::Other:
        return takenWarning(plan, facts);
    case COperationCheck::Occupant::Source:
        break;
    }
    // The name finds the item itself: unchanged, a change of case the mover carries out on a disk without case, or
    // a second link to the same file, which is another entry that holds the name.
    if (facts.sameFolder && CPathParts::lastComponentOf(item.sourcePath) == plan.newName)
        return warn(Reason::SameName);
    if (facts.sameFolder && facts.caseInsensitive)
        return {};
    return takenWarning(plan, facts);
}

// A copy to another disk needs room for the data the file holds: a sparse file's holes stay holes.
Warning copyWarning(const Facts &facts)
{
    if (facts.maxFileSize > 0 && facts.sourceSize > facts.maxFileSize)
        return warn(Reason::FileTooLarge, {}, facts.sourceSize, facts.maxFileSize);
    const qint64 needed = facts.sourceAllocated > 0 ? facts.sourceAllocated : facts.sourceSize;
    if (facts.freeBytes >= 0 && needed > facts.freeBytes)
        return warn(Reason::NotEnoughSpace, {}, needed, facts.freeBytes);
    return {};
}
} // namespace

COperationCheck::Warning COperationCheck::checkName(const COperationPlanner::Item &,
                                                    const COperationPlanner::Plan &plan)
{
    if (!plan.ok())
        return refusalWarning(plan);
    if (const Warning rule = nameRuleWarning(plan.newName); !rule.ok())
        return rule;
    if (const qint64 length = lengthOf(plan.newName); length > kNameBytes)
        return warn(Reason::NameTooLong, {}, length, kNameBytes);
    if (const qint64 length = lengthOf(plan.destination); length >= kPathLimit)
        return warn(Reason::PathTooLong, {}, length, kPathLimit - 1);
    return {};
}

COperationCheck::Warning COperationCheck::check(const COperationPlanner::Item &item,
                                                const COperationPlanner::Plan &plan, const Facts &facts)
{
    if (const Warning name = checkName(item, plan); !name.ok() || !facts.known)
        return name;
    if (!facts.sourceExists)
        return warn(Reason::SourceGone);
    if (const Warning folder = folderWarning(plan, facts); !folder.ok())
        return folder;
    if (facts.windowsNames) {
        if (const Warning rule = windowsWarning(plan.newName); !rule.ok())
            return rule;
    }
    if (const qint64 bytes = QFile::encodeName(plan.newName).size();
        facts.nameMaxBytes > 0 && bytes > facts.nameMaxBytes)
        return warn(Reason::NameTooLong, {}, bytes, facts.nameMaxBytes);
    if (const Warning occupant = occupantWarning(item, plan, facts); !occupant.ok())
        return occupant;
    if (facts.targetInsideSource)
        return warn(Reason::IntoItself);
    if (!facts.sameFilesystem && facts.sourceIsFolder)
        return warn(Reason::FolderAcrossDisks);
    if (!facts.sourceFolderWritable)
        return warn(Reason::SourceFolderNotWritable);
    return facts.sameFilesystem ? Warning() : copyWarning(facts);
}
