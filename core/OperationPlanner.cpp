// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperationPlanner.h"

#include "core/NameComposer.h"
#include "core/PathParts.h"

#include <QDir>

namespace
{
using Plan = COperationPlanner::Plan;
using Refusal = COperationPlanner::Refusal;

Plan refused(Refusal refusal, const QString &composedName = {})
{
    Plan plan;
    plan.refusal = refusal;
    plan.composedName = composedName;
    return plan;
}

/// The folder a plan that got past its own checks sends the item to, or an empty string where it has none.
QString destinationFolder(const COperationPlanner::Item &item, const COperationPlanner::Target &target)
{
    switch (target.kind) {
    case JournalEntry::Kind::Rename:
        return item.folder;
    case JournalEntry::Kind::Move:
        // A folder typed into the list may carry the other separator.
        return QDir::fromNativeSeparators(target.folderText);
    case JournalEntry::Kind::QuickMove:
        return CPathParts::join(target.linkParent, target.linkName);
    }
    return {};
}
} // namespace

COperationPlanner::Target COperationPlanner::Target::rename()
{
    return { JournalEntry::Kind::Rename, {}, {}, {} };
}

COperationPlanner::Target COperationPlanner::Target::move(const QString &folderText)
{
    return { JournalEntry::Kind::Move, folderText, {}, {} };
}

COperationPlanner::Target COperationPlanner::Target::quickMove(const QString &linkParent, const QString &linkName)
{
    return { JournalEntry::Kind::QuickMove, {}, linkParent, linkName };
}

COperationPlanner::Plan COperationPlanner::plan(const Item &item, const Target &target)
{
    // A name edit still showing a placeholder holds no name either.
    if (CNameComposer::typedText(item.name).isEmpty())
        return refused(Refusal::EmptyName);
    // The list's check comes before composing, the button's after: the window's working strings show the difference.
    if (target.kind == JournalEntry::Kind::Move && CNameComposer::isNoFolder(target.folderText))
        return refused(Refusal::NoFolderChosen);
    const QString composedName = CNameComposer::compose(item.prefix, item.name, item.suffix);
    if (target.kind == JournalEntry::Kind::QuickMove && target.linkParent.isEmpty())
        return refused(Refusal::ButtonNotLinked, composedName);

    Plan plan;
    plan.composedName = composedName;
    plan.folder = destinationFolder(item, target);
    plan.newName = composedName + item.extension;
    plan.destination = CPathParts::join(plan.folder, plan.newName);
    plan.numberOnClash = target.numberOnClash;
    // The window has no current folder a user could see: a relative folder, typed into the list or read from a
    // hand-edited profile, would send the item wherever the program happened to be started.
    if (QDir::isRelativePath(plan.folder) || QDir::isRelativePath(item.sourcePath))
        plan.refusal = Refusal::RelativePath;
    return plan;
}

COperationPlanner::Plan COperationPlanner::numbered(const Plan &plan, const QString &extension, int number)
{
    Plan numberedPlan = plan;
    numberedPlan.composedName = plan.composedName + u'_' + QString::number(number);
    numberedPlan.newName = numberedPlan.composedName + extension;
    numberedPlan.destination = CPathParts::join(plan.folder, numberedPlan.newName);
    return numberedPlan;
}

QString COperationPlanner::firstFreeNumbered(const Plan &plan, const QString &extension,
                                             const std::function<bool(const QString &destination)> &isFree)
{
    for (int number = 2; number <= kLastNumber; ++number) {
        const Plan numberedPlan = numbered(plan, extension, number);
        if (isFree(numberedPlan.destination))
            return numberedPlan.newName;
    }
    return {};
}
