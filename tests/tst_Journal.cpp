// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"
#include "core/JournalOwner.h"
#include "core/JournalSettler.h"
#include "core/OperationRunner.h"
#include "platform/PlatformMover.h"

#include "helpers/Bytes.h"
#include "helpers/EffectiveUser.h"
#include "helpers/Mounts.h"
#include "helpers/NativePath.h"
#include "helpers/SqlFile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <functional>
#include <tuple>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using State = JournalEntry::State;
using Recovery = JournalRecovery;

namespace
{

// Settling puts hidden items back through the program's own mover.
IMover &mover()
{
    static const std::unique_ptr<IMover> systemMover = makeMover();
    return *systemMover;
}

/// The program's own mover, held at the first step of a settling (its removal of leftovers) until `held` returns.
class CHeldMover : public IMover
{
public:
    explicit CHeldMover(std::function<void()> held)
        : m_held(std::move(held))
    {
    }
    MoveResult move(const QString &source, const QString &folder, const QString &name, IMoveProgress *progress) override
    {
        return mover().move(source, folder, name, progress);
    }
    bool isSingleStep(const QString &, const QString &, const QString &) override
    {
        return false;
    }
    void removeLeftovers(const QString &) override
    {
        m_held();
    }

private:
    std::function<void()> m_held;
};

/// What the file system looks like when the program that recorded the intent dies.
enum class Leftover {
    Nothing,
    Renamed,
    Linked,
    PartialCopy,
    WholeCopy,
    WholeCopyUntimed,
    DestinationWasThere,
    AsideWithCopy,
    AsideWithChangedCopy,
    AsideOnly,
    AsideLinked,
    AsideSourceTaken,
    AsideRenumbered,
    Gone,
    StalePartFile,
    RenamedThenOldNameWritten,
    OthersFileAtDestination,
    HandCopyEdited,
};

const QString kAside = u"src/.plindor-abc123.moving"_s;
const QString kLivePart = u"dst/.plindor-def456-%1.part"_s.arg(::getpid());

// A copy as the mover leaves it once complete: the same bytes and the source's modification time.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void copyWithTime(const QString &from, const QString &to, qint64 shiftSeconds = 0)
{
    QVERIFY(QFile::copy(from, to));
    struct stat info {
    };
    QCOMPARE(::stat(native(from).constData(), &info), 0);
    info.st_mtim.tv_sec += shiftSeconds;
    const timespec times[2] = { info.st_atim, info.st_mtim };
    QCOMPARE(::utimensat(AT_FDCWD, native(to).constData(), times, 0), 0);
}

// Every file under src/ and dst/ with its content.
QStringList files(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        const QString relative = QDir(root).relativeFilePath(file.fileName());
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
        if (relative.startsWith("src/"_L1) || relative.startsWith("dst/"_L1))
            found << relative + u'=' + QString::fromUtf8(content);
    }
    found.sort();
    return found;
}

// Plays the steps in a child that then dies without closing anything, as a crash leaves the journal.
qint64 recordThenDie(const QString &journal, const JournalEntry &entry, const QStringList &steps,
                     CJournal::Sync sync = CJournal::Sync::ToDisk)
{
    const pid_t child = ::fork();
    if (child == 0) {
        auto *dying = new CJournal; // never deleted: a crash closes nothing
        const qint64 id = dying->open(journal) ? dying->recordIntent(entry, sync) : 0;
        bool ok = id > 0;
        for (const QString &step : steps) {
            if (step == "done"_L1)
                ok = ok && dying->markDone(id, CJournal::stampOf(entry.source));
            else if (step == "doneThere"_L1)
                ok = ok && dying->markDone(id, CJournal::stampOf(entry.destination));
            else if (step == "undoing"_L1)
                ok = ok && dying->markUndoing(id);
            else if (step == "failed"_L1)
                ok = ok && dying->markFailed(id);
            else
                ok = ok && dying->markUndone(id);
        }
        ::_exit(ok ? int(id) : 0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 0;
    return WEXITSTATUS(status);
}

JournalEntry entry(const QString &source, const QString &destination, JournalEntry::Kind kind)
{
    JournalEntry made;
    made.kind = kind;
    made.source = source;
    made.destination = destination;
    made.composedName = QFileInfo(destination).fileName();
    return made;
}

} // namespace

/// The journal's life cycle, its recovery after crashes, and how it copes with a journal it cannot use.
class tst_Journal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void defaultPathFollowsXdg_data();
    void defaultPathFollowsXdg();
    void lifeCycle_data();
    void lifeCycle();
    void undoTakesNewestDone();
    void keepsOnlyRecentOperations();
    void reopensAfterCrash_data();
    void reopensAfterCrash();
    void reconcilesAfterCrash_data();
    void reconcilesAfterCrash();
    void settlesItsOwnCopyOnly_data();
    void settlesItsOwnCopyOnly();
    void reconcilesCaseOnlyRenameWithoutCase_data();
    void reconcilesCaseOnlyRenameWithoutCase();
    void keepsDamagedJournalAside_data();
    void keepsDamagedJournalAside();
    void upgradesAnOlderJournal();
    void leavesLockedJournalInPlace();
    void leavesARunningProgramsOperationAlone();
    void leavesARunningProgramsHiddenItemAlone();
    void selfTestSettlesNothing();
    void handWrittenRowRemovesNothing();
    void clearsOnlyEndedOwnersLocks();
    void journalsOnlyWithAnOwnerLock();
    void refusesALinkedJournal_data();
    void refusesALinkedJournal();
    void settlesEachIntentOnce();
    void settlesBesideTheWindow();
    void givesUpOnAFolderThatDoesNotAnswer();
    void settlesAnUnsyncedIntent_data();
    void settlesAnUnsyncedIntent();
    void settlesAnInterruptedUndo_data();
    void settlesAnInterruptedUndo();
    void runsWithoutUnwritableJournal_data();
    void runsWithoutUnwritableJournal();

private:
    [[nodiscard]] QString path(const QString &relative) const;
    [[nodiscard]] QString journalPath() const;
    void arrange(Leftover leftover);

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_livePart = -1; ///< the part file of a copy that is still running, locked as the copy holds it
};

void tst_Journal::init()
{
    QTest::failOnWarning(QRegularExpression(u"QSqlDatabasePrivate|QSqlQuery::|still in use"_s));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(path(u"src"_s)) && QDir().mkpath(path(u"dst"_s)));
}

void tst_Journal::cleanup()
{
    if (m_livePart >= 0)
        ::close(std::exchange(m_livePart, -1));
}

