// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// One rename, move, undo or redo in the window's order (intent, move, outcome), or one start-up's settling of the
// journal, with nothing else around it: scripts/crashpoints.sh kills it at every call that changes a file and checks
// what the next start finds.
//
//   plindor_crashdriver run <journal> <source> <folder> <name> [--without noreplace,links,tmpfile,copyrange]
//                                                                [--number]
//   plindor_crashdriver undo <journal>
//   plindor_crashdriver redo <journal> <id>
//   plindor_crashdriver settle <journal>
//
// Each prints one outcome line and exits 0 on success, 1 on a failure it reports, 2 on wrong arguments.

#include "core/Journal.h"
#include "core/OperationRunner.h"
#include "core/PathParts.h"
#include "platform/LinuxMover.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace
{

enum Status { Success = 0, Failure = 1, Usage = 2 };

/// A copy's progress as the window's dialog takes it, without the window: never cancels.
class CSilentProgress : public IMoveProgress
{
public:
    bool copied(qint64, qint64) override
    {
        return true;
    }
};

void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString moveFailure(const MoveResult &result)
{
    QString line = u"failed error=%1 %2 to %3"_s.arg(int(result.error)).arg(result.detail, result.destination);
    if (!result.leftAt.isEmpty())
        line += u" left-at %1"_s.arg(result.leftAt);
    return line;
}

// The window's operation: the runner records the intent (synced) before the file is touched and the outcome after.
Status carryOut(CJournal &journal, const COperationPlanner::Item &item, const COperationPlanner::Target &target,
                CFileMover::Abilities doWithout)
{
    CLinuxMover mover(doWithout);
    COperationRunner runner(&journal, mover);
    CSilentProgress progress;
    const COperationRunner::Outcome outcome = runner.run(item, target, &progress);
    say(u"intent %1"_s.arg(outcome.id));
    if (outcome.kind == COperationRunner::Kind::Moved) {
        say(u"done %1"_s.arg(outcome.result.destination));
        return Success;
    }
    say(moveFailure(outcome.result));
    return Failure;
}

QString refusalWord(CUndoPlanner::Refusal refusal)
{
    switch (refusal) {
    case CUndoPlanner::Refusal::Gone:
        return u"gone"_s;
    case CUndoPlanner::Refusal::Changed:
        return u"changed"_s;
    case CUndoPlanner::Refusal::NameTaken:
        return u"name-taken"_s;
    case CUndoPlanner::Refusal::FolderGone:
        return u"folder-gone"_s;
    case CUndoPlanner::Refusal::None:
        break;
    }
    return u"none"_s;
}

QString recoveryWord(JournalRecovery recovery)
{
    switch (recovery) {
    case JournalRecovery::None:
        return u"none"_s;
    case JournalRecovery::NothingHappened:
        return u"nothing-happened"_s;
    case JournalRecovery::CopyRemoved:
        return u"copy-removed"_s;
    case JournalRecovery::Finished:
        return u"finished"_s;
    case JournalRecovery::PutBack:
        return u"put-back"_s;
    case JournalRecovery::LeftHidden:
        return u"left-hidden"_s;
    case JournalRecovery::LeftTwice:
        return u"left-twice"_s;
    case JournalRecovery::Missing:
        return u"missing"_s;
    }
    return u"unknown"_s;
}

std::optional<CFileMover::Abilities> abilitiesNamed(const QString &list)
{
    CFileMover::Abilities abilities;
    for (const QString &word : list.split(u',', Qt::SkipEmptyParts)) {
        if (word == "noreplace"_L1)
            abilities |= CFileMover::Ability::NoReplaceRename;
        else if (word == "links"_L1)
            abilities |= CFileMover::Ability::HardLinks;
        else if (word == "tmpfile"_L1)
            abilities |= CFileMover::Ability::UnnamedTempFiles;
        else if (word == "copyrange"_L1)
            abilities |= CFileMover::Ability::CopyFileRange;
        else
            return std::nullopt;
    }
    return abilities;
}

// The journal as the window opens it; an unusable one is said, and the operation goes ahead without it, as there.
void openJournal(CJournal &journal, const QString &path)
{
    journal.open(path);
    if (!journal.keptAsidePath().isEmpty())
        say(u"journal-kept-aside %1"_s.arg(journal.keptAsidePath()));
    if (!journal.isAvailable())
        say(u"journal-unavailable %1"_s.arg(journal.unavailableReason()));
}

Status run(const QStringList &args)
{
    if (args.size() < 4)
        return Usage;
    QString without;
    bool numberOnClash = false;
    for (qsizetype i = 4; i < args.size(); ++i) {
        if (args.at(i) == "--number"_L1)
            numberOnClash = true;
        else if (args.at(i) == "--without"_L1 && i + 1 < args.size())
            without = args.at(++i);
        else
            return Usage;
    }
    const std::optional<CFileMover::Abilities> doWithout = abilitiesNamed(without);
    if (!doWithout)
        return Usage;
    const QString &source = args.at(1);
    const QString &folder = args.at(2);
    const QString &name = args.at(3);
    // The name goes into the name edit as the window loads it: the extension kept aside.
    const COperationPlanner::Item item { source, CPathParts::directoryOf(source), {}, CPathParts::baseNameOf(name),
                                         {},     CPathParts::extensionOf(name) };
    const bool inPlace = folder == item.folder;
    COperationPlanner::Target target
        = inPlace ? COperationPlanner::Target::rename() : COperationPlanner::Target::move(folder);
    // The window's switch for numbering a name that is taken.
    target.numberOnClash = numberOnClash;
    const COperationPlanner::Plan plan = COperationPlanner::plan(item, target);
    if (!plan.ok() || plan.newName != name)
        return Usage;
    CJournal journal;
    openJournal(journal, args.at(0));
    return carryOut(journal, item, target, *doWithout);
}

// What an undo or a redo came to, in one line; `nothing` is the word for having nothing to undo or redo.
Status tell(const COperationRunner::Outcome &outcome, const QString &done, const QString &nothing)
{
    switch (outcome.kind) {
    case COperationRunner::Kind::Moved:
        say(u"%1 %2 %3 -> %4"_s.arg(done).arg(outcome.id).arg(outcome.step.from, outcome.step.to));
        return Success;
    case COperationRunner::Kind::Refused:
        say(u"refused %1 %2"_s.arg(refusalWord(outcome.step.refusal), outcome.step.from));
        return Failure;
    case COperationRunner::Kind::Failed:
        say(moveFailure(outcome.result));
        return Failure;
    default:
        say(u"refused "_s + nothing);
        return Failure;
    }
}

// The window's undo of the latest undoable operation.
Status undo(const QStringList &args)
{
    if (args.size() != 1)
        return Usage;
    CJournal journal;
    openJournal(journal, args.at(0));
    CLinuxMover mover;
    COperationRunner runner(&journal, mover);
    CSilentProgress progress;
    return tell(runner.undoLatest(&progress), u"undone"_s, u"nothing-to-undo"_s);
}

// The window's redo, for the operation named: a new process has no list of its own.
Status redo(const QStringList &args)
{
    bool ok = false;
    const qint64 id = args.size() == 2 ? args.at(1).toLongLong(&ok) : 0;
    if (!ok)
        return Usage;
    CJournal journal;
    openJournal(journal, args.at(0));
    CLinuxMover mover;
    COperationRunner runner(&journal, mover);
    CSilentProgress progress;
    return tell(runner.redo(id, &progress), u"redone"_s, u"nothing-to-redo"_s);
}

// A new start: the journal opened and every unfinished intent settled, as the window does before it shows.
Status settle(const QStringList &args)
{
    if (args.size() != 1)
        return Usage;
    CJournal journal;
    openJournal(journal, args.at(0));
    if (!journal.isAvailable())
        return Failure;
    CLinuxMover mover;
    for (const JournalFinding &finding : journal.reconcile(mover)) {
        QString line = u"settled %1 %2 %3 -> %4"_s.arg(finding.id)
                           .arg(recoveryWord(finding.recovery), finding.source, finding.destination);
        if (!finding.leftAt.isEmpty())
            line += u" left-at %1"_s.arg(finding.leftAt);
        say(line);
    }
    say(u"settle-done"_s);
    return Success;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    Status status = Usage;
    if (command == "run"_L1)
        status = run(args);
    else if (command == "undo"_L1)
        status = undo(args);
    else if (command == "redo"_L1)
        status = redo(args);
    else if (command == "settle"_L1)
        status = settle(args);
    if (status == Usage)
        std::fputs("usage: plindor_crashdriver run <journal> <source> <folder> <name> [--without "
                   "noreplace,links,tmpfile,copyrange] [--number]\n"
                   "       plindor_crashdriver undo <journal>\n"
                   "       plindor_crashdriver redo <journal> <id>\n"
                   "       plindor_crashdriver settle <journal>\n",
                   stderr);
    return status;
}
