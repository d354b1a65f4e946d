// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"
#include "core/OperationRunner.h"
#include "core/UndoPlanner.h"

#include <QList>
#include <QString>
#include <QStringList>

class CJournal;

/// The window's words for what an operation, an undo, a redo or start-up came to. They keep the window's
/// translation context, so the translations need not know which file asks for them.
class COutcomeTexts
{
public:
    /// The first paths one a line, then how many there were: a launch can name thousands, more than a message shows.
    [[nodiscard]] static QString pathSummary(const QStringList &paths);
    /// Why paths given to the queue stayed out of it; empty when none did.
    [[nodiscard]] static QString notQueued(const QStringList &missing, const QStringList &tooLong);
    /// What opening the journal found (kept aside as damaged, unavailable); empty when there is nothing to tell.
    [[nodiscard]] static QString journalNotes(const CJournal &journal);
    /// The items that settling what a crash left found elsewhere than the user would expect, as one message; empty
    /// when there is nothing to tell.
    [[nodiscard]] static QString settlingFindings(const QList<JournalFinding> &findings);
    /// Settling is slow: these items wait for it.
    [[nodiscard]] static QString stillSettling(const QStringList &waiting);
    [[nodiscard]] static QString journalUnavailable(const CJournal &journal);
    [[nodiscard]] static QString undoRefusal(const CUndoPlanner::Step &step);
    [[nodiscard]] static QString redoRefusal(const CUndoPlanner::Step &step);
    [[nodiscard]] static QString itemLeftAside(const QString &leftAt);
    [[nodiscard]] static QString undoFailed(const QString &from);
    [[nodiscard]] static QString redoFailed(const QString &from);

    /// Why a rename or move failed, in the words of the buttons' warnings where they have them; empty when the
    /// cause is not known. `destination` is the path the move tried.
    [[nodiscard]] static QString failureReason(MoveError error, const QString &destination);
    /// Why this operation was refused or failed, for the message box's second line; empty when not known.
    [[nodiscard]] static QString failureReason(const COperationRunner::Outcome &outcome);

    struct Message {
        QString text; ///< empty when there is nothing to say
        QString caption;
    };
    /// What the window says after an undo or a redo: nothing when it moved the item, or when an undo the history
    /// asked for found nothing to undo.
    [[nodiscard]] static Message undoOrRedo(const COperationRunner::Outcome &outcome, bool redo, bool askedByKey);
};
