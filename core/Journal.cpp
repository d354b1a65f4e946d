// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"

#include "core/JournalReconciler.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr int kBusyTimeoutMs = 500;
// Pruning a batch at a time keeps recording one operation as cheap at 10,000 rows as at 10.
constexpr qint64 kPruneEvery = 64;
const QString kColumns = u"id, time, kind, state, source, destination, composed_name, before_size, before_mtime, "
                         "before_inode, size, mtime, inode, recovery, destination_existed"_s;

// The schema version lives in user_version; writing it also proves the file takes writes.
const char *const kSetUp[] = {
    "PRAGMA journal_mode = WAL",
    // A crash of the program keeps what WAL has; FULL also keeps an intent across a power cut. See syncEach().
    "PRAGMA synchronous = FULL",
    "CREATE TABLE IF NOT EXISTS operations (id INTEGER PRIMARY KEY AUTOINCREMENT, time INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, state INTEGER NOT NULL, source TEXT NOT NULL, destination TEXT NOT NULL,"
    " composed_name TEXT NOT NULL, before_size INTEGER, before_mtime INTEGER, before_inode INTEGER,"
    " size INTEGER, mtime INTEGER, inode INTEGER, recovery INTEGER NOT NULL DEFAULT 0,"
    " destination_existed INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX IF NOT EXISTS unfinished ON operations (id) WHERE state = 0",
    "PRAGMA user_version = 1",
};

QString tr(const char *text)
{
    return QCoreApplication::translate("CJournal", text);
}

QString errorOf(const QSqlQuery &query)
{
    return query.lastError().text();
}

// Runs one statement; answers the error's text, empty on success.
QString run(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    return query.exec(statement) ? QString() : errorOf(query);
}

QString integrityProblem(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA quick_check"_s))
        return errorOf(query);
    const QString answer = query.next() ? query.value(0).toString() : QString();
    return answer == "ok"_L1 ? QString() : answer;
}

// The main file and SQLite's companions go together: a new journal must never meet an old write-ahead log.
QString keepAside(const QString &path)
{
    const QString aside = path + ".corrupt-"_L1 + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    if (!QFile::rename(path, aside))
        return {};
    for (const auto companion : { "-wal"_L1, "-shm"_L1 }) {
        if (QFile::exists(path + companion) && !QFile::rename(path + companion, aside + companion))
            QFile::remove(path + companion);
    }
    return aside;
}

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

void bindStamp(QSqlQuery &query, const QString &prefix, const FileStamp &stamp)
{
    const bool known = stamp.isValid();
    query.bindValue(prefix + "size"_L1, known ? QVariant(stamp.size) : QVariant());
    query.bindValue(prefix + "mtime"_L1, known ? QVariant(stamp.mtimeNs) : QVariant());
    query.bindValue(prefix + "inode"_L1, known ? QVariant(qint64(stamp.inode)) : QVariant());
}

FileStamp stampAt(const QSqlQuery &query, int first)
{
    if (query.value(first + 2).isNull())
        return {};
    return { query.value(first).toLongLong(), query.value(first + 1).toLongLong(),
             quint64(query.value(first + 2).toLongLong()) };
}

JournalEntry entryAt(const QSqlQuery &query)
{
    JournalEntry entry;
    entry.id = query.value(0).toLongLong();
    entry.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
    entry.kind = JournalEntry::Kind(query.value(2).toInt());
    entry.state = JournalEntry::State(query.value(3).toInt());
    entry.source = query.value(4).toString();
    entry.destination = query.value(5).toString();
    entry.composedName = query.value(6).toString();
    entry.before = stampAt(query, 7);
    entry.after = stampAt(query, 10);
    entry.recovery = JournalRecovery(query.value(13).toInt());
    entry.destinationExisted = query.value(14).toBool();
    return entry;
}

} // namespace

CJournal::CJournal(qint64 retention)
    : m_retention(retention)
{
    static std::atomic<int> instances = 0;
    m_connection = u"plindor-journal-%1"_s.arg(++instances);
    m_reason = tr("操作记录尚未打开。");
}

CJournal::~CJournal()
{
    disconnect();
}

QString CJournal::defaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The XDG base directory rules say a relative path is to be ignored.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + "/.local/state"_L1;
    return state + "/Plindor/journal.sqlite"_L1;
}

