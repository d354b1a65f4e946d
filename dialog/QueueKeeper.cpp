// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/QueueKeeper.h"

#include "controls/MyListBox.h"
#include "core/Logging.h"
#include "core/NameComposer.h"
#include "core/QueuePresence.h"
#include "core/System.h"

#include <QEvent>
#include <QLineEdit>

namespace
{
// The store holds what the user typed; an edit left at its placeholder shows the one of the language shown now.
QString shownOrPlaceholder(const QString &saved, const QString &placeholder)
{
    const QString typed = CNameComposer::typedText(saved);
    return typed.isEmpty() ? placeholder : typed;
}
} // namespace

CQueueKeeper::CQueueKeeper()
    : m_store(std::make_unique<CQueueStore>())
{
    m_thread.setMaxThreadCount(1);
    m_thread.setExpiryTimeout(-1);
    m_editorChanged.setSingleShot(true);
    // Long enough that the write follows the window's repaint after a rename, and one write serves a burst of
    // changes; short enough that a crash loses next to nothing.
    m_editorChanged.setInterval(100);
    connect(&m_editorChanged, &QTimer::timeout, this, &CQueueKeeper::saveEditor);
    // Folders are listed for their stamps once the queue has stopped changing: not after every rename, and only when
    // the folders' own changes have settled.
    m_stampWhenIdle.setSingleShot(true);
    m_stampWhenIdle.setInterval(3000);
    connect(&m_stampWhenIdle, &QTimer::timeout, this, &CQueueKeeper::stampFolders);
}

void CQueueKeeper::attach(CMyListBox &list, const Edits &edits, Loaded loaded, QWidget *window)
{
    setParent(window);
    m_list = &list;
    m_edits = edits;
    m_loaded = std::move(loaded);
    m_window = window;
    window->installEventFilter(this);
    observe();
    // A window that painted already paints again, and the saved queue follows that paint.
    window->update();
}

CQueueKeeper::~CQueueKeeper()
{
    m_stopping = true;
    // The connection is closed on the thread that opened it.
    post([](CQueueStore &store) { store.close(); });
    m_thread.waitForDone();
}

void CQueueKeeper::observe()
{
    const QAbstractItemModel *model = m_list->model();
    connect(model, &QAbstractItemModel::modelReset, this, &CQueueKeeper::saveQueue);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { saveRemovedRows(first, last); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, &CQueueKeeper::scheduleSave);
    for (QLineEdit *edit : m_edits)
        connect(edit, &QLineEdit::textChanged, this, &CQueueKeeper::scheduleSave);
}

void CQueueKeeper::post(std::function<void(CQueueStore &)> job)
{
    m_thread.start([this, job = std::move(job)] { job(*m_store); });
}

void CQueueKeeper::start(const QString &path, bool restore)
{
    m_saving = restore;
    // Until the saved queue is back, what the window holds is only part of it and is not written over it.
    m_restoring = restore;
    post([this, path, restore](CQueueStore &store) {
        store.open(path);
        if (!restore) {
            store.clear();
            return;
        }
        CRestoredQueue found = CRestoredQueue::read(store, [this] { return bool(m_stopping); });
        if (m_stopping)
            return;
        QMetaObject::invokeMethod(
            this, [this, found = std::move(found)]() mutable { loaded(std::move(found)); }, Qt::QueuedConnection);
    });
}

void CQueueKeeper::loaded(CRestoredQueue found)
{
    if (found.missing > 0)
        qCInfo(lcQueue) << found.missing << "saved queue entries no longer exist and were left out";
    m_found = std::move(found);
    applyWhenPainted();
}

bool CQueueKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // After this paint, not inside it.
        QMetaObject::invokeMethod(this, &CQueueKeeper::applyWhenPainted, Qt::QueuedConnection);
    }
    return false;
}

void CQueueKeeper::applyWhenPainted()
{
    if (!m_painted || !m_found)
        return;
    CRestoredQueue found = *std::exchange(m_found, std::nullopt);
    m_window->removeEventFilter(this);
    const qsizetype paths = found.entries.size();
    const qsizetype missing = found.missing;
    apply(std::move(found));
    qCDebug(lcQueue) << "queue restored:" << paths << "paths";
    Q_EMIT restored(paths, missing);
}

