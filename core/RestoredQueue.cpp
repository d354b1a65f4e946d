// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RestoredQueue.h"

#include "core/ItemIdentity.h"
#include "core/Logging.h"
#include "core/QueuePresence.h"

#include <QtConcurrent>

using namespace Qt::Literals::StringLiterals;

CRestoredQueue CRestoredQueue::read(CQueueStore &store, const std::function<bool()> &stopped)
{
    CRestoredQueue restored;
    restored.editor = store.loadEditor();
    restored.keepEditsOnlyForTheirItem(store);
    // The folders that hold many of the saved paths are read while the paths are.
    const CQueuePresence::Stamps vouched = store.loadFolderStamps();
    CQueuePresence presence(store.loadCrowdedFolders(), vouched);
    const CQueueSnapshot saved = store.loadQueue();
    // The paths are looked for while they are keyed.
    QFuture<QSet<QString>> looking = QtConcurrent::run([&] { return presence.missing(saved.pathText(), stopped); });
    const CQueueOrder order;
    bool keyedAgain = false;
    CQueueOrder::Entries entries = saved.entries(order, &keyedAgain);
    const QSet<QString> missing = looking.result();
    if (stopped())
        return {};
    const qsizetype before = entries.size();
    if (!missing.isEmpty())
        entries.eraseIf([&](qsizetype row) { return missing.contains(entries.path(row).toString()); });
    restored.missing = before - entries.size();
    // The store is brought level with what is left, and keeps the keys for the next start.
    if (restored.missing > 0 || keyedAgain)
        store.saveQueue(CQueueSnapshot::of(entries, order.keysIdentity()), CQueueStore::Paths::NoneAdded);
    if (const CQueuePresence::Stamps stamps = presence.stamps(); stamps != vouched)
        store.saveFolderStamps(stamps);
    restored.entries = std::move(entries);
    return restored;
}

// A name typed for a file must never land on another one that took its name meanwhile, a new scan say.
void CRestoredQueue::keepEditsOnlyForTheirItem(CQueueStore &store)
{
    const QString &loaded = editor.loaded;
    if (loaded.isEmpty())
        return;
    const QString difference = CItemIdentity::difference(store.loadEditorItem(), loaded);
    if (difference.isEmpty())
        return;
    qCInfo(lcQueue).noquote() << "the saved edits are left out:" << loaded
                              << u"is not the file they were typed for (%1); it loads with its own name"_s.arg(
                                     difference);
    editor.prefix.clear();
    editor.name.clear();
    editor.suffix.clear();
    editsKept = false;
}
