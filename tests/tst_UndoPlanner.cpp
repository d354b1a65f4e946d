// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Journal.h"
#include "core/UndoPlanner.h"
#include "helpers/TreeSnapshot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using Refusal = CUndoPlanner::Refusal;

namespace
{
// src/a.txt renamed to dst/b.txt, as the journal records it once done.
JournalEntry renamedEntry(const QDir &root)
{
    JournalEntry entry;
    entry.id = 7;
    entry.state = JournalEntry::State::Done;
    entry.source = root.filePath(u"src/a.txt"_s);
    entry.destination = root.filePath(u"dst/b.txt"_s);
    entry.before = CJournal::stampOf(entry.source);
    entry.sourceFolder = CJournal::folderIdOf(root.filePath(u"src"_s));
    return entry;
}

// Other bytes in the same file, under the same size and modification time: only the change time tells.
bool rewriteInPlace(const QString &path)
{
    struct stat before {
    };
    QFile file(path);
    if (::stat(QFile::encodeName(path).constData(), &before) != 0 || !file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray other(file.size(), 'x');
    if (file.write(other) != other.size())
        return false;
    file.close();
    const timespec times[2] = { before.st_atim, before.st_mtim };
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

JournalEntry done(qint64 id, const QString &source, const QString &destination,
                  JournalEntry::State state = JournalEntry::State::Done)
{
    JournalEntry entry;
    entry.id = id;
    entry.state = state;
    entry.source = source;
    entry.destination = destination;
    return entry;
}
} // namespace

/// Whether an operation can be taken back or done again, against real files changed after the operation.
class tst_UndoPlanner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void undo_data();
    void undo();
    void redoExpectsTheItemAsTheUndoLeftIt();
    void onlyTheLatestOperationOnAnItemIsOffered_data();
    void onlyTheLatestOperationOnAnItemIsOffered();
};

void tst_UndoPlanner::undo_data()
{
    QTest::addColumn<QString>("afterwards");
    QTest::addColumn<Refusal>("refusal");
    QTest::newRow("untouched") << u""_s << Refusal::None;
    QTest::newRow("gone") << u"remove"_s << Refusal::Gone;
    QTest::newRow("grown") << u"append"_s << Refusal::Changed;
    QTest::newRow("touched") << u"touch"_s << Refusal::Changed;
    QTest::newRow("replacedBySameBytes") << u"replace"_s << Refusal::Changed;
    QTest::newRow("rewrittenUnderTheSameStamp") << u"rewrite"_s << Refusal::Changed;
    QTest::newRow("oldNameTaken") << u"takeOldName"_s << Refusal::NameTaken;
    QTest::newRow("oldNameIsTheItemItself") << u"linkOldName"_s << Refusal::None;
    QTest::newRow("oldFolderGone") << u"removeOldFolder"_s << Refusal::FolderGone;
    QTest::newRow("oldFolderNowAFile") << u"fileForOldFolder"_s << Refusal::FolderGone;
    QTest::newRow("oldFolderNowALinkElsewhere") << u"linkForOldFolder"_s << Refusal::FolderGone;
    QTest::newRow("goneAndOldNameTaken") << u"remove,takeOldName"_s << Refusal::Gone;
}

void tst_UndoPlanner::undo()
{
    QFETCH(QString, afterwards);
    QFETCH(Refusal, refusal);
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s, u"dst/"_s }));
    JournalEntry entry = renamedEntry(root);
    QVERIFY(QFile::rename(entry.source, entry.destination));
    entry.after = CJournal::stampOf(entry.destination);

    for (const QString &step : afterwards.split(u',', Qt::SkipEmptyParts)) {
        if (step == "remove"_L1) {
            QVERIFY(QFile::remove(entry.destination));
        } else if (step == "append"_L1) {
            QVERIFY(append(entry.destination, "more"));
        } else if (step == "touch"_L1) {
            QFile file(entry.destination);
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        } else if (step == "replace"_L1) {
            // An editor saving by rename: the same bytes in a new file under the same name.
            QVERIFY(QFile::copy(entry.destination, entry.destination + u".new"_s));
            QVERIFY(::rename(QFile::encodeName(entry.destination + u".new"_s).constData(),
                             QFile::encodeName(entry.destination).constData())
                    == 0);
        } else if (step == "rewrite"_L1) {
            QVERIFY(rewriteInPlace(entry.destination));
        } else if (step == "linkForOldFolder"_L1) {
            QVERIFY(QFile::rename(root.filePath(u"src"_s), root.filePath(u"src.old"_s)));
            QVERIFY(QFile::link(root.filePath(u"dst"_s), root.filePath(u"src"_s)));
        } else if (step == "takeOldName"_L1) {
            QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s }));
        } else if (step == "linkOldName"_L1) {
            // What a disk that ignores case shows after "A.txt" became "a.txt": the old spelling is the item.
            QCOMPARE(
                ::link(QFile::encodeName(entry.destination).constData(), QFile::encodeName(entry.source).constData()),
                0);
            // Such a disk makes no link, which here moved the change time.
            entry.after = CJournal::stampOf(entry.destination);
        } else if (step == "removeOldFolder"_L1) {
            QVERIFY(QDir(root.filePath(u"src"_s)).removeRecursively());
        } else if (step == "fileForOldFolder"_L1) {
            QVERIFY(QDir(root.filePath(u"src"_s)).removeRecursively());
            QVERIFY(CTreeSnapshot::make(dir.path(), { u"src"_s }));
        }
    }

    const CUndoPlanner::Step step = CUndoPlanner::undo(entry);
    QCOMPARE(step.refusal, refusal);
    QCOMPARE(step.from, entry.destination);
    QCOMPARE(step.to, entry.source);
    QCOMPARE(QDir(step.folder).filePath(step.name), entry.source);
}

