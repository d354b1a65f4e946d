// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

/// What file operations could not keep or had to work around, which the window does not show.
Q_DECLARE_LOGGING_CATEGORY(lcFileOps)
