// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperationRunner.h"

#include "core/Journal.h"
#include "core/JournalSettler.h"
#include "core/Logging.h"
#include "core/PathParts.h"

#include <QFile>

namespace
{
/// Passes a copy's progress on, and has the journal record which file the copy is before it is published.
class CRecordedCopy : public IMoveProgress
{
public:
    CRecordedCopy(CJournal *journal, qint64 id, IMoveProgress *progress)
        : m_journal(journal)
        , m_id(id)
        , m_progress(progress)
    {
    }
    bool copied(qint64 done, qint64 total) override
    {
        return !m_progress || m_progress->copied(done, total);
    }
    // A copy that the journal cannot tell from a user's would be left twice after a crash: it is not published.
    bool copyMade(quint64 device, quint64 inode) override
    {
        return !m_journal || m_id <= 0 || m_journal->recordCopy(m_id, device, inode);
    }

private:
    CJournal *m_journal;
    qint64 m_id;
    IMoveProgress *m_progress;
};
} // namespace

COperationRunner::COperationRunner(CJournal *journal, IMover &mover)
    : m_journal(journal)
    , m_mover(mover)
    , m_toldJournalUnavailable(journal && !journal->isAvailable())
{
    if (journal)
        mover.setOwner(journal->ownerToken());
}

// A long copy lets the window's events through: all that follows the move comes from `item` and the plan.
COperationRunner::Outcome COperationRunner::run(const COperationPlanner::Item &item,
                                                const COperationPlanner::Target &target, IMoveProgress *progress)
{
    Outcome outcome;
    outcome.plan = COperationPlanner::plan(item, target);
    if (!outcome.plan.ok()) {
        if (outcome.plan.refusal == COperationPlanner::Refusal::RelativePath)
            qCInfo(lcFileOps) << "not moved, a path is not absolute:" << item.sourcePath << "into"
                              << outcome.plan.folder;
        outcome.kind = Kind::Refused;
        return outcome;
    }
    if (isSettling(item.sourcePath, outcome.plan.destination)) {
        qCInfo(lcFileOps) << "not moved, an unfinished operation on it is being settled:" << item.sourcePath;
        outcome.kind = Kind::Settling;
        return outcome;
    }
    if (isSingleRename(item, outcome.plan))
        return runSingleRename(item, target.kind, std::move(outcome), progress);
    // The intent goes first: a crash during a long copy must leave a record that the next start can settle.
    outcome.id = recordIntent(item, outcome.plan, target.kind);
    if (m_journal && outcome.id == 0) {
        qCInfo(lcFileOps) << "not moved, the intent could not be journalled:" << item.sourcePath;
        outcome.kind = Kind::NotJournalled;
        outcome.journalProblem = m_journal->unavailableReason();
        // The refusal gives the reason: it is not said again after the next rename.
        m_toldJournalUnavailable = true;
        return outcome;
    }
    // A journal that stopped taking writes is told after the move: nothing may wait on the user in between.
    outcome.journalJustStopped = journalJustStopped();
    CRecordedCopy recorded(m_journal, outcome.id, progress);
    outcome.result = moveNumbering(item, outcome, &recorded);
    outcome.leftAt = outcome.result.leftAt;
    recordResult(outcome.id, item, outcome.result);
    outcome.kind = outcome.result.ok() ? Kind::Moved : Kind::Failed;
    return outcome;
}

// Without any journal every operation runs alike.
bool COperationRunner::isSingleRename(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan)
{
    return m_journal && m_mover.isSingleStep(item.sourcePath, plan.folder, plan.newName);
}

// One system call that a crash cannot cut in two: the item ends under its old name or its new one, and a start that
// finds no record of it has nothing to settle. So the record follows the rename, in one write that waits for no
// sync, and the window is not kept waiting for an intent. Only the source's stamps must be taken before.
COperationRunner::Outcome COperationRunner::runSingleRename(const COperationPlanner::Item &item,
                                                            JournalEntry::Kind kind, Outcome outcome,
                                                            IMoveProgress *progress)
{
    JournalEntry entry = entryFor(item, outcome.plan, kind);
    entry.before = CJournal::stampOf(item.sourcePath);
    entry.beforeMode = CJournal::modeOf(item.sourcePath);
    outcome.result = moveNumbering(item, outcome, progress);
    outcome.leftAt = outcome.result.leftAt;
    logResult(item, outcome.result);
    // The name the last attempt tried, which a failure names and a success used.
    entry.destination = outcome.plan.destination;
    entry.composedName = outcome.plan.composedName;
    if (outcome.result.ok()) {
        entry.state = JournalEntry::State::Done;
        entry.after = CJournal::stampOf(outcome.result.destination);
        m_redoable.clear();
    } else {
        entry.state = JournalEntry::State::Failed;
        entry.failure = outcome.result.error;
        entry.destinationExisted = CJournal::stampOf(entry.destination).isValid();
    }
    outcome.id = m_journal->recordFinished(entry);
    outcome.journalJustStopped = journalJustStopped();
    outcome.kind = outcome.result.ok() ? Kind::Moved : Kind::Failed;
    return outcome;
}

