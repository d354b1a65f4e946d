// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"

#include "core/JournalReconciler.h"
#include "core/Logging.h"
#include "core/StateFolder.h"
#include "core/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>
#include <future>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using State = JournalEntry::State;

namespace
{

enum class Answer { Made, Failed, Late };

// Made on a thread of its own: a state folder on a mount that does not answer would otherwise hold the window, which
// waits for the journal before an operation. A new thread each time, not a pool: a forked child has none of its
// parent's threads, and a thread stuck on the mount is left to end with it.
Answer makeFolderWithin(const QString &folder, std::chrono::milliseconds wait)
{
    auto made = std::make_shared<std::promise<bool>>();
    std::future<bool> answer = made->get_future();
    std::thread([made, folder] { made->set_value(QDir().mkpath(folder)); }).detach();
    if (answer.wait_for(wait) != std::future_status::ready)
        return Answer::Late;
    return answer.get() ? Answer::Made : Answer::Failed;
}

constexpr int kBusyTimeoutMs = 500;
// Pruning a batch at a time keeps recording one operation as cheap at 10,000 rows as at 10.
constexpr qint64 kPruneEvery = 64;
const QString kColumns = u"id, time, kind, state, source, destination, composed_name, before_size, before_mtime, "
                         "before_inode, size, mtime, inode, recovery, destination_existed, before_dev, before_ctime,"
                         " dev, ctime, owner, source_folder_dev, source_folder_inode, destination_folder_dev,"
                         " destination_folder_inode, before_mode, failure, copy_dev, copy_inode"_s;
// The states start-up settles: an operation, an undo or a redo that was begun and not seen to end.
const QString kUnfinished = u"state IN (0, 4, 5)"_s;

// The schema version lives in user_version; writing it also proves the file takes writes.
const char *const kSetUp[] = {
    "PRAGMA journal_mode = WAL",
    // A crash of the program keeps what WAL has; FULL, set before an intent that needs it, also keeps that intent
    // across a power cut. Opening writes nothing that must outlast one. See syncEach().
    "PRAGMA synchronous = NORMAL",
    "CREATE TABLE IF NOT EXISTS operations (id INTEGER PRIMARY KEY AUTOINCREMENT, time INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, state INTEGER NOT NULL, source TEXT NOT NULL, destination TEXT NOT NULL,"
    " composed_name TEXT NOT NULL, before_size INTEGER, before_mtime INTEGER, before_inode INTEGER,"
    " size INTEGER, mtime INTEGER, inode INTEGER, recovery INTEGER NOT NULL DEFAULT 0,"
    " destination_existed INTEGER NOT NULL DEFAULT 0)",
};

// Version 2: stamps with device and change time, the folders' identities, and the owner of each intent.
const char *const kToVersion2[] = {
    "ALTER TABLE operations ADD COLUMN before_dev INTEGER",
    "ALTER TABLE operations ADD COLUMN before_ctime INTEGER",
    "ALTER TABLE operations ADD COLUMN dev INTEGER",
    "ALTER TABLE operations ADD COLUMN ctime INTEGER",
    "ALTER TABLE operations ADD COLUMN owner TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE operations ADD COLUMN source_folder_dev INTEGER",
    "ALTER TABLE operations ADD COLUMN source_folder_inode INTEGER",
    "ALTER TABLE operations ADD COLUMN destination_folder_dev INTEGER",
    "ALTER TABLE operations ADD COLUMN destination_folder_inode INTEGER",
    "DROP INDEX IF EXISTS unfinished",
};
// Version 3: the item's permissions before the operation, and why a failed operation failed; version 4: the copy an
// intent's move made. Added only where missing: a program of an older version opening the journal writes its own
// number back, and the next start must not take the columns it finds already there for damage.
const char *const kToVersion3[][2] = {
    { "before_mode", "ALTER TABLE operations ADD COLUMN before_mode INTEGER" },
    { "failure", "ALTER TABLE operations ADD COLUMN failure INTEGER NOT NULL DEFAULT 0" },
    { "copy_dev", "ALTER TABLE operations ADD COLUMN copy_dev INTEGER" },
    { "copy_inode", "ALTER TABLE operations ADD COLUMN copy_inode INTEGER" },
};
const char *const kIndex
    = "CREATE INDEX IF NOT EXISTS unfinished_operations ON operations (id) WHERE state IN (0, 4, 5)";
constexpr int kSchemaVersion = 4;

QString tr(const char *text)
{
    return QCoreApplication::translate("CJournal", text);
}

// A link put in place of the journal, its companions or its folder would send the record of where the user's files
// went somewhere else, and the journal's own writes into a file of someone else's choosing.
QString linkAmong(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    for (const QString &name : QStringList { folder, path, path + "-wal"_L1, path + "-shm"_L1 }) {
        const QFileInfo info(name);
        if (info.isSymbolicLink() || info.isJunction())
            return name;
    }
    return {};
}

QString errorOf(const QSqlQuery &query)
{
    return query.lastError().text();
}

// SQLite's primary result code of a failure.
int codeOf(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

// Busy or locked (another program holds the journal just now), an I/O error, a full disk, a file that could not be
// opened, or "read-only" for a file that is writable (SQLite opens read-only when opening for writing failed): none
// of them says the file itself is damaged, so it is not kept aside for them.
bool isPassing(int code, const QString &path)
{
    constexpr int kBusy = 5, kLocked = 6, kReadOnly = 8, kIoError = 10, kFull = 13, kCantOpen = 14;
    if (code == kReadOnly)
        return QFileInfo(path).permissions().testFlag(QFile::WriteOwner);
    return code == kBusy || code == kLocked || code == kIoError || code == kFull || code == kCantOpen;
}

// Runs one statement; answers the error's text, empty on success. `code` learns the first failure's result code.
QString run(QSqlDatabase &db, const QString &statement, int *code = nullptr)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return {};
    if (code && *code == 0)
        *code = codeOf(query.lastError());
    return errorOf(query);
}

int schemaVersion(QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(u"PRAGMA user_version"_s) && query.next() ? query.value(0).toInt() : 0;
}

bool hasColumn(QSqlDatabase &db, const QString &column)
{
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA table_info(operations)"_s))
        return false;
    while (query.next()) {
        if (query.value(1).toString() == column)
            return true;
    }
    return false;
}

QString upgradeStatements(QSqlDatabase &db, int version, int *code)
{
    QString problem;
    if (version < 2) {
        for (const char *statement : kToVersion2) {
            if (problem.isEmpty())
                problem = run(db, QString::fromLatin1(statement), code);
        }
    }
    for (const auto &[column, statement] : kToVersion3) {
        if (problem.isEmpty() && !hasColumn(db, QString::fromLatin1(column)))
            problem = run(db, QString::fromLatin1(statement), code);
    }
    return problem;
}

QString upgrade(QSqlDatabase &db, int *code)
{
    QString problem;
    if (const int version = schemaVersion(db); version < kSchemaVersion) {
        problem = run(db, u"BEGIN IMMEDIATE"_s, code);
        if (problem.isEmpty())
            problem = upgradeStatements(db, version, code);
        problem = problem.isEmpty() ? run(db, u"COMMIT"_s, code) : (run(db, u"ROLLBACK"_s), problem);
    }
    if (problem.isEmpty())
        problem = run(db, QString::fromLatin1(kIndex), code);
    // Written at every start: it proves the file takes writes.
    return problem.isEmpty() ? run(db, u"PRAGMA user_version = %1"_s.arg(kSchemaVersion), code) : problem;
}

// Other local users have no business reading where someone's files went.
void keepPrivate(const QString &path)
{
    QFile::setPermissions(QFileInfo(path).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto suffix : { ""_L1, "-wal"_L1, "-shm"_L1 })
        QFile::setPermissions(path + suffix, QFile::ReadOwner | QFile::WriteOwner);
}

QString integrityProblem(QSqlDatabase &db, int *code)
{
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA quick_check"_s)) {
        *code = *code ? *code : codeOf(query.lastError());
        return errorOf(query);
    }
    const QString answer = query.next() ? query.value(0).toString() : QString();
    return answer == "ok"_L1 ? QString() : answer;
}

