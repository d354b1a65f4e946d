// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"
#include "core/OperationRunner.h"
#include "core/PathParts.h"
#include "helpers/SqlFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>

using namespace Qt::Literals::StringLiterals;
using Kind = COperationRunner::Kind;
using State = JournalEntry::State;

namespace
{
/// Renames for real, so that the journal's stamps and the undo planner see a real item, unless told to fail; and
/// notes the journal's latest row as the move begins.
class CFakeMover : public IMover
{
public:
    explicit CFakeMover(const CJournal &journal)
        : m_journal(journal)
    {
    }

    MoveResult move(const QString &source, const QString &targetDir, const QString &newName, IMoveProgress *) override
    {
        ++calls;
        const QList<JournalEntry> latest = m_journal.history(1);
        stateAtCall = latest.isEmpty() ? std::nullopt : std::optional(latest.constFirst().state);
        journalledAtCall << (latest.isEmpty() ? QString() : latest.constFirst().destination);
        if (beforeMove)
            beforeMove(CPathParts::join(targetDir, newName));
        MoveResult result { failWith, CPathParts::join(targetDir, newName), {}, leftAt };
        // Never over an existing name, as every real mover.
        if (result.ok() && QFile::exists(result.destination))
            result.error = MoveError::DestinationExists;
        else if (result.ok() && !QFile::rename(source, result.destination))
            result.error = MoveError::IoError;
        if (result.ok() && arrivalMode)
            QFile::setPermissions(result.destination, *arrivalMode);
        return result;
    }
    bool storesPermissions(const QString &) override
    {
        return keepsPermissions;
    }
    bool isSingleStep(const QString &, const QString &, const QString &) override
    {
        return singleStep;
    }
    void removeLeftovers(const QString &) override
    {
    }

    int calls = 0;
    std::optional<State> stateAtCall;
    QStringList journalledAtCall; ///< the journal's destination as each move began
    std::function<void(const QString &destination)> beforeMove; ///< another program, just before the move
    MoveError failWith = MoveError::None;
    QString leftAt;
    bool keepsPermissions = true;
    bool singleStep = false; ///< a rename within one file system rather than a copy
    /// The permissions every moved item arrives with, as a copy to or from a disk that keeps none gets them.
    std::optional<QFileDevice::Permissions> arrivalMode;

private:
    const CJournal &m_journal;
};
} // namespace

/// The order that keeps files safe, without a window and without a real mover.
class tst_OperationRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void journalsAroundTheMove_data();
    void journalsAroundTheMove();
    void refusalTouchesNothing();
    void journalThatBreaksIsSaidOnce();
    void severalStepsNeedAnIntent();
    void undoTakenOnElsewhereMovesNothing();
    void undoAndRedo();
    void undoThatCannotMoveLeavesTheRowDone_data();
    void undoThatCannotMoveLeavesTheRowDone();
    void takenNameIsNumbered_data();
    void takenNameIsNumbered();
    void numberedMoveIsUndoneToTheOldName();
    void undoGivesBackThePermissions_data();
    void undoGivesBackThePermissions();

private:
    [[nodiscard]] COperationRunner::Outcome renameAToB(const QString &folder = {}, bool numberOnClash = false);
    void makeFile(const QString &name, const QByteArray &content = "x");
    [[nodiscard]] State latestState() const
    {
        return m_journal->history(1).constFirst().state;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CJournal> m_journal;
    std::unique_ptr<CFakeMover> m_mover;
    std::unique_ptr<COperationRunner> m_runner;
};

void tst_OperationRunner::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QFile a(m_dir->filePath(u"a.txt"_s));
    QVERIFY(a.open(QIODevice::WriteOnly) && a.write("a") == 1);
    m_journal = std::make_unique<CJournal>();
    QVERIFY(m_journal->open(m_dir->filePath(u"journal.sqlite"_s)));
    m_mover = std::make_unique<CFakeMover>(*m_journal);
    m_runner = std::make_unique<COperationRunner>(m_journal.get(), *m_mover);
}

void tst_OperationRunner::cleanup()
{
    m_runner.reset();
    m_mover.reset();
    m_journal.reset();
    m_dir.reset();
}

COperationRunner::Outcome tst_OperationRunner::renameAToB(const QString &folder, bool numberOnClash)
{
    const COperationPlanner::Item item { m_dir->filePath(u"a.txt"_s), m_dir->path(), {}, u"b"_s, {}, u".txt"_s };
    COperationPlanner::Target target = COperationPlanner::Target::move(folder.isNull() ? m_dir->path() : folder);
    target.numberOnClash = numberOnClash;
    return m_runner->run(item, target);
}

void tst_OperationRunner::makeFile(const QString &name, const QByteArray &content)
{
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::NewOnly) && file.write(content) == content.size());
}

