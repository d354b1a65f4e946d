// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

/// What the journal of operations found and repaired when the program started, which the window does not show.
Q_DECLARE_LOGGING_CATEGORY(lcJournal)

/// What file operations could not keep or had to work around, which the window does not show.
Q_DECLARE_LOGGING_CATEGORY(lcFileOps)

/// What the saved queue held, what of it was left out at start, and what could not be saved.
Q_DECLARE_LOGGING_CATEGORY(lcQueue)

/// What of the profile could not be saved while the window runs; leaving the window says so to the user.
Q_DECLARE_LOGGING_CATEGORY(lcProfile)
