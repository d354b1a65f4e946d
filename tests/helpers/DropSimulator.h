// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

class QWidget;

/// Drags and drops through Qt's real event path, as a file manager's drop arrives.
class CDropSimulator
{
public:
    /// Sends drag-enter, drag-move and drop with these local paths to `target` (the viewport for a list).
    /// Returns whether the drop was accepted.
    static bool dropPaths(QWidget *target, const QStringList &paths);
    static bool dropUrls(QWidget *target, const QList<QUrl> &urls);
    /// The URL a file manager sends for a file whose name is these bytes, which need not be UTF-8.
    [[nodiscard]] static QUrl urlOfBytes(const QByteArray &path);
    /// Sends only drag-enter; returns whether the target would take the drop.
    static bool enterAccepted(QWidget *target, const QList<QUrl> &urls);
    /// Drop target of a widget: the viewport of a scroll area, the widget itself otherwise.
    static QWidget *dropTargetOf(QWidget *widget);
};
