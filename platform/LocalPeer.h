// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QLocalSocket;

/// What the single-instance hand-over needs to know of the system: where this user's server listens, and whether the
/// program at the other end of a connection runs as this user. One source per system answers it.
class CLocalPeer
{
public:
    /// The server name for `runtimeDir`, the user's private folder: a socket file in it on Linux; on Windows, where
    /// the name is a pipe's in one namespace for every user, a name that holds this user's security identifier.
    [[nodiscard]] static QString serverName(const QString &runtimeDir);
    /// True only when the system vouches that both ends of the connected `socket` run as this user.
    [[nodiscard]] static bool isThisUser(const QLocalSocket &socket);
};
