// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "core/Journal.h"
#include "core/OperationRunner.h"
#include "dialog/HistoryWindow.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/Mounts.h"
#include "helpers/NameWatcher.h"
#include "helpers/SqlFile.h"
#include "helpers/TreeSnapshot.h"
#include "platform/PlatformMover.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QString suffixShown = u"（后缀）"_s;
const QString prefixShown = u"（添加前缀）"_s;

void press(const CDialogFixture &f, Qt::KeyboardModifiers modifiers, Qt::Key key = Qt::Key_Z)
{
    f.dlg().activateWindow();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &f.dlg();
    QTest::keyClick(target, key, modifiers);
}

void undo(const CDialogFixture &f)
{
    press(f, Qt::ControlModifier);
}

void redo(const CDialogFixture &f)
{
    press(f, Qt::ControlModifier | Qt::ShiftModifier);
}

// Queues src/a.txt, names it "b" and files it by `operation`: "rename", "move" or "quickMove" (into dst/). False
// when a drop was refused, and nothing was filed.
[[nodiscard]] bool operate(const CDialogFixture &f, const QDir &root, const QString &operation)
{
    if (operation == "move"_L1)
        f.combo(IDC_COMBO_TARGET_DIR)->setEditText(QDir::toNativeSeparators(root.filePath(u"dst"_s)));
    if (!f.dropOnQueue({ root.filePath(u"src/a.txt"_s) }))
        return false;
    if (operation == "quickMove"_L1
        && !CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR1), { root.filePath(u"dst"_s) }))
        return false;
    f.edit(IDC_EDIT_NAME)->setText(u"b"_s);
    const int button = operation == "rename"_L1 ? IDC_BTN_RENAME : operation == "move"_L1 ? IDC_BTN_MOVE : IDC_BTN_DIR1;
    f.click(button);
    f.takeMessages();
    return true;
}

QString movedTo(const QString &operation)
{
    return operation == "rename"_L1 ? u"src/b.txt"_s : u"dst/b.txt"_s;
}

// Lays out `tree` below `root` and has the window journal its operations, as every test here starts.
[[nodiscard]] bool journalled(CDialogFixture &f, const QDir &root, const QStringList &tree)
{
    return CTreeSnapshot::make(root.path(), tree) && f.useJournal();
}

// src/a.txt renamed to b.txt beside src/c.txt: where the history tests start.
[[nodiscard]] bool renamedAToB(CDialogFixture &f, const QDir &root)
{
    return journalled(f, root, { u"src/a.txt"_s, u"src/c.txt"_s, u"dst/"_s }) && operate(f, root, u"rename"_s);
}

QStringList queued(const CDialogFixture &f)
{
    QStringList paths;
    for (int row = 0; row < f.queue()->count(); ++row)
        paths << f.queue()->pathAt(row);
    return paths;
}

bool onOneFileSystem(const QString &a, const QString &b)
{
    struct stat first {
    }, second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0
        && ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev;
}

// Every file below the roots, hidden ones included, whose bytes hash to `sha1`.
QStringList copiesOf(const QStringList &roots, const QByteArray &sha1)
{
    QStringList found;
    for (const QString &root : roots) {
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QCryptographicHash hash(QCryptographicHash::Sha1);
            if (file.open(QIODevice::ReadOnly) && hash.addData(&file) && hash.result() == sha1)
                found << file.fileName();
        }
    }
    return found;
}

QStringList leftovers(const QStringList &roots)
{
    QStringList found;
    for (const QString &root : roots) {
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (it.next().contains(u"/.plindor-"_s))
                found << it.filePath();
        }
    }
    return found;
}

/// Tells the parent over `fd` that the copy has begun, so that a kill while copying lands after the intent.
class CCopyBegunSignal : public IMoveProgress
{
public:
    explicit CCopyBegunSignal(int fd)
        : m_fd(fd)
    {
    }
    bool copied(qint64, qint64) override
    {
        if (!m_told) {
            m_told = true;
            (void)!::write(m_fd, "c", 1);
        }
        return true;
    }

private:
    int m_fd;
    bool m_told = false;
};

