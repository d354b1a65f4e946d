// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PathIntake.h"

#include <QStringList>

#include <functional>
#include <optional>

class QDropEvent;
class QMimeData;

/// The local files and folders a drag carries; anything else (remote URLs, plain text) is not droppable.
class CDropPaths
{
public:
    /// The drag's text/uri-list as it carries it; empty when it carries no URL.
    [[nodiscard]] static QByteArray uriList(const QMimeData *mime);
    /// Local paths in the drag's order, resolved as the system resolves them, and the names that cannot be read.
    [[nodiscard]] static CPathIntake::Batch intake(const QMimeData *mime);
    /// The readable local paths of intake().
    [[nodiscard]] static QStringList localPaths(const QMimeData *mime);
    [[nodiscard]] static bool hasLocalPaths(const QMimeData *mime);
    /// Accepts a drag entering or moving over a drop target when it carries local paths, refuses it otherwise,
    /// so the cursor tells the user what can be dropped.
    static void acceptIfLocal(QDropEvent *event);
    /// Accepts the drag or drop as a copy or a link, never as a move; refuses one that offers only a move.
    /// Returns whether it was accepted.
    static bool acceptWithoutMove(QDropEvent *event);
    /// What a drop carries, once accepted as a copy or link; nothing (and the drop ignored) when it carries no local
    /// path or offers only a move. Paths that cannot be read count, so that the target can report them.
    [[nodiscard]] static std::optional<CPathIntake::Batch> acceptDrop(QDropEvent *event);
    /// For a target that takes one path: the first readable path of an accepted drop. When the drop carries only
    /// names that cannot be read, hands them to refused and gives nothing.
    [[nodiscard]] static std::optional<QString>
    acceptFirstPath(QDropEvent *event, const std::function<void(const QStringList &)> &refused);
    /// The first readable local path, or an empty string.
    [[nodiscard]] static QString firstLocalPath(const QMimeData *mime);
};