void tst_UndoPlanner::redoExpectsTheItemAsTheUndoLeftIt()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s, u"dst/"_s }));
    JournalEntry entry = renamedEntry(root);
    entry.state = JournalEntry::State::Undone;

    CUndoPlanner::Step step = CUndoPlanner::redo(entry);
    QCOMPARE(step.refusal, Refusal::None);
    QCOMPARE(step.from, entry.source);
    QCOMPARE(step.to, entry.destination);

    QVERIFY(append(entry.source, "edited after the undo"));
    QCOMPARE(CUndoPlanner::redo(entry).refusal, Refusal::Changed);
    entry.before = CJournal::stampOf(entry.source);
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"dst/b.txt"_s }));
    QCOMPARE(CUndoPlanner::redo(entry).refusal, Refusal::NameTaken);
}

// Undo is offered on an operation no later one took the item on from; redo on an undone one whose item was not
// filed again since.
void tst_UndoPlanner::onlyTheLatestOperationOnAnItemIsOffered_data()
{
    QTest::addColumn<bool>("redo");
    QTest::addColumn<QList<JournalEntry>>("newerFirst");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("offered");
    using State = JournalEntry::State;
    const JournalEntry first = done(1, u"/a/x"_s, u"/b/x"_s);
    const JournalEntry firstUndone = done(1, u"/a/x"_s, u"/b/x"_s, State::Undone);
    const JournalEntry unrelated = done(2, u"/a/y"_s, u"/b/y"_s);
    const JournalEntry onward = done(3, u"/b/x"_s, u"/c/x"_s);
    const JournalEntry filedAgain = done(3, u"/a/x"_s, u"/c/x"_s);
    QTest::newRow("undo-alone") << false << QList { first } << 0 << true;
    QTest::newRow("undo-laterOnAnotherItem") << false << QList { unrelated, first } << 1 << true;
    QTest::newRow("undo-movedOnLater") << false << QList { onward, unrelated, first } << 2 << false;
    QTest::newRow("undo-theMoveOnIsUndone")
        << false << QList { done(3, u"/b/x"_s, u"/c/x"_s, State::Undone), unrelated, first } << 2 << true;
    QTest::newRow("undo-theMoveOnFailed")
        << false << QList { done(3, u"/b/x"_s, u"/c/x"_s, State::Failed), first } << 1 << true;
    QTest::newRow("undo-theMoveOnItself") << false << QList { onward, unrelated, first } << 0 << true;
    QTest::newRow("undo-alreadyUndone") << false << QList { firstUndone } << 0 << false;
    QTest::newRow("redo-alone") << true << QList { firstUndone } << 0 << true;
    QTest::newRow("redo-laterOnAnotherItem") << true << QList { unrelated, firstUndone } << 1 << true;
    QTest::newRow("redo-filedAgainSince") << true << QList { filedAgain, unrelated, firstUndone } << 2 << false;
    QTest::newRow("redo-failedToFileSince")
        << true << QList { done(3, u"/a/x"_s, u"/c/x"_s, State::Failed), firstUndone } << 1 << true;
    QTest::newRow("redo-notUndone") << true << QList { unrelated } << 0 << false;
}

void tst_UndoPlanner::onlyTheLatestOperationOnAnItemIsOffered()
{
    QFETCH(bool, redo);
    QFETCH(QList<JournalEntry>, newerFirst);
    QFETCH(int, asked);
    QFETCH(bool, offered);
    const JournalEntry &entry = newerFirst.at(asked);
    QCOMPARE(redo ? CUndoPlanner::isRedoableOnItsItem(entry, newerFirst)
                  : CUndoPlanner::isLatestOnItsItem(entry, newerFirst),
             offered);
}

QTEST_GUILESS_MAIN(tst_UndoPlanner)
#include "tst_UndoPlanner.moc"
