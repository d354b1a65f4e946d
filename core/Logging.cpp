// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcJournal, "plindor.journal", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFileOps, "plindor.fileops", QtInfoMsg)
Q_LOGGING_CATEGORY(lcQueue, "plindor.queue", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProfile, "plindor.profile", QtInfoMsg)
