// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalPeer.h"

#include "platform/UnixSocketAddress.h"

#include <QDir>

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// Closes the socket when the attempt ends, however it ends.
struct CSocket {
    int fd;
    ~CSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

/// Writes all of `message`, waiting for room in the socket no longer than `deadline`.
bool writeAll(int fd, const QByteArray &message, QDeadlineTimer deadline)
{
    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t written = ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        if (written > 0) {
            sent += written;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0 || errno != EAGAIN || deadline.hasExpired())
            return false;
        pollfd room = { fd, POLLOUT, 0 };
        ::poll(&room, 1, int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}
} // namespace

QString CLocalPeer::serverName(const QString &runtimeDir)
{
    return QDir(runtimeDir).filePath(u"plindor.socket"_s);
}

// Qt Network's local sockets would bring a library and its Kerberos and proxy libraries into every start; the
// hand-over needs one socket call of each kind.
CLocalPeer::Sent CLocalPeer::send(const QString &name, const QByteArray &message, QDeadlineTimer deadline)
{
    const std::optional<sockaddr_un> address = unixSocketAddress(name);
    if (!address)
        return Sent::NotListening;
    const CSocket socket { ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0) };
    // A local connection is made or refused at once; a full backlog refuses it (EAGAIN) until the server catches up.
    if (socket.fd < 0 || ::connect(socket.fd, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) != 0)
        return Sent::NotListening;
    if (!isThisUser(socket.fd))
        return Sent::ForeignServer;
    return writeAll(socket.fd, message, deadline) ? Sent::Delivered : Sent::NoAnswer;
}

// The folder's permissions keep other users out; the kernel's word on who is at the other end is the proof.
bool CLocalPeer::isThisUser(qintptr handle)
{
    ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(handle), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}
