// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueuePresence.h"
#include "core/QueueStore.h"
#include "core/RestoredQueue.h"
#include "core/System.h"
#include "helpers/SqlFile.h"
#include "helpers/StoredQueue.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Saved = CQueueStore::Saved;

/// What the next start finds of the queue, without a window: every change kept, damage set aside.
class tst_QueueStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void keepsEveryChange();
    void largeQueueRoundTrips();
    void restoredQueueLeavesOutWhatIsGone();
    void typedNameComesBackOnlyForItsFile_data();
    void typedNameComesBackOnlyForItsFile();
    void unchangedFolderIsNotListedAgain();
    void keptKeysAreUsedOnlyWhileTheyFit();
    void rowsOfAnEarlierVersionAreRead();
    void queueFileCutShortIsKeptAside();
    void restoredQueueOutlivesChangesToItsFile_data();
    void restoredQueueOutlivesChangesToItsFile();
    void rowsTakenOffAnEarlierQueueFileAreIgnored();
    void damagedStoreIsKeptAside_data();
    void damagedStoreIsKeptAside();
    void unusableFolderSavesNothing();
    void defaultPathIsBesideTheJournal();

private:
    [[nodiscard]] QString storePath() const
    {
        return m_dir->filePath(u"state/queue.sqlite"_s);
    }
    [[nodiscard]] Saved reopened() const
    {
        return storedQueue(storePath());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_QueueStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_QueueStore::keepsEveryChange()
{
    const QStringList order { u"/z/last-sorted.txt"_s, u"/a/b c,d;e.txt"_s, u"/a/报告\n二.txt"_s, u"/a/'quoted'"_s };
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()));
        QCOMPARE(store.load(), Saved {});
        QVERIFY(store.savePaths(order));
        QVERIFY(store.saveEditor(order.at(1), u"2026年上期"_s, u"作业"_s, {}));
    }
    QCOMPARE(reopened(), (Saved { order, order.at(1), u"2026年上期"_s, u"作业"_s, QString() }));
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()));
        QVERIFY(store.removePaths({ order.at(1), u"/never/queued"_s }));
        QVERIFY(store.saveEditor(order.at(2), {}, u"二"_s, u"_1"_s));
    }
    const QStringList rest { order.at(0), order.at(2), order.at(3) };
    QCOMPARE(reopened(), (Saved { rest, order.at(2), QString(), u"二"_s, u"_1"_s }));
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()));
        QVERIFY(store.clear());
    }
    QCOMPARE(reopened(), Saved {});
    QVERIFY(QDir(m_dir->filePath(u"state"_s)).entryList({ u"*.corrupt-*"_s }, QDir::Files).isEmpty());
}

void tst_QueueStore::largeQueueRoundTrips()
{
    QStringList paths;
    for (int i = 0; i < 100000; ++i)
        paths << u"/data/queue/file-%1.txt"_s.arg(i);
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()));
        QVERIFY(store.savePaths(paths));
        QVERIFY(store.savePaths(paths.mid(50000)));
    }
    QCOMPARE(reopened().paths, paths.mid(50000));
    {
        // Past a thousand, the removed paths are folded into the saved queue.
        CQueueStore store;
        QVERIFY(store.open(storePath()) && store.removePaths(paths.mid(50000, 1001))
                && store.removePaths({ paths.last() }));
    }
    QCOMPARE(reopened().paths, paths.mid(51001, 48998));
    // Reading stops when told, and leaves the store as it was.
    CQueueStore store;
    QVERIFY(store.open(storePath()));
    QCOMPARE(store.load([] { return true; }), Saved {});
    QVERIFY(store.keptAsidePath().isEmpty());
    QCOMPARE(store.load().paths.size(), 48998);
}