// A window's move in a child process that is killed at `moment`: when the move has begun to copy, when the new name
// appears, or when the old name goes. The child runs the window's own operation runner.
void moveAndGetKilled(const QString &journal, const QString &source, const QString &folder, const QString &moment)
{
    int ready[2];
    int go[2];
    QVERIFY(::pipe(ready) == 0 && ::pipe(go) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        auto *dying = new CJournal; // never deleted: a killed process closes nothing
        char byte = dying->open(journal) ? 'r' : 'x';
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(go[0], &byte, 1);
        IMover *mover = makeMover().release();
        auto *runner = new COperationRunner(dying, *mover);
        CCopyBegunSignal progress(ready[1]);
        const COperationPlanner::Item item { source, QFileInfo(source).path(), {}, u"b"_s, {}, u".bin"_s };
        (void)runner->run(item, COperationPlanner::Target::move(folder), &progress);
        ::_exit(0);
    }
    QVERIFY(child > 0);
    char answer = 0;
    QCOMPARE(::read(ready[0], &answer, 1), 1);
    QCOMPARE(answer, 'r');
    const auto kill = [child] { ::kill(child, SIGKILL); };
    std::unique_ptr<CNameWatcher> watcher;
    const QFileInfo old(source);
    if (moment == "published"_L1)
        watcher = std::make_unique<CNameWatcher>(folder, "b.bin", CNameWatcher::Appears, kill);
    else if (moment == "sourceGoes"_L1)
        watcher
            = std::make_unique<CNameWatcher>(old.path(), QFile::encodeName(old.fileName()), CNameWatcher::Leaves, kill);
    QVERIFY(!watcher || watcher->isWatching());
    QCOMPARE(::write(go[1], "g", 1), 1);
    int begun = 1;
    if (moment == "copying"_L1) {
        pollfd copying { ready[0], POLLIN, 0 };
        begun = ::poll(&copying, 1, 10000);
        kill();
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    if (watcher)
        watcher->finish();
    for (int end : { ready[0], ready[1], go[0], go[1] })
        ::close(end);
    QVERIFY2(begun == 1, "the copy did not begin within 10 s");
}
} // namespace

/// Undo, redo and the history window through the real window, over a journal on disk.
class tst_Undo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void undoesAndFilesAgain_data();
    void undoesAndFilesAgain();
    void undoesAfterRestart();
    void undoesAndRedoesAcrossFileSystems();
    void undoesACaseOnlyRenameOnAStick();
    void refusesAndChangesNothing_data();
    void refusesAndChangesNothing();
    void redoes();
    void ctrlZInAnEditTakesBackTypingFirst();
    void historyListsAndUndoes();
    void historySaysWhyAndRedoes();
    void explainsAnInterruptedMoveAtStart();
    void renamesWithoutAJournalAndSaysSoOnce();
    void journalsAClickBeforeTheJournalOpened();
    void journalThatStopsIsToldAboutTheNextItem();
    void survivesAKillDuringACrossDiskMove_data();
    void survivesAKillDuringACrossDiskMove();
};

void tst_Undo::undoesAndFilesAgain_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("rename") << u"rename"_s;
    QTest::newRow("move") << u"move"_s;
    QTest::newRow("quickMove") << u"quickMove"_s;
}

void tst_Undo::undoesAndFilesAgain()
{
    QFETCH(QString, operation);
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"src/z.txt"_s, u"dst/"_s }));
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/z.txt"_s) }));
    QVERIFY(operate(f, root, operation));
    QVERIFY(QFileInfo::exists(root.filePath(movedTo(operation))));

    undo(f);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(CTreeSnapshot::lines(dir.path()),
             QStringList({ u"dst/"_s, u"src/"_s, u"src/a.txt=src/a.txt"_s, u"src/z.txt=src/z.txt"_s }));
    // Queued again and loaded, under the name it was given.
    QCOMPARE(queued(f), QStringList({ root.filePath(u"src/a.txt"_s), root.filePath(u"src/z.txt"_s) }));
    QCOMPARE(f.editorTexts(), prefixShown + u"|b|"_s + suffixShown);
    QCOMPARE(f.journal()->history(1).constFirst().state, JournalEntry::State::Undone);

    // One click on the same button files it again.
    f.click(operation == "rename"_L1 ? IDC_BTN_RENAME : operation == "move"_L1 ? IDC_BTN_MOVE : IDC_BTN_DIR1);
    QVERIFY(QFileInfo::exists(root.filePath(movedTo(operation))));
    QVERIFY(!QFileInfo::exists(root.filePath(u"src/a.txt"_s)));
}

