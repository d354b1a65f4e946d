// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QDropEvent;
class QMimeData;

/// The local files and folders a drag carries; anything else (remote URLs, plain text) is not droppable.
class CDropPaths
{
public:
    /// Local paths in the drag's order, cleaned of trailing separators.
    [[nodiscard]] static QStringList localPaths(const QMimeData *mime);
    [[nodiscard]] static bool hasLocalPaths(const QMimeData *mime);
    /// Accepts a drag entering or moving over a drop target when it carries local paths, refuses it otherwise,
    /// so the cursor tells the user what can be dropped.
    static void acceptIfLocal(QDropEvent *event);
    /// Accepts the drag or drop as a copy or a link, never as a move; refuses one that offers only a move.
    /// Returns whether it was accepted.
    static bool acceptWithoutMove(QDropEvent *event);
    /// The first local path, or an empty string.
    [[nodiscard]] static QString firstLocalPath(const QMimeData *mime);
};
