// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

/// What the single-instance hand-over needs to know of the system: where this user's server listens, how a message
/// reaches it, and whether the program at the other end of a connection runs as this user. One source per system
/// answers it.
class CLocalPeer
{
public:
    enum class Sent {
        Delivered, ///< written whole, and the connection closed
        NotListening, ///< nobody listens there yet, or the server is busy: worth another try
        ForeignServer, ///< another user's server; nothing was written
        NoAnswer, ///< connected, but the message did not go out before the deadline
    };

    /// The server name for `runtimeDir`, the user's private folder: a socket file in it on Linux; on Windows, where
    /// the name is a pipe's in one namespace for every user, a name that holds this user's security identifier.
    [[nodiscard]] static QString serverName(const QString &runtimeDir);
    /// One attempt to hand `message` to the server at `name`, given up at `deadline`.
    [[nodiscard]] static Sent send(const QString &name, const QByteArray &message, QDeadlineTimer deadline);
    /// True only when the system vouches that both ends of the connection `handle` (a socket on Linux, a pipe on
    /// Windows) run as this user.
    [[nodiscard]] static bool isThisUser(qintptr handle);
};
