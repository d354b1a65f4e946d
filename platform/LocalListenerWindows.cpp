// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalListener.h"

#include "platform/LocalConnection.h"
#include "platform/LocalPeer.h"

#include <QLocalServer>

#include <windows.h>

namespace
{
/// A pipe server that hands each connected pipe, unwrapped, to `accept`.
class CPipeServer : public QLocalServer
{
public:
    explicit CPipeServer(std::function<void(qintptr)> accept)
        : m_accept(std::move(accept))
    {
        // Other users may not even connect; CLocalPeer::isThisUser() checks those that slip through.
        setSocketOptions(QLocalServer::UserAccessOption);
    }

protected:
    void incomingConnection(quintptr handle) override
    {
        m_accept(qintptr(handle));
    }

private:
    std::function<void(qintptr)> m_accept;
};
} // namespace

struct CLocalListener::Native {
    std::unique_ptr<CPipeServer> server;
};

CLocalListener::CLocalListener(QObject *parent)
    : QObject(parent)
    , m_native(std::make_unique<Native>())
{
}

CLocalListener::~CLocalListener() = default;

bool CLocalListener::listen(const QString &name)
{
    if (m_native->server)
        return false;
    m_native->server = std::make_unique<CPipeServer>([this](qintptr handle) {
        if (CLocalPeer::isThisUser(handle)) {
            Q_EMIT accepted(new CLocalConnection(handle, this));
        } else {
            ::DisconnectNamedPipe(reinterpret_cast<HANDLE>(handle));
            ::CloseHandle(reinterpret_cast<HANDLE>(handle));
        }
    });
    QLocalServer::removeServer(name);
    return m_native->server->listen(name);
}