QString tst_Journal::path(const QString &relative) const
{
    return m_dir->filePath(relative);
}

QString tst_Journal::journalPath() const
{
    return path(u"state/Plindor/journal.sqlite"_s);
}

void tst_Journal::defaultPathFollowsXdg_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QString>("expected");
    QTest::newRow("set") << QByteArray("/var/tmp/state") << u"/var/tmp/state/Plindor/journal.sqlite"_s;
    QTest::newRow("unset") << QByteArray() << QDir::homePath() + "/.local/state/Plindor/journal.sqlite"_L1;
    QTest::newRow("relative") << QByteArray("state") << QDir::homePath() + "/.local/state/Plindor/journal.sqlite"_L1;
}

void tst_Journal::defaultPathFollowsXdg()
{
    QFETCH(QByteArray, variable);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", variable);
    const QString found = CJournal::defaultPath();
    qputenv("XDG_STATE_HOME", saved);
    QCOMPARE(found, expected);
}

void tst_Journal::lifeCycle_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<bool>>("accepted");
    QTest::addColumn<State>("final");
    QTest::newRow("intended") << QStringList() << QList<bool>() << State::Intended;
    QTest::newRow("done") << QStringList { u"done"_s } << QList<bool> { true } << State::Done;
    QTest::newRow("failed") << QStringList { u"failed"_s } << QList<bool> { true } << State::Failed;
    QTest::newRow("undone") << QStringList { u"done"_s, u"undone"_s } << QList<bool> { true, true } << State::Undone;
    QTest::newRow("undoNotDone") << QStringList { u"undone"_s } << QList<bool> { false } << State::Intended;
    QTest::newRow("doneTwice") << QStringList { u"done"_s, u"done"_s } << QList<bool> { true, false } << State::Done;
    QTest::newRow("failedThenDone") << QStringList { u"failed"_s, u"done"_s } << QList<bool> { true, false }
                                    << State::Failed;
    QTest::newRow("undoneTwice") << QStringList { u"done"_s, u"undone"_s, u"undone"_s }
                                 << QList<bool> { true, true, false } << State::Undone;
}

void tst_Journal::lifeCycle()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<bool>, accepted);
    QFETCH(State, final);
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    const FileStamp before = CJournal::stampOf(path(u"src/a.txt"_s));
    const FileStamp after { 42, 123456789, 77 };
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const qint64 id = journal.recordIntent(entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::Move));
    QVERIFY(id > 0);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        const bool result = step == "done"_L1 ? journal.markDone(id, after)
            : step == "failed"_L1             ? journal.markFailed(id)
                                              : journal.markUndone(id);
        QCOMPARE(result, accepted.at(i));
    }
    // What a new session reads back.
    journal.close();
    QVERIFY(journal.open(journalPath()));
    const QList<JournalEntry> history = journal.history(10);
    QCOMPARE(history.size(), 1);
    const JournalEntry &read = history.first();
    QCOMPARE(read.id, id);
    QCOMPARE(read.state, final);
    QCOMPARE(read.kind, JournalEntry::Kind::Move);
    QCOMPARE(read.source, path(u"src/a.txt"_s));
    QCOMPARE(read.destination, path(u"dst/b.txt"_s));
    QCOMPARE(read.composedName, u"b.txt"_s);
    QCOMPARE(read.before, before);
    QCOMPARE(read.after, final == State::Done || final == State::Undone ? after : FileStamp());
    QVERIFY(qAbs(read.time.secsTo(QDateTime::currentDateTime())) < 60);
    QCOMPARE(journal.latestUndoable().has_value(), final == State::Done);
}

void tst_Journal::undoTakesNewestDone()
{
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i)
        ids << journal.recordIntent(
            entry(path(u"src/%1"_s.arg(i)), path(u"dst/%1"_s.arg(i)), JournalEntry::Kind::Rename));
    QVERIFY(journal.markDone(ids[0], {}) && journal.markDone(ids[1], {}) && journal.markFailed(ids[2]));
    // The newest is only intended and the one before it failed: neither can be undone.
    QCOMPARE(journal.latestUndoable()->id, ids[1]);
    QVERIFY(journal.markUndone(ids[1]));
    QCOMPARE(journal.latestUndoable()->id, ids[0]);
    QVERIFY(journal.markUndone(ids[0]));
    QVERIFY(!journal.latestUndoable());
    const QList<JournalEntry> history = journal.history(3);
    QCOMPARE(history.size(), 3);
    QCOMPARE(history.first().id, ids[3]);
    QCOMPARE(history.last().id, ids[1]);
}

void tst_Journal::keepsOnlyRecentOperations()
{
    constexpr qint64 kKept = 50;
    CJournal journal(kKept);
    QVERIFY(journal.open(journalPath()));
    const qint64 unfinished = journal.recordIntent(entry(path(u"src/a"_s), path(u"dst/a"_s), JournalEntry::Kind::Move));
    qint64 last = 0;
    for (int i = 0; i < 200; ++i) {
        last
            = journal.recordIntent(entry(path(u"src/%1"_s.arg(i)), path(u"dst/%1"_s.arg(i)), JournalEntry::Kind::Move));
        QVERIFY(journal.markDone(last, {}));
    }
    journal.close();
    QVERIFY(journal.open(journalPath()));
    const QList<JournalEntry> history = journal.history(1000);
    // The most recent ones survive, and so does the intent that start-up has yet to settle.
    QCOMPARE(history.size(), kKept + 1);
    QCOMPARE(history.first().id, last);
    QCOMPARE(history.at(kKept - 1).id, last - kKept + 1);
    QCOMPARE(history.last().id, unfinished);
}

void tst_Journal::reopensAfterCrash_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<State>("state");
    QTest::newRow("intended") << QStringList() << State::Intended;
    QTest::newRow("done") << QStringList { u"done"_s } << State::Done;
    QTest::newRow("failed") << QStringList { u"failed"_s } << State::Failed;
    QTest::newRow("undone") << QStringList { u"done"_s, u"undone"_s } << State::Undone;
}

void tst_Journal::reopensAfterCrash()
{
    QFETCH(QStringList, steps);
    QFETCH(State, state);
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    const qint64 id = recordThenDie(journalPath(), entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), {}), steps);
    QVERIFY(id > 0);
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    QVERIFY(journal.keptAsidePath().isEmpty());
    const QList<JournalEntry> history = journal.history(10);
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().state, state);
    QCOMPARE(journal.latestUndoable().has_value(), state == State::Done);
    // Only an intent is settled at start-up; the file stayed where it was, so nothing happened.
    const QList<JournalFinding> findings = journal.reconcile(mover());
    QCOMPARE(findings.size(), state == State::Intended ? 1 : 0);
    if (state == State::Intended)
        QCOMPARE(findings.first().recovery, Recovery::NothingHappened);
    QCOMPARE(journal.history(1).first().state, state == State::Intended ? State::Failed : state);
    QCOMPARE(files(m_dir->path()), QStringList { u"src/a.txt=original"_s });
}

// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void tst_Journal::arrange(Leftover leftover)
{
    const QString source = path(u"src/a.txt"_s);
    const QString destination = path(u"dst/b.txt"_s);
    switch (leftover) {
    case Leftover::Nothing:
    case Leftover::DestinationWasThere:
        break;
    case Leftover::Renamed:
        QVERIFY(QFile::rename(source, destination));
        break;
    case Leftover::Linked:
        QCOMPARE(::link(native(source).constData(), native(destination).constData()), 0);
        break;
    case Leftover::PartialCopy:
        QVERIFY(writeBytes(destination, "orig"));
        break;
    case Leftover::WholeCopy:
        copyWithTime(source, destination);
        if (QTest::currentTestFailed())
            return;
        break;
    case Leftover::WholeCopyUntimed:
        copyWithTime(source, destination, 3600);
        if (QTest::currentTestFailed())
            return;
        break;
    case Leftover::AsideWithCopy:
    case Leftover::AsideWithChangedCopy:
        copyWithTime(source, destination, leftover == Leftover::AsideWithCopy ? 0 : -3600);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QFile::rename(source, path(kAside)));
        break;
    case Leftover::AsideLinked:
        QCOMPARE(::link(native(source).constData(), native(destination).constData()), 0);
        QVERIFY(QFile::rename(source, path(kAside)));
        break;
    case Leftover::AsideOnly:
        QVERIFY(QFile::rename(source, path(kAside)));
        break;
    case Leftover::AsideSourceTaken:
        QVERIFY(QFile::rename(source, path(kAside)));
        QVERIFY(writeBytes(source, "new"));
        break;
    case Leftover::AsideRenumbered:
        // A FUSE driver numbers files anew at every mount: only the name, size and time still tell the item.
        copyWithTime(source, path(kAside));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QFile::remove(source));
        break;
    case Leftover::Gone:
        QVERIFY(QFile::remove(source));
        break;
    case Leftover::RenamedThenOldNameWritten:
        QVERIFY(QFile::rename(source, destination));
        QVERIFY(writeBytes(source, "new"));
        break;
    case Leftover::OthersFileAtDestination:
        QVERIFY(writeBytes(destination, "theirs"));
        break;
    case Leftover::HandCopyEdited:
        copyWithTime(source, destination);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(writeBytes(destination, "original, edited"));
        break;
    case Leftover::StalePartFile:
        QVERIFY(writeBytes(path(u"dst/.plindor-xyz789-2147483647.part"_s), "orig"));
        QVERIFY(writeBytes(path(kLivePart), "ori"));
        m_livePart = ::open(native(path(kLivePart)).constData(), O_RDONLY | O_CLOEXEC);
        QCOMPARE(::flock(m_livePart, LOCK_EX), 0);
        break;
    }
}

void tst_Journal::reconcilesAfterCrash_data()
{
    QTest::addColumn<Leftover>("leftover");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<Recovery>("recovery");
    QTest::addColumn<QStringList>("expected");
    const QString moved = u"dst/b.txt=original"_s;
    const QString kept = u"src/a.txt=original"_s;
    QTest::newRow("nothingHappened") << Leftover::Nothing << u"dst/b.txt"_s << Recovery::NothingHappened
                                     << QStringList { kept };
    QTest::newRow("renamed") << Leftover::Renamed << u"dst/b.txt"_s << Recovery::Finished << QStringList { moved };
    QTest::newRow("linkedNotRetired") << Leftover::Linked << u"dst/b.txt"_s << Recovery::Finished
                                      << QStringList { moved };
    QTest::newRow("partialCopy") << Leftover::PartialCopy << u"dst/b.txt"_s << Recovery::CopyRemoved
                                 << QStringList { kept };
    // The program records its copy before publishing it: a whole copy it has no record of is a user's, and stays.
    QTest::newRow("wholeCopyNotRetired") << Leftover::WholeCopy << u"dst/b.txt"_s << Recovery::LeftTwice
                                         << QStringList { moved, kept };
    QTest::newRow("wholeCopyUntimed") << Leftover::WholeCopyUntimed << u"dst/b.txt"_s << Recovery::LeftTwice
                                      << QStringList { moved, kept };
    QTest::newRow("destinationWasThere") << Leftover::DestinationWasThere << u"dst/b.txt"_s << Recovery::NothingHappened
                                         << QStringList { u"dst/b.txt=theirs"_s, kept };
    QTest::newRow("asideWithCopy") << Leftover::AsideWithCopy << u"dst/b.txt"_s << Recovery::Finished
                                   << QStringList { moved };
    QTest::newRow("asideWithChangedCopy")
        << Leftover::AsideWithChangedCopy << u"dst/b.txt"_s << Recovery::LeftTwice << QStringList { moved, kept };
    QTest::newRow("asideLinked") << Leftover::AsideLinked << u"dst/b.txt"_s << Recovery::Finished
                                 << QStringList { moved };
    QTest::newRow("asideOnly") << Leftover::AsideOnly << u"dst/b.txt"_s << Recovery::PutBack << QStringList { kept };
    QTest::newRow("caseOnlyRenameHidden")
        << Leftover::AsideOnly << u"src/A.txt"_s << Recovery::PutBack << QStringList { kept };
    QTest::newRow("asideSourceTaken") << Leftover::AsideSourceTaken << u"dst/b.txt"_s << Recovery::LeftHidden
                                      << QStringList { kAside + u"=original"_s, u"src/a.txt=new"_s };
    QTest::newRow("asideRenumbered") << Leftover::AsideRenumbered << u"dst/b.txt"_s << Recovery::PutBack
                                     << QStringList { kept };
    QTest::newRow("gone") << Leftover::Gone << u"dst/b.txt"_s << Recovery::Missing << QStringList();
    // Whatever took a name after the crash is not this program's to remove.
    QTest::newRow("renamedThenOldNameWritten") << Leftover::RenamedThenOldNameWritten << u"dst/b.txt"_s
                                               << Recovery::Finished << QStringList { moved, u"src/a.txt=new"_s };
    QTest::newRow("othersFileAtDestination")
        << Leftover::OthersFileAtDestination << u"dst/b.txt"_s << Recovery::NothingHappened
        << QStringList { u"dst/b.txt=theirs"_s, kept };
    QTest::newRow("handCopyEdited") << Leftover::HandCopyEdited << u"dst/b.txt"_s << Recovery::NothingHappened
                                    << QStringList { u"dst/b.txt=original, edited"_s, kept };
    QTest::newRow("stalePartFile") << Leftover::StalePartFile << u"dst/b.txt"_s << Recovery::NothingHappened
                                   << QStringList { kLivePart + u"=ori"_s, kept };
}

