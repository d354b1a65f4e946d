// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"
#include "core/JournalOwner.h"
#include "core/Mover.h"
#include "core/System.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <chrono>
#include <initializer_list>
#include <map>
#include <optional>

/// The record of renames and moves that undo, the history and crash recovery read. Only an operation of several steps
/// waits for it: one whose intent it cannot record is not begun.
class CJournal
{
public:
    /// How many operations are kept; older ones are pruned.
    static constexpr qint64 kRetention = 10000;

    /// Tests and benchmarks pass a smaller or larger retention.
    explicit CJournal(qint64 retention = kRetention);
    ~CJournal();
    CJournal(const CJournal &) = delete;
    CJournal &operator=(const CJournal &) = delete;

    /// $XDG_STATE_HOME/Plindor/journal.sqlite, or under ~/.local/state when the variable is unset; on Windows
    /// %LOCALAPPDATA%/Plindor/journal.sqlite.
    [[nodiscard]] static QString defaultPath();
    /// Stats a path without following a final symbolic link.
    [[nodiscard]] static FileStamp stampOf(const QString &path);
    /// The permissions a file or folder can be given back (owner, group, others), as QFileDevice::Permissions;
    /// -1 for a link or a missing item.
    [[nodiscard]] static int modeOf(const QString &path);
    /// The bits of QFileDevice::Permissions that modeOf() keeps: those of the owner, the group and the others.
    static constexpr int kModeBits = 0x7777 & ~0x0700;
    /// The folder a path names, following links; invalid when it is no folder.
    [[nodiscard]] static FolderId folderIdOf(const QString &path);

    /// How long open() waits for the journal's folder to answer.
    static constexpr std::chrono::milliseconds kFolderWait { 2000 };

    /// Opens or creates the journal. A damaged, locked or unwritable one is kept aside and a new one started;
    /// when that fails too, or when its folder does not answer within `wait`, the journal stays unavailable and
    /// every call below does nothing.
    bool open(const QString &path, std::chrono::milliseconds wait = kFolderWait);
    void close();
    [[nodiscard]] bool isAvailable() const;
    /// Why the journal is unavailable, for telling the user once; empty while it works.
    [[nodiscard]] QString unavailableReason() const;
    /// Where open() kept a journal it could not use; empty when it kept none.
    [[nodiscard]] QString keptAsidePath() const;
    /// The token this program's intents carry, for the mover's hidden names; empty while the journal is unavailable.
    [[nodiscard]] QString ownerToken() const;

    /// Whether a record waits until the disk holds it, so that it outlasts a power cut.
    enum class Sync { ToDisk, Later };
    /// Records that an operation is about to start and returns its id, or 0 when nothing could be recorded. An
    /// operation a crash cannot cut in two may record with Sync::Later: after a power cut the item is under one of
    /// its two names whether or not its intent was kept, and start-up settles the intent if it was.
    qint64 recordIntent(JournalEntry entry, Sync sync = Sync::ToDisk);
    /// Records an operation that is over, Done or Failed as `entry` says, in one write that waits for no sync. Only
    /// for a single rename, which needs no intent before it: a crash before this record leaves the item under its
    /// old name or its new one and nothing to settle, only a rename that the history does not show. `entry` brings
    /// the source's stamp and permissions as they were before the rename.
    qint64 recordFinished(JournalEntry entry);
    /// Records, synced, which file the copy an intent's move is making is, before the copy is published.
    bool recordCopy(qint64 id, quint64 device, quint64 inode);
    /// Records that the operation, still only intended, now tries another name (a taken name numbered).
    bool retarget(qint64 id, const QString &destination, const QString &composedName);
    /// Each returns false unless the operation was in the state the call moves it from.
    bool markDone(qint64 id, const FileStamp &after);
    /// `failure` is kept for the history to say why.
    bool markFailed(qint64 id, MoveError failure = MoveError::None);
    /// Records that an undo (of a done operation) or a redo (of an undone one) is about to move the item, synced
    /// like an intent, so that start-up can settle it after a crash.
    bool markUndoing(qint64 id);
    bool markRedoing(qint64 id);
    /// `atSource` is the item as the undo left it, which a redo then expects to find.
    bool markUndone(qint64 id, const FileStamp &atSource = {}, JournalRecovery recovery = JournalRecovery::None);
    bool markRedone(qint64 id, const FileStamp &after, JournalRecovery recovery = JournalRecovery::None);
    /// An undo or a redo that did not move the item: the operation is as it was before it.
    bool abandon(qint64 id, JournalRecovery recovery = JournalRecovery::None);

    /// The most recent operation that is done and not undone.
    [[nodiscard]] std::optional<JournalEntry> latestUndoable() const;
    /// The operation with this id, if the journal still keeps it.
    [[nodiscard]] std::optional<JournalEntry> find(qint64 id) const;
    /// The most recent operations, newest first.
    [[nodiscard]] QList<JournalEntry> history(int limit) const;

    /// Settles every operation, undo or redo that a crash left unfinished against the file system, oldest first.
    /// Operations that a program still running is carrying out are left to it; hidden items go back through `mover`.
    QList<JournalFinding> reconcile(IMover &mover);

    /// What one start settles, in three steps that let the file system's part run on another thread: the journal
    /// itself is only ever used on the thread that opened it.
    struct Settling {
        /// Held until endSettling(): no other start settles meanwhile. kNoLock when another start settles, or
        /// while the journal is unavailable.
        qintptr lock = CSystem::kNoLock;
        QList<JournalEntry> entries; ///< oldest first; only those whose programs have ended
    };
    /// Takes the settling lock and reads, under it, what is left to settle.
    [[nodiscard]] Settling beginSettling();
    /// The operation that settling `entry` settles against the file system: an undo is the operation it takes back,
    /// the other way round.
    [[nodiscard]] static JournalEntry asFound(const JournalEntry &entry);
    /// Records what settling `entry` came to.
    void recordSettled(const JournalEntry &entry, const JournalFinding &finding);
    /// Lets another start settle again, and forgets the locks of owners that have ended.
    void endSettling(qintptr lock);

private:
    QString tryOpen(const QString &path, int *code);
    bool opened(const QString &path);
    void disconnect();
    void becomeUnavailable(const QString &reason);
    bool update(qint64 id, std::initializer_list<JournalEntry::State> from, JournalEntry::State to,
                const FileStamp &after = {}, JournalRecovery recovery = JournalRecovery::None, bool intent = false);
    qint64 insert(const JournalEntry &entry);
    void prune();
    void syncEach(bool commit);
    /// The statement of this text, prepared once per connection and kept for the next call.
    QSqlQuery &prepared(const QString &statement);
    [[nodiscard]] QList<JournalEntry> select(const QString &where, int limit,
                                             Qt::SortOrder order = Qt::DescendingOrder) const;
    [[nodiscard]] bool mayStillRun(const JournalEntry &entry) const;

    qint64 m_retention;
    QString m_connection;
    QSqlDatabase m_db;
    std::map<QString, QSqlQuery> m_prepared; ///< dropped before the connection closes
    QString m_reason;
    QString m_keptAside;
    qint64 m_sincePrune = 0;
    bool m_syncEachCommit = false;
    CJournalOwner m_owner;
};