// The mover decides which name is free: a check before the move could be overtaken by another program creating the
// name meanwhile, and the no-overwrite move never replaces what it finds. Each numbered name is journalled before it
// is tried, so that the journal always names the destination a crash may have left the item at.
MoveResult COperationRunner::moveNumbering(const COperationPlanner::Item &item, Outcome &outcome,
                                           IMoveProgress *progress)
{
    const COperationPlanner::Plan asPlanned = outcome.plan;
    MoveResult result = m_mover.move(item.sourcePath, asPlanned.folder, asPlanned.newName, progress);
    for (int number = 2; asPlanned.numberOnClash && result.error == MoveError::DestinationExists
         && number <= COperationPlanner::kLastNumber;
         ++number) {
        outcome.plan = COperationPlanner::numbered(asPlanned, item.extension, number);
        if (m_journal)
            m_journal->retarget(outcome.id, outcome.plan.destination, outcome.plan.composedName);
        result = m_mover.move(item.sourcePath, outcome.plan.folder, outcome.plan.newName, progress);
    }
    return result;
}

JournalEntry COperationRunner::entryFor(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan,
                                        JournalEntry::Kind kind)
{
    JournalEntry entry;
    entry.kind = kind;
    entry.source = item.sourcePath;
    entry.destination = plan.destination;
    entry.composedName = plan.composedName;
    return entry;
}

// Synced: whatever is not a single rename leaves something to settle when a crash cuts it short.
qint64 COperationRunner::recordIntent(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan,
                                      JournalEntry::Kind kind)
{
    if (!m_journal || !m_journal->isAvailable())
        return 0;
    return m_journal->recordIntent(entryFor(item, plan, kind), CJournal::Sync::ToDisk);
}

// The log keeps what the window's messages do not say: the system's own words for a failure.
void COperationRunner::logResult(const COperationPlanner::Item &item, const MoveResult &result)
{
    if (result.ok())
        qCDebug(lcFileOps) << "moved" << item.sourcePath << "to" << result.destination;
    else
        qCInfo(lcFileOps) << "not moved:" << item.sourcePath << "to" << result.destination << "error"
                          << int(result.error) << result.detail;
}

void COperationRunner::recordResult(qint64 id, const COperationPlanner::Item &item, const MoveResult &result)
{
    logResult(item, result);
    if (result.ok()) {
        if (m_journal)
            m_journal->markDone(id, CJournal::stampOf(result.destination));
        m_redoable.clear();
    } else if (m_journal) {
        m_journal->markFailed(id, result.error);
    }
}

bool COperationRunner::journalJustStopped()
{
    if (!m_journal || m_journal->isAvailable() || m_toldJournalUnavailable)
        return false;
    m_toldJournalUnavailable = true;
    return true;
}

// Asked for by a key, undo answers even when the journal stopped working, which has been said already.
std::optional<COperationRunner::Outcome> COperationRunner::journalRefusesUndo() const
{
    if (m_journal && m_journal->isAvailable())
        return std::nullopt;
    Outcome outcome;
    outcome.kind = m_journal ? Kind::JournalUnavailable : Kind::NoJournal;
    return outcome;
}

COperationRunner::Outcome COperationRunner::undoLatest(IMoveProgress *progress)
{
    if (std::optional<Outcome> refused = journalRefusesUndo())
        return *refused;
    const std::optional<JournalEntry> latest = m_journal->latestUndoable();
    return latest ? undoEntry(*latest, progress) : Outcome {};
}

COperationRunner::Outcome COperationRunner::undo(qint64 id, IMoveProgress *progress)
{
    if (std::optional<Outcome> refused = journalRefusesUndo())
        return *refused;
    const std::optional<JournalEntry> entry = m_journal->find(id);
    return entry ? undoEntry(*entry, progress) : Outcome {};
}