void tst_Undo::undoesAfterRestart()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"dst/"_s }));
    QVERIFY(operate(f, root, u"quickMove"_s));
    QVERIFY(f.restart());
    QCOMPARE(f.takeMessages(), QString());
    undo(f);
    QCOMPARE(CTreeSnapshot::lines(dir.path()), QStringList({ u"dst/"_s, u"src/"_s, u"src/a.txt=src/a.txt"_s }));
    QCOMPARE(f.editorTexts(), prefixShown + u"|b|"_s + suffixShown);
}

void tst_Undo::undoesAndRedoesAcrossFileSystems()
{
    QTemporaryDir dir;
    QTemporaryDir other(u"/dev/shm/plindor-undo-XXXXXX"_s);
    QVERIFY(dir.isValid() && other.isValid());
    if (onOneFileSystem(dir.path(), other.path()))
        QSKIP("the temporary folder and /dev/shm are on one file system here");
    const QDir root(dir.path());
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s }));
    QVERIFY(QDir(other.path()).mkdir(u"dst"_s));
    CDialogFixture f;
    QVERIFY(f.useJournal());
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/a.txt"_s) }));
    f.combo(IDC_COMBO_TARGET_DIR)->setEditText(QDir::toNativeSeparators(other.filePath(u"dst"_s)));
    f.edit(IDC_EDIT_NAME)->setText(u"b"_s);
    f.click(IDC_BTN_MOVE);
    QCOMPARE(CTreeSnapshot::lines(other.path()), QStringList({ u"dst/"_s, u"dst/b.txt=src/a.txt"_s }));

    undo(f);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(CTreeSnapshot::lines(dir.path()), QStringList({ u"src/"_s, u"src/a.txt=src/a.txt"_s }));
    QCOMPARE(CTreeSnapshot::lines(other.path()), QStringList({ u"dst/"_s }));
    redo(f);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(CTreeSnapshot::lines(other.path()), QStringList({ u"dst/"_s, u"dst/b.txt=src/a.txt"_s }));
    QCOMPARE(CTreeSnapshot::lines(dir.path()), QStringList({ u"src/"_s }));
}

// exfat-fuse numbers "report.txt" and "Report.txt" apart though they name one file: undo knows it by size and time.
void tst_Undo::undoesACaseOnlyRenameOnAStick()
{
    QTemporaryDir dir;
    CTestMounts mounts;
    const QString stick = mounts.exfat(dir.filePath(u"stick"_s), dir.path());
    if (stick.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    QVERIFY(CTreeSnapshot::make(stick, { u"report.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.useJournal());
    QVERIFY(f.dropOnQueue({ stick + u"/report.txt"_s }));
    f.edit(IDC_EDIT_NAME)->setText(u"Report"_s);
    f.click(IDC_BTN_RENAME);
    f.takeMessages();
    QCOMPARE(QDir(stick).entryList(QDir::Files | QDir::Hidden), QStringList { u"Report.txt"_s });

    undo(f);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(QDir(stick).entryList(QDir::Files | QDir::Hidden), QStringList { u"report.txt"_s });
    QCOMPARE(f.journal()->history(1).constFirst().state, JournalEntry::State::Undone);
}

void tst_Undo::refusesAndChangesNothing_data()
{
    QTest::addColumn<QString>("afterwards");
    QTest::addColumn<QString>("message");
    QTest::newRow("oldNameTaken") << u"takeOldName"_s << u"原位置已有同名的文件或文件夹，无法撤销："_s;
    QTest::newRow("changed") << u"change"_s << u"文件在操作之后被修改或替换过，无法撤销："_s;
    QTest::newRow("gone") << u"remove"_s << u"文件已不在操作后的位置，无法撤销："_s;
    QTest::newRow("oldFolderGone") << u"removeOldFolder"_s << u"原文件夹已不存在，无法撤销："_s;
}

void tst_Undo::refusesAndChangesNothing()
{
    QFETCH(QString, afterwards);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"dst/"_s }));
    QVERIFY(operate(f, root, u"move"_s));
    const QString moved = root.filePath(u"dst/b.txt"_s);
    if (afterwards == "takeOldName"_L1)
        QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s }));
    else if (afterwards == "change"_L1)
        QVERIFY(CTreeSnapshot::make(dir.path(), { u"dst/b.txt"_s }));
    else if (afterwards == "remove"_L1)
        QVERIFY(QFile::remove(moved));
    else
        QVERIFY(QDir(root.filePath(u"src"_s)).removeRecursively());
    const QStringList before = CTreeSnapshot::lines(dir.path());

    undo(f);
    QVERIFY2(f.prompter().texts().value(0).startsWith(message), qPrintable(f.prompter().texts().join(u'|')));
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(f.journal()->history(1).constFirst().state, JournalEntry::State::Done);
}

