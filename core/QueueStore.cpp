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
constexpr int kSchemaVersion = 1;

// NORMAL keeps every committed change across a crash or a kill of the program; only a power cut may take the last
// one, which costs a queue, never a file.
const char *const kSetUp[] = {
    "PRAGMA journal_mode = WAL",
    "PRAGMA synchronous = NORMAL",
    "CREATE TABLE IF NOT EXISTS queue (position INTEGER PRIMARY KEY, path TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS queue_path ON queue (path)",
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

CQueueStore::Saved CQueueStore::load(const std::function<bool()> &stopped)
{
    Saved saved;
    if (!isAvailable())
        return saved;
    QSqlQuery paths(m_db);
    paths.setForwardOnly(true);
    QSqlQuery editor(m_db);
    const bool read = paths.exec(u"SELECT path FROM queue ORDER BY position"_s)
        && editor.exec(u"SELECT loaded, prefix, name, suffix FROM editor WHERE id = 1"_s);
    while (read && paths.next()) {
        saved.paths << paths.value(0).toString();
        if (stopped && saved.paths.size() % 4096 == 0 && stopped())
            return {};
    }
    if (read && editor.next())
        saved = { saved.paths, editor.value(0).toString(), editor.value(1).toString(), editor.value(2).toString(),
                  editor.value(3).toString() };
    // A page that cannot be read is found only now, by reading it: the whole store goes aside, never half of it.
    if (!read || paths.lastError().isValid()) {
        qCWarning(lcQueue) << "cannot read the saved queue:" << paths.lastError().text() << editor.lastError().text();
        startOver();
        return {};
    }
    return saved;
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
    return runInTransaction([&] {
        return QSqlQuery(m_db).exec(u"DELETE FROM queue"_s)
            && eachPath(u"INSERT INTO queue (path) VALUES (?)"_s, paths);
    });
}

bool CQueueStore::removePaths(const QStringList &paths)
{
    return runInTransaction([&] { return eachPath(u"DELETE FROM queue WHERE path = ?"_s, paths); });
}

// One prepared statement, run once for each path.
bool CQueueStore::eachPath(const QString &statement, const QStringList &paths)
{
    QSqlQuery query(m_db);
    if (!query.prepare(statement))
        return false;
    for (const QString &path : paths) {
        query.bindValue(0, bound(path));
        if (!query.exec())
            return false;
    }
    return true;
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
        return query.exec(u"DELETE FROM queue"_s) && query.exec(u"DELETE FROM editor"_s);
    });
}
