// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CLocalConnection;

/// The server end of the single-instance hand-over: listens at a CLocalPeer::serverName() that only this user may
/// connect to, and hands on the connections of this user's programs only.
class CLocalListener : public QObject
{
    Q_OBJECT
public:
    explicit CLocalListener(QObject *parent = nullptr);
    /// Stops listening; on Linux the socket file goes too.
    ~CLocalListener() override;

    /// Listens at `name`, in place of whatever a crashed listener left there. The caller must hold the lock that
    /// makes it the only listener.
    bool listen(const QString &name);

Q_SIGNALS:
    /// A program of this user connected. The connection is a child of the listener; delete it once done with it.
    void accepted(CLocalConnection *connection);

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};
