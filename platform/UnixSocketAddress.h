// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>

#include <cstring>
#include <optional>

#include <sys/socket.h>
#include <sys/un.h>

/// The address of the Unix socket file at `path`, its `sun_path` closed by a zero; nothing when the path is too long
/// for one. The listener and the sender of the hand-over both go by it.
[[nodiscard]] inline std::optional<sockaddr_un> unixSocketAddress(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address = {};
    if (bytes.size() >= qsizetype(sizeof address.sun_path))
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return address;
}