FileStamp CJournal::stampOf(const QString &path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return { qint64(info.st_size), nanoseconds(info.st_mtim), quint64(info.st_ino) };
}

bool CJournal::open(const QString &path)
{
    close();
    m_keptAside.clear();
    if (!QSqlDatabase::isDriverAvailable(u"QSQLITE"_s)) {
        becomeUnavailable(tr("未安装 Qt 的 SQLite 驱动。"));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        becomeUnavailable(tr("无法创建文件夹 %1。").arg(QFileInfo(path).absolutePath()));
        return false;
    }
    const QString problem = tryOpen(path);
    if (problem.isEmpty())
        return true;
    qCInfo(lcJournal) << "cannot use the journal" << path << ':' << problem;
    m_keptAside = QFile::exists(path) ? keepAside(path) : QString();
    const QString again = m_keptAside.isEmpty() ? problem : tryOpen(path);
    if (again.isEmpty())
        return true;
    becomeUnavailable(tr("操作记录 %1 无法使用：%2").arg(path, again));
    return false;
}

void CJournal::close()
{
    disconnect();
    m_reason = tr("操作记录已关闭。");
}

bool CJournal::isAvailable() const
{
    return m_db.isOpen();
}

QString CJournal::unavailableReason() const
{
    return isAvailable() ? QString() : m_reason;
}

QString CJournal::keptAsidePath() const
{
    return m_keptAside;
}

QString CJournal::tryOpen(const QString &path)
{
    m_syncEachCommit = true;
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kBusyTimeoutMs));
    QString problem = m_db.open() ? integrityProblem(m_db) : m_db.lastError().text();
    for (const char *statement : kSetUp) {
        if (problem.isEmpty())
            problem = run(m_db, QString::fromLatin1(statement));
    }
    if (!problem.isEmpty())
        disconnect();
    else
        prune();
    return problem;
}

void CJournal::disconnect()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

// A journal that fails mid-run stops being used rather than slowing or refusing the renames after it.
void CJournal::becomeUnavailable(const QString &reason)
{
    qCWarning(lcJournal).noquote() << reason;
    disconnect();
    m_reason = reason;
}

qint64 CJournal::recordIntent(JournalEntry entry)
{
    if (!isAvailable())
        return 0;
    if (!entry.before.isValid())
        entry.before = stampOf(entry.source);
    syncEach(true);
    QSqlQuery query(m_db);
    query.prepare(u"INSERT INTO operations (time, kind, state, source, destination, composed_name, before_size,"
                  " before_mtime, before_inode, destination_existed) VALUES (:time, :kind, 0, :source, :destination,"
                  " :name, :before_size, :before_mtime, :before_inode, :existed)"_s);
    query.bindValue(u":time"_s, QDateTime::currentMSecsSinceEpoch());
    query.bindValue(u":kind"_s, int(entry.kind));
    query.bindValue(u":source"_s, entry.source);
    query.bindValue(u":destination"_s, entry.destination);
    // A null text binds as NULL, which the column refuses.
    query.bindValue(u":name"_s, entry.composedName.isNull() ? u""_s : entry.composedName);
    bindStamp(query, u":before_"_s, entry.before);
    query.bindValue(u":existed"_s, entry.destinationExisted || stampOf(entry.destination).isValid());
    if (!query.exec()) {
        becomeUnavailable(tr("操作记录无法再写入：%1").arg(errorOf(query)));
        return 0;
    }
    if (++m_sincePrune >= kPruneEvery)
        prune();
    return query.lastInsertId().toLongLong();
}

bool CJournal::markDone(qint64 id, const FileStamp &after)
{
    return update(id, JournalEntry::State::Intended, JournalEntry::State::Done, after);
}

bool CJournal::markFailed(qint64 id)
{
    return update(id, JournalEntry::State::Intended, JournalEntry::State::Failed);
}

bool CJournal::markUndone(qint64 id, const FileStamp &atSource)
{
    if (!update(id, JournalEntry::State::Done, JournalEntry::State::Undone))
        return false;
    if (!atSource.isValid())
        return true;
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE operations SET before_size = :size, before_mtime = :mtime, before_inode = :inode"
                  " WHERE id = :id"_s);
    bindStamp(query, u":"_s, atSource);
    query.bindValue(u":id"_s, id);
    if (!query.exec())
        qCInfo(lcJournal) << "could not note where an undo left the item:" << errorOf(query);
    return true;
}