void bindStamp(QSqlQuery &query, const QString &prefix, const FileStamp &stamp)
{
    const bool known = stamp.isValid();
    query.bindValue(prefix + "size"_L1, known ? QVariant(stamp.size) : QVariant());
    query.bindValue(prefix + "mtime"_L1, known ? QVariant(stamp.mtimeNs) : QVariant());
    query.bindValue(prefix + "inode"_L1, known ? QVariant(qint64(stamp.inode)) : QVariant());
    query.bindValue(prefix + "dev"_L1, known ? QVariant(qint64(stamp.device)) : QVariant());
    query.bindValue(prefix + "ctime"_L1, known ? QVariant(stamp.ctimeNs) : QVariant());
}

void bindFolder(QSqlQuery &query, const QString &prefix, const FolderId &folder)
{
    const bool known = folder.isValid();
    query.bindValue(prefix + "_dev"_L1, known ? QVariant(qint64(folder.device)) : QVariant());
    query.bindValue(prefix + "_inode"_L1, known ? QVariant(qint64(folder.inode)) : QVariant());
}

// `first` is the size's column, `node` the device's; rows recorded before devices were kept have none.
FileStamp stampAt(const QSqlQuery &query, int first, int node)
{
    if (query.value(first + 2).isNull())
        return {};
    return { query.value(first).toLongLong(), query.value(first + 1).toLongLong(),
             quint64(query.value(first + 2).toLongLong()), quint64(query.value(node).toLongLong()),
             query.value(node + 1).toLongLong() };
}

