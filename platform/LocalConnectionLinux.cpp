// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalConnection.h"

#include <QSocketNotifier>

#include <cerrno>

#include <unistd.h>

/// The accepted socket and the watch on it.
struct CLocalConnection::Native {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

// One chunk each time the socket is ready, so that the event loop turns between them.
CLocalConnection::CLocalConnection(qintptr handle, QObject *parent)
    : QObject(parent)
    , m_native(std::make_unique<Native>())
{
    m_native->fd = int(handle);
    m_native->notifier = std::make_unique<QSocketNotifier>(m_native->fd, QSocketNotifier::Read);
    connect(m_native->notifier.get(), &QSocketNotifier::activated, this, [this] {
        QByteArray chunk(chunkBytes, Qt::Uninitialized);
        const ssize_t got = ::read(m_native->fd, chunk.data(), size_t(chunk.size()));
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0) {
            chunk.truncate(got);
            Q_EMIT received(chunk);
            return;
        }
        abort();
        Q_EMIT ended();
    });
}

CLocalConnection::~CLocalConnection()
{
    m_native->notifier.reset();
    if (m_native->fd >= 0)
        ::close(m_native->fd);
}

void CLocalConnection::abort()
{
    if (m_native->fd < 0)
        return;
    // This may run inside the notifier's own signal, which must not see it deleted.
    m_native->notifier->setEnabled(false);
    m_native->notifier.release()->deleteLater();
    ::close(std::exchange(m_native->fd, -1));
}