bool CJournal::markRedone(qint64 id, const FileStamp &after)
{
    return update(id, JournalEntry::State::Undone, JournalEntry::State::Done, after);
}

// One statement, so SQLite makes each change whole or not at all.
bool CJournal::update(qint64 id, JournalEntry::State from, JournalEntry::State to, const FileStamp &after,
                      JournalRecovery recovery)
{
    if (!isAvailable() || id <= 0)
        return false;
    syncEach(false);
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE operations SET state = :to, size = coalesce(:size, size), mtime = coalesce(:mtime, mtime),"
                  " inode = coalesce(:inode, inode), recovery = :recovery WHERE id = :id AND state = :from"_s);
    query.bindValue(u":to"_s, int(to));
    bindStamp(query, u":"_s, after);
    query.bindValue(u":recovery"_s, int(recovery));
    query.bindValue(u":id"_s, id);
    query.bindValue(u":from"_s, int(from));
    if (!query.exec()) {
        becomeUnavailable(tr("操作记录无法再写入：%1").arg(errorOf(query)));
        return false;
    }
    return query.numRowsAffected() == 1;
}

// An intent must survive a power cut: it is what finds a half-made copy or an item set aside. An outcome need not
// wait for the disk, as start-up settles an intent whose outcome was lost, and the next intent's sync takes every
// earlier change with it. That halves the syncs a rename waits for.
void CJournal::syncEach(bool commit)
{
    if (commit == m_syncEachCommit)
        return;
    const QString failed = run(m_db, commit ? u"PRAGMA synchronous = FULL"_s : u"PRAGMA synchronous = NORMAL"_s);
    if (failed.isEmpty())
        m_syncEachCommit = commit;
    else
        qCInfo(lcJournal) << "could not change how often the journal syncs:" << failed;
}

// Unfinished intents stay whatever their age: start-up still has to settle them.
void CJournal::prune()
{
    m_sincePrune = 0;
    QSqlQuery query(m_db);
    query.prepare(u"DELETE FROM operations WHERE state != 0 AND id <= (SELECT max(id) FROM operations) - :keep"_s);
    query.bindValue(u":keep"_s, m_retention);
    if (!query.exec())
        qCInfo(lcJournal) << "pruning failed:" << errorOf(query);
}

std::optional<JournalEntry> CJournal::latestUndoable() const
{
    const QList<JournalEntry> found = select(u"WHERE state = 1"_s, 1);
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

std::optional<JournalEntry> CJournal::find(qint64 id) const
{
    const QList<JournalEntry> found = select(u"WHERE id = %1"_s.arg(id), 1);
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

QList<JournalEntry> CJournal::history(int limit) const
{
    return select(QString(), limit);
}

QList<JournalEntry> CJournal::select(const QString &where, int limit) const
{
    QList<JournalEntry> entries;
    if (!isAvailable())
        return entries;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT %1 FROM operations %2 ORDER BY id DESC LIMIT :limit"_s.arg(kColumns, where));
    query.bindValue(u":limit"_s, limit);
    if (!query.exec())
        qCInfo(lcJournal) << "reading the journal failed:" << errorOf(query);
    while (query.next())
        entries.append(entryAt(query));
    return entries;
}

QList<JournalFinding> CJournal::reconcile()
{
    QList<JournalFinding> findings;
    if (!isAvailable())
        return findings;
    QList<JournalEntry> unfinished;
    {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (query.exec(u"SELECT %1 FROM operations WHERE state = 0 ORDER BY id"_s.arg(kColumns))) {
            while (query.next())
                unfinished.append(entryAt(query));
        }
    }
    for (const JournalEntry &entry : std::as_const(unfinished)) {
        const JournalFinding finding = CJournalReconciler::settle(entry);
        qCInfo(lcJournal) << "settled an operation a crash left unfinished:" << entry.source << "to"
                          << entry.destination << "outcome" << int(finding.recovery) << finding.leftAt;
        settle(entry, finding);
        findings.append(finding);
    }
    return findings;
}

void CJournal::settle(const JournalEntry &entry, const JournalFinding &finding)
{
    const bool done = finding.recovery == JournalRecovery::Finished;
    const FileStamp after = done ? stampOf(entry.destination) : FileStamp();
    update(entry.id, JournalEntry::State::Intended, done ? JournalEntry::State::Done : JournalEntry::State::Failed,
           after, finding.recovery);
}
