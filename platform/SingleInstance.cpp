// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace
{
QString defaultRuntimeDir()
{
    // Qt creates the runtime folder with mode 0700 when the session has none.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QByteArray encode(const QStringList &paths)
{
    QByteArray message;
    for (const QString &path : paths)
        message += path.toUtf8() + '\0';
    return message;
}

QStringList decode(const QByteArray &message)
{
    QStringList paths;
    for (const QByteArray &part : message.split('\0')) {
        if (!part.isEmpty())
            paths << QString::fromUtf8(part);
    }
    return paths;
}
} // namespace

CSingleInstance::CSingleInstance(const QString &runtimeDir, QObject *parent)
    : QObject(parent)
    , m_runtimeDir(runtimeDir.isEmpty() ? defaultRuntimeDir() : runtimeDir)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleInstance::acceptConnection);
}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::socketPath() const
{
    return QDir(m_runtimeDir).filePath(u"plindor.socket"_s);
}

bool CSingleInstance::becomePrimary()
{
    QDir().mkpath(m_runtimeDir);
    // The lock, not the socket, decides who is primary: a socket left by a crash would otherwise
    // make two starting instances race to remove and recreate it.
    m_lock = std::make_unique<QLockFile>(QDir(m_runtimeDir).filePath(u"plindor.lock"_s));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    return true;
}

bool CSingleInstance::listen()
{
    QLocalServer::removeServer(socketPath());
    return m_server.listen(socketPath());
}

bool CSingleInstance::sendToPrimary(const QStringList &paths, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(encode(paths));
            socket.disconnectFromServer();
            return socket.state() == QLocalSocket::UnconnectedState
                || socket.waitForDisconnected(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
        // The primary may hold the lock but not listen yet.
        QThread::msleep(50);
    }
    return false;
}

void CSingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        // The sender closes its end once everything is written, so the message is complete at disconnection.
        auto deliver = [this, socket] {
            Q_EMIT pathsReceived(decode(socket->readAll()));
            socket->deleteLater();
        };
        if (socket->state() == QLocalSocket::UnconnectedState)
            deliver();
        else
            connect(socket, &QLocalSocket::disconnected, this, deliver);
    }
}
