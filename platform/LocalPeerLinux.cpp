// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalPeer.h"

#include <QDir>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

QString CLocalPeer::serverName(const QString &runtimeDir)
{
    return QDir(runtimeDir).filePath(u"plindor.socket"_s);
}

// The folder's permissions keep other users out; the kernel's word on who is at the other end is the proof.
bool CLocalPeer::isThisUser(const QLocalSocket &socket)
{
    ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
        && peer.uid == ::geteuid();
}
