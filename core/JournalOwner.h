// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Which running program owns an unfinished operation. Each program that records operations holds a lock on a file
/// of its own in the journal's folder for as long as it runs; the kernel lets go of the lock when the program ends,
/// however it ends. An intent whose owner still holds its lock is in progress and must not be settled by anyone
/// else: a second window, a self-test, a second user's session. A lock, not a process id: ids are reused and differ
/// between pid namespaces.
class CJournalOwner
{
public:
    CJournalOwner() = default;
    ~CJournalOwner();
    CJournalOwner(const CJournalOwner &) = delete;
    CJournalOwner &operator=(const CJournalOwner &) = delete;

    /// Takes a new token and its lock in `folder`; false (and an empty token) when the folder takes no lock file.
    bool claim(const QString &folder);
    /// Lets go of the lock and removes its file.
    void release();
    /// The token this program writes into its intents; empty while it holds no lock.
    [[nodiscard]] QString token() const;

    /// True when the program that wrote `token` has ended: nobody holds its lock, or it never had a file here (a
    /// journal from another machine or an older version). A token that is not of this program's making names no
    /// file and counts as ended too; what settling may do with such a row is limited elsewhere.
    [[nodiscard]] bool hasEnded(const QString &token) const;
    /// Removes the lock files of owners that have ended, except this program's own.
    void removeEnded() const;
    /// Whether `token` has the form of the tokens claim() takes, and so names a lock file in the folder and nothing
    /// else, nor a pattern of names.
    [[nodiscard]] static bool isToken(QStringView token);

private:
    [[nodiscard]] QString pathOf(const QString &token) const;

    QString m_folder;
    QString m_token;
    qintptr m_lock = -1; ///< CSystem::kNoLock while none is held
};
