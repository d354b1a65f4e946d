// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalConnection.h"

#include <QLocalSocket>

/// The pipe, as Qt reads it, and whether anything more is to be said of it.
struct CLocalConnection::Native {
    QLocalSocket socket;
    bool done = false;
};

CLocalConnection::CLocalConnection(qintptr handle, QObject *parent)
    : QObject(parent)
    , m_native(std::make_unique<Native>())
{
    QLocalSocket &socket = m_native->socket;
    socket.setReadBufferSize(chunkBytes);
    socket.setSocketDescriptor(handle);
    // Chunk by chunk, so that a flood of bytes still lets the window repaint between them.
    const auto drain = [this] {
        while (!m_native->done && m_native->socket.bytesAvailable() > 0)
            Q_EMIT received(m_native->socket.read(chunkBytes));
    };
    const auto endIfClosed = [this, drain] {
        drain();
        if (m_native->socket.state() == QLocalSocket::UnconnectedState && !std::exchange(m_native->done, true))
            Q_EMIT ended();
    };
    connect(&socket, &QLocalSocket::readyRead, this, drain);
    connect(&socket, &QLocalSocket::disconnected, this, endIfClosed);
    // Bytes that came before the connection was handed out signal no readyRead of their own.
    QMetaObject::invokeMethod(this, endIfClosed, Qt::QueuedConnection);
}

CLocalConnection::~CLocalConnection() = default;

void CLocalConnection::abort()
{
    m_native->done = true;
    m_native->socket.abort();
}