FolderId folderAt(const QSqlQuery &query, int first)
{
    return { quint64(query.value(first).toLongLong()), quint64(query.value(first + 1).toLongLong()) };
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
    entry.before = stampAt(query, 7, 15);
    entry.after = stampAt(query, 10, 17);
    entry.recovery = JournalRecovery(query.value(13).toInt());
    entry.destinationExisted = query.value(14).toBool();
    entry.owner = query.value(19).toString();
    entry.sourceFolder = folderAt(query, 20);
    entry.destinationFolder = folderAt(query, 22);
    entry.beforeMode = query.value(24).isNull() ? -1 : query.value(24).toInt();
    entry.failure = MoveError(query.value(25).toInt());
    entry.copyDevice = quint64(query.value(26).toLongLong());
    entry.copyInode = quint64(query.value(27).toLongLong());
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
    return CStateFolder::path() + "/journal.sqlite"_L1;
}

FileStamp CJournal::stampOf(const QString &path)
{
    return CSystem::look(path).stamp;
}

// A link has no permissions of its own to give back; only a file's or a folder's are kept.
int CJournal::modeOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.exists())
        return -1;
    return info.permissions().toInt() & kModeBits;
}

FolderId CJournal::folderIdOf(const QString &path)
{
    return CSystem::folderIdOf(path);
}