COperationRunner::Outcome COperationRunner::undoEntry(const JournalEntry &entry, IMoveProgress *progress)
{
    Outcome outcome;
    outcome.entry = entry;
    outcome.id = entry.id;
    if (isSettling(entry.source, entry.destination)) {
        outcome.kind = Kind::Settling;
        return outcome;
    }
    outcome.step = CUndoPlanner::undo(entry);
    if (!outcome.step.ok()) {
        outcome.kind = Kind::Refused;
        return outcome;
    }
    if (!m_journal->markUndoing(entry.id))
        return notTakenOn(outcome);
    if (!moveBack(outcome, progress)) {
        m_journal->abandon(entry.id);
        return outcome;
    }
    giveModeBack(entry, outcome.step);
    m_journal->markUndone(entry.id, CJournal::stampOf(outcome.step.to));
    m_redoable.removeAll(entry.id);
    m_redoable.append(entry.id);
    return outcome;
}

// An undo or a redo whose intent was not recorded is not begun: another program took the operation on meanwhile, or
// the journal stopped working, and a crash in the move could not be settled.
COperationRunner::Outcome COperationRunner::notTakenOn(Outcome outcome) const
{
    outcome.kind = m_journal->isAvailable() ? Kind::Nothing : Kind::JournalUnavailable;
    qCInfo(lcFileOps) << "not moved back, the journal did not take the undo or redo of" << outcome.entry.source;
    return outcome;
}

COperationRunner::Outcome COperationRunner::redo(IMoveProgress *progress)
{
    if (std::optional<Outcome> refused = journalRefusesUndo())
        return *refused;
    if (m_redoable.isEmpty())
        return {};
    const Outcome outcome = redo(m_redoable.constLast(), progress);
    // The last undone operation was taken on by another program or a later run: nothing older is redone instead.
    if (outcome.kind == Kind::Nothing)
        m_redoable.clear();
    return outcome;
}

COperationRunner::Outcome COperationRunner::redo(qint64 id, IMoveProgress *progress)
{
    if (std::optional<Outcome> refused = journalRefusesUndo())
        return *refused;
    const std::optional<JournalEntry> entry = m_journal->find(id);
    if (!entry || entry->state != JournalEntry::State::Undone)
        return {};
    Outcome outcome;
    outcome.entry = *entry;
    outcome.id = id;
    if (isSettling(entry->source, entry->destination)) {
        outcome.kind = Kind::Settling;
        return outcome;
    }
    outcome.step = CUndoPlanner::redo(*entry);
    if (!outcome.step.ok()) {
        outcome.kind = Kind::Refused;
        return outcome;
    }
    if (!m_journal->markRedoing(id))
        return notTakenOn(outcome);
    if (!moveBack(outcome, progress)) {
        m_journal->abandon(id);
        return outcome;
    }
    m_journal->markRedone(id, CJournal::stampOf(outcome.step.to));
    m_redoable.removeAll(id);
    return outcome;
}

bool COperationRunner::canRedo() const
{
    return !m_redoable.isEmpty();
}

// Undo and redo move through the same no-overwrite mover as the operations themselves.
bool COperationRunner::moveBack(Outcome &outcome, IMoveProgress *progress)
{
    const CUndoPlanner::Step &step = outcome.step;
    CRecordedCopy recorded(m_journal, outcome.id, progress);
    outcome.result = m_mover.move(step.from, step.folder, step.name, &recorded);
    outcome.leftAt = outcome.result.leftAt;
    outcome.kind = outcome.result.ok() ? Kind::Moved : Kind::Failed;
    if (!outcome.result.ok())
        qCInfo(lcFileOps) << "not moved back:" << step.from << "to" << step.to << "error" << int(outcome.result.error)
                          << outcome.result.detail;
    return outcome.result.ok();
}

// A copy off a disk that keeps no permissions gets that disk's made-up ones; the item goes back as it was. Where the
// disk keeps them, they are the item's own, and a change the user made since stays.
void COperationRunner::giveModeBack(const JournalEntry &entry, const CUndoPlanner::Step &step)
{
    if (entry.beforeMode < 0 || m_mover.storesPermissions(CPathParts::directoryOf(step.from)))
        return;
    if (const int now = CJournal::modeOf(step.to); now < 0 || now == entry.beforeMode)
        return;
    if (!QFile::setPermissions(step.to, QFileDevice::Permissions::fromInt(entry.beforeMode)))
        qCInfo(lcFileOps) << "could not give back the permissions of" << step.to;
}

void COperationRunner::waitFor(const CJournalSettler *settler)
{
    m_settler = settler;
}

bool COperationRunner::isSettling(const QString &from, const QString &to) const
{
    const auto busy = [this](const QString &path) { return !path.isEmpty() && m_settler->isBusy(path); };
    return m_settler && (busy(from) || busy(to));
}

QList<JournalFinding> COperationRunner::settle()
{
    return m_journal ? m_journal->reconcile(m_mover) : QList<JournalFinding>();
}