void tst_Journal::reconcilesAfterCrash()
{
    QFETCH(Leftover, leftover);
    QFETCH(QString, destination);
    QFETCH(Recovery, recovery);
    QFETCH(QStringList, expected);
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    if (leftover == Leftover::DestinationWasThere)
        QVERIFY(writeBytes(path(destination), "theirs"));
    const qint64 id = recordThenDie(journalPath(),
                                    entry(path(u"src/a.txt"_s), path(destination), JournalEntry::Kind::QuickMove), {});
    QVERIFY(id > 0);
    arrange(leftover);
    if (QTest::currentTestFailed())
        return;

    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> findings = journal.reconcile(mover());
    expected.sort();
    QCOMPARE(files(m_dir->path()), expected);
    QCOMPARE(findings.size(), 1);
    const JournalFinding &finding = findings.first();
    QCOMPARE(finding.id, id);
    QCOMPARE(finding.recovery, recovery);
    QCOMPARE(finding.leftAt, recovery == Recovery::LeftHidden ? path(kAside) : QString());
    QCOMPARE(finding.source, path(u"src/a.txt"_s));
    QCOMPARE(finding.destination, path(destination));

    // The outcome is recorded, so the next start finds nothing left to settle.
    const JournalEntry settled = journal.history(1).first();
    QCOMPARE(settled.recovery, recovery);
    QCOMPARE(settled.state, recovery == Recovery::Finished ? State::Done : State::Failed);
    QCOMPARE(settled.after, recovery == Recovery::Finished ? CJournal::stampOf(path(destination)) : FileStamp());
    QVERIFY(journal.reconcile(mover()).isEmpty());
}

void tst_Journal::settlesItsOwnCopyOnly_data()
{
    QTest::addColumn<Leftover>("leftover");
    QTest::addColumn<bool>("recordedIsThere");
    QTest::addColumn<Recovery>("recovery");
    QTest::addColumn<QStringList>("expected");
    const QString moved = u"dst/b.txt=original"_s;
    const QString kept = u"src/a.txt=original"_s;
    // Killed between publishing the copy and retiring the source: the move is finished.
    QTest::newRow("ownWholeCopy") << Leftover::WholeCopy << true << Recovery::Finished << QStringList { moved };
    QTest::newRow("ownPartialCopy") << Leftover::PartialCopy << true << Recovery::CopyRemoved << QStringList { kept };
    // Written into its name, killed after the last byte and before its attributes and times: not finished.
    QTest::newRow("ownUntimedCopy") << Leftover::WholeCopyUntimed << true << Recovery::CopyRemoved
                                    << QStringList { kept };
    // The program's copy was never published; the user put the same bytes there.
    QTest::newRow("usersWholeCopy") << Leftover::WholeCopy << false << Recovery::LeftTwice
                                    << QStringList { moved, kept };
}

// The intent records which file its copy is before the copy is published; settling finishes the move with that copy
// only, and leaves any other file of the same bytes, saying what is where.
void tst_Journal::settlesItsOwnCopyOnly()
{
    QFETCH(Leftover, leftover);
    QFETCH(bool, recordedIsThere);
    QFETCH(Recovery, recovery);
    QFETCH(QStringList, expected);
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    const qint64 id = recordThenDie(
        journalPath(), entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::QuickMove), {});
    QVERIFY(id > 0);
    QVERIFY(writeBytes(path(u"dst/never-published"_s), "orig"));
    arrange(leftover);
    if (QTest::currentTestFailed())
        return;
    const FileStamp copy = CJournal::stampOf(path(recordedIsThere ? u"dst/b.txt"_s : u"dst/never-published"_s));
    QVERIFY(QFile::remove(path(u"dst/never-published"_s)));
    QVERIFY(execOnFile(journalPath(),
                       { u"UPDATE operations SET copy_dev = %1, copy_inode = %2 WHERE id = %3"_s.arg(copy.device)
                             .arg(copy.inode)
                             .arg(id) }));

    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> findings = journal.reconcile(mover());
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.first().recovery, recovery);
    QCOMPARE(findings.first().sameContent, recovery == Recovery::LeftTwice);
    QCOMPARE(files(m_dir->path()), expected);
}

void tst_Journal::reconcilesCaseOnlyRenameWithoutCase_data()
{
    QTest::addColumn<Leftover>("leftover");
    QTest::addColumn<Recovery>("recovery");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothingHappened") << Leftover::Nothing << Recovery::NothingHappened << u"a.txt"_s;
    QTest::newRow("renamed") << Leftover::Renamed << Recovery::Finished << u"A.txt"_s;
    QTest::newRow("hidden") << Leftover::AsideOnly << Recovery::PutBack << u"a.txt"_s;
    // The copy through a hidden name was cut short: its first bytes must not keep the new name.
    QTest::newRow("hiddenWithCopyCutShort") << Leftover::PartialCopy << Recovery::PutBack << u"a.txt"_s;
}

// Where names have no case, the old and the new name of a case-only rename both find the file.
void tst_Journal::reconcilesCaseOnlyRenameWithoutCase()
{
    QFETCH(Leftover, leftover);
    QFETCH(Recovery, recovery);
    QFETCH(QString, expected);
    CTestMounts mounts;
    const QString stick = mounts.exfat(path(u"stick"_s), path(u"images"_s));
    if (stick.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    QVERIFY(writeBytes(stick + u"/a.txt"_s, "original"));
    const JournalEntry renaming = entry(stick + u"/a.txt"_s, stick + u"/A.txt"_s, JournalEntry::Kind::Rename);
    QVERIFY(recordThenDie(journalPath(), renaming, {}) > 0);
    // QFile::rename() would refuse the new name, which already finds the file.
    const QString renamedTo
        = leftover == Leftover::Renamed ? renaming.destination : stick + "/.plindor-abc123.moving"_L1;
    if (leftover != Leftover::Nothing)
        QCOMPARE(::rename(native(renaming.source).constData(), native(renamedTo).constData()), 0);
    if (leftover == Leftover::PartialCopy) {
        // Made under another name: the driver may still answer for "A.txt" with the entry it just renamed away.
        QVERIFY(writeBytes(stick + u"/cut"_s, "orig"));
        QCOMPARE(::rename(native(stick + u"/cut"_s).constData(), native(renaming.destination).constData()), 0);
    }

    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> findings = journal.reconcile(mover());
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.first().recovery, recovery);
    QCOMPARE(QDir(stick).entryList(QDir::Files | QDir::Hidden), QStringList { expected });
    QFile kept(stick + u'/' + expected);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("original"));
}

