// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"
#include "core/Mover.h"
#include "core/OperationPlanner.h"
#include "core/UndoPlanner.h"

#include <QList>

#include <optional>

class CJournal;
class CJournalSettler;

/// Carries out a rename, move or quick move, its undo and its redo in the order that keeps files safe: the intent
/// is journalled before the item is touched and the outcome after; a single rename, which a crash cannot cut in
/// two, is journalled once, after it. It shows nothing; the window shows the outcome.
class COperationRunner
{
public:
    enum class Kind {
        Moved, ///< the item went where the plan or the step says
        Refused, ///< a planner refused (see plan.refusal or step.refusal): nothing touched, nothing journalled
        /// An operation of several steps whose intent the journal could not record (see journalProblem): without
        /// one a crash halfway could not be settled, so nothing was touched.
        NotJournalled,
        Failed, ///< the mover failed (see result); the journal says so
        Nothing, ///< no operation to undo, none with that id, or nothing to redo
        NoJournal, ///< undo or redo without any journal: there is nothing to answer
        JournalUnavailable, ///< undo or redo while the journal does not work
        /// The item or its destination is named by an operation a crash left unfinished, which is being settled
        /// meanwhile: nothing touched, nothing journalled.
        Settling,
    };

    struct Outcome {
        Kind kind = Kind::Nothing;
        COperationPlanner::Plan plan; ///< run() only; with the number a taken name was given
        CUndoPlanner::Step step; ///< undo and redo only
        JournalEntry entry; ///< undo and redo only: the operation as the journal had it before
        MoveResult result;
        QString leftAt; ///< where a failed move had to leave the item; empty when it is where it was
        /// The journal stopped working during this operation or before it and nobody has been told; said once a run.
        bool journalJustStopped = false;
        qint64 id = 0; ///< the journal's row; 0 when none was written
        QString journalProblem; ///< NotJournalled: why the journal does not work
    };

    /// `journal` may be null: operations then go ahead without it and cannot be undone. With one that does not work,
    /// a single rename goes ahead (said once, in journalJustStopped) and an operation of several steps is refused.
    /// Both must outlive the runner. A journal that is unavailable already is taken as said: start-up tells the user.
    COperationRunner(CJournal *journal, IMover &mover);

    [[nodiscard]] Outcome run(const COperationPlanner::Item &item, const COperationPlanner::Target &target,
                              IMoveProgress *progress = nullptr);
    /// Takes back the most recent operation that is done and not undone.
    [[nodiscard]] Outcome undoLatest(IMoveProgress *progress = nullptr);
    [[nodiscard]] Outcome undo(qint64 id, IMoveProgress *progress = nullptr);
    /// Does again the operation undone last in this run, unless an operation came after it.
    [[nodiscard]] Outcome redo(IMoveProgress *progress = nullptr);
    /// Does again the undone operation `id`, whenever it was undone.
    [[nodiscard]] Outcome redo(qint64 id, IMoveProgress *progress = nullptr);
    [[nodiscard]] bool canRedo() const;
    /// Settles what a crash left unfinished, at start-up; nothing without a journal.
    [[nodiscard]] QList<JournalFinding> settle();
    /// Refuses operations, undos and redos on the paths `settler` is still settling; it must outlive the runner, or
    /// be taken back with nullptr.
    void waitFor(const CJournalSettler *settler);

private:
    [[nodiscard]] bool isSingleRename(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan);
    [[nodiscard]] Outcome runSingleRename(const COperationPlanner::Item &item, JournalEntry::Kind kind, Outcome outcome,
                                          IMoveProgress *progress);
    [[nodiscard]] static JournalEntry entryFor(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan,
                                               JournalEntry::Kind kind);
    [[nodiscard]] qint64 recordIntent(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan,
                                      JournalEntry::Kind kind);
    static void logResult(const COperationPlanner::Item &item, const MoveResult &result);
    [[nodiscard]] MoveResult moveNumbering(const COperationPlanner::Item &item, Outcome &outcome,
                                           IMoveProgress *progress);
    void recordResult(qint64 id, const COperationPlanner::Item &item, const MoveResult &result);
    [[nodiscard]] bool journalJustStopped();
    [[nodiscard]] std::optional<Outcome> journalRefusesUndo() const;
    [[nodiscard]] Outcome undoEntry(const JournalEntry &entry, IMoveProgress *progress);
    [[nodiscard]] bool moveBack(Outcome &outcome, IMoveProgress *progress);
    [[nodiscard]] Outcome notTakenOn(Outcome outcome) const;
    /// Whether an operation from `from` to `to` touches an item the settler has not settled yet.
    [[nodiscard]] bool isSettling(const QString &from, const QString &to) const;
    void giveModeBack(const JournalEntry &entry, const CUndoPlanner::Step &step);

    CJournal *m_journal;
    IMover &m_mover;
    bool m_toldJournalUnavailable;
    const CJournalSettler *m_settler = nullptr;
    QList<qint64> m_redoable; ///< operations undone in this run, the last undone last; a new operation clears it
};