// A queue filled meanwhile, by a launch's paths say, keeps its loaded item; the saved paths join it.
void CQueueKeeper::apply(CRestoredQueue found)
{
    const CQueueStore::Saved &saved = found.editor;
    const bool joined = m_list->count() > 0;
    if (joined) {
        m_list->queueKeepingCurrent(found.entries.paths());
    } else {
        m_list->queueSortedAndLoad(std::move(found.entries));
        const int row = m_list->rowOf(saved.loaded);
        if (row > 0)
            m_list->loadRow(row);
        if (row >= 0 && found.editsKept) {
            m_edits.at(0)->setText(shownOrPlaceholder(saved.prefix, CNameComposer::prefixPlaceholder()));
            m_edits.at(1)->setText(CNameComposer::typedText(saved.name));
            m_edits.at(2)->setText(shownOrPlaceholder(saved.suffix, CNameComposer::suffixPlaceholder()));
        }
    }
    m_restoring = false;
    // Folders that changed since they were stamped, and were listed for this start, get a stamp of how they are now.
    m_stampWhenIdle.start();
    // The store holds the saved paths that still exist; the paths queued meanwhile join them in one write.
    if (joined)
        saveQueue();
    saveEditor();
}

void CQueueKeeper::setSaving(bool on)
{
    m_saving = on;
    if (!on) {
        m_removed.clear();
        post([](CQueueStore &store) { store.clear(); });
        return;
    }
    saveQueue();
    saveEditor();
}

void CQueueKeeper::saveQueue()
{
    if (!m_saving || m_restoring)
        return;
    // The whole queue as it is now: rows taken off before it need no write of their own.
    m_removed.clear();
    // The rows are copied here and the blocks they refer to are shared; the snapshot is made on the store's thread.
    post([entries = m_list->entries()](CQueueStore &store) {
        static const QByteArray identity = CQueueOrder().keysIdentity();
        store.saveQueue(CQueueSnapshot::of(entries, identity));
    });
    m_stampWhenIdle.start();
}

void CQueueKeeper::stampFolders()
{
    if (!m_saving || m_restoring)
        return;
    // The stamps vouch for the queue as the store reads it: the rows taken off so far are written first.
    if (m_editorChanged.isActive()) {
        m_editorChanged.stop();
        saveEditor();
    }
    post([this](CQueueStore &store) {
        if (!snapshotKept(store))
            return;
        const auto stopped = [this] { return bool(m_stopping); };
        const CQueuePresence::Stamps stamps
            = CQueuePresence::stampsOf(store.loadQueue(), store.loadFolderStamps(), stopped);
        if (!stopped())
            store.saveFolderStamps(stamps);
        // The listings took as much memory again as the queue's paths.
        CSystem::returnFreedMemory();
    });
}

void CQueueKeeper::saveRemovedRows(int first, int last)
{
    if (!m_saving || m_restoring)
        return;
    for (int row = first; row <= last; ++row)
        m_removed << m_list->pathAt(row);
    // Written with the edits that the next item brings: one write for a finished item.
    scheduleSave();
    m_stampWhenIdle.start();
}

void CQueueKeeper::scheduleSave()
{
    // Not restarted: a stream of changes is still written every interval.
    if (!m_editorChanged.isActive())
        m_editorChanged.start();
}

void CQueueKeeper::saveEditor()
{
    if (!m_saving || m_restoring)
        return;
    // A placeholder is no typing of the user's: the next start may speak another language.
    post([this, removed = std::exchange(m_removed, {}), loaded = m_loaded(),
          prefix = CNameComposer::typedText(m_edits.at(0)->text()),
          name = CNameComposer::typedText(m_edits.at(1)->text()),
          suffix = CNameComposer::typedText(m_edits.at(2)->text())](CQueueStore &store) {
        // The rows taken off need no write of their own when the whole queue is written anew.
        if (snapshotKept(store) && !removed.isEmpty())
            store.removePaths(removed);
        store.saveEditor(loaded, prefix, name, suffix);
    });
}

void CQueueKeeper::flush()
{
    if (m_editorChanged.isActive()) {
        m_editorChanged.stop();
        saveEditor();
    }
    if (m_saving && !m_restoring)
        post([this](CQueueStore &store) { snapshotKept(store); });
    m_thread.waitForDone();
    // The queue that a changed file asked for is written before the window goes.
    if (m_rewriteQueue.exchange(false)) {
        saveQueue();
        m_thread.waitForDone();
    }
}

// On the store's thread. The window's queue is the one that counts: a saved file that another program changed is
// written anew from it, on the window's thread, where the queue is.
bool CQueueKeeper::snapshotKept(CQueueStore &store)
{
    if (store.snapshotUntouched())
        return true;
    m_rewriteQueue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_rewriteQueue.exchange(false))
                saveQueue();
        },
        Qt::QueuedConnection);
    return false;
}