// Read off the window's thread: the saved order and edits come back, gone paths stay out of the queue and the store.
void tst_QueueStore::restoredQueueLeavesOutWhatIsGone()
{
    QVERIFY(QDir().mkpath(m_dir->filePath(u"q"_s)));
    QStringList saved;
    QStringList present;
    // Enough paths to be looked at and keyed on every core; a link whose target is gone is still queued.
    for (int i = 1; i <= 6000; ++i) {
        const QString path = m_dir->filePath(u"q/file-%1.txt"_s.arg(i));
        saved << path;
        if (i % 1000 == 0)
            continue;
        QVERIFY(i == 7 ? QFile::link(u"/nonexistent/target"_s, path) : QFile(path).open(QIODevice::WriteOnly));
        present << path;
    }
    CQueueStore store;
    QVERIFY(store.open(storePath()));
    QVERIFY(store.savePaths(saved) && store.saveEditor(saved.at(41), u"p"_s, u"n"_s, u"s"_s));
    QCOMPARE(CRestoredQueue::read(store, [] { return true; }).entries.size(), 0);
    QCOMPARE(reopened().paths, saved);

    const CRestoredQueue restored = CRestoredQueue::read(store, [] { return false; });
    QCOMPARE(restored.missing, 6);
    QCOMPARE(restored.entries.paths(), present);
    QCOMPARE(restored.editor, (Saved { {}, saved.at(41), u"p"_s, u"n"_s, u"s"_s }));
    QCOMPARE(reopened().paths, present);
}

enum class Change { None, Replaced, Grown, Touched };

void tst_QueueStore::typedNameComesBackOnlyForItsFile_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("kept");
    QTest::newRow("same file") << Change::None << true;
    // A scanner writes a new scan.pdf in its place: another node, though size and time are the same.
    QTest::newRow("another file, same size and time") << Change::Replaced << false;
    QTest::newRow("grown") << Change::Grown << false;
    QTest::newRow("modified") << Change::Touched << false;
}

void tst_QueueStore::typedNameComesBackOnlyForItsFile()
{
    QFETCH(Change, change);
    QFETCH(bool, kept);
    const QString scan = m_dir->filePath(u"scan.pdf"_s);
    // A time of whole milliseconds, which QFile sets exactly.
    QDateTime time = QDateTime::currentDateTime().addSecs(-3600);
    const auto write = [&time](QFile &file, QIODevice::OpenMode mode, const QByteArray &bytes) {
        const bool written = file.open(mode) && file.write(bytes) == bytes.size()
            && file.setFileTime(time, QFileDevice::FileModificationTime);
        file.close();
        return written;
    };
    QFile file(scan);
    QVERIFY(write(file, QIODevice::WriteOnly, "page one"));
    CQueueStore store;
    QVERIFY(store.open(storePath()));
    QVERIFY(store.savePaths({ scan }) && store.saveEditor(scan, u"p"_s, u"tax_2026"_s, u"s"_s));
    QFile newer(m_dir->filePath(u"new.pdf"_s));
    switch (change) {
    case Change::None:
        break;
    case Change::Replaced:
        QVERIFY(write(newer, QIODevice::WriteOnly, "page two"));
        QVERIFY(QFile::remove(scan) && newer.rename(scan));
        break;
    case Change::Grown:
        QVERIFY(write(file, QIODevice::Append, "!"));
        break;
    case Change::Touched:
        time = time.addSecs(60);
        QVERIFY(write(file, QIODevice::Append, {}));
        break;
    }
    const CRestoredQueue restored = CRestoredQueue::read(store, [] { return false; });
    QCOMPARE(restored.entries.paths(), QStringList { scan });
    QCOMPARE(restored.editsKept, kept);
    const Saved typed { {}, scan, u"p"_s, u"tax_2026"_s, u"s"_s };
    QCOMPARE(restored.editor, kept ? typed : (Saved { {}, scan, {}, {}, {} }));
}

