// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"
#include "core/OperationRunner.h"
#include "core/PathParts.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

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
        MoveResult result { failWith, CPathParts::join(targetDir, newName), {}, leftAt };
        if (result.ok() && !QFile::rename(source, result.destination))
            result.error = MoveError::IoError;
        return result;
    }
    bool isSingleStep(const QString &, const QString &, const QString &) override
    {
        return true;
    }
    void removeLeftovers(const QString &) override
    {
    }

    int calls = 0;
    std::optional<State> stateAtCall;
    MoveError failWith = MoveError::None;
    QString leftAt;

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
    void undoAndRedo();
    void undoThatCannotMoveLeavesTheRowDone_data();
    void undoThatCannotMoveLeavesTheRowDone();

private:
    [[nodiscard]] COperationRunner::Outcome renameAToB(const QString &folder = {});
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

COperationRunner::Outcome tst_OperationRunner::renameAToB(const QString &folder)
{
    const COperationPlanner::Item item { m_dir->filePath(u"a.txt"_s), m_dir->path(), {}, u"b"_s, {}, u".txt"_s };
    return m_runner->run(item, COperationPlanner::Target::move(folder.isNull() ? m_dir->path() : folder));
}

void tst_OperationRunner::journalsAroundTheMove_data()
{
    QTest::addColumn<MoveError>("error");
    QTest::addColumn<QString>("leftAt");
    QTest::addColumn<State>("recorded");
    QTest::newRow("moved") << MoveError::None << QString() << State::Done;
    QTest::newRow("failed") << MoveError::NoSpace << QString() << State::Failed;
    QTest::newRow("failed-left-aside") << MoveError::IoError << u"/x/.plindor-a"_s << State::Failed;
}

void tst_OperationRunner::journalsAroundTheMove()
{
    QFETCH(MoveError, error);
    QFETCH(QString, leftAt);
    QFETCH(State, recorded);
    m_mover->failWith = error;
    m_mover->leftAt = leftAt;
    const COperationRunner::Outcome outcome = renameAToB();
    QCOMPARE(m_mover->stateAtCall, std::optional(State::Intended));
    QCOMPARE(outcome.kind, error == MoveError::None ? Kind::Moved : Kind::Failed);
    QCOMPARE(outcome.leftAt, leftAt);
    QCOMPARE(outcome.result.error, error);
    const JournalEntry row = m_journal->history(1).constFirst();
    QCOMPARE(row.id, outcome.id);
    QCOMPARE(row.state, recorded);
    if (recorded == State::Done)
        QCOMPARE(row.after, CJournal::stampOf(m_dir->filePath(u"b.txt"_s)));
    QVERIFY(!outcome.journalJustStopped);
}

// Which refusals there are is the planner's business; that none of them reaches the mover or the journal is this.
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
    {
        QSqlDatabase breaker = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"breaker"_s);
        breaker.setDatabaseName(m_dir->filePath(u"journal.sqlite"_s));
        QVERIFY(breaker.open());
        QVERIFY(QSqlQuery(breaker).exec(u"DROP TABLE operations"_s));
        breaker.close();
    }
    QSqlDatabase::removeDatabase(u"breaker"_s);
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

void tst_OperationRunner::undoAndRedo()
{
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

QTEST_GUILESS_MAIN(tst_OperationRunner)
#include "tst_OperationRunner.moc"
