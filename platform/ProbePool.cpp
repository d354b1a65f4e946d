// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProbePool.h"

#include "core/LastingPool.h"
#include "core/PathParts.h"

#include <QSet>
#include <QThreadPool>

namespace
{
/// The window's own questions and one for each of the seven operation buttons. A dead mount ties up at most one
/// thread of the window's, as it is not asked again until its answer comes, and one of each button's.
constexpr int kThreads = 12;

struct Shared {
    QMutex mutex;
    QSet<QString> hanging; ///< folders whose question the window gave up on and that has not come back
    std::function<void(const QString &)> stall;
};

Shared &shared()
{
    static Shared state;
    return state;
}
} // namespace

QThreadPool *CProbePool::pool()
{
    static QThreadPool *const threads = newLastingPool(kThreads);
    return threads;
}

void CProbePool::setStallForTesting(std::function<void(const QString &)> stall)
{
    const QMutexLocker lock(&shared().mutex);
    shared().stall = std::move(stall);
}

bool CProbePool::isHanging(const QString &path)
{
    const QMutexLocker lock(&shared().mutex);
    for (const QString &folder : std::as_const(shared().hanging)) {
        if (path.startsWith(folder)
            && (path.size() == folder.size() || folder.endsWith(u'/') || path.at(folder.size()) == u'/'))
            return true;
    }
    return false;
}

QString CProbePool::markHanging(const QString &path)
{
    // A name without a folder stands for itself.
    const QString above = CPathParts::directoryOf(path);
    const QString folder = above.isEmpty() ? path : above;
    const QMutexLocker lock(&shared().mutex);
    shared().hanging.insert(folder);
    return folder;
}

void CProbePool::clearHanging(const QString &folder)
{
    if (folder.isEmpty())
        return;
    const QMutexLocker lock(&shared().mutex);
    shared().hanging.remove(folder);
}

void CProbePool::stall(const QString &path)
{
    std::function<void(const QString &)> hook;
    {
        const QMutexLocker lock(&shared().mutex);
        hook = shared().stall;
    }
    if (hook)
        hook(path);
}

void CProbePool::start(std::function<void()> work)
{
    pool()->start(std::move(work));
}
