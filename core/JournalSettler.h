// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Journal.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

/// Settles what a crash left unfinished while the window works: the file system's part (which can take as long as
/// comparing a large copy, or for ever on a mount that does not answer) runs on a thread of its own, one entry after
/// another; the journal is read and written on the caller's thread only. Until an entry is settled, the paths it
/// names are busy, and nothing else may move the items there.
class CJournalSettler : public QObject
{
    Q_OBJECT

public:
    /// How long settling may take before the user is told which items still wait for it.
    static constexpr std::chrono::milliseconds kSlow { 5000 };

    /// `journal` must outlive the settler; `mover` moves hidden items back, on the settling thread only.
    CJournalSettler(CJournal &journal, std::unique_ptr<IMover> mover, QObject *parent = nullptr);
    /// A settling still under way is not waited for: its thread may be stuck on a mount that does not answer. The
    /// lock stays taken until the program ends, and a later start settles what is left.
    ~CJournalSettler() override;
    CJournalSettler(const CJournalSettler &) = delete;
    CJournalSettler &operator=(const CJournalSettler &) = delete;

    /// Starts settling; finished() follows, at once when there is nothing to settle or another start settles.
    void start(std::chrono::milliseconds slowAfter = kSlow);
    /// Whether an entry not settled yet names `path` as its source or destination.
    [[nodiscard]] bool isBusy(const QString &path) const;
    [[nodiscard]] bool isSettling() const;

Q_SIGNALS:
    void finished(const QList<JournalFinding> &findings);
    /// Settling has taken `slowAfter`; these items are not settled yet. Emitted once.
    void slow(const QStringList &waiting);

private:
    struct Shared;
    static void settleEach(const std::shared_ptr<Shared> &shared, const QList<JournalEntry> &entries);
    void settledOne(const JournalEntry &entry, const JournalFinding &finding);
    void finish();
    void tellSlow();

    CJournal &m_journal;
    std::shared_ptr<Shared> m_shared;
    qintptr m_lock = CSystem::kNoLock;
    QList<JournalEntry> m_waiting; ///< not settled yet; empty once settling is over
    QList<JournalFinding> m_findings;
    QTimer m_slow;
};