void tst_Undo::redoes()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"dst/"_s }));
    QVERIFY(operate(f, root, u"move"_s));
    undo(f);
    redo(f);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(CTreeSnapshot::lines(dir.path()), QStringList({ u"dst/"_s, u"dst/b.txt=src/a.txt"_s, u"src/"_s }));
    QCOMPARE(queued(f), QStringList());
    redo(f);
    QCOMPARE(f.takeMessages(), u"没有可以重做的操作。"_s);
    // The redone operation is the latest again, so undo takes it back once more.
    undo(f);
    QCOMPARE(CTreeSnapshot::lines(dir.path()), QStringList({ u"dst/"_s, u"src/"_s, u"src/a.txt=src/a.txt"_s }));
}

void tst_Undo::ctrlZInAnEditTakesBackTypingFirst()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"src/c.txt"_s, u"dst/"_s }));
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/c.txt"_s) }));
    QVERIFY(operate(f, root, u"rename"_s));
    QLineEdit *name = f.edit(IDC_EDIT_NAME);
    f.dlg().activateWindow();
    name->setFocus();
    QTRY_VERIFY(name->hasFocus());
    name->end(false);
    QTest::keyClicks(name, u"x"_s);
    QCOMPARE(name->text(), u"cx"_s);
    undo(f);
    QCOMPARE(name->text(), u"c"_s);
    QVERIFY(QFileInfo::exists(root.filePath(u"src/b.txt"_s)));
    undo(f);
    QVERIFY(QFileInfo::exists(root.filePath(u"src/a.txt"_s)));
    QCOMPARE(name->text(), u"b"_s);
}

void tst_Undo::historyListsAndUndoes()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(renamedAToB(f, root));
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/b.txt"_s) }));
    f.combo(IDC_COMBO_TARGET_DIR)->setEditText(QDir::toNativeSeparators(root.filePath(u"dst"_s)));
    f.click(IDC_BTN_MOVE);
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/c.txt"_s) }));
    f.edit(IDC_EDIT_NAME)->setText(u"d"_s);
    f.click(IDC_BTN_RENAME);
    f.takeMessages();

    press(f, Qt::ControlModifier, Qt::Key_H);
    auto *history = f.dlg().findChild<QWidget *>(u"PlindorHistory"_s);
    QVERIFY(history);
    QTRY_VERIFY(history->isVisible());
    QVERIFY(history->screen()->availableGeometry().contains(history->frameGeometry()));
    auto *list = history->findChild<QTreeWidget *>(u"historyList"_s);
    auto *undoButton = history->findChild<QPushButton *>(u"historyUndo"_s);
    auto *showButton = history->findChild<QPushButton *>(u"historyShow"_s);
    QVERIFY(list && undoButton && showButton);
    for (const QWidget *control :
         { static_cast<QWidget *>(list), static_cast<QWidget *>(undoButton), static_cast<QWidget *>(showButton) })
        QVERIFY(!control->accessibleName().isEmpty());
    QCOMPARE(list->topLevelItemCount(), 3);
    const auto row = [&](int r, int column) { return list->topLevelItem(r)->text(column); };
    const auto native = [&](const QString &relative) { return QDir::toNativeSeparators(root.filePath(relative)); };
    QCOMPARE(row(0, 3), native(u"src/c.txt"_s) + u" → "_s + native(u"src/d.txt"_s));
    QCOMPARE(row(1, 3), native(u"src/b.txt"_s) + u" → "_s + native(u"dst/b.txt"_s));
    QCOMPARE(row(2, 3), native(u"src/a.txt"_s) + u" → "_s + native(u"src/b.txt"_s));
    QCOMPARE(row(1, 1), u"移动"_s);
    QCOMPARE(row(0, 2), u"d.txt"_s);
    QCOMPARE(row(0, 4), u"已完成"_s);

    // The first rename is not the latest on its item: the move took b.txt on.
    list->setCurrentItem(list->topLevelItem(2));
    QVERIFY(!undoButton->isEnabled());
    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(undoButton->isEnabled());
    QString shown;
    qobject_cast<CHistoryWindow *>(history)->setShowItem([&](const QString &path) {
        shown = path;
        return true;
    });
    QTest::mouseClick(showButton, Qt::LeftButton);
    QCOMPARE(shown, root.filePath(u"dst/b.txt"_s));
    QTest::mouseClick(undoButton, Qt::LeftButton);
    QCOMPARE(f.takeMessages(), QString());
    QVERIFY(QFileInfo::exists(root.filePath(u"src/b.txt"_s)));
    QCOMPARE(row(1, 4), u"已撤销"_s);
    QVERIFY(list->topLevelItem(1)->isSelected());
    // Now the rename before it is the latest on its item again.
    list->setCurrentItem(list->topLevelItem(2));
    QVERIFY(undoButton->isEnabled());
}