bool CJournal::open(const QString &path, std::chrono::milliseconds wait)
{
    close();
    m_keptAside.clear();
    if (!QSqlDatabase::isDriverAvailable(u"QSQLITE"_s)) {
        becomeUnavailable(tr("未安装 Qt 的 SQLite 驱动。"));
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    switch (makeFolderWithin(folder, wait)) {
    case Answer::Made:
        break;
    case Answer::Failed:
        becomeUnavailable(tr("无法创建文件夹 %1。").arg(folder));
        return false;
    case Answer::Late:
        becomeUnavailable(tr("文件夹 %1 在 %2 秒内没有响应。").arg(folder).arg(double(wait.count()) / 1000));
        return false;
    }
    if (const QString link = linkAmong(path); !link.isEmpty()) {
        becomeUnavailable(tr("%1 是一个链接，操作记录不会写到它指向的地方。").arg(link));
        return false;
    }
    int code = 0;
    const QString problem = tryOpen(path, &code);
    if (problem.isEmpty())
        return opened(path);
    qCInfo(lcJournal) << "cannot use the journal" << path << ':' << problem;
    // A journal another window holds is that window's record of its work, not damage: it stays where it is, and so
    // does one that met a passing I/O error.
    m_keptAside = QFile::exists(path) && !isPassing(code, path) ? CStateFolder::keepAside(path) : QString();
    const QString again = m_keptAside.isEmpty() ? problem : tryOpen(path, &code);
    if (again.isEmpty())
        return opened(path);
    becomeUnavailable(tr("操作记录 %1 无法使用：%2").arg(path, again));
    return false;
}

// Without a lock of its own no other start could tell this program's intents from a crash's leftovers, and would
// settle them while this program carries them out: such a journal is not used at all.
bool CJournal::opened(const QString &path)
{
    keepPrivate(path);
    const QString owners = QFileInfo(path).absolutePath() + "/owners"_L1;
    if (m_owner.claim(owners))
        return true;
    becomeUnavailable(tr("无法在 %1 中创建本程序的锁文件。").arg(owners));
    return false;
}

void CJournal::close()
{
    disconnect();
    m_owner.release();
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

QString CJournal::ownerToken() const
{
    return isAvailable() ? m_owner.token() : QString();
}

QString CJournal::tryOpen(const QString &path, int *code)
{
    m_syncEachCommit = false;
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kBusyTimeoutMs));
    const bool connected = m_db.open();
    if (!connected && *code == 0)
        *code = codeOf(m_db.lastError());
    QString problem = connected ? integrityProblem(m_db, code) : m_db.lastError().text();
    for (const char *statement : kSetUp) {
        if (problem.isEmpty())
            problem = run(m_db, QString::fromLatin1(statement), code);
    }
    if (problem.isEmpty())
        problem = upgrade(m_db, code);
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
    m_prepared.clear();
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

qint64 CJournal::recordIntent(JournalEntry entry, Sync sync)
{
    if (!isAvailable())
        return 0;
    if (!entry.before.isValid())
        entry.before = stampOf(entry.source);
    if (entry.beforeMode < 0)
        entry.beforeMode = modeOf(entry.source);
    entry.destinationExisted = entry.destinationExisted || stampOf(entry.destination).isValid();
    syncEach(sync == Sync::ToDisk);
    entry.state = State::Intended;
    entry.after = {};
    entry.failure = MoveError::None;
    return insert(entry);
}

// The item's stamps from before the rename come with `entry`: by now the source is gone.
qint64 CJournal::recordFinished(JournalEntry entry)
{
    if (!isAvailable())
        return 0;
    Q_ASSERT(entry.state == State::Done || entry.state == State::Failed);
    syncEach(false);
    return insert(entry);
}

qint64 CJournal::insert(const JournalEntry &entry)
{
    QSqlQuery &query = prepared(
        u"INSERT INTO operations (time, kind, state, source, destination, composed_name, before_size,"
        " before_mtime, before_inode, before_dev, before_ctime, size, mtime, inode, dev, ctime, destination_existed,"
        " owner, source_folder_dev, source_folder_inode, destination_folder_dev, destination_folder_inode,"
        " before_mode, failure) VALUES (:time, :kind, :state, :source, :destination, :name, :before_size,"
        " :before_mtime, :before_inode, :before_dev, :before_ctime, :size, :mtime, :inode, :dev, :ctime, :existed,"
        " :owner, :source_folder_dev, :source_folder_inode, :destination_folder_dev, :destination_folder_inode,"
        " :before_mode, :failure)"_s);
    query.bindValue(u":time"_s, QDateTime::currentMSecsSinceEpoch());
    query.bindValue(u":kind"_s, int(entry.kind));
    query.bindValue(u":state"_s, int(entry.state));
    query.bindValue(u":source"_s, entry.source);
    query.bindValue(u":destination"_s, entry.destination);
    // A null text binds as NULL, which the column refuses.
    query.bindValue(u":name"_s, entry.composedName.isNull() ? u""_s : entry.composedName);
    bindStamp(query, u":before_"_s, entry.before);
    bindStamp(query, u":"_s, entry.after);
    query.bindValue(u":existed"_s, entry.destinationExisted);
    query.bindValue(u":owner"_s, m_owner.token());
    // A rename in place leaves and enters the same folder: one look serves both.
    const QString sourceFolder = QFileInfo(entry.source).absolutePath();
    const QString destinationFolder = QFileInfo(entry.destination).absolutePath();
    const FolderId leaves = folderIdOf(sourceFolder);
    bindFolder(query, u":source_folder"_s, leaves);
    bindFolder(query, u":destination_folder"_s,
               destinationFolder == sourceFolder ? leaves : folderIdOf(destinationFolder));
    query.bindValue(u":before_mode"_s, entry.beforeMode < 0 ? QVariant() : QVariant(entry.beforeMode));
    query.bindValue(u":failure"_s, int(entry.failure));
    if (!query.exec()) {
        becomeUnavailable(tr("操作记录无法再写入：%1").arg(errorOf(query)));
        return 0;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    if (++m_sincePrune >= kPruneEvery)
        prune();
    return id;
}

// Synced like the intent: a crash once the copy is published must find which file it is.
bool CJournal::recordCopy(qint64 id, quint64 device, quint64 inode)
{
    if (!isAvailable() || id <= 0)
        return false;
    syncEach(true);
    QSqlQuery &query = prepared(
        u"UPDATE operations SET copy_dev = :dev, copy_inode = :inode WHERE id = :id AND %1"_s.arg(kUnfinished));
    query.bindValue(u":dev"_s, qint64(device));
    query.bindValue(u":inode"_s, qint64(inode));
    query.bindValue(u":id"_s, id);
    if (!query.exec()) {
        becomeUnavailable(tr("操作记录无法再写入：%1").arg(errorOf(query)));
        return false;
    }
    return query.numRowsAffected() == 1;
}

// Synced like the intent itself: a crash during the next attempt must find the name that attempt used.
bool CJournal::retarget(qint64 id, const QString &destination, const QString &composedName)
{
    if (!isAvailable() || id <= 0)
        return false;
    syncEach(true);
    QSqlQuery &query = prepared(u"UPDATE operations SET destination = :destination, composed_name = :name,"
                                " destination_existed = :existed WHERE id = :id AND state = 0"_s);
    query.bindValue(u":destination"_s, destination);
    query.bindValue(u":name"_s, composedName);
    query.bindValue(u":existed"_s, stampOf(destination).isValid());
    query.bindValue(u":id"_s, id);
    if (!query.exec()) {
        becomeUnavailable(tr("操作记录无法再写入：%1").arg(errorOf(query)));
        return false;
    }
    return query.numRowsAffected() == 1;
}

bool CJournal::markDone(qint64 id, const FileStamp &after)
{
    return update(id, { State::Intended }, State::Done, after);
}

bool CJournal::markFailed(qint64 id, MoveError failure)
{
    if (!update(id, { State::Intended }, State::Failed))
        return false;
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE operations SET failure = :failure WHERE id = :id"_s);
    query.bindValue(u":failure"_s, int(failure));
    query.bindValue(u":id"_s, id);
    if (!query.exec())
        qCInfo(lcJournal) << "could not note why an operation failed:" << errorOf(query);
    return true;
}

bool CJournal::markUndone(qint64 id, const FileStamp &atSource, JournalRecovery recovery)
{
    if (!update(id, { State::Done, State::Undoing }, State::Undone, {}, recovery))
        return false;
    if (!atSource.isValid())
        return true;
    QSqlQuery &query = prepared(u"UPDATE operations SET before_size = :size, before_mtime = :mtime,"
                                " before_inode = :inode, before_dev = :dev, before_ctime = :ctime WHERE id = :id"_s);
    bindStamp(query, u":"_s, atSource);
    query.bindValue(u":id"_s, id);
    if (!query.exec())
        qCInfo(lcJournal) << "could not note where an undo left the item:" << errorOf(query);
    return true;
}

bool CJournal::markRedone(qint64 id, const FileStamp &after, JournalRecovery recovery)
{
    return update(id, { State::Undone, State::Redoing }, State::Done, after, recovery);
}

bool CJournal::markUndoing(qint64 id)
{
    return update(id, { State::Done }, State::Undoing, {}, JournalRecovery::None, true);
}

bool CJournal::markRedoing(qint64 id)
{
    return update(id, { State::Undone }, State::Redoing, {}, JournalRecovery::None, true);
}

bool CJournal::abandon(qint64 id, JournalRecovery recovery)
{
    return update(id, { State::Undoing }, State::Done, {}, recovery)
        || update(id, { State::Redoing }, State::Undone, {}, recovery);
}

// One statement, so SQLite makes each change whole or not at all. An undo's or a redo's intent is synced like an
// operation's and takes this program's ownership. A change comes from one or two states; with one, it is bound twice,
// so that every change uses the same prepared statement.
bool CJournal::update(qint64 id, std::initializer_list<State> from, State to, const FileStamp &after,
                      JournalRecovery recovery, bool intent)
{
    if (!isAvailable() || id <= 0)
        return false;
    Q_ASSERT(from.size() == 1 || from.size() == 2);
    syncEach(intent);
    QSqlQuery &query
        = prepared(u"UPDATE operations SET state = :to, size = coalesce(:size, size), mtime = coalesce(:mtime, mtime),"
                   " inode = coalesce(:inode, inode), dev = coalesce(:dev, dev), ctime = coalesce(:ctime, ctime),"
                   " recovery = :recovery, owner = CASE WHEN :intent THEN :owner ELSE owner END"
                   " WHERE id = :id AND state IN (:from, :orFrom)"_s);
    query.bindValue(u":to"_s, int(to));
    bindStamp(query, u":"_s, after);
    query.bindValue(u":recovery"_s, int(recovery));
    query.bindValue(u":intent"_s, intent);
    query.bindValue(u":owner"_s, m_owner.token());
    query.bindValue(u":id"_s, id);
    query.bindValue(u":from"_s, int(*from.begin()));
    query.bindValue(u":orFrom"_s, int(*(from.end() - 1)));
    if (!query.exec()) {
        becomeUnavailable(tr("操作记录无法再写入：%1").arg(errorOf(query)));
        return false;
    }
    return query.numRowsAffected() == 1;
}

// An intent of several steps must survive a power cut: it is what finds a half-made copy or an item set aside. An
// outcome need not wait for the disk, as start-up settles an intent whose outcome was lost, and the next synced
// intent takes every earlier change with it; nor need the intent of a single rename, which a power cut leaves done
// or not done. So a rename within one file system waits for no sync at all, and a copy for one.
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
    QSqlQuery &query = prepared(
        u"DELETE FROM operations WHERE NOT %1 AND id <= (SELECT max(id) FROM operations) - :keep"_s.arg(kUnfinished));
    query.bindValue(u":keep"_s, m_retention);
    if (!query.exec())
        qCInfo(lcJournal) << "pruning failed:" << errorOf(query);
}

QSqlQuery &CJournal::prepared(const QString &statement)
{
    auto found = m_prepared.find(statement);
    if (found == m_prepared.end()) {
        found = m_prepared.emplace(statement, QSqlQuery(m_db)).first;
        // A statement that does not prepare fails its exec() with the same error, which the caller reports.
        found->second.prepare(statement);
    }
    return found->second;
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

QList<JournalEntry> CJournal::select(const QString &where, int limit, Qt::SortOrder order) const
{
    QList<JournalEntry> entries;
    if (!isAvailable())
        return entries;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT %1 FROM operations %2 ORDER BY id %3 LIMIT :limit"_s.arg(
        kColumns, where, order == Qt::AscendingOrder ? "ASC"_L1 : "DESC"_L1));
    query.bindValue(u":limit"_s, limit);
    if (!query.exec())
        qCInfo(lcJournal) << "reading the journal failed:" << errorOf(query);
    while (query.next())
        entries.append(entryAt(query));
    return entries;
}

