// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/// The hidden part files (.plindor-XXXXXX-<pid>.part) a copy writes into before it shows under its name.
class CPartFiles
{
public:
    /// Removes the part files in `folder` that copies killed halfway left behind. A running copy's is never touched.
    static void removeStale(const QString &folder);
    /// True for a name of a part file, as copies of this program or an earlier version name them.
    [[nodiscard]] static bool isPartFileName(const QByteArray &name);
    /// Creates a new part file in the folder open as `folder` and returns its descriptor, writable, or -1 with errno
    /// set. `name` receives its name. removeStale() leaves it alone for as long as the descriptor stays open.
    [[nodiscard]] static int create(int folder, QByteArray &name);
};
