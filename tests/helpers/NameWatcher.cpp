// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/NameWatcher.h"

#include <QFile>

#include <climits>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

CNameWatcher::CNameWatcher(const QString &folder, const QByteArray &name, Event event, std::function<void()> action)
{
    m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    const uint32_t mask = event == Appears ? (IN_CREATE | IN_MOVED_TO) : (IN_DELETE | IN_MOVED_FROM);
    if (m_inotify < 0 || ::inotify_add_watch(m_inotify, QFile::encodeName(folder).constData(), mask) < 0) {
        if (m_inotify >= 0)
            ::close(m_inotify);
        m_inotify = -1;
        return;
    }
    m_thread = std::thread(&CNameWatcher::watch, this, name, std::move(action));
}

CNameWatcher::~CNameWatcher()
{
    finish();
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool CNameWatcher::isWatching() const
{
    return m_inotify >= 0;
}

bool CNameWatcher::finish()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    return m_fired;
}

void CNameWatcher::watch(QByteArray name, std::function<void()> action)
{
    alignas(inotify_event) char buffer[sizeof(inotify_event) + NAME_MAX + 1];
    // It spins rather than sleeps: a program woken by the scheduler would come microseconds late, and the windows
    // these tests look for are that short. Events that came before the stop still count.
    for (bool stopping = false;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0 && stopping)
            return;
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->len > 0 && name == event->name) {
                action();
                m_fired = true;
                return;
            }
        }
        stopping = m_stop;
    }
}
