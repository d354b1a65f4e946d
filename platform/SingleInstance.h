// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

/// Keeps one running window per user: the first launch becomes primary and listens on a private local
/// socket; later launches hand their paths to it and leave, so two windows never save over each other.
class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    /// `runtimeDir` is a folder only this user can enter; by default the session's runtime folder.
    explicit CSingleInstance(const QString &runtimeDir = {}, QObject *parent = nullptr);
    ~CSingleInstance() override;

    /// Takes the per-user lock; false when another instance holds it.
    bool becomePrimary();
    /// Starts answering later launches. They keep trying for a while, so this can wait until the window is up.
    bool listen();
    /// Hands paths (possibly none) to the primary instance; false when none answered in time.
    bool sendToPrimary(const QStringList &paths, int timeoutMs = 5000);
    [[nodiscard]] QString socketPath() const;

Q_SIGNALS:
    /// A later launch asked to queue these paths and to show the window.
    void pathsReceived(const QStringList &paths);

private:
    void acceptConnection();

    QString m_runtimeDir;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};
