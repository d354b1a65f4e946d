// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include "platform/LocalConnection.h"
#include "platform/LocalPeer.h"
#include "platform/RuntimeFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <cerrno>

using namespace Qt::Literals::StringLiterals;

namespace
{
// No path of 4096 bytes or more names a file on Linux, nor one of 32767 UTF-16 units on Windows, which UTF-8 may take
// three bytes each for. One cut to that length still shows the window it is too long.
#ifdef Q_OS_WIN
constexpr qsizetype maxRecordBytes = 3 * 32767;
#else
constexpr qsizetype maxRecordBytes = 4096;
#endif

/// What one connection has sent so far.
struct CIncoming {
    QStringList paths;
    QByteArray record;
    qsizetype received = 0;
    bool finished = false;
};

/// The front of `paths` that fits one hand-over, each path followed by a NUL; `count` tells how many it carries.
QByteArray encode(const QStringList &paths, qsizetype *count)
{
    QByteArray message;
    qsizetype taken = 0;
    for (const QString &path : paths) {
        QByteArray bytes = path.toUtf8();
        bytes.truncate(maxRecordBytes);
        if (taken == CSingleInstance::maxPaths || message.size() + bytes.size() + 1 > CSingleInstance::maxMessageBytes)
            break;
        message += bytes + '\0';
        ++taken;
    }
    if (count)
        *count = taken;
    return message;
}

/// Takes one chunk of a message; false once the message reaches a limit, past which it is ignored.
bool take(CIncoming &in, QByteArrayView chunk)
{
    chunk = chunk.first(std::min(chunk.size(), CSingleInstance::maxMessageBytes - in.received));
    in.received += chunk.size();
    for (;;) {
        const qsizetype end = chunk.indexOf('\0');
        const QByteArrayView part = end < 0 ? chunk : chunk.first(end);
        in.record.append(part.first(std::min(part.size(), maxRecordBytes - in.record.size())));
        if (end < 0)
            break;
        if (!in.record.isEmpty()) {
            in.paths << QString::fromUtf8(in.record);
            in.record.clear();
            if (in.paths.size() == CSingleInstance::maxPaths)
                return false;
        }
        chunk = chunk.sliced(end + 1);
    }
    return in.received < CSingleInstance::maxMessageBytes;
}

} // namespace

CSingleInstance::CSingleInstance(const QString &runtimeDir, QObject *parent)
    : QObject(parent)
{
    QString problem;
    if (runtimeDir.isEmpty())
        m_runtimeDir = CRuntimeFolder::forThisUser(&problem);
    else if (CRuntimeFolder::isPrivate(runtimeDir))
        m_runtimeDir = runtimeDir;
    else
        problem = u"%1 is not a folder that only this user can enter"_s.arg(runtimeDir);
    if (m_runtimeDir.isEmpty())
        m_error = u"no private folder for the window lock: "_s + problem;
    connect(&m_listener, &CLocalListener::accepted, this, &CSingleInstance::receive);
}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::socketPath() const
{
    return m_runtimeDir.isEmpty() ? QString() : CLocalPeer::serverName(m_runtimeDir);
}

QString CSingleInstance::errorString() const
{
    return m_error;
}

CSingleInstance::Role CSingleInstance::claim()
{
    if (m_runtimeDir.isEmpty())
        return Role::Standalone;
    // The lock, not the socket, decides who is primary: a socket left by a crash would otherwise
    // make two starting instances race to remove and recreate it.
    m_lock = std::make_unique<QLockFile>(QDir(m_runtimeDir).filePath(u"plindor.lock"_s));
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Role::Primary;
    const int reason = errno;
    const QLockFile::LockError error = m_lock->error();
    m_lock.reset();
    if (error == QLockFile::LockFailedError)
        return Role::Secondary;
    // A lock that cannot be made says nothing about other windows.
    m_error = u"cannot take the window lock in %1: %2"_s.arg(
        m_runtimeDir, reason != 0 ? qt_error_string(reason) : u"unknown error"_s);
    return Role::Standalone;
}

bool CSingleInstance::listen()
{
    if (!m_lock)
        return false;
    return m_listener.listen(socketPath());
}

qsizetype CSingleInstance::fittingPaths(const QStringList &paths)
{
    qsizetype count = 0;
    encode(paths, &count);
    return count;
}

CSingleInstance::Delivery CSingleInstance::sendToPrimary(const QStringList &paths, int timeoutMs)
{
    if (m_runtimeDir.isEmpty())
        return Delivery::NoAnswer;
    const QByteArray message = encode(paths, nullptr);
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        switch (CLocalPeer::send(socketPath(), message, deadline)) {
        case CLocalPeer::Sent::Delivered:
            return Delivery::Delivered;
        case CLocalPeer::Sent::ForeignServer:
            return Delivery::ForeignServer;
        case CLocalPeer::Sent::NoAnswer:
            return Delivery::NoAnswer;
        case CLocalPeer::Sent::NotListening:
            // The primary may hold the lock but not listen yet.
            QThread::msleep(50);
            break;
        }
    }
    return Delivery::NoAnswer;
}

void CSingleInstance::receive(CLocalConnection *connection)
{
    auto incoming = std::make_shared<CIncoming>();
    // Delivered once: when the sender closes its end, or cut short at a limit. A path that did not arrive with its
    // closing NUL was cut off, by the limit or by a launch killed while it wrote, and is left out: its front may name
    // another file.
    const auto finish = [this, connection, incoming](bool complete) {
        if (std::exchange(incoming->finished, true))
            return;
        if (!complete)
            connection->abort();
        Q_EMIT pathsReceived(incoming->paths);
        connection->deleteLater();
    };
    connect(connection, &CLocalConnection::received, this, [incoming, finish](const QByteArray &chunk) {
        if (!incoming->finished && !take(*incoming, chunk))
            finish(false);
    });
    connect(connection, &CLocalConnection::ended, this, [finish] { finish(true); });
}
