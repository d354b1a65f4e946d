// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueStore.h"

#include "core/ItemIdentity.h"
#include "core/Logging.h"
#include "core/StateFolder.h"
#include "core/System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int kSchemaVersion = 3;
/// Paths taken off the queue are written one row each; past this many they are folded into the saved queue.
constexpr int kFoldRemovedAfter = 1000;

// NORMAL keeps every committed change across a crash or a kill of the program; only a power cut may take the last
// one, which costs a queue, never a file.
const char *const kSetUp[] = {
    "PRAGMA journal_mode = WAL",
    "PRAGMA synchronous = NORMAL",
    // Which snapshot file the rows of `removed` were taken off.
    ("CREATE TABLE IF NOT EXISTS saved_queue (id INTEGER PRIMARY KEY CHECK (id = 1), generation INTEGER NOT NULL,"
     " folders TEXT NOT NULL)"),
    "CREATE TABLE IF NOT EXISTS removed (path TEXT NOT NULL)",
    // Tables of another shape under these names are found before anything is written.
    "SELECT generation, folders FROM saved_queue LIMIT 0",
    "SELECT path FROM removed LIMIT 0",
    // Folders found holding every saved path of theirs, with their stamp then: a start need not list them again
    // while the stamp is the same. Older versions of this store do without it.
    "CREATE TABLE IF NOT EXISTS folder_stamps (folder TEXT PRIMARY KEY, stamp BLOB NOT NULL)",
    "SELECT folder, stamp FROM folder_stamps LIMIT 0",
    ("CREATE TABLE IF NOT EXISTS editor (id INTEGER PRIMARY KEY CHECK (id = 1), loaded TEXT NOT NULL,"
     " prefix TEXT NOT NULL, name TEXT NOT NULL, suffix TEXT NOT NULL, item BLOB)"),
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

// Which file the edits were typed for (CItemIdentity). Stores of earlier versions gain the column; an earlier version
// writing the row leaves it NULL, and
// such edits come back for no file.
QString addItemColumn(QSqlDatabase &db)
{
    QSqlQuery probe(db);
    if (probe.exec(u"SELECT item FROM editor LIMIT 0"_s))
        return {};
    probe.finish();
    return run(db, u"ALTER TABLE editor ADD COLUMN item BLOB"_s);
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
    const QFileInfo store(path);
    m_snapshotPath = store.path() + u'/' + store.completeBaseName() + ".snapshot"_L1;
    m_snapshotStamp = CSystem::look(m_snapshotPath).stamp;
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
    // The queue the store names goes aside with it: the store's rows say what of it still counts.
    if (QFile::exists(m_snapshotPath))
        qCWarning(lcQueue) << "kept its queue aside as" << CStateFolder::keepAside(m_snapshotPath);
    m_snapshotStamp = {};
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
        problem = addItemColumn(m_db);
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
    return moved ? QString() : m_db.lastError().text();
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

QByteArray CQueueStore::loadEditorItem()
{
    QSqlQuery editor(m_db);
    if (!isAvailable() || !editor.exec(u"SELECT item FROM editor WHERE id = 1"_s) || !editor.next())
        return {};
    return editor.value(0).toByteArray();
}

QStringList CQueueStore::loadCrowdedFolders()
{
    QSqlQuery folders(m_db);
    if (!isAvailable() || !folders.exec(u"SELECT folders FROM saved_queue WHERE id = 1"_s) || !folders.next())
        return {};
    return folders.value(0).toString().split(QChar(0), Qt::SkipEmptyParts);
}

CQueueSnapshot CQueueStore::loadQueue()
{
    if (!isAvailable())
        return {};
    QSqlQuery generation(m_db);
    QSqlQuery removed(m_db);
    removed.setForwardOnly(true);
    const bool read = generation.exec(u"SELECT generation FROM saved_queue WHERE id = 1"_s)
        && removed.exec(u"SELECT path FROM removed"_s);
    const quint64 written = read && generation.next() ? generation.value(0).toULongLong() : 0;
    QStringList gone;
    while (read && removed.next())
        gone << removed.value(0).toString();
    // A page that cannot be read is found only now, by reading it: the whole store goes aside, never half of it.
    if (!read || generation.lastError().isValid() || removed.lastError().isValid()) {
        qCWarning(lcQueue) << "cannot read the saved queue:" << generation.lastError().text()
                           << removed.lastError().text();
        startOver();
        return {};
    }
    quint64 fileGeneration = 0;
    std::optional<CQueueSnapshot> queue = readSnapshotFile(fileGeneration);
    if (!queue)
        return {};
    // Rows taken off an earlier snapshot are in this one already: a crash came between writing it and its rows.
    if (fileGeneration == written)
        queue->remove(gone);
    return *std::move(queue);
}

// Read into memory of the program's own, never mapped: another program that cuts the file short or writes into it must
// not crash the window or change its queue. The memory asks for large pages: first touching 10 MB a 4 KiB page at a
// time cost more than reading it.
std::optional<CQueueSnapshot> CQueueStore::readSnapshotFile(quint64 &generation)
{
    // Noted before reading: a change made while it is read shows at the next look.
    m_snapshotStamp = CSystem::look(m_snapshotPath).stamp;
    QFile file(m_snapshotPath);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? std::nullopt : std::optional(CQueueSnapshot());
    QByteArray bytes(file.size(), Qt::Uninitialized);
    CSystem::preferHugePages(bytes.constData(), bytes.size());
    const bool whole = file.read(bytes.data(), bytes.size()) == bytes.size();
    // Closed before it may be kept aside: Windows renames no open file.
    file.close();
    std::optional<CQueueSnapshot> queue = whole ? CQueueSnapshot::read(bytes, generation) : std::nullopt;
    return queue ? queue : keepSnapshotAside();
}

bool CQueueStore::snapshotUntouched()
{
    const ItemFacts now = CSystem::look(m_snapshotPath);
    if (now.stamp == m_snapshotStamp)
        return true;
    qCWarning(lcQueue) << "another program changed the saved queue" << m_snapshotPath;
    if (now.exists())
        keepSnapshotAside();
    m_snapshotStamp = {};
    return false;
}

std::nullopt_t CQueueStore::keepSnapshotAside()
{
    qCWarning(lcQueue) << "cannot use the saved queue" << m_snapshotPath << ": kept aside as"
                       << CStateFolder::keepAside(m_snapshotPath);
    m_snapshotStamp = {};
    return std::nullopt;
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

bool CQueueStore::saveQueue(const CQueueSnapshot &queue, Paths paths)
{
    return runInTransaction([&] { return writeSnapshot(queue, paths); });
}

QHash<QString, QByteArray> CQueueStore::loadFolderStamps()
{
    QHash<QString, QByteArray> stamps;
    QSqlQuery query(m_db);
    if (!isAvailable() || !query.exec(u"SELECT folder, stamp FROM folder_stamps"_s))
        return {};
    while (query.next())
        stamps.insert(query.value(0).toString(), query.value(1).toByteArray());
    return stamps;
}

bool CQueueStore::saveFolderStamps(const QHash<QString, QByteArray> &stamps)
{
    return runInTransaction([&] {
        QSqlQuery query(m_db);
        if (!query.exec(u"DELETE FROM folder_stamps"_s)
            || !query.prepare(u"INSERT INTO folder_stamps (folder, stamp) VALUES (?, ?)"_s))
            return false;
        for (auto stamp = stamps.cbegin(); stamp != stamps.cend(); ++stamp) {
            query.bindValue(0, stamp.key());
            query.bindValue(1, stamp.value());
            if (!query.exec())
                return false;
        }
        return true;
    });
}

// The file replaces the one before it whole, or not at all; its rows taken off are forgotten in the same
// transaction that names its generation.
bool CQueueStore::writeSnapshot(const CQueueSnapshot &queue, Paths paths)
{
    QSqlQuery query(m_db);
    const quint64 generation = (query.exec(u"SELECT generation FROM saved_queue WHERE id = 1"_s) && query.next()
                                    ? query.value(0).toULongLong()
                                    : 0)
        + 1;
    query.finish();
    QSaveFile file(m_snapshotPath);
    if (!file.open(QIODevice::WriteOnly) || !queue.write(file, generation) || !file.commit()) {
        qCWarning(lcQueue) << "could not write the saved queue" << m_snapshotPath << ':' << file.errorString();
        return false;
    }
    QFile::setPermissions(m_snapshotPath, QFile::ReadOwner | QFile::WriteOwner);
    m_snapshotStamp = CSystem::look(m_snapshotPath).stamp;
    // A stamp says that every saved path of its folder was there: a path added since may never have been.
    if (!query.exec(u"DELETE FROM removed"_s)
        || (paths == Paths::MayBeAdded && !query.exec(u"DELETE FROM folder_stamps"_s))
        || !query.prepare(u"INSERT OR REPLACE INTO saved_queue (id, generation, folders) VALUES (1, ?, ?)"_s))
        return false;
    query.bindValue(0, generation);
    query.bindValue(1, bound(queue.crowdedFolders().join(QChar(0))));
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
        return saveQueue(loadQueue(), Paths::NoneAdded);
    }
    return written;
}

bool CQueueStore::saveEditor(const QString &loaded, const QString &prefix, const QString &name, const QString &suffix)
{
    // Looked at with each write of the edits: the file they were last typed for.
    const QByteArray item = loaded.isEmpty() ? QByteArray() : CItemIdentity::of(loaded);
    return runInTransaction([&] {
        QSqlQuery query(m_db);
        query.prepare(
            u"INSERT OR REPLACE INTO editor (id, loaded, prefix, name, suffix, item) VALUES (1, ?, ?, ?, ?, ?)"_s);
        query.bindValue(0, bound(loaded));
        query.bindValue(1, bound(prefix));
        query.bindValue(2, bound(name));
        query.bindValue(3, bound(suffix));
        query.bindValue(4, item);
        return query.exec();
    });
}

bool CQueueStore::clear()
{
    return runInTransaction([&] {
        QSqlQuery query(m_db);
        m_snapshotStamp = {};
        return (!QFile::exists(m_snapshotPath) || QFile::remove(m_snapshotPath))
            && query.exec(u"DELETE FROM saved_queue"_s) && query.exec(u"DELETE FROM removed"_s)
            && query.exec(u"DELETE FROM folder_stamps"_s) && query.exec(u"DELETE FROM editor"_s);
    });
}
