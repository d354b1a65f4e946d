// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PreviewLoader.h"

#include "core/PathParts.h"
#include "platform/LastingPool.h"

#include <QCache>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QMutex>
#include <QThreadPool>
#include <QtConcurrent>

#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// A stat on a dead mount holds its thread until the mount answers; a reading in the same folder then waits for it
/// instead of taking another thread (see folderHangs), so a few threads serve any number of items.
constexpr int kThreads = 4;
/// About fifty previews of a pane's size.
constexpr int kCacheKiB = 32 * 1024;

struct Stall {
    QMutex mutex;
    std::function<void(const QString &)> hook;
};

Stall &stall()
{
    static Stall state;
    return state;
}
} // namespace

struct CPreviewLoader::Cache {
    QMutex mutex;
    QCache<QString, CPreview> previews { kCacheKiB };
};

struct CPreviewLoader::Reading {
    std::stop_source stop;
    std::atomic<bool> statAnswered { false };
    QString folder;
    QElapsedTimer started;
};

CPreviewLoader::CPreviewLoader(QObject *parent)
    : QObject(parent)
    , m_cache(std::make_shared<Cache>())
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &CPreviewLoader::giveUp);
}

CPreviewLoader::~CPreviewLoader()
{
    clear();
    // A page being drawn as the program ends would meet Qt PDF's state being torn down: a moment is granted to
    // finish it. A thread stuck on a hanging mount is left behind.
    if (!m_outstanding.isEmpty())
        pool()->waitForDone(500);
}

QThreadPool *CPreviewLoader::pool()
{
    static QThreadPool *const threads = newLastingPool(kThreads);
    return threads;
}

void CPreviewLoader::setStallForTesting(std::function<void(const QString &)> hook)
{
    const QMutexLocker lock(&stall().mutex);
    stall().hook = std::move(hook);
}

void CPreviewLoader::setTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

qsizetype CPreviewLoader::outstanding() const
{
    return m_outstanding.size();
}

void CPreviewLoader::clear()
{
    ++m_generation;
    m_path.clear();
    m_deadline.stop();
    if (m_reading)
        m_reading->stop.request_stop();
    m_reading.reset();
}

void CPreviewLoader::load(const QString &path, QSize box)
{
    clear();
    m_path = path;
    const QString folder = CPathParts::directoryOf(path);
    if (folderHangs(folder)) {
        Q_EMIT ready(CPreviewSource::unanswered(path, CPreview::Problem::FolderHangs));
        return;
    }
    auto reading = std::make_shared<Reading>();
    reading->folder = folder;
    reading->started.start();
    m_reading = reading;
    m_outstanding << reading;
    auto *watcher = new QFutureWatcher<CPreview>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, reading, generation = m_generation] {
        watcher->deleteLater();
        answered(generation, reading, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(pool(), &CPreviewLoader::readThrough, m_cache, reading, path, box));
    m_deadline.start(m_timeout);
}

CPreview CPreviewLoader::readThrough(const std::shared_ptr<Cache> &cache, const std::shared_ptr<Reading> &reading,
                                     const QString &path, QSize box)
{
    std::function<void(const QString &)> hook;
    {
        const QMutexLocker lock(&stall().mutex);
        hook = stall().hook;
    }
    if (hook)
        hook(path);
    const std::stop_token stop = reading->stop.get_token();
    const CPreviewSource::Facts facts = CPreviewSource::facts(path);
    reading->statAnswered = true;
    if (stop.stop_requested())
        return CPreviewSource::unanswered(path, CPreview::Problem::Cancelled);
    const QString key = path + u'\n' + QString::number(facts.modified.toMSecsSinceEpoch()) + u'\n'
        + QString::number(facts.size) + u'\n' + QString::number(box.width()) + u'x' + QString::number(box.height());
    {
        const QMutexLocker lock(&cache->mutex);
        if (const CPreview *kept = cache->previews.object(key)) {
            CPreview preview = *kept;
            preview.fromCache = true;
            return preview;
        }
    }
    CPreview preview = CPreviewSource::read(facts, box, stop);
    if (preview.problem != CPreview::Problem::Cancelled) {
        const QMutexLocker lock(&cache->mutex);
        cache->previews.insert(key, new CPreview(preview), int(preview.image.sizeInBytes() / 1024) + 1);
    }
    return preview;
}

void CPreviewLoader::answered(quint64 generation, const std::shared_ptr<Reading> &reading, const CPreview &preview)
{
    m_outstanding.removeOne(reading);
    if (generation != m_generation || preview.problem == CPreview::Problem::Cancelled)
        return; // another item was loaded meanwhile
    m_deadline.stop();
    m_reading.reset();
    Q_EMIT ready(preview);
}

// The window shows the icon and the reason now; the reading runs on, and its picture still comes if it finishes
// while the item is loaded.
void CPreviewLoader::giveUp()
{
    if (!m_reading)
        return;
    Q_EMIT ready(CPreviewSource::unanswered(
        m_path, m_reading->statAnswered ? CPreview::Problem::Slow : CPreview::Problem::NoAnswer));
}

bool CPreviewLoader::folderHangs(const QString &folder) const
{
    for (const std::shared_ptr<Reading> &reading : m_outstanding) {
        if (!reading->statAnswered && reading->folder == folder && reading->started.hasExpired(m_timeout.count()))
            return true;
    }
    return false;
}
