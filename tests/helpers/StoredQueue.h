// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/QueueStore.h"

/// What the store at `path` holds, read as the next start reads it. A store that cannot be opened reads as the one
/// path "<not opened>", so that it never passes for an empty queue.
[[nodiscard]] inline CQueueStore::Saved storedQueue(const QString &path)
{
    CQueueStore store;
    return store.open(path) ? store.load() : CQueueStore::Saved { { QStringLiteral("<not opened>") }, {}, {}, {}, {} };
}
