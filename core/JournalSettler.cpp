// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/JournalSettler.h"

#include "core/JournalReconciler.h"
#include "core/LastingPool.h"
#include "core/Logging.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>

// What the settling thread shares with the settler, which may be gone before the thread is.
struct CJournalSettler::Shared {
    QMutex mutex;
    CJournalSettler *receiver = nullptr; ///< null once the settler is gone
    std::unique_ptr<IMover> mover;
};

namespace
{
QThreadPool &settlingThread()
{
    static QThreadPool *const pool = newLastingPool(1);
    return *pool;
}

} // namespace

CJournalSettler::CJournalSettler(CJournal &journal, std::unique_ptr<IMover> mover, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->mover = std::move(mover);
    m_shared->mover->setOwner(journal.ownerToken());
    m_slow.setSingleShot(true);
    connect(&m_slow, &QTimer::timeout, this, &CJournalSettler::tellSlow);
}

CJournalSettler::~CJournalSettler()
{
    const QMutexLocker lock(&m_shared->mutex);
    m_shared->receiver = nullptr;
    if (m_waiting.isEmpty())
        return;
    qCInfo(lcJournal) << "settling did not finish;" << m_waiting.size() << "operations are left for a later start";
    // Not unlocked: the thread may still be moving one of those items, and another start must not meanwhile.
}

void CJournalSettler::start(std::chrono::milliseconds slowAfter)
{
    CJournal::Settling settling = m_journal.beginSettling();
    m_lock = settling.lock;
    m_waiting = std::move(settling.entries);
    if (m_waiting.isEmpty()) {
        // Queued, so that a caller connects to finished() before or after start() alike.
        QMetaObject::invokeMethod(this, &CJournalSettler::finish, Qt::QueuedConnection);
        return;
    }
    m_shared->receiver = this;
    m_slow.start(slowAfter);
    settlingThread().start([shared = m_shared, entries = m_waiting] { settleEach(shared, entries); });
}

// On the settling thread. Each entry is handed over as soon as it is settled, so that its paths are free at once; a
// settler that is gone stops the thread before its next entry.
void CJournalSettler::settleEach(const std::shared_ptr<Shared> &shared, const QList<JournalEntry> &entries)
{
    for (const JournalEntry &entry : entries) {
        {
            const QMutexLocker lock(&shared->mutex);
            if (!shared->receiver)
                return;
        }
        const JournalFinding finding = CJournalReconciler::settle(CJournal::asFound(entry), *shared->mover);
        const QMutexLocker lock(&shared->mutex);
        CJournalSettler *const to = shared->receiver;
        if (!to)
            return;
        QMetaObject::invokeMethod(
            to, [to, entry, finding] { to->settledOne(entry, finding); }, Qt::QueuedConnection);
    }
}

bool CJournalSettler::isBusy(const QString &path) const
{
    const QString cleaned = QDir::cleanPath(path);
    return std::any_of(m_waiting.cbegin(), m_waiting.cend(), [&cleaned](const JournalEntry &entry) {
        return QDir::cleanPath(entry.source) == cleaned || QDir::cleanPath(entry.destination) == cleaned;
    });
}

bool CJournalSettler::isSettling() const
{
    return !m_waiting.isEmpty();
}

void CJournalSettler::settledOne(const JournalEntry &entry, const JournalFinding &finding)
{
    m_journal.recordSettled(entry, finding);
    m_findings.append(finding);
    m_waiting.removeIf([&entry](const JournalEntry &waiting) { return waiting.id == entry.id; });
    if (m_waiting.isEmpty())
        finish();
}

void CJournalSettler::finish()
{
    m_slow.stop();
    m_journal.endSettling(std::exchange(m_lock, CSystem::kNoLock));
    Q_EMIT finished(m_findings);
}

void CJournalSettler::tellSlow()
{
    QStringList waiting;
    for (const JournalEntry &entry : std::as_const(m_waiting))
        waiting << entry.source;
    qCInfo(lcJournal) << "settling still waits on" << waiting;
    Q_EMIT slow(waiting);
}
