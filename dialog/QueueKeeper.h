// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/QueueStore.h"
#include "core/RestoredQueue.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class CMyListBox;
class QLineEdit;
class QWidget;

/// Keeps the queue, the loaded item and the three edits saved as they change, and brings them back at the next
/// start. The store is written on a thread of its own, one write per change, so the window never waits for the disk.
class CQueueKeeper : public QObject
{
    Q_OBJECT
public:
    using Edits = std::array<QLineEdit *, 3>; ///< prefix, name, suffix
    using Loaded = std::function<QString()>; ///< the item in the editor; empty when none

    /// Made before the window, so that the saved queue is read while the window is made.
    CQueueKeeper();
    /// Waits for the writes that are under way.
    ~CQueueKeeper() override;

    /// Opens the store at `path`. With `restore`, brings back what it holds; without, forgets it and saves nothing
    /// until setSaving(true).
    void start(const QString &path, bool restore);
    /// Keeps `list` and the edits of `window`, which then owns the keeper. What start() read joins the window once it
    /// has painted itself: the window shows first, the queue follows.
    void attach(CMyListBox &list, const Edits &edits, Loaded loaded, QWidget *window);
    /// Saving on (the queue as it is now is written at once) or off (what was saved is forgotten).
    void setSaving(bool on);
    /// Waits until every change so far is written; changes made before the saved queue is back are written with it.
    void flush();

Q_SIGNALS:
    /// The saved queue is back in the window: `restored` paths queued, `missing` ones left out.
    void restored(qsizetype restored, qsizetype missing);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void observe();
    void post(std::function<void(CQueueStore &)> job);
    void saveQueue();
    void stampFolders();
    void saveRemovedRows(int first, int last);
    void scheduleSave();
    void saveEditor();
    bool snapshotKept(CQueueStore &store);
    void loaded(CRestoredQueue found);
    void applyWhenPainted();
    void apply(CRestoredQueue found);

    CMyListBox *m_list = nullptr;
    Edits m_edits {};
    Loaded m_loaded;
    QWidget *m_window = nullptr;
    /// One thread that never ends while the keeper lives: the store's connection belongs to the thread that made it.
    QThreadPool m_thread;
    std::unique_ptr<CQueueStore> m_store; ///< used on m_thread only
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_rewriteQueue = false; ///< the saved queue's file was changed by another program
    QTimer m_editorChanged; ///< one write for the edits and the rows taken off within its interval
    QTimer m_stampWhenIdle; ///< restarted by each change of the queue
    QStringList m_removed; ///< rows taken off the queue and not written yet
    bool m_saving = false;
    bool m_restoring = false; ///< from start() until the saved queue is back in the window
    bool m_painted = false;
    std::optional<CRestoredQueue> m_found; ///< read, waiting for the first paint
};
