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
    /// The loaded item and the three edits; its paths are empty. The edits are empty, and `editsKept` false, when the
    /// loaded path no longer holds the file they were typed for: the item then loads with its own name.
    CQueueStore::Saved editor;
    bool editsKept = true;
    qsizetype missing = 0; ///< saved paths left out because nothing has their name any more

private:
    void keepEditsOnlyForTheirItem(CQueueStore &store);
};