// A folder found holding all its queued paths is not listed again while its stamp stays; a change in it, or paths
// added to the queue, have it listed again.
void tst_QueueStore::unchangedFolderIsNotListedAgain()
{
    const QString folder = m_dir->filePath(u"q/"_s);
    QVERIFY(QDir().mkpath(folder));
    QStringList saved;
    for (int i = 0; i < int(CQueueSnapshot::kListFrom); ++i) {
        saved << folder + u"file-%1.txt"_s.arg(i);
        QVERIFY(QFile(saved.last()).open(QIODevice::WriteOnly));
    }
    // Only a change older than a tick of the clock leaves a stamp that tells the next change.
    QTest::qSleep(1100);
    if (CSystem::folderStamp(folder).isEmpty())
        QSKIP("this file system does not stamp changes to its folders");
    CQueueStore store;
    QVERIFY(store.open(storePath()) && store.savePaths(saved));
    QCOMPARE(CRestoredQueue::read(store, [] { return false; }).missing, 0);
    QCOMPARE(store.loadFolderStamps().keys(), QStringList { folder });

    // Trusted while it stays: a path no listing found (as no real drop brings) is not looked for.
    const QString never = folder + u"never.txt"_s;
    QVERIFY(store.saveQueue(CQueueSnapshot::of(saved + QStringList { never }), CQueueStore::Paths::NoneAdded));
    QCOMPARE(CRestoredQueue::read(store, [] { return false; }).entries.size(), saved.size() + 1);
    // A queue that gained paths is stamped only where all of them are there.
    const auto stampsOf = [](const QStringList &paths) {
        return CQueuePresence::stampsOf(CQueueSnapshot::of(paths), {}, [] { return false; }).keys();
    };
    QCOMPARE(stampsOf(saved), QStringList { folder });
    QCOMPARE(stampsOf(saved + QStringList { never }), QStringList {});

    // A file taken away changes the folder: it is listed again.
    QVERIFY(QFile::remove(saved.at(3)));
    const CRestoredQueue afterRemoval = CRestoredQueue::read(store, [] { return false; });
    QCOMPARE(afterRemoval.missing, 2);
    QVERIFY(!afterRemoval.entries.paths().contains(never));

    // A queue that gains paths forgets the stamps.
    QVERIFY(store.saveFolderStamps({ { folder, "a stamp" } }));
    QVERIFY(store.saveQueue(CQueueSnapshot::of(saved)));
    QVERIFY(store.loadFolderStamps().isEmpty());
}

// Keys are kept with the queue for the next start, and used only when the same collation made them, in order.
void tst_QueueStore::keptKeysAreUsedOnlyWhileTheyFit()
{
    const QStringList paths { u"/q/Lesson 10.txt"_s, u"/q/lesson 9.txt"_s, u"/q/Lesson 9.txt"_s, u"/q/第12课"_s,
                              u"/q/第2课"_s,         u"/q/ä.txt"_s,        u"/q/a.txt"_s };
    const CQueueOrder order;
    const CQueueOrder::Entries sorted = order.sortedEntries(paths);
    const CQueueSnapshot kept = CQueueSnapshot::of(sorted, order.keysIdentity());
    bool keyedAgain = false;
    QCOMPARE(kept.entries(order, &keyedAgain).paths(), sorted.paths());
    QVERIFY(!keyedAgain);

    CQueueSnapshot otherCollation = kept;
    otherCollation.identity = "icu/another version";
    CQueueSnapshot keysCutShort = kept;
    keysCutShort.keys.chop(3);
    CQueueOrder::Entries reversed = sorted;
    std::reverse(reversed.rows.begin(), reversed.rows.end());
    const CQueueSnapshot outOfOrder = CQueueSnapshot::of(reversed, order.keysIdentity());
    for (const CQueueSnapshot &stale : { otherCollation, keysCutShort, outOfOrder, CQueueSnapshot::of(paths) }) {
        keyedAgain = false;
        QCOMPARE(stale.entries(order, &keyedAgain).paths(), sorted.paths());
        QVERIFY(keyedAgain);
    }

    // A path damaged in the file after its key was made: the check tells, and the paths are keyed again.
    QBuffer file;
    QVERIFY(file.open(QIODevice::WriteOnly) && kept.write(file, 1));
    QByteArray bytes = file.data();
    const QString aPath = u"/q/a.txt"_s;
    const qsizetype at = bytes.indexOf(QByteArrayView(reinterpret_cast<const char *>(aPath.utf16()), 2 * aPath.size()));
    QVERIFY(at > 0);
    bytes[at + 2 * 3] = 'b';
    quint64 generation = 0;
    const std::optional<CQueueSnapshot> damaged = CQueueSnapshot::read(bytes, generation);
    QVERIFY(damaged);
    QStringList withB = paths;
    withB.replace(withB.indexOf(aPath), u"/q/b.txt"_s);
    QCOMPARE(damaged->entries(order, &keyedAgain).paths(), order.sortedEntries(withB).paths());
    QVERIFY(keyedAgain);

    CQueueSnapshot fewer = kept;
    fewer.remove({ sorted.paths().at(2), u"/q/never queued"_s });
    QStringList expected = sorted.paths();
    expected.removeAt(2);
    QCOMPARE(fewer.entries(order, &keyedAgain).paths(), expected);
}

