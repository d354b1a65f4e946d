// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QThreadPool>

/// A pool of at most `threads` threads for a static to hold, never deleted: deleting a pool waits for its threads,
/// and one stuck on a hanging mount must not hold up the program's exit.
[[nodiscard]] inline QThreadPool *newLastingPool(int threads)
{
    auto *created = new QThreadPool;
    created->setMaxThreadCount(threads);
    return created;
}
