// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Questions about a path that the file system answers.
class CPathProbe
{
public:
    /// True for an existing folder, or a link to one.
    [[nodiscard]] static bool isDirectory(const QString &path);
    /// True for a path longer than the system opens (PATH_MAX bytes with the terminating NUL), which then
    /// looks as if it did not exist.
    [[nodiscard]] static bool isTooLong(const QString &path);
};