// A queue saved one row per path, as before, comes back in its order.
void tst_QueueStore::rowsOfAnEarlierVersionAreRead()
{
    QVERIFY(QDir().mkpath(m_dir->filePath(u"state"_s)));
    QVERIFY(execOnFile(storePath(),
                       { u"PRAGMA journal_mode = WAL"_s, u"PRAGMA user_version = 1"_s,
                         u"CREATE TABLE queue (position INTEGER PRIMARY KEY, path TEXT NOT NULL)"_s,
                         u"INSERT INTO queue (position, path) VALUES (2, '/b'), (1, '/c'), (3, '/a')"_s }));
    QCOMPARE(reopened().paths, (QStringList { u"/c"_s, u"/b"_s, u"/a"_s }));
    QCOMPARE(reopened().paths, (QStringList { u"/c"_s, u"/b"_s, u"/a"_s }));
}

// A queue file cut short, by a full disk say, is kept aside; the store goes on.
void tst_QueueStore::queueFileCutShortIsKeptAside()
{
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()) && store.savePaths({ u"/a"_s, u"/b"_s }));
    }
    QFile file(m_dir->filePath(u"state/queue.snapshot"_s));
    QVERIFY(file.resize(file.size() - 3));
    CQueueStore store;
    QVERIFY(store.open(storePath()));
    QCOMPARE(store.load().paths, QStringList());
    QCOMPARE(QDir(m_dir->filePath(u"state"_s)).entryList({ u"queue.snapshot.corrupt-*"_s }).size(), 1);
    QVERIFY(store.savePaths({ u"/c"_s }));
    QCOMPARE(store.load().paths, QStringList { u"/c"_s });
}

void tst_QueueStore::restoredQueueOutlivesChangesToItsFile_data()
{
    QTest::addColumn<bool>("cutShort");
    QTest::newRow("cut short") << true;
    QTest::newRow("rewritten in place") << false;
}

// Once restored, the queue is the window's own: what another program does to the file changes nothing in it, and
// the file is kept aside and written anew from it.
void tst_QueueStore::restoredQueueOutlivesChangesToItsFile()
{
    QFETCH(bool, cutShort);
    QVERIFY(QDir().mkpath(m_dir->filePath(u"q"_s)));
    QStringList paths;
    for (const char *name : { "a01.txt", "a02.txt", "b01.txt" }) {
        paths << m_dir->filePath(u"q/"_s + QLatin1StringView(name));
        QVERIFY(QFile(paths.constLast()).open(QIODevice::WriteOnly));
    }
    // Saved with its keys, as the window saves it: the restored queue is then what was read of this very file.
    const CQueueOrder order;
    CQueueStore store;
    QVERIFY(store.open(storePath())
            && store.saveQueue(CQueueSnapshot::of(order.sortedEntries(paths), order.keysIdentity())));
    const CRestoredQueue restored = CRestoredQueue::read(store, [] { return false; });
    QCOMPARE(restored.entries.paths(), paths);
    QVERIFY(store.snapshotUntouched());

    QFile file(m_dir->filePath(u"state/queue.snapshot"_s));
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QString first = paths.constFirst();
    const QByteArray a01(reinterpret_cast<const char *>(first.utf16()), first.size() * 2);
    const qsizetype at = file.readAll().indexOf(a01);
    QVERIFY(at > 0);
    QString other = first;
    other[other.size() - 7] = u'b';
    QVERIFY(cutShort
                ? file.resize(at)
                : file.seek(at) && file.write(reinterpret_cast<const char *>(other.utf16()), a01.size()) == a01.size());
    file.close();

    QCOMPARE(restored.entries.paths(), paths);
    QVERIFY(!store.snapshotUntouched());
    QCOMPARE(QDir(m_dir->filePath(u"state"_s)).entryList({ u"queue.snapshot.corrupt-*"_s }).size(), 1);
    QVERIFY(store.saveQueue(CQueueSnapshot::of(restored.entries, order.keysIdentity())));
    QCOMPARE(reopened().paths, paths);
}

