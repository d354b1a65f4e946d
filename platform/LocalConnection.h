// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

/// One connection that CLocalListener accepted: its bytes as they come, then its end.
class CLocalConnection : public QObject
{
    Q_OBJECT
public:
    /// What one signal carries at most, so that a flood of bytes cannot keep the window from repainting.
    static constexpr qsizetype chunkBytes = 64 * 1024;

    /// Takes over the connected `handle`: a socket on Linux, a pipe on Windows.
    CLocalConnection(qintptr handle, QObject *parent);
    ~CLocalConnection() override;

    /// Closes the connection at once; nothing more is signalled.
    void abort();

Q_SIGNALS:
    /// The next bytes, in order.
    void received(const QByteArray &chunk);
    /// The other end closed (or broke) the connection; every byte it sent was signalled before.
    void ended();

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};