// An intent without an owner comes from a version that ran without a lock; only a restart of the system since it was
// recorded proves that its program has ended.
bool CJournal::mayStillRun(const JournalEntry &entry) const
{
    if (entry.owner.isEmpty())
        return entry.time.toMSecsSinceEpoch() >= CSystem::bootTimeMs();
    return !m_owner.hasEnded(entry.owner);
}

// One start settles at a time: two that settle the same intent each act on what the other is changing, and one
// reports what the other has already removed. The one that finds the lock taken leaves the settling to the other.
QList<JournalFinding> CJournal::reconcile(IMover &mover)
{
    QList<JournalFinding> findings;
    const Settling settling = beginSettling();
    for (const JournalEntry &entry : settling.entries) {
        const JournalFinding finding = CJournalReconciler::settle(asFound(entry), mover);
        recordSettled(entry, finding);
        findings.append(finding);
    }
    endSettling(settling.lock);
    return findings;
}

CJournal::Settling CJournal::beginSettling()
{
    Settling settling;
    if (!isAvailable())
        return settling;
    settling.lock = CSystem::lockOrCreate(QFileInfo(m_db.databaseName()).absolutePath() + "/settling"_L1);
    if (settling.lock == CSystem::kNoLock) {
        qCInfo(lcJournal) << "another start is settling the journal";
        return settling;
    }
    // Read under the lock: what another start settled before is no longer unfinished.
    const QList<JournalEntry> unfinished = select(u"WHERE %1"_s.arg(kUnfinished), -1, Qt::AscendingOrder);
    for (const JournalEntry &entry : unfinished) {
        if (mayStillRun(entry))
            qCInfo(lcJournal) << "left an operation to the program that may still carry it out:" << entry.source;
        else
            settling.entries.append(entry);
    }
    return settling;
}

