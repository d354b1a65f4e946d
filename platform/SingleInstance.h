// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/LocalListener.h"

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

class CLocalConnection;

/// Keeps one running window per user: the first launch becomes primary and listens on a private local
/// socket; later launches hand their paths to it and leave, so two windows never save over each other.
class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        Primary, ///< holds the lock: opens the window and takes later launches' paths
        Secondary, ///< another instance holds the lock: hand the paths over
        Standalone, ///< no usable lock (see errorString()): open a window that neither forwards nor listens
    };
    Q_ENUM(Role)
    enum class Delivery {
        Delivered,
        NoAnswer,
        ForeignServer, ///< the socket belongs to another user; nothing was sent
    };
    Q_ENUM(Delivery)

    /// One hand-over carries at most this many bytes and paths; the receiver drops the connection past either.
    static constexpr qsizetype maxMessageBytes = 4 * 1024 * 1024;
    static constexpr qsizetype maxPaths = 10000;

    /// `runtimeDir` must be private to this user (CRuntimeFolder::isPrivate); by default one is chosen.
    explicit CSingleInstance(const QString &runtimeDir = {}, QObject *parent = nullptr);
    ~CSingleInstance() override;

    /// Takes the per-user lock.
    Role claim();
    /// Why the role is Standalone, for the terminal.
    [[nodiscard]] QString errorString() const;
    /// Starts answering later launches. They keep trying for a while, so this can wait until the window is up.
    bool listen();
    /// Hands the first fittingPaths() of `paths` (possibly none) to the primary instance.
    Delivery sendToPrimary(const QStringList &paths, int timeoutMs = 5000);
    /// How many of `paths`, from the front, fit in one hand-over.
    [[nodiscard]] static qsizetype fittingPaths(const QStringList &paths);
    [[nodiscard]] QString socketPath() const;

Q_SIGNALS:
    /// A later launch asked to queue these paths and to show the window.
    void pathsReceived(const QStringList &paths);

private:
    void receive(CLocalConnection *connection);

    QString m_runtimeDir;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    // Stops listening before the lock is let go, so that the next primary's socket is never removed.
    CLocalListener m_listener;
};
