// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueStore.h"

#include "core/Logging.h"
#include "core/StateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int kSchemaVersion = 2;
/// Paths taken off the queue are written one row each; past this many they are folded into the saved queue.
constexpr int kFoldRemovedAfter = 1000;

// NORMAL keeps every committed change across a crash or a kill of the program; only a power cut may take the last
// one, which costs a queue, never a file.
const char *const kSetUp[] = {
    // The queue is one large value: big pages read it in a few steps (a new store only; see upgradeRows()).
    "PRAGMA page_size = 65536",
    "PRAGMA journal_mode = WAL",
    "PRAGMA wal_autocheckpoint = 64",
    "PRAGMA synchronous = NORMAL",
    ("CREATE TABLE IF NOT EXISTS snapshot (id INTEGER PRIMARY KEY CHECK (id = 1), identity BLOB NOT NULL,"
     " paths BLOB NOT NULL, keys BLOB NOT NULL)"),
    "CREATE TABLE IF NOT EXISTS removed (path TEXT NOT NULL)",
    // Tables of another shape under these names are found before anything is written.
    "SELECT identity, paths, keys FROM snapshot LIMIT 0",
    "SELECT path FROM removed LIMIT 0",
    ("CREATE TABLE IF NOT EXISTS editor (id INTEGER PRIMARY KEY CHECK (id = 1), loaded TEXT NOT NULL,"
     " prefix TEXT NOT NULL, name TEXT NOT NULL, suffix TEXT NOT NULL)"),
};

QString run(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    return query.exec(statement) ? QString() : query.lastError().text();
}

// Each query ends here: a statement left open would hold a read transaction, and the set-up cannot run inside one.
QString checkProblem(QSqlDatabase &db)
{
    QSqlQuery check(db);
    if (!check.exec(u"PRAGMA quick_check"_s) || !check.next())
        return check.lastError().text();
    if (check.value(0).toString() != "ok"_L1)
        return check.value(0).toString();
    QSqlQuery version(db);
    if (version.exec(u"PRAGMA user_version"_s) && version.next() && version.value(0).toInt() > kSchemaVersion)
        return u"written by a later version"_s;
    return {};
}

// A null text binds as NULL, which the columns refuse.
QString bound(const QString &text)
{
    return text.isNull() ? u""_s : text;
}
} // namespace

CQueueStore::CQueueStore()
{
    static std::atomic<int> instances = 0;
    m_connection = u"plindor-queue-%1"_s.arg(++instances);
}

CQueueStore::~CQueueStore()
{
    disconnect();
}

QString CQueueStore::defaultPath()
{
    return CStateFolder::path() + "/queue.sqlite"_L1;
}

bool CQueueStore::open(const QString &path)
{
    disconnect();
    m_path = path;
    m_keptAside.clear();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qCWarning(lcQueue) << "cannot create the folder of" << path << ": the queue is not saved";
        return false;
    }
    const QString problem = tryOpen(path);
    if (problem.isEmpty())
        return true;
    qCWarning(lcQueue) << "cannot use the saved queue" << path << ':' << problem;
    return startOver();
}

// Keeps the unreadable store for whoever wants to look at it and begins an empty one.
bool CQueueStore::startOver()
{
    disconnect();
    if (QFile::exists(m_path)) {
        m_keptAside = CStateFolder::keepAside(m_path);
        if (m_keptAside.isEmpty())
            return false;
        qCWarning(lcQueue) << "kept the damaged saved queue aside as" << m_keptAside;
    }
    const QString again = tryOpen(m_path);
    if (again.isEmpty())
        return true;
    qCWarning(lcQueue) << "the queue is not saved:" << again;
    return false;
}

QString CQueueStore::tryOpen(const QString &path)
{
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        const QString problem = m_db.lastError().text();
        disconnect();
        return problem;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QString problem = checkProblem(m_db);
    for (const char *statement : kSetUp) {
        if (problem.isEmpty())
            problem = run(m_db, QString::fromLatin1(statement));
    }
    if (problem.isEmpty())
        problem = upgradeRows();
    if (problem.isEmpty())
        problem = run(m_db, u"PRAGMA user_version = %1"_s.arg(kSchemaVersion));
    if (!problem.isEmpty())
        disconnect();
    return problem;
}

void CQueueStore::disconnect()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void CQueueStore::close()
{
    disconnect();
}

bool CQueueStore::isAvailable() const
{
    return m_db.isOpen();
}

QString CQueueStore::keptAsidePath() const
{
    return m_keptAside;
}

// Earlier versions kept one row per queued path.
QString CQueueStore::upgradeRows()
{
    QSqlQuery rows(m_db);
    rows.setForwardOnly(true);
    if (!rows.exec(u"SELECT path FROM queue ORDER BY position"_s))
        return {};
    QStringList paths;
    while (rows.next())
        paths << rows.value(0).toString();
    if (rows.lastError().isValid())
        return rows.lastError().text();
    rows.finish();
    const bool moved = runInTransaction(
        [&] { return writeSnapshot(CQueueSnapshot::of(paths)) && QSqlQuery(m_db).exec(u"DROP TABLE queue"_s); });
    if (!moved)
        return m_db.lastError().text();
    // The page size changes only outside WAL mode, by rewriting the store.
    for (const char *statement :
         { "PRAGMA journal_mode = DELETE", "PRAGMA page_size = 65536", "VACUUM", "PRAGMA journal_mode = WAL" }) {
        if (const QString problem = run(m_db, QString::fromLatin1(statement)); !problem.isEmpty())
            return problem;
    }
    return {};
}