void tst_OperationRunner::journalsAroundTheMove_data()
{
    QTest::addColumn<bool>("singleStep");
    QTest::addColumn<MoveError>("error");
    QTest::addColumn<QString>("leftAt");
    QTest::addColumn<State>("recorded");
    for (const bool singleStep : { false, true }) {
        const char *order = singleStep ? "single-rename" : "intent-first";
        QTest::addRow("%s-moved", order) << singleStep << MoveError::None << QString() << State::Done;
        QTest::addRow("%s-failed", order) << singleStep << MoveError::NoSpace << QString() << State::Failed;
        QTest::addRow("%s-failed-left-aside", order)
            << singleStep << MoveError::IoError << u"/x/.plindor-a"_s << State::Failed;
    }
}

// A move of several steps is journalled before it starts; a single rename, which a crash cannot cut in two, only
// once it is over, with the stamps of the item as it was before.
void tst_OperationRunner::journalsAroundTheMove()
{
    QFETCH(bool, singleStep);
    QFETCH(MoveError, error);
    QFETCH(QString, leftAt);
    QFETCH(State, recorded);
    m_mover->singleStep = singleStep;
    m_mover->failWith = error;
    m_mover->leftAt = leftAt;
    const FileStamp before = CJournal::stampOf(m_dir->filePath(u"a.txt"_s));
    const COperationRunner::Outcome outcome = renameAToB();
    QCOMPARE(m_mover->stateAtCall, singleStep ? std::nullopt : std::optional(State::Intended));
    QCOMPARE(outcome.kind, error == MoveError::None ? Kind::Moved : Kind::Failed);
    QCOMPARE(outcome.leftAt, leftAt);
    QCOMPARE(outcome.result.error, error);
    const QList<JournalEntry> rows = m_journal->history(2);
    QCOMPARE(rows.size(), 1);
    const JournalEntry &row = rows.constFirst();
    QCOMPARE(row.id, outcome.id);
    QCOMPARE(row.state, recorded);
    QCOMPARE(row.before, before);
    QCOMPARE(row.destination, m_dir->filePath(u"b.txt"_s));
    if (recorded == State::Done)
        QCOMPARE(row.after, CJournal::stampOf(m_dir->filePath(u"b.txt"_s)));
    // The history says why it failed.
    QCOMPARE(row.failure, error);
    QVERIFY(!outcome.journalJustStopped);
}

void tst_OperationRunner::refusalTouchesNothing()
{
    const COperationPlanner::Item item { m_dir->filePath(u"a.txt"_s), m_dir->path(), {}, {}, {}, u".txt"_s };
    const COperationRunner::Outcome outcome = m_runner->run(item, COperationPlanner::Target::move(m_dir->path()));
    QCOMPARE(outcome.kind, Kind::Refused);
    QCOMPARE(outcome.plan.refusal, COperationPlanner::Refusal::EmptyName);
    QCOMPARE(m_mover->calls, 0);
    QVERIFY(m_journal->history(10).isEmpty());
    QCOMPARE(outcome.id, 0);
}

// The journal's table goes from under it, as a disk that fails would take it: the items still move.
void tst_OperationRunner::journalThatBreaksIsSaidOnce()
{
    m_mover->singleStep = true;
    QVERIFY(breakJournal(m_dir->filePath(u"journal.sqlite"_s)));
    const COperationRunner::Outcome first = renameAToB();
    QCOMPARE(first.kind, Kind::Moved);
    QVERIFY(first.journalJustStopped);
    QVERIFY(!m_journal->isAvailable());
    QVERIFY(QFile::rename(m_dir->filePath(u"b.txt"_s), m_dir->filePath(u"a.txt"_s)));
    const COperationRunner::Outcome second = renameAToB();
    QCOMPARE(second.kind, Kind::Moved);
    QVERIFY(!second.journalJustStopped);
    QCOMPARE(m_mover->calls, 2);
    QCOMPARE(m_runner->undoLatest().kind, Kind::JournalUnavailable);
}

// A single rename, recorded once it is over, is undone and redone as any operation.
// A copy that a crash cut short could not be settled without its intent: it is not begun. A single rename, which no
// crash cuts in two, still goes ahead, and the refusal has said already why it cannot be undone.
void tst_OperationRunner::severalStepsNeedAnIntent()
{
    QVERIFY(breakJournal(m_dir->filePath(u"journal.sqlite"_s)));
    const COperationRunner::Outcome copy = renameAToB();
    QCOMPARE(copy.kind, Kind::NotJournalled);
    QVERIFY(!copy.journalProblem.isEmpty());
    QCOMPARE(m_mover->calls, 0);
    QVERIFY(QFile::exists(m_dir->filePath(u"a.txt"_s)));
    m_mover->singleStep = true;
    const COperationRunner::Outcome rename = renameAToB();
    QCOMPARE(rename.kind, Kind::Moved);
    QVERIFY(!rename.journalJustStopped);
    QCOMPARE(m_mover->calls, 1);
}

