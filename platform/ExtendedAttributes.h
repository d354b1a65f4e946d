// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <sys/types.h>

/// Carries a file's extended attributes, its access ACL among them, from one open file to its copy, as mv does.
class CExtendedAttributes
{
public:
    /// Copies every attribute the copy's file system accepts and returns the names of those it refused. Where the
    /// access ACL cannot be stored, the copy's group bits become what the ACL lets the owning group do (its entry,
    /// narrowed by the mask), rather than the mask, so that nobody gains an access the ACL denied. `mode` is the
    /// original's mode. `failure` gets the error of a write that failed for another reason than the target not
    /// storing such an attribute (an I/O error, a full disk): then the copy is not whole, and copying stops.
    static QList<QByteArray> copy(int from, int to, mode_t mode, int *failure);
    /// The rwx bits an access ACL in its extended-attribute form grants the owning group: its entry and the mask
    /// together. -1 when it is not one.
    [[nodiscard]] static int owningGroupPermissions(const QByteArray &acl);
};
