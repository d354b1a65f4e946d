// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RestoredQueue.h"

#include "core/System.h"

#include <QtConcurrent>

CRestoredQueue CRestoredQueue::read(CQueueStore &store, const std::function<bool()> &stopped)
{
    CRestoredQueue restored;
    restored.editor = store.load(stopped);
    const QStringList saved = std::exchange(restored.editor.paths, {});
    // A queued item is there while its name is, a link whose target went away included: one look at the name
    // itself. The looks wait on the file system more than on a core, so they run side by side.
    const QStringList present = QtConcurrent::blockingFiltered(
        saved, [&stopped](const QString &path) { return !stopped() && CSystem::look(path).exists(); });
    if (stopped())
        return {};
    restored.missing = saved.size() - present.size();
    if (restored.missing > 0)
        store.savePaths(present);
    restored.entries = CQueueOrder().sortedEntries(present);
    return restored;
}