CQueueStore::Saved CQueueStore::load(const std::function<bool()> &stopped)
{
    Saved saved = loadEditor();
    const CQueueSnapshot queue = loadQueue();
    if (stopped && stopped())
        return {};
    saved.paths = queue.paths();
    return saved;
}

CQueueStore::Saved CQueueStore::loadEditor()
{
    QSqlQuery editor(m_db);
    if (!isAvailable() || !editor.exec(u"SELECT loaded, prefix, name, suffix FROM editor WHERE id = 1"_s))
        return {};
    if (!editor.next())
        return {};
    return { {},
             editor.value(0).toString(),
             editor.value(1).toString(),
             editor.value(2).toString(),
             editor.value(3).toString() };
}

CQueueSnapshot CQueueStore::loadQueue()
{
    CQueueSnapshot queue;
    if (!isAvailable())
        return queue;
    QSqlQuery snapshot(m_db);
    QSqlQuery removed(m_db);
    removed.setForwardOnly(true);
    const bool read = snapshot.exec(u"SELECT identity, paths, keys FROM snapshot WHERE id = 1"_s)
        && removed.exec(u"SELECT path FROM removed"_s);
    if (read && snapshot.next())
        queue = { snapshot.value(1).toByteArray(), snapshot.value(2).toByteArray(), snapshot.value(0).toByteArray() };
    QStringList gone;
    while (read && removed.next())
        gone << removed.value(0).toString();
    // A page that cannot be read is found only now, by reading it: the whole store goes aside, never half of it.
    if (!read || snapshot.lastError().isValid() || removed.lastError().isValid()) {
        qCWarning(lcQueue) << "cannot read the saved queue:" << snapshot.lastError().text()
                           << removed.lastError().text();
        startOver();
        return {};
    }
    queue.remove(gone);
    return queue;
}

bool CQueueStore::runInTransaction(const std::function<bool()> &work)
{
    if (!isAvailable())
        return false;
    if (!m_db.transaction())
        return false;
    if (work() && m_db.commit())
        return true;
    qCWarning(lcQueue) << "could not save the queue:" << m_db.lastError().text();
    m_db.rollback();
    return false;
}

bool CQueueStore::savePaths(const QStringList &paths)
{
    return saveQueue(CQueueSnapshot::of(paths));
}

bool CQueueStore::saveQueue(const CQueueSnapshot &queue)
{
    return runInTransaction([&] { return writeSnapshot(queue); });
}

bool CQueueStore::writeSnapshot(const CQueueSnapshot &queue)
{
    QSqlQuery query(m_db);
    if (!query.exec(u"DELETE FROM removed"_s)
        || !query.prepare(u"INSERT OR REPLACE INTO snapshot (id, identity, paths, keys) VALUES (1, ?, ?, ?)"_s))
        return false;
    // A null array binds as NULL, which the columns refuse.
    query.bindValue(0, queue.identity.isNull() ? QByteArray("") : queue.identity);
    query.bindValue(1, queue.text.isNull() ? QByteArray("") : queue.text);
    query.bindValue(2, queue.keys.isNull() ? QByteArray("") : queue.keys);
    return query.exec();
}

bool CQueueStore::removePaths(const QStringList &paths)
{
    const bool written = runInTransaction([&] {
        QSqlQuery query(m_db);
        if (!query.prepare(u"INSERT INTO removed (path) VALUES (?)"_s))
            return false;
        for (const QString &path : paths) {
            query.bindValue(0, bound(path));
            if (!query.exec())
                return false;
        }
        return true;
    });
    QSqlQuery count(m_db);
    if (written && count.exec(u"SELECT count(*) FROM removed"_s) && count.next()
        && count.value(0).toInt() > kFoldRemovedAfter) {
        count.finish();
        return saveQueue(loadQueue());
    }
    return written;
}

bool CQueueStore::saveEditor(const QString &loaded, const QString &prefix, const QString &name, const QString &suffix)
{
    return runInTransaction([&] {
        QSqlQuery query(m_db);
        query.prepare(u"INSERT OR REPLACE INTO editor (id, loaded, prefix, name, suffix) VALUES (1, ?, ?, ?, ?)"_s);
        query.bindValue(0, bound(loaded));
        query.bindValue(1, bound(prefix));
        query.bindValue(2, bound(name));
        query.bindValue(3, bound(suffix));
        return query.exec();
    });
}

bool CQueueStore::clear()
{
    return runInTransaction([&] {
        QSqlQuery query(m_db);
        return query.exec(u"DELETE FROM snapshot"_s) && query.exec(u"DELETE FROM removed"_s)
            && query.exec(u"DELETE FROM editor"_s);
    });
}