// A crash after a new queue file replaced the old one, before the store noted it: the rows taken off the old one
// do not apply to the new one, which may hold a path again.
void tst_QueueStore::rowsTakenOffAnEarlierQueueFileAreIgnored()
{
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()) && store.savePaths({ u"/a"_s, u"/b"_s }) && store.removePaths({ u"/b"_s }));
    }
    QCOMPARE(reopened().paths, QStringList { u"/a"_s });
    QSaveFile file(m_dir->filePath(u"state/queue.snapshot"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(CQueueSnapshot::of({ u"/a"_s, u"/b"_s, u"/c"_s }).write(file, 2) && file.commit());
    QCOMPARE(reopened().paths, (QStringList { u"/a"_s, u"/b"_s, u"/c"_s }));
}

void tst_QueueStore::damagedStoreIsKeptAside_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("not-a-database") << u"garbage"_s;
    QTest::newRow("cut-short") << u"truncated"_s;
    QTest::newRow("later-version") << u"version"_s;
    QTest::newRow("other-table-shape") << u"shape"_s;
}

// The store a damaged one leaves works again at once; the damaged one is kept, byte for byte, for a look later.
void tst_QueueStore::damagedStoreIsKeptAside()
{
    QFETCH(QString, damage);
    {
        CQueueStore store;
        QVERIFY(store.open(storePath()));
        QStringList many;
        for (int i = 0; i < 5000; ++i)
            many << u"/a/%1"_s.arg(i);
        QVERIFY(store.savePaths(many));
    }
    QStringList statements { u"PRAGMA wal_checkpoint(TRUNCATE)"_s };
    if (damage == "version"_L1)
        statements << u"PRAGMA user_version = 99"_s;
    if (damage == "shape"_L1)
        statements << u"DROP TABLE saved_queue"_s << u"CREATE TABLE saved_queue (other BLOB)"_s;
    QVERIFY(execOnFile(storePath(), statements));
    QFile file(storePath());
    if (damage == "garbage"_L1) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QByteArray(8192, 'x')) == 8192);
        file.close();
    }
    if (damage == "truncated"_L1)
        QVERIFY(file.resize(file.size() / 3));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray damaged = file.readAll();
    file.close();

    CQueueStore store;
    QVERIFY(store.open(storePath()));
    QVERIFY(store.load().paths.isEmpty());
    QVERIFY(!store.keptAsidePath().isEmpty());
    QFile aside(store.keptAsidePath());
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), damaged);
    QVERIFY(store.savePaths({ u"/new"_s }));
    QCOMPARE(store.load().paths, QStringList { u"/new"_s });
}

void tst_QueueStore::unusableFolderSavesNothing()
{
    QFile blocker(m_dir->filePath(u"state"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CQueueStore store;
    QVERIFY(!store.open(storePath()));
    QVERIFY(!store.isAvailable());
    QVERIFY(!store.savePaths({ u"/a"_s }));
    QVERIFY(!store.saveEditor(u"/a"_s, {}, {}, {}));
    QCOMPARE(store.load(), Saved {});
}

void tst_QueueStore::defaultPathIsBesideTheJournal()
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/var/tmp/st");
#ifdef Q_OS_WIN
    QCOMPARE(CQueueStore::defaultPath(),
             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Plindor/queue.sqlite"_s);
#else
    QCOMPARE(CQueueStore::defaultPath(), u"/var/tmp/st/Plindor/queue.sqlite"_s);
#endif
    qputenv("XDG_STATE_HOME", saved);
}

QTEST_GUILESS_MAIN(tst_QueueStore)
#include "tst_QueueStore.moc"
