// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"

class IMover;

/// Finishes or rolls back an operation that a crash interrupted, from what the file system shows now.
class CJournalReconciler
{
public:
    /// Removes only what this program made and a copy proves redundant; puts a hidden item back only under a
    /// free name, through `mover`. Anything else it leaves in place and reports.
    static JournalFinding settle(const JournalEntry &entry, IMover &mover);
};