// Another window began the same undo just before this one recorded its own: only one of them moves the item.
void tst_OperationRunner::undoTakenOnElsewhereMovesNothing()
{
    const qint64 id = renameAToB().id;
    QVERIFY(execOnFile(m_dir->filePath(u"journal.sqlite"_s),
                       { u"UPDATE operations SET state = 4 WHERE id = %1"_s.arg(id) }));
    QCOMPARE(m_runner->undo(id).kind, Kind::Nothing);
    QCOMPARE(m_mover->calls, 1);
    QVERIFY(QFile::exists(m_dir->filePath(u"b.txt"_s)));
}

void tst_OperationRunner::undoAndRedo()
{
    m_mover->singleStep = true;
    QCOMPARE(renameAToB().kind, Kind::Moved);
    QCOMPARE(m_runner->redo().kind, Kind::Nothing);
    const COperationRunner::Outcome undone = m_runner->undoLatest();
    QCOMPARE(undone.kind, Kind::Moved);
    QCOMPARE(latestState(), State::Undone);
    QVERIFY(QFile::exists(m_dir->filePath(u"a.txt"_s)));
    QVERIFY(m_runner->canRedo());
    QCOMPARE(m_runner->redo().kind, Kind::Moved);
    QCOMPARE(latestState(), State::Done);
    QVERIFY(QFile::exists(m_dir->filePath(u"b.txt"_s)));
    QVERIFY(!m_runner->canRedo());

    // Undone again, then a new operation: the undone one can no longer be redone.
    QCOMPARE(m_runner->undo(undone.id).kind, Kind::Moved);
    QVERIFY(m_runner->canRedo());
    QVERIFY(QFile::rename(m_dir->filePath(u"a.txt"_s), m_dir->filePath(u"c.txt"_s)));
    const COperationPlanner::Item other { m_dir->filePath(u"c.txt"_s), m_dir->path(), {}, u"d"_s, {}, u".txt"_s };
    QCOMPARE(m_runner->run(other, COperationPlanner::Target::rename()).kind, Kind::Moved);
    QVERIFY(!m_runner->canRedo());
    QCOMPARE(m_runner->redo().kind, Kind::Nothing);
}

void tst_OperationRunner::undoThatCannotMoveLeavesTheRowDone_data()
{
    QTest::addColumn<bool>("refused");
    QTest::newRow("refused-item-gone") << true;
    QTest::newRow("mover-fails") << false;
}

void tst_OperationRunner::undoThatCannotMoveLeavesTheRowDone()
{
    QFETCH(bool, refused);
    QCOMPARE(renameAToB().kind, Kind::Moved);
    if (refused)
        QVERIFY(QFile::remove(m_dir->filePath(u"b.txt"_s)));
    else
        m_mover->failWith = MoveError::PermissionDenied;
    const COperationRunner::Outcome outcome = m_runner->undoLatest();
    QCOMPARE(outcome.kind, refused ? Kind::Refused : Kind::Failed);
    QCOMPARE(m_mover->calls, refused ? 1 : 2);
    QCOMPARE(latestState(), State::Done);
    QVERIFY(!m_runner->canRedo());
}

void tst_OperationRunner::takenNameIsNumbered_data()
{
    QTest::addColumn<bool>("numberOnClash");
    QTest::addColumn<QStringList>("taken"); ///< names there before the click
    QTest::addColumn<QString>("racedName"); ///< made by another program just before the move tries it
    QTest::addColumn<MoveError>("otherFailure"); ///< what the mover says of b_2.txt, if not "exists"
    QTest::addColumn<QString>("used"); ///< empty when nothing moves
    QTest::addColumn<int>("calls");
    const QStringList none;
    QStringList all { u"b.txt"_s };
    for (int n = 2; n <= COperationPlanner::kLastNumber; ++n)
        all << u"b_%1.txt"_s.arg(n);
    QTest::newRow("free-no-number") << true << none << QString() << MoveError::None << u"b.txt"_s << 1;
    QTest::newRow("taken-off-refused") << false << QStringList { u"b.txt"_s } << QString() << MoveError::None
                                       << QString() << 1;
    QTest::newRow("taken-gets-2") << true << QStringList { u"b.txt"_s } << QString() << MoveError::None << u"b_2.txt"_s
                                  << 2;
    QTest::newRow("gap-is-used") << true << QStringList { u"b.txt"_s, u"b_2.txt"_s, u"b_4.txt"_s } << QString()
                                 << MoveError::None << u"b_3.txt"_s << 3;
    QTest::newRow("racer-takes-2") << true << QStringList { u"b.txt"_s } << u"b_2.txt"_s << MoveError::None
                                   << u"b_3.txt"_s << 3;
    QTest::newRow("other-failure-stops") << true << QStringList { u"b.txt"_s } << QString()
                                         << MoveError::PermissionDenied << QString() << 2;
    QTest::newRow("all-999-taken") << true << all << QString() << MoveError::None << QString()
                                   << COperationPlanner::kLastNumber;
}