// A journal of the version before keeps its rows and gains the new columns; once a program of that version has
// opened it again and written its own number back, the columns it finds are no damage.
void tst_Journal::upgradesAnOlderJournal()
{
    {
        CJournal journal;
        QVERIFY(journal.open(journalPath()));
        QVERIFY(journal.markDone(journal.recordIntent(entry(u"/a/x.txt"_s, u"/a/y.txt"_s, {})), {}));
    }
    QVERIFY(execOnFile(journalPath(),
                       { u"ALTER TABLE operations DROP COLUMN before_mode"_s,
                         u"ALTER TABLE operations DROP COLUMN failure"_s, u"PRAGMA user_version = 2"_s }));
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "a"));
    QVERIFY(QFile::setPermissions(path(u"src/a.txt"_s), QFile::ReadOwner | QFile::WriteOwner));
    for (int start = 0; start < 2; ++start) {
        CJournal journal;
        QVERIFY(journal.open(journalPath()));
        QVERIFY2(journal.keptAsidePath().isEmpty(), qPrintable(journal.keptAsidePath()));
        if (start == 0) {
            const qint64 id = journal.recordIntent(entry(path(u"src/a.txt"_s), path(u"src/b.txt"_s), {}));
            QVERIFY(journal.markFailed(id, MoveError::DestinationExists));
        }
        const QList<JournalEntry> rows = journal.history(10);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.constLast().beforeMode, -1);
        QCOMPARE(rows.constLast().failure, MoveError::None);
        QCOMPARE(rows.constFirst().beforeMode, (QFile::ReadOwner | QFile::WriteOwner).toInt());
        QCOMPARE(rows.constFirst().failure, MoveError::DestinationExists);
        journal.close();
        // What a program of the older version leaves behind.
        QVERIFY(execOnFile(journalPath(), { u"PRAGMA user_version = 2"_s }));
    }
}

void tst_Journal::keepsDamagedJournalAside_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("garbage") << u"garbage"_s;
    QTest::newRow("truncated") << u"truncated"_s;
    QTest::newRow("overwrittenHeader") << u"header"_s;
}

void tst_Journal::keepsDamagedJournalAside()
{
    QFETCH(QString, damage);
    {
        CJournal journal;
        QVERIFY(journal.open(journalPath()));
        const QString longName = QString(200, u'x');
        for (int i = 0; i < 100; ++i)
            journal.markDone(journal.recordIntent(entry(path(longName + QString::number(i)), path(longName), {})), {});
    }
    QFile file(journalPath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.size() > 8 * 4096);
    if (damage == "garbage"_L1)
        QVERIFY(file.write(QByteArray(int(file.size()), '\x5a')) > 0);
    else if (damage == "truncated"_L1)
        QVERIFY(file.resize(file.size() / 2));
    else
        QVERIFY(file.write(QByteArray(100, '\0')) > 0);
    file.close();
    const QByteArray damaged = [&] {
        QFile reread(journalPath());
        return reread.open(QIODevice::ReadOnly) ? reread.readAll() : QByteArray();
    }();

    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    QVERIFY(journal.isAvailable());
    QVERIFY(journal.unavailableReason().isEmpty());
    QVERIFY2(journal.keptAsidePath().startsWith(journalPath() + ".corrupt-"_L1), qPrintable(journal.keptAsidePath()));
    QFile kept(journal.keptAsidePath());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    QVERIFY(journal.history(10).isEmpty());
    QVERIFY(journal.recordIntent(entry(path(u"src/a"_s), path(u"dst/a"_s), {})) > 0);
    QCOMPARE(journal.history(10).size(), 1);
}

// Another window holding the journal is busy, not damaged: its record of its own work stays where it is.
void tst_Journal::leavesLockedJournalInPlace()
{
    qint64 id = 0;
    {
        CJournal journal;
        QVERIFY(journal.open(journalPath()));
        id = journal.recordIntent(entry(path(u"src/a"_s), path(u"dst/a"_s), {}));
        QVERIFY(id > 0);
    }
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"locker"_s);
        locker.setDatabaseName(journalPath());
        QVERIFY(locker.open());
        QSqlQuery query(locker);
        QVERIFY(query.exec(u"PRAGMA locking_mode = EXCLUSIVE"_s));
        QVERIFY(query.exec(u"BEGIN EXCLUSIVE"_s));
        QVERIFY(query.exec(u"UPDATE operations SET composed_name = 'x'"_s));

        CJournal journal;
        QVERIFY(!journal.open(journalPath()));
        QVERIFY(journal.keptAsidePath().isEmpty());
        QVERIFY(!journal.unavailableReason().isEmpty());
        QVERIFY(query.exec(u"ROLLBACK"_s));
        query.finish();
        locker.close();
    }
    QSqlDatabase::removeDatabase(u"locker"_s);
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    QCOMPARE(journal.history(10).size(), 1);
    QCOMPARE(journal.history(10).first().id, id);
}

