// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalListener.h"

#include "platform/LocalConnection.h"
#include "platform/LocalPeer.h"
#include "platform/UnixSocketAddress.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

/// The listening socket, where its file lies, and the watch on it.
struct CLocalListener::Native {
    int fd = -1;
    QByteArray path;
    std::unique_ptr<QSocketNotifier> notifier;
};

CLocalListener::CLocalListener(QObject *parent)
    : QObject(parent)
    , m_native(std::make_unique<Native>())
{
}

CLocalListener::~CLocalListener()
{
    if (m_native->fd < 0)
        return;
    m_native->notifier.reset();
    ::close(m_native->fd);
    ::unlink(m_native->path.constData());
}

bool CLocalListener::listen(const QString &name)
{
    Native &native = *m_native;
    const std::optional<sockaddr_un> address = unixSocketAddress(name);
    if (native.fd >= 0 || !address)
        return false;
    const char *path = address->sun_path;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(path);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&*address), sizeof *address) == 0;
    // The folder is this user's alone already; the socket's own mode says so too, should the folder ever be opened.
    if (!bound || ::chmod(path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        if (bound)
            ::unlink(path);
        ::close(fd);
        return false;
    }
    native.path = path;
    native.fd = fd;
    native.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(native.notifier.get(), &QSocketNotifier::activated, this, [this] {
        int peer;
        while ((peer = ::accept4(m_native->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
            if (CLocalPeer::isThisUser(peer))
                Q_EMIT accepted(new CLocalConnection(peer, this));
            else
                ::close(peer);
        }
        // Out of descriptors, the launch stays waiting in the backlog; asking again at once would spin.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            m_native->notifier->setEnabled(false);
            QTimer::singleShot(100, this, [this] { m_native->notifier->setEnabled(true); });
        }
    });
    return true;
}