// A failed row names its reason, as the message did; an undone row can be filed again from the list.
void tst_Undo::historySaysWhyAndRedoes()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(renamedAToB(f, root));
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/c.txt"_s) }));
    f.edit(IDC_EDIT_NAME)->setText(u"b"_s);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.prompter().messages.size(), 1);
    QCOMPARE(f.prompter().messages.constFirst().text, u"重命名失败"_s);
    QCOMPARE(f.prompter().messages.constFirst().informative, u"目标文件夹中已有“b.txt”"_s);
    f.takeMessages();

    f.dlg().showHistory();
    auto *history = f.dlg().findChild<QWidget *>(u"PlindorHistory"_s);
    QVERIFY(history);
    auto *list = history->findChild<QTreeWidget *>(u"historyList"_s);
    auto *redoButton = history->findChild<QPushButton *>(u"historyRedo"_s);
    QVERIFY(list && redoButton && !redoButton->accessibleName().isEmpty());
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(4), u"未成功：目标文件夹中已有“b.txt”"_s);

    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(!redoButton->isEnabled());
    undo(f);
    QVERIFY(QFileInfo::exists(root.filePath(u"src/a.txt"_s)));
    // c.txt is still being composed: filing a.txt again from the list leaves it loaded with its edits.
    f.queue()->loadRow(f.queue()->rowOf(root.filePath(u"src/c.txt"_s)));
    f.edit(IDC_EDIT_NAME)->setText(u"half typed"_s);
    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(redoButton->isEnabled());
    QTest::mouseClick(redoButton, Qt::LeftButton);
    QCOMPARE(f.takeMessages(), QString());
    QVERIFY(QFileInfo::exists(root.filePath(u"src/b.txt"_s)));
    QVERIFY(!QFileInfo::exists(root.filePath(u"src/a.txt"_s)));
    QCOMPARE(list->topLevelItem(1)->text(4), u"已完成"_s);
    QVERIFY(!queued(f).contains(root.filePath(u"src/a.txt"_s)));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"half typed"_s);
}

void tst_Undo::explainsAnInterruptedMoveAtStart()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"dst/"_s }));
    const QString hidden = root.filePath(u"src/.plindor-abc123.moving"_s);
    QVERIFY(f.restart([&] {
        // What a crash leaves when another program took the old name while the item stood aside.
        CJournal crashed;
        QVERIFY(crashed.open(f.journalPath()));
        JournalEntry entry;
        entry.source = root.filePath(u"src/a.txt"_s);
        entry.destination = root.filePath(u"dst/b.txt"_s);
        QVERIFY(crashed.recordIntent(entry) > 0);
        QVERIFY(QFile::rename(entry.source, hidden));
        QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s }));
    }));
    const QStringList told = f.prompter().takeTexts();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.constFirst().startsWith(u"上次运行时有操作未能完成，以下文件不在预期的位置："_s),
             qPrintable(told.constFirst()));
    QVERIFY(told.constFirst().contains(QDir::toNativeSeparators(hidden)));
    QVERIFY(QFileInfo::exists(hidden));
    // Told once: the next start finds nothing left to settle.
    QVERIFY(f.restart());
    QCOMPARE(f.takeMessages(), QString());
}