// A second window starting while the first copies: the first one's intent is not a crash's leftover, and the copy
// it is writing is not in anybody else's way.
void tst_Journal::leavesARunningProgramsOperationAlone()
{
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    int ready[2];
    int finish[2];
    QVERIFY(::pipe(ready) == 0 && ::pipe(finish) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(finish[1]);
        auto *working = new CJournal; // dies with the process
        const bool ok = working->open(journalPath())
            && working->recordIntent(entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::Move)) > 0;
        QFile copy(path(u"dst/b.txt"_s));
        const char answer
            = ok && copy.open(QIODevice::WriteOnly) && copy.write("orig") == 4 && copy.flush() ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        char wait = 0;
        (void)!::read(finish[0], &wait, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(finish[0]);
    char answer = 0;
    QCOMPARE(::read(ready[0], &answer, 1), 1);
    QCOMPARE(answer, 'y');

    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> whileRunning = journal.reconcile(mover());
    const QStringList filesWhileRunning = files(m_dir->path());
    ::close(finish[1]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(whileRunning.isEmpty());
    QCOMPARE(filesWhileRunning, (QStringList { u"dst/b.txt=orig"_s, u"src/a.txt=original"_s }));
    QCOMPARE(journal.history(1).first().state, State::Intended);

    // Once its program has ended, the intent is a crash's leftover like any other.
    const QList<JournalFinding> afterwards = journal.reconcile(mover());
    QCOMPARE(afterwards.size(), 1);
    QCOMPARE(afterwards.first().recovery, Recovery::CopyRemoved);
    QCOMPARE(files(m_dir->path()), QStringList { u"src/a.txt=original"_s });
}

// A crashed program's move, repeated by a window that still runs: while the window holds the source aside, a start
// that settles the crashed program's intent must not take the window's hidden item for the crash's leftover.
void tst_Journal::leavesARunningProgramsHiddenItemAlone()
{
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    const JournalEntry move = entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::Move);
    QVERIFY(recordThenDie(journalPath(), move, {}) > 0);
    CJournal window;
    QVERIFY(window.open(journalPath()));
    // The window's mover has published its copy and taken the source aside, about to remove it.
    const QString windowsAside = u"src/.plindor-abc123-%1.moving"_s.arg(window.ownerToken());
    copyWithTime(move.source, move.destination);
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(QFile::rename(move.source, path(windowsAside)));

    CJournal starting;
    QVERIFY(starting.open(journalPath()));
    const QList<JournalFinding> findings = starting.reconcile(mover());
    QCOMPARE(findings.size(), 1);
    QCOMPARE(files(m_dir->path()), (QStringList { u"dst/b.txt=original"_s, windowsAside + u"=original"_s }));
}

// The test suite runs the self-test against the user's own journal: it must look, never settle.
void tst_Journal::selfTestSettlesNothing()
{
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    QVERIFY(writeBytes(path(u"dst/b.txt"_s), "orig"));
    QVERIFY(recordThenDie(path(u"state/Plindor/journal.sqlite"_s),
                          entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::Move), {})
            > 0);
    QVERIFY(QDir().mkpath(path(u"runtime"_s)));
    QFile::setPermissions(path(u"runtime"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_STATE_HOME"_s, path(u"state"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, path(u"runtime"_s));
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PLINDOR_BINARY), { u"--self-test"_s });
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(files(m_dir->path()), (QStringList { u"dst/b.txt=orig"_s, u"src/a.txt=original"_s }));
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    QCOMPARE(journal.history(1).first().state, State::Intended);
}

// A row the program did not write (a journal restored from a backup, or edited by hand) names files that start-up
// must leave alone; and the journal is nobody else's to read.
void tst_Journal::handWrittenRowRemovesNothing()
{
    QVERIFY(writeBytes(path(u"src/notes.txt"_s), "notes"));
    QVERIFY(writeBytes(path(u"dst/thesis.odt"_s), "thesis"));
    {
        CJournal journal;
        QVERIFY(journal.open(journalPath()));
    }
    // Restored from last year's backup: its program ended long ago.
    const qint64 lastYear = QDateTime::currentDateTime().addYears(-1).toMSecsSinceEpoch();
    QVERIFY(execOnFile(journalPath(),
                       { u"INSERT INTO operations (time, kind, state, source, destination, composed_name)"
                         " VALUES (%1, 1, 0, '%2', '%3', 'thesis.odt')"_s.arg(lastYear)
                             .arg(path(u"src/notes.txt"_s), path(u"dst/thesis.odt"_s)) }));
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> findings = journal.reconcile(mover());
    QCOMPARE(findings.size(), 1);
    // Two unrelated files: nothing may call the one at the destination a copy.
    QCOMPARE(findings.first().recovery, Recovery::LeftTwice);
    QVERIFY(!findings.first().sameContent);
    QCOMPARE(files(m_dir->path()), (QStringList { u"dst/thesis.odt=thesis"_s, u"src/notes.txt=notes"_s }));
    struct stat file {
    };
    struct stat folder {
    };
    QCOMPARE(::stat(native(journalPath()).constData(), &file), 0);
    QCOMPARE(::stat(native(QFileInfo(journalPath()).absolutePath()).constData(), &folder), 0);
    QCOMPARE(file.st_mode & 0777, mode_t(0600));
    QCOMPARE(folder.st_mode & 0777, mode_t(0700));
}

// Only lock files of this program's making are cleared away: a name that is not such a token is someone else's file,
// and a token that is not one names no file.
void tst_Journal::clearsOnlyEndedOwnersLocks()
{
    const QString folder = path(u"owners"_s);
    CJournalOwner owner;
    QVERIFY(owner.claim(folder));
    const QString ended = u"0123456789abcdef0123456789abcdef"_s;
    const QStringList others { u"0123456789ABCDEF0123456789ABCDEF"_s, u"0123456789abcdef0123456789abcde"_s,
                               u"0123456789abcdef0123456789abcdef0"_s, u"0123456789abcdef0123456789abcdeg"_s };
    for (const QString &name : others + QStringList { ended })
        QVERIFY(writeBytes(folder + u'/' + name, {}));
    owner.removeEnded();
    QVERIFY(!QFile::exists(folder + u'/' + ended));
    for (const QString &name : others + QStringList { owner.token() })
        QVERIFY2(QFile::exists(folder + u'/' + name), qPrintable(name));
    QVERIFY(!owner.hasEnded(owner.token()));
    QVERIFY(owner.hasEnded(u"../"_s + QFileInfo(journalPath()).fileName()));
}

// A program that holds no lock of its own cannot show that it still runs: it journals nothing, and an intent without
// an owner (from a version that journalled without a lock) is left until the system has restarted.
void tst_Journal::journalsOnlyWithAnOwnerLock()
{
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    QVERIFY(writeBytes(path(u"dst/b.txt"_s), "orig"));
    {
        CJournal journal;
        QVERIFY(journal.open(journalPath()));
    }
    QVERIFY(
        execOnFile(journalPath(),
                   { u"INSERT INTO operations (time, kind, state, source, destination,"
                     " composed_name) VALUES (%1, 1, 0, '%2', '%3', 'b.txt')"_s.arg(QDateTime::currentMSecsSinceEpoch())
                         .arg(path(u"src/a.txt"_s), path(u"dst/b.txt"_s)) }));
    CJournal starting;
    QVERIFY(starting.open(journalPath()));
    QVERIFY(starting.reconcile(mover()).isEmpty());
    QCOMPARE(files(m_dir->path()), (QStringList { u"dst/b.txt=orig"_s, u"src/a.txt=original"_s }));
    starting.close();

    const QString owners = QFileInfo(journalPath()).absolutePath() + u"/owners"_s;
    QVERIFY(QDir(owners).removeRecursively() && writeBytes(owners, {}));
    CJournal lockless;
    QVERIFY(!lockless.open(journalPath()));
    QVERIFY(!lockless.isAvailable());
    QVERIFY(lockless.unavailableReason().contains(owners));
    QCOMPARE(lockless.recordIntent(entry(path(u"src/a.txt"_s), path(u"dst/c.txt"_s), JournalEntry::Kind::Move)), 0);
}

