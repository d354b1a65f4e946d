// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/// Which item a name held when something was kept for it, so that a later start can tell whether the name still
/// holds that item and not another one put in its place, a new scan under the same name say.
class CItemIdentity
{
public:
    /// The item at `path` as it is now: its kind, device, node, size and modification time. Empty when nothing is
    /// there.
    [[nodiscard]] static QByteArray of(const QString &path);
    /// Why the item at `path` is not the one `saved` was taken of; empty when it is. On a disk that numbers items
    /// anew (FUSE, FAT) the kind, size and time tell; elsewhere the device and node too.
    [[nodiscard]] static QString difference(const QByteArray &saved, const QString &path);
};