void CJournal::endSettling(qintptr lock)
{
    if (lock == CSystem::kNoLock)
        return;
    if (isAvailable())
        m_owner.removeEnded();
    CSystem::unlock(lock);
}

JournalEntry CJournal::asFound(const JournalEntry &entry)
{
    JournalEntry asFound = entry;
    if (entry.state == State::Undoing) {
        std::swap(asFound.source, asFound.destination);
        asFound.before = entry.after;
        asFound.destinationExisted = false;
    }
    return asFound;
}

// An undo is settled as the operation it takes back; a redo as the operation itself.
void CJournal::recordSettled(const JournalEntry &entry, const JournalFinding &finding)
{
    qCInfo(lcJournal) << "settled an operation a crash left unfinished:" << finding.source << "to"
                      << finding.destination << "outcome" << int(finding.recovery) << finding.leftAt;
    const bool done = finding.recovery == JournalRecovery::Finished;
    switch (entry.state) {
    case State::Undoing:
        if (done)
            markUndone(entry.id, stampOf(entry.source), finding.recovery);
        else
            abandon(entry.id, finding.recovery);
        break;
    case State::Redoing:
        if (done)
            markRedone(entry.id, stampOf(entry.destination), finding.recovery);
        else
            abandon(entry.id, finding.recovery);
        break;
    default:
        update(entry.id, { State::Intended }, done ? State::Done : State::Failed,
               done ? stampOf(entry.destination) : FileStamp(), finding.recovery);
    }
}
