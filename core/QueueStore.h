// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"
#include "core/QueueSnapshot.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

/// The queue, the loaded item and the three edits as they were last, so that the next start, after a crash or a
/// killed session too, finds them again: the queue in a file of its own (queue.snapshot), replaced whole, and the
/// edits, the paths taken off since and the file's generation in a small database beside the journal.
/// A store is used by one thread only, the one that opened it.
class CQueueStore
{
public:
    struct Saved {
        QStringList paths; ///< in queue order
        QString loaded; ///< the item in the editor; empty when none
        QString prefix;
        QString name;
        QString suffix;

        friend bool operator==(const Saved &, const Saved &) = default;
    };

    /// Whether a queue written holds paths that the one before it did not.
    enum class Paths { MayBeAdded, NoneAdded };

    CQueueStore();
    ~CQueueStore();
    CQueueStore(const CQueueStore &) = delete;
    CQueueStore &operator=(const CQueueStore &) = delete;

    /// queue.sqlite in the state folder, beside the journal.
    [[nodiscard]] static QString defaultPath();

    /// Opens or creates the store. One that is damaged, or written by a later version, is kept aside and a new one
    /// started; false when no store can be used, and every call below then does nothing.
    bool open(const QString &path);
    void close();
    [[nodiscard]] bool isAvailable() const;
    /// Where open() or load() kept a store they could not read; empty when they kept none.
    [[nodiscard]] QString keptAsidePath() const;

    /// What was saved; a store that cannot be read is kept aside and read as empty. Reading stops early, with
    /// nothing, once `stopped` answers true: a window that closes at once does not wait for a long queue.
    [[nodiscard]] Saved load(const std::function<bool()> &stopped = {});
    /// The loaded item and the three edits; no paths.
    [[nodiscard]] Saved loadEditor();
    /// Which item the loaded path held when the edits were last saved (CItemIdentity); empty when not known.
    [[nodiscard]] QByteArray loadEditorItem();
    /// The folders that hold many of the saved queue's paths, as noted when it was written: a start lists them while
    /// it reads the queue.
    [[nodiscard]] QStringList loadCrowdedFolders();
    /// The saved queue, with the paths removed since it was written taken out.
    [[nodiscard]] CQueueSnapshot loadQueue();
    /// Replaces the saved queue in one write, however many paths there are. Paths added forget the folders' stamps.
    bool saveQueue(const CQueueSnapshot &queue, Paths paths = Paths::MayBeAdded);
    /// The stamps of folders in which every saved path was found, as they were then (CQueuePresence).
    [[nodiscard]] QHash<QString, QByteArray> loadFolderStamps();
    bool saveFolderStamps(const QHash<QString, QByteArray> &stamps);
    /// saveQueue() without keys: the next start keys the paths.
    bool savePaths(const QStringList &paths);
    /// Notes paths taken off the queue, one row each, and now and then folds them into the saved queue.
    bool removePaths(const QStringList &paths);
    /// Saves the edits with which item `loaded` holds now, so that they come back only for that item.
    bool saveEditor(const QString &loaded, const QString &prefix, const QString &name, const QString &suffix);
    /// Forgets the queue and the edits.
    bool clear();
    /// Whether queue.snapshot is still the file this store last read or wrote. One that another program changed, cut
    /// short, put in place or removed is kept aside (when there), and false answered once: the caller then writes the
    /// queue anew from what it holds, and must not fold or read the saved queue before that.
    [[nodiscard]] bool snapshotUntouched();

private:
    [[nodiscard]] QString tryOpen(const QString &path);
    void disconnect();
    bool runInTransaction(const std::function<bool()> &work);
    bool writeSnapshot(const CQueueSnapshot &queue, Paths paths = Paths::MayBeAdded);
    [[nodiscard]] std::optional<CQueueSnapshot> readSnapshotFile(quint64 &generation);
    std::nullopt_t keepSnapshotAside();
    [[nodiscard]] QString upgradeRows();
    bool startOver();

    QString m_connection;
    QString m_path;
    QString m_snapshotPath; ///< the queue itself, beside the store
    FileStamp m_snapshotStamp; ///< the snapshot as this store last read or wrote it; invalid for none
    QSqlDatabase m_db;
    QString m_keptAside;
};
