// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/QueueOrder.h"
#include "core/QueueStore.h"

#include <functional>

/// The saved queue made ready for the window away from the window's thread: the paths that no longer exist left
/// out, the rest keyed and in queue order, so that the window takes the whole queue in one step.
class CRestoredQueue
{
public:
    /// Reads `store`; when paths have gone, the store is brought level with what is left. Stops early, with
    /// nothing, once `stopped` answers true.
    [[nodiscard]] static CRestoredQueue read(CQueueStore &store, const std::function<bool()> &stopped);

    CQueueOrder::Entries entries; ///< the paths that still exist, sorted, with their keys
    CQueueStore::Saved editor; ///< the loaded item and the three edits; its paths are empty
    qsizetype missing = 0; ///< saved paths left out because nothing has their name any more
};