// The mover finds the free name; the journal names each attempt before it is made and keeps the one used.
void tst_OperationRunner::takenNameIsNumbered()
{
    QFETCH(bool, numberOnClash);
    QFETCH(QStringList, taken);
    QFETCH(QString, racedName);
    QFETCH(MoveError, otherFailure);
    QFETCH(QString, used);
    QFETCH(int, calls);
    for (const QString &name : taken)
        makeFile(name, "theirs");
    m_mover->beforeMove = [&](const QString &destination) {
        if (destination.endsWith(u"/b_2.txt"_s) && otherFailure != MoveError::None)
            m_mover->failWith = otherFailure;
        if (!racedName.isEmpty() && destination == m_dir->filePath(racedName))
            makeFile(racedName, "raced");
    };
    const COperationRunner::Outcome outcome = renameAToB({}, numberOnClash);
    QCOMPARE(m_mover->calls, calls);
    QCOMPARE(outcome.kind, used.isEmpty() ? Kind::Failed : Kind::Moved);
    QCOMPARE(m_mover->journalledAtCall.constLast(), outcome.plan.destination);
    const JournalEntry row = m_journal->history(1).constFirst();
    QCOMPARE(row.state, used.isEmpty() ? State::Failed : State::Done);
    if (used.isEmpty()) {
        QVERIFY(QFile::exists(m_dir->filePath(u"a.txt"_s)));
        return;
    }
    QCOMPARE(outcome.plan.destination, m_dir->filePath(used));
    QCOMPARE(row.destination, m_dir->filePath(used));
    QCOMPARE(row.composedName, QFileInfo(used).completeBaseName());
    QVERIFY(!QFile::exists(m_dir->filePath(u"a.txt"_s)));
    QFile moved(m_dir->filePath(used));
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), QByteArray("a"));
    for (const QString &name : taken + QStringList { racedName }) {
        QFile theirs(m_dir->filePath(name));
        QVERIFY(name.isEmpty() || (theirs.open(QIODevice::ReadOnly) && theirs.readAll() != "a"));
    }
}

void tst_OperationRunner::numberedMoveIsUndoneToTheOldName()
{
    m_mover->singleStep = true;
    makeFile(u"b.txt"_s, "theirs");
    QCOMPARE(renameAToB({}, true).plan.newName, u"b_2.txt"_s);
    QCOMPARE(m_journal->history(1).constFirst().destination, m_dir->filePath(u"b_2.txt"_s));
    QCOMPARE(m_runner->undoLatest().kind, Kind::Moved);
    QVERIFY(QFile::exists(m_dir->filePath(u"a.txt"_s)));
    QVERIFY(!QFile::exists(m_dir->filePath(u"b_2.txt"_s)));
    QCOMPARE(m_runner->redo().kind, Kind::Moved);
    QVERIFY(QFile::exists(m_dir->filePath(u"b_2.txt"_s)));
}

void tst_OperationRunner::undoGivesBackThePermissions_data()
{
    QTest::addColumn<bool>("diskKeepsPermissions");
    QTest::newRow("from-fat") << false;
    // Where the disk keeps permissions, what the item has there is its own: a change since stays.
    QTest::newRow("from-ext4") << true;
}

void tst_OperationRunner::undoGivesBackThePermissions()
{
#ifdef Q_OS_WIN
    QSKIP("Windows keeps no permission bits: its read-only attribute travels with the file");
#endif
    QFETCH(bool, diskKeepsPermissions);
    const QFileDevice::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    const QFileDevice::Permissions arrival = own | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    const QString a = m_dir->filePath(u"a.txt"_s);
    QVERIFY(QFile::setPermissions(a, own));
    m_mover->keepsPermissions = diskKeepsPermissions;
    m_mover->arrivalMode = arrival;
    QCOMPARE(renameAToB().kind, Kind::Moved);
    QCOMPARE(m_journal->history(1).constFirst().beforeMode, int(own.toInt()));
    QCOMPARE(m_runner->undoLatest().kind, Kind::Moved);
    QCOMPARE(int(QFileInfo(a).permissions().toInt()) & CJournal::kModeBits,
             int((diskKeepsPermissions ? arrival : own).toInt()));
}

QTEST_GUILESS_MAIN(tst_OperationRunner)
#include "tst_OperationRunner.moc"