void tst_Undo::survivesAKillDuringACrossDiskMove_data()
{
    QTest::addColumn<QString>("moment");
    QTest::newRow("copying") << u"copying"_s;
    QTest::newRow("published") << u"published"_s;
    QTest::newRow("sourceGoes") << u"sourceGoes"_s;
}

void tst_Undo::survivesAKillDuringACrossDiskMove()
{
    QFETCH(QString, moment);
    QTemporaryDir from;
    QTemporaryDir to(u"/dev/shm/plindor-undo-XXXXXX"_s);
    QVERIFY(from.isValid() && to.isValid());
    if (onOneFileSystem(from.path(), to.path()))
        QSKIP("the temporary folder and /dev/shm are on one file system here");
    QByteArray bytes(48 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); i += 4096)
        bytes[i] = char(i / 4096);
    const QString source = from.filePath(u"a.bin"_s);
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const QByteArray sha1 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);

    CDialogFixture f;
    QVERIFY(f.useJournal());
    moveAndGetKilled(f.journalPath(), source, to.path(), moment);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(f.restart());

    const QStringList roots { from.path(), to.path() };
    const QStringList copies = copiesOf(roots, sha1);
    QVERIFY2(!copies.isEmpty(), "the file was lost");
    const QString told = f.takeMessages();
    for (const QString &copy : copies) {
        const bool expected = copy == source || copy == to.filePath(u"b.bin"_s);
        QVERIFY2(expected || told.contains(QDir::toNativeSeparators(copy)), qPrintable(copy + u": "_s + told));
    }
    QCOMPARE(leftovers(roots), QStringList());
    const QList<JournalEntry> recorded = f.journal()->history(1);
    QCOMPARE(recorded.size(), 1);
    QVERIFY(recorded.constFirst().state != JournalEntry::State::Intended);
}

void tst_Undo::renamesWithoutAJournalAndSaysSoOnce()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s, u"state"_s }));
    CDialogFixture f;
    CJournal journal;
    QVERIFY(!journal.open(root.filePath(u"state/Plindor/journal.sqlite"_s)));
    f.dlg().useJournal(&journal);
    const QStringList told = f.prompter().takeTexts();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.constFirst().startsWith(u"操作记录无法使用，本次运行中的操作将不能撤销。"_s),
             qPrintable(told.constFirst()));
    QVERIFY(operate(f, root, u"rename"_s));
    QVERIFY(QFileInfo::exists(root.filePath(u"src/b.txt"_s)));
    undo(f);
    QCOMPARE(f.takeMessages(), u"操作记录无法使用，不能撤销或重做。"_s);
    QVERIFY(QFileInfo::exists(root.filePath(u"src/b.txt"_s)));
}

// A click that comes before the journal is opened has it opened first: its operation is journalled like any other.
void tst_Undo::journalsAClickBeforeTheJournalOpened()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s }));
    CDialogFixture f;
    CJournal journal;
    f.dlg().openJournalWhenNeeded([&] {
        QVERIFY(journal.open(root.filePath(u"state/journal.sqlite"_s)));
        f.dlg().useJournal(&journal);
    });
    QVERIFY(operate(f, root, u"rename"_s));
    QCOMPARE(journal.history(10).size(), 1);
    undo(f);
    QVERIFY(QFileInfo::exists(root.filePath(u"src/a.txt"_s)));
}

// While the message is open the buttons check what is loaded: that must be the next item, not the one just filed.
void tst_Undo::journalThatStopsIsToldAboutTheNextItem()
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    CDialogFixture f;
    QVERIFY(journalled(f, root, { u"src/a.txt"_s, u"src/c.txt"_s }));
    QVERIFY(f.dropOnQueue({ root.filePath(u"src/a.txt"_s), root.filePath(u"src/c.txt"_s) }));
    QVERIFY(breakJournal(f.journalPath()));
    QString loadedWhileShown;
    f.prompter().whileShown = [&](const CFakePrompter::Message &) { loadedWhileShown = f.editorTexts(); };
    f.edit(IDC_EDIT_NAME)->setText(u"b"_s);
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFileInfo::exists(root.filePath(u"src/b.txt"_s)));
    QVERIFY2(f.takeMessages().startsWith(u"操作记录无法使用"_s), "the journal's stop is told");
    QCOMPARE(loadedWhileShown, u"（添加前缀）|c|（后缀）"_s);
}

QTEST_MAIN(tst_Undo)
#include "tst_Undo.moc"
