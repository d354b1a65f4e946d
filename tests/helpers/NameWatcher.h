// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

/// Another program that acts the moment a name appears in (or leaves) a folder, driven by inotify: the racing
/// editor or creator of the fault tests. The action runs on the watcher's own thread, at most once.
class CNameWatcher
{
public:
    enum Event { Appears, Leaves };

    CNameWatcher(const QString &folder, const QByteArray &name, Event event, std::function<void()> action);
    ~CNameWatcher();
    CNameWatcher(const CNameWatcher &) = delete;
    CNameWatcher &operator=(const CNameWatcher &) = delete;

    /// False when inotify could not watch the folder; the action then never runs.
    [[nodiscard]] bool isWatching() const;
    /// Stops watching (after running the action if the event came) and tells whether the action ran.
    bool finish();

private:
    void watch(QByteArray name, std::function<void()> action);

    int m_inotify = -1;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_fired = false;
    std::thread m_thread;
};