void tst_Journal::refusesALinkedJournal_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::newRow("journal") << u"state/Plindor/journal.sqlite"_s << u"elsewhere/journal.sqlite"_s;
    QTest::newRow("wal") << u"state/Plindor/journal.sqlite-wal"_s << u"elsewhere/journal.sqlite-wal"_s;
    QTest::newRow("folder") << u"state/Plindor"_s << u"elsewhere"_s;
}

// A link planted where the journal or its folder belongs is never followed: the record stays out of its target.
void tst_Journal::refusesALinkedJournal()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QVERIFY(QDir().mkpath(path(u"elsewhere"_s)) && QDir().mkpath(path(u"state"_s)));
    QVERIFY(QDir().mkpath(QFileInfo(path(link)).absolutePath()));
    QVERIFY(QFile::link(path(target), path(link)));
    CJournal journal;
    QVERIFY(!journal.open(journalPath()));
    QVERIFY(journal.unavailableReason().contains(path(link)));
    QCOMPARE(QDir(path(u"elsewhere"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

// Two starts at once: while one settles, the other leaves the journal to it, so that one intent is settled once and
// told once.
void tst_Journal::settlesEachIntentOnce()
{
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    QVERIFY(
        recordThenDie(journalPath(), entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::Move), {})
        > 0);
    QVERIFY(writeBytes(path(u"dst/b.txt"_s), "orig"));
    int inside[2];
    int goOn[2];
    QVERIFY(::pipe(inside) == 0 && ::pipe(goOn) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Held at its first step, inside the settling.
        CHeldMover held([&inside, &goOn] {
            char byte = 'y';
            (void)!::write(inside[1], &byte, 1);
            (void)!::read(goOn[0], &byte, 1);
        });
        auto *other = new CJournal; // dies with the process
        const bool ok = other->open(journalPath()) && other->reconcile(held).size() == 1;
        ::_exit(ok ? 0 : 1);
    }
    char byte = 0;
    QCOMPARE(::read(inside[0], &byte, 1), 1);
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> meanwhile = journal.reconcile(mover());
    const QStringList filesMeanwhile = files(m_dir->path());
    QCOMPARE(::write(goOn[1], "y", 1), 1);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY(meanwhile.isEmpty());
    QCOMPARE(filesMeanwhile, (QStringList { u"dst/b.txt=orig"_s, u"src/a.txt=original"_s }));
    QCOMPARE(files(m_dir->path()), QStringList { u"src/a.txt=original"_s });
    QVERIFY(journal.reconcile(mover()).isEmpty());
}

// Settling runs beside the window: while it waits on a disk, the item it concerns is refused and every other item
// moves and is undone; the user is told it is slow, and the journal is true once it ends.
void tst_Journal::settlesBesideTheWindow()
{
    const QString source = path(u"src/a.txt"_s);
    QVERIFY(writeBytes(source, "original") && writeBytes(path(u"src/c.txt"_s), "other"));
    QVERIFY(recordThenDie(journalPath(), entry(source, path(u"dst/b.txt"_s), JournalEntry::Kind::Move), {}) > 0);
    QVERIFY(writeBytes(path(u"dst/b.txt"_s), "orig"));
    QSemaphore inside;
    QSemaphore goOn;
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    // Held inside the settling, as by a disk that does not answer.
    CJournalSettler settler(journal, std::make_unique<CHeldMover>([&inside, &goOn] {
                                inside.release();
                                goOn.acquire();
                            }));
    QSignalSpy slow(&settler, &CJournalSettler::slow);
    QSignalSpy finished(&settler, &CJournalSettler::finished);
    settler.start(std::chrono::milliseconds(50));
    const auto release = qScopeGuard([&goOn] { goOn.release(); });
    QVERIFY(inside.tryAcquire(1, 10000));
    COperationRunner runner(&journal, mover());
    runner.waitFor(&settler);
    const auto move = [&runner, this](const QString &name) {
        return runner.run({ path(u"src/"_s + name), path(u"src"_s), {}, name.first(1), {}, u".txt"_s },
                          COperationPlanner::Target::move(path(u"dst"_s)));
    };
    QCOMPARE(move(u"a.txt"_s).kind, COperationRunner::Kind::Settling);
    QCOMPARE(move(u"c.txt"_s).kind, COperationRunner::Kind::Moved);
    QCOMPARE(runner.undoLatest().kind, COperationRunner::Kind::Moved);
    QTRY_COMPARE(slow.size(), 1);
    QCOMPARE(slow.constFirst().constFirst().toStringList(), QStringList { source });
    QVERIFY(finished.isEmpty() && settler.isSettling());
    QCOMPARE(journal.history(10).constLast().state, State::Intended);

    goOn.release();
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(!settler.isSettling() && !settler.isBusy(source));
    QCOMPARE(journal.history(10).constLast().state, State::Failed);
    QCOMPARE(files(m_dir->path()), (QStringList { u"src/a.txt=original"_s, u"src/c.txt=other"_s }));
    QCOMPARE(move(u"a.txt"_s).kind, COperationRunner::Kind::Moved);
}

// An operation waits for the journal before it starts; a state folder on a mount that does not answer must not
// hold it for longer than the journal's limit, after which the journal is unavailable and says why.
void tst_Journal::givesUpOnAFolderThatDoesNotAnswer()
{
    CTestMounts mounts;
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString slow
        = mounts.faultfs(path(u"backing"_s), path(u"slow"_s), { u"--slow-lookups"_s, u"--delay-ms"_s, u"4000"_s });
    if (slow.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    CJournal journal;
    QVERIFY(!journal.open(slow + u"/state/journal.sqlite"_s, std::chrono::milliseconds(300)));
    QVERIFY2(journal.unavailableReason().contains(u"没有响应"_s), qPrintable(journal.unavailableReason()));
}

// A rename or a move within one file system records its intent without waiting for the disk, so a power cut may
// keep or lose the intent and, on its own, the rename. Each of the four leaves the item once and the journal true.
void tst_Journal::settlesAnUnsyncedIntent_data()
{
    QTest::addColumn<JournalEntry::Kind>("kind");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("intentKept");
    QTest::addColumn<bool>("renameKept");
    using Kind = JournalEntry::Kind;
    const std::array kinds { std::tuple { "rename", Kind::Rename, u"src/b.txt"_s },
                             std::tuple { "move", Kind::Move, u"dst/a.txt"_s },
                             std::tuple { "quickMove", Kind::QuickMove, u"dst/c.txt"_s } };
    for (const auto &[name, kind, destination] : kinds) {
        for (const bool intentKept : { true, false }) {
            for (const bool renameKept : { true, false })
                QTest::addRow("%s-intent-%s-rename-%s", name, intentKept ? "kept" : "lost",
                              renameKept ? "kept" : "lost")
                    << kind << destination << intentKept << renameKept;
        }
    }
}

// Every kind of operation that is one rename records its intent without waiting for the disk: a crash may keep
// the intent or lose it, and the rename or not; start-up finds each of the four right.
void tst_Journal::settlesAnUnsyncedIntent()
{
    QFETCH(JournalEntry::Kind, kind);
    QFETCH(QString, destination);
    QFETCH(bool, intentKept);
    QFETCH(bool, renameKept);
    const QString source = path(u"src/a.txt"_s);
    QVERIFY(writeBytes(source, "original"));
    if (intentKept)
        QVERIFY(recordThenDie(journalPath(), entry(source, path(destination), kind), {}, CJournal::Sync::Later) > 0);
    if (renameKept)
        QVERIFY(QFile::rename(source, path(destination)));
    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> findings = journal.reconcile(mover());
    QCOMPARE(findings.size(), intentKept ? 1 : 0);
    if (intentKept) {
        QCOMPARE(findings.first().recovery, renameKept ? Recovery::Finished : Recovery::NothingHappened);
        QCOMPARE(journal.history(1).first().kind, kind);
        QCOMPARE(journal.history(1).first().state, renameKept ? State::Done : State::Failed);
        QCOMPARE(journal.latestUndoable().has_value(), renameKept);
    } else {
        QVERIFY(journal.history(1).isEmpty());
    }
    const QString left = renameKept ? destination : u"src/a.txt"_s;
    QCOMPARE(files(m_dir->path()), QStringList { left + u"=original"_s });
}

void tst_Journal::settlesAnInterruptedUndo_data()
{
    QTest::addColumn<bool>("movedBack");
    QTest::addColumn<State>("state");
    QTest::newRow("movedBack") << true << State::Undone;
    QTest::newRow("notMovedBack") << false << State::Done;
}

// An undo moves the item like an operation does, and a crash in it is settled the same way, the other way round.
void tst_Journal::settlesAnInterruptedUndo()
{
    QFETCH(bool, movedBack);
    QFETCH(State, state);
    QVERIFY(writeBytes(path(u"src/a.txt"_s), "original"));
    const JournalEntry moving = entry(path(u"src/a.txt"_s), path(u"dst/b.txt"_s), JournalEntry::Kind::Move);
    QVERIFY(QFile::rename(moving.source, moving.destination));
    const qint64 id = recordThenDie(journalPath(), moving, { u"doneThere"_s, u"undoing"_s });
    QVERIFY(id > 0);
    if (movedBack)
        QVERIFY(QFile::rename(moving.destination, moving.source));

    CJournal journal;
    QVERIFY(journal.open(journalPath()));
    const QList<JournalFinding> findings = journal.reconcile(mover());
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.first().recovery, movedBack ? Recovery::Finished : Recovery::NothingHappened);
    QCOMPARE(journal.find(id)->state, state);
    QCOMPARE(files(m_dir->path()), QStringList { movedBack ? u"src/a.txt=original"_s : u"dst/b.txt=original"_s });
    QCOMPARE(journal.latestUndoable().has_value(), !movedBack);
}

void tst_Journal::runsWithoutUnwritableJournal_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<mode_t>("folderMode");
    QTest::addColumn<mode_t>("fileMode");
    QTest::addColumn<bool>("available");
    // Where the folder takes no new file, neither SQLite's companions nor a kept-aside copy can be made.
    QTest::newRow("readOnlyFolder") << u"state/journal.sqlite"_s << false << mode_t(0555) << mode_t(0) << false;
    QTest::newRow("readOnlyFolderWithJournal")
        << u"state/journal.sqlite"_s << true << mode_t(0555) << mode_t(0666) << false;
    QTest::newRow("folderCannotBeMade") << u"state/Plindor/journal.sqlite"_s << false << mode_t(0555) << mode_t(0)
                                        << false;
    QTest::newRow("readOnlyJournal") << u"state/journal.sqlite"_s << true << mode_t(0777) << mode_t(0444) << true;
}

void tst_Journal::runsWithoutUnwritableJournal()
{
    QFETCH(QString, journal);
    QFETCH(bool, existing);
    QFETCH(mode_t, folderMode);
    QFETCH(mode_t, fileMode);
    QFETCH(bool, available);
    QVERIFY(QDir().mkpath(path(u"state"_s)));
    if (existing) {
        CJournal made;
        QVERIFY(made.open(path(journal)));
        QVERIFY(made.recordIntent(entry(path(u"src/a"_s), path(u"dst/a"_s), {})) > 0);
        made.close();
        QCOMPARE(::chmod(native(path(journal)).constData(), fileMode), 0);
        // Made by root here; the user's own in life.
        QCOMPARE(::chmod(native(QFileInfo(path(journal)).absolutePath() + u"/owners"_s).constData(), 0777), 0);
    }
    QCOMPARE(::chmod(native(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chmod(native(path(u"state"_s)).constData(), folderMode), 0);
    const CEffectiveUser nobody(CEffectiveUser::nobody);
    CJournal unwritable;
    QCOMPARE(unwritable.open(path(journal)), available);
    QCOMPARE(unwritable.isAvailable(), available);
    QCOMPARE(unwritable.unavailableReason().isEmpty(), available);
    QCOMPARE(unwritable.keptAsidePath().isEmpty(), !available);
    // Without a journal every call is harmless and the renames go on.
    const qint64 id = unwritable.recordIntent(entry(path(u"src/a"_s), path(u"dst/a"_s), {}));
    QCOMPARE(id > 0, available);
    QCOMPARE(unwritable.markDone(id, {}), available);
    QCOMPARE(unwritable.latestUndoable().has_value(), available);
    QCOMPARE(unwritable.history(10).size(), available ? 1 : 0);
    QVERIFY(unwritable.reconcile(mover()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_Journal)
#include "tst_Journal.moc"
