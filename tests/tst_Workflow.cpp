// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "core/Journal.h"
#include "core/QueueStore.h"
#include "core/System.h"
#include "dialog/QueueKeeper.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/StoredQueue.h"
#include "helpers/WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QString prefixShown = u"（添加前缀）"_s;
const QString suffixShown = u"（后缀）"_s;

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content = "mine")
{
    QDir().mkpath(QFileInfo(dir.filePath(name)).absolutePath());
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::NewOnly))
        file.write(content);
    return file.fileName();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void setSwitch(const CDialogFixture &f, const char *name, bool on)
{
    auto *action = f.dlg().findChild<QAction *>(QString::fromLatin1(name));
    QVERIFY2(action && action->isCheckable(), name);
    action->setChecked(on);
}

qsizetype filesIn(const QTemporaryDir &dir, const QString &pattern)
{
    const QFileInfo where(dir.filePath(pattern));
    return QDir(where.path()).entryList({ where.fileName() }, QDir::Files).size();
}

void compose(const CDialogFixture &f, const QString &prefix, const QString &name, const QString &suffix)
{
    f.edit(IDC_EDIT_PREFIX)->setText(prefix);
    f.edit(IDC_EDIT_NAME)->setText(name);
    f.edit(IDC_EDIT_SUFFIX)->setText(suffix);
}
} // namespace

/// Filing a batch with one keystroke per item, through the real window: each switch and key proves its wiring.
class tst_Workflow : public CPopupWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void keepPiecesAcrossTwoFiles_data();
    void keepPiecesAcrossTwoFiles();
    void keysClickTheButtons_data();
    void keysClickTheButtons();
    void aHeldKeyFilesOneItem_data();
    void aHeldKeyFilesOneItem();
    void buttonsNameTheirKeys();
    void clashNumberedPastARacer();
    void failedItemStaysLoaded();
    void clearQueueTouchesNoFile();
    void folderPickerOpensInTheListedFolder();
    void queueComesBackAsLeft();
    void editsTypedJustBeforeLeavingAreKept();
    void folderOfAnIdleQueueIsStamped();
    void pathsQueuedBeforeTheRestoreJoinIt();
    void queueRestoredAfterKill();
};

void tst_Workflow::keepPiecesAcrossTwoFiles_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("secondShows");
    QTest::newRow("kept") << true << u"2026年上期-|b|-作业"_s;
    QTest::newRow("off-as-before") << false << prefixShown + u"|b|"_s + suffixShown;
}

void tst_Workflow::keepPiecesAcrossTwoFiles()
{
    QFETCH(bool, keep);
    QFETCH(QString, secondShows);
    QTemporaryDir dir;
    CDialogFixture f;
    QVERIFY(f.useJournal());
    setSwitch(f, "actionKeepPieces", keep);
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s), writeFile(dir, u"b.txt"_s) }));
    compose(f, u"2026年上期-"_s, u"a"_s, u"-作业"_s);
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFile::exists(dir.filePath(u"2026年上期-a-作业.txt"_s)));
    QCOMPARE(f.editorTexts(), secondShows);
    if (!keep)
        return;
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFile::exists(dir.filePath(u"2026年上期-b-作业.txt"_s)));
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"c.txt"_s) }));
    QCOMPARE(f.editorTexts(), u"2026年上期-|c|-作业"_s);
    // A failed quick-move keeps them, and the name typed.
    f.edit(IDC_EDIT_NAME)->setText(u"c2"_s);
    f.click(IDC_BTN_DIR5);
    QCOMPARE(f.editorTexts(), u"2026年上期-|c2|-作业"_s);
    // Undone, an item comes back between the kept pieces with the name typed for it.
    QTest::keyClick(f.edit(IDC_EDIT_NAME), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.editorTexts(), u"2026年上期-|b|-作业"_s);
    // "清除添加内容" still clears them.
    f.click(IDC_BTN_CLEAR);
    QCOMPARE(f.editorTexts(), u"|b|"_s);
}

void tst_Workflow::keysClickTheButtons_data()
{
    QTest::addColumn<int>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QString>("landsIn");
    QTest::addColumn<QStringList>("messages");
    const QStringList done { u"重命名完成"_s };
    QTest::newRow("ctrl3-from-name") << int(IDC_EDIT_NAME) << int(Qt::Key_3) << false << u"three"_s << done;
    QTest::newRow("ctrl3-from-prefix") << int(IDC_EDIT_PREFIX) << int(Qt::Key_3) << false << u"three"_s << done;
    QTest::newRow("ctrl3-from-suffix") << int(IDC_EDIT_SUFFIX) << int(Qt::Key_3) << false << u"three"_s << done;
    QTest::newRow("ctrl3-from-queue-quiet")
        << int(IDC_FILE_LIST) << int(Qt::Key_3) << true << u"three"_s << QStringList();
    QTest::newRow("ctrl1") << int(IDC_EDIT_NAME) << int(Qt::Key_1) << false << u"one"_s << done;
    QTest::newRow("ctrl-enter-moves") << int(IDC_EDIT_NAME) << int(Qt::Key_Return) << true << u"typed"_s
                                      << QStringList();
    QTest::newRow("ctrl-keypad-enter") << int(IDC_FILE_LIST) << int(Qt::Key_Enter) << false << u"typed"_s
                                       << QStringList();
    QTest::newRow("unlinked-says-so") << int(IDC_EDIT_NAME) << int(Qt::Key_5) << false << QString()
                                      << QStringList { u"你未设置此快速移动按钮!"_s };
}

// A key runs what a click runs: the same handler, the same message, the same file on disk.
void tst_Workflow::keysClickTheButtons()
{
    QFETCH(int, focus);
    QFETCH(int, key);
    QFETCH(bool, quiet);
    QFETCH(QString, landsIn);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    for (const QString &folder : { u"one"_s, u"three"_s, u"typed"_s })
        QVERIFY(QDir(dir.path()).mkdir(folder));
    CDialogFixture f;
    setSwitch(f, "actionQuietQuickMove", quiet);
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s) }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR1), { dir.filePath(u"one"_s) }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR3), { dir.filePath(u"three"_s) }));
    f.combo(IDC_COMBO_TARGET_DIR)->setEditText(dir.filePath(u"typed"_s));
    f.takeMessages();
    QWidget *focused = f.dlg().item(focus);
    f.dlg().activateWindow();
    focused->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), focused);
    QTest::keyClick(focused, Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(f.prompter().takeTexts(), messages);
    QCOMPARE(QFile::exists(dir.filePath(u"a.txt"_s)), landsIn.isEmpty());
    if (!landsIn.isEmpty())
        QCOMPARE(contentOf(dir.filePath(landsIn + u"/a.txt"_s)), QByteArray("mine"));
}

void tst_Workflow::aHeldKeyFilesOneItem_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("filed"); ///< the filed items, as a pattern in the folder
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("ctrl1-quick-moves") << int(Qt::Key_1) << ctrl << u"one/*"_s;
    QTest::newRow("ctrl-return-moves") << int(Qt::Key_Return) << ctrl << u"typed/*"_s;
    QTest::newRow("enter-renames") << int(Qt::Key_Return) << 0 << u"x-*"_s;
    QTest::newRow("enter-on-the-rename-button") << int(Qt::Key_Return) << 0 << u"x-*"_s;
    QTest::newRow("ctrl-z-undoes") << int(Qt::Key_Z) << ctrl << u"x-*"_s;
}

// Held down, with the keyboard repeating it, a key files one item: the next ones wait for presses of their own.
void tst_Workflow::aHeldKeyFilesOneItem()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, filed);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"one"_s) && QDir(dir.path()).mkdir(u"typed"_s));
    CDialogFixture f;
    QVERIFY(f.useJournal());
    setSwitch(f, "actionKeepPieces", true);
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s), writeFile(dir, u"b.txt"_s), writeFile(dir, u"c.txt"_s) }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR1), { dir.filePath(u"one"_s) }));
    f.combo(IDC_COMBO_TARGET_DIR)->setEditText(dir.filePath(u"typed"_s));
    f.edit(IDC_EDIT_PREFIX)->setText(u"x-"_s);
    QWidget *focused = qstrcmp(QTest::currentDataTag(), "enter-on-the-rename-button") == 0
        ? static_cast<QWidget *>(f.button(IDC_BTN_RENAME))
        : f.edit(IDC_EDIT_NAME);
    f.dlg().activateWindow();
    focused->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), focused);
    const bool undo = key == Qt::Key_Z;
    for (int k = 0; k < (undo ? 3 : 0); ++k)
        QTest::keyClick(focused, Qt::Key_Return);
    const qsizetype before = filesIn(dir, filed);
    QTest::keyPress(focused, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    for (int repeat = 0; repeat < 5; ++repeat) {
        QKeyEvent again(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(), true);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : focused, &again);
    }
    QCOMPARE(filesIn(dir, filed), before + (undo ? -1 : 1));
}

void tst_Workflow::buttonsNameTheirKeys()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"class 1/数学"_s));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s) }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR2), { dir.filePath(u"class 1/数学"_s) }));
    for (int k = 0; k < 5; ++k) {
        const QPushButton *button = f.button(IDC_BTN_DIR1 + k);
        const QString key = u"Ctrl+%1"_s.arg(k + 1);
        QVERIFY2(button->toolTip().endsWith(key), qPrintable(button->toolTip()));
        QVERIFY2(button->accessibleDescription().endsWith(key), qPrintable(button->accessibleDescription()));
    }
    QCOMPARE(f.button(IDC_BTN_DIR2)->toolTip(),
             QDir::toNativeSeparators(dir.filePath(u"class 1/数学"_s)) + u"\n快捷键：Ctrl+2"_s);
    QCOMPARE(f.button(IDC_BTN_DIR2)->text(), u"数学"_s);
    QCOMPARE(f.button(IDC_BTN_MOVE)->toolTip(), u"快捷键：Ctrl+Return"_s);
    QCOMPARE(f.button(IDC_BTN_RENAME)->toolTip(), u"快捷键：Enter"_s);
}

// The warning says which name the click will take; a file another program makes meanwhile is never overwritten.
void tst_Workflow::clashNumberedPastARacer()
{
    QTemporaryDir dir;
    CDialogFixture f;
    QVERIFY(f.useJournal());
    setSwitch(f, "actionNumberOnClash", true);
    writeFile(dir, u"b.txt"_s, "theirs");
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s) }));
    compose(f, {}, u"b"_s, {});
    const auto warning = [&f] { return f.button(IDC_BTN_RENAME)->toolTip().section(u'\n', 0, 0); };
    QTRY_COMPARE(warning(), u"⚠ 名称已存在，将使用“b_2.txt”"_s);
    // The switch changes what the click does: the warning follows it at once.
    setSwitch(f, "actionNumberOnClash", false);
    QTRY_COMPARE(warning(), u"⚠ 目标文件夹中已有“b.txt”"_s);
    setSwitch(f, "actionNumberOnClash", true);
    QTRY_COMPARE(warning(), u"⚠ 名称已存在，将使用“b_2.txt”"_s);
    writeFile(dir, u"b_2.txt"_s, "raced");
    f.click(IDC_BTN_RENAME);
    QCOMPARE(contentOf(dir.filePath(u"b.txt"_s)), QByteArray("theirs"));
    QCOMPARE(contentOf(dir.filePath(u"b_2.txt"_s)), QByteArray("raced"));
    QCOMPARE(contentOf(dir.filePath(u"b_3.txt"_s)), QByteArray("mine"));
    QCOMPARE(f.journal()->history(1).constFirst().destination, dir.filePath(u"b_3.txt"_s));
    QTest::keyClick(f.edit(IDC_EDIT_NAME), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(contentOf(dir.filePath(u"a.txt"_s)), QByteArray("mine"));
    QVERIFY(!QFile::exists(dir.filePath(u"b_3.txt"_s)));
}

// The user picked the third item; after a failure it is still the third item that is loaded, with its base name.
void tst_Workflow::failedItemStaysLoaded()
{
    QTemporaryDir dir;
    CDialogFixture f;
    writeFile(dir, u"taken.txt"_s, "theirs");
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s), writeFile(dir, u"b.txt"_s), writeFile(dir, u"c.txt"_s) }));
    f.queue()->loadRow(2);
    compose(f, {}, u"taken"_s, {});
    f.takeMessages();
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.prompter().takeTexts(), QStringList { u"重命名失败"_s });
    QCOMPARE(f.queue()->currentRow(), 2);
    QCOMPARE(f.editorTexts(), prefixShown + u"|c|"_s + suffixShown);
    compose(f, {}, u"c2"_s, {});
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFile::exists(dir.filePath(u"c2.txt"_s)));
    QCOMPARE(contentOf(dir.filePath(u"taken.txt"_s)), QByteArray("theirs"));
}

void tst_Workflow::clearQueueTouchesNoFile()
{
    QTemporaryDir dir;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s), writeFile(dir, u"b.txt"_s) }));
    f.queue()->loadRow(1);
    auto *clear = f.dlg().findChild<QAction *>(u"actionClearQueue"_s);
    QVERIFY(clear);
    clear->trigger();
    QCOMPARE(f.queue()->count(), 0);
    QVERIFY(f.edit(IDC_EDIT_NAME)->isReadOnly());
    QVERIFY(!f.button(IDC_BTN_RENAME)->isEnabled());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList { u"a.txt"_s, u"b.txt"_s }));
    // The undo key right after brings the queue back, with the item that was loaded.
    QTest::keyClick(f.edit(IDC_EDIT_NAME), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.queue()->count(), 2);
    QCOMPARE(f.queue()->currentRow(), 1);
    QCOMPARE(f.editorTexts(), prefixShown + u"|b|"_s + suffixShown);
    QVERIFY(!f.edit(IDC_EDIT_NAME)->isReadOnly());
}

// Never in whatever folder the program was started from.
void tst_Workflow::folderPickerOpensInTheListedFolder()
{
    QTemporaryDir dir;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s) }));
    f.click(IDC_BTN_ADD_DIR);
    f.combo(IDC_COMBO_TARGET_DIR)->setEditText(QDir::toNativeSeparators(dir.path()));
    f.click(IDC_BTN_ADD_DIR);
    f.combo(IDC_COMBO_TARGET_DIR)->setEditText(u"relative"_s);
    f.click(IDC_BTN_ADD_DIR);
    QCOMPARE(f.prompter().folderStarts, (QStringList { QDir::homePath(), dir.path(), QDir::homePath() }));
}

// Closed and opened again: the same queue, the same item, the same edits; a path gone meanwhile is left out.
void tst_Workflow::queueComesBackAsLeft()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(u"state/queue.sqlite"_s);
    CDialogFixture f;
    f.dlg().keepQueue(store);
    QVERIFY(QSignalSpy(f.dlg().findChild<CQueueKeeper *>(), &CQueueKeeper::restored).wait());
    const QStringList paths { writeFile(dir, u"a.txt"_s), writeFile(dir, u"b.txt"_s), writeFile(dir, u"c.txt"_s),
                              writeFile(dir, u"d.txt"_s) };
    QVERIFY(f.dropOnQueue(paths));
    f.queue()->loadRow(2);
    compose(f, u"期末-"_s, u"c 改"_s, u"_1"_s);
    f.dlg().findChild<CQueueKeeper *>()->flush();
    QVERIFY(f.restart([&] { QVERIFY(QFile::remove(paths.at(1))); }));
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^1 saved queue entries no longer exist"_s));
    f.dlg().keepQueue(store);
    QTRY_COMPARE(f.queue()->count(), 3);
    QCOMPARE(f.queue()->paths(), (QStringList { paths.at(0), paths.at(2), paths.at(3) }));
    QCOMPARE(f.queue()->currentRow(), 1);
    QCOMPARE(f.editorTexts(), u"期末-|c 改|_1"_s);
    // The loaded item is the one the click files.
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFile::exists(dir.filePath(u"期末-c 改_1.txt"_s)));
    // Switched off, nothing comes back.
    setSwitch(f, "actionRestoreQueue", false);
    QVERIFY(f.restart());
    f.dlg().keepQueue(store);
    QTest::qWait(50);
    f.dlg().findChild<CQueueKeeper *>()->flush();
    QCoreApplication::processEvents();
    QCOMPARE(f.queue()->count(), 0);
}

// Leaving writes what the keeper still held back to write.
void tst_Workflow::editsTypedJustBeforeLeavingAreKept()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(u"state/queue.sqlite"_s);
    CDialogFixture f;
    f.dlg().keepQueue(store);
    QVERIFY(QSignalSpy(f.dlg().findChild<CQueueKeeper *>(), &CQueueKeeper::restored).wait());
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s) }));
    compose(f, u"期末-"_s, u"改"_s, u"_1"_s);
    QVERIFY(f.restart());
    QCOMPARE(storedQueue(store).name, u"改"_s);
}

// Once the queue stops changing, a folder that holds many of its paths gets its stamp: the next start need not list it.
void tst_Workflow::folderOfAnIdleQueueIsStamped()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(u"state/queue.sqlite"_s);
    QStringList paths;
    for (int i = 0; i < int(CQueueSnapshot::kListFrom); ++i)
        paths << writeFile(dir, u"many/%1.txt"_s.arg(i));
    // A stamp tells only changes that come more than a tick of the clock after the folder's last one.
    QTest::qSleep(1100);
    const QString folder = dir.filePath(u"many/"_s);
    if (CSystem::folderStamp(folder).isEmpty())
        QSKIP("this file system does not stamp changes to its folders");
    CDialogFixture f;
    f.dlg().keepQueue(store);
    auto *keeper = f.dlg().findChild<CQueueKeeper *>();
    QVERIFY(QSignalSpy(keeper, &CQueueKeeper::restored).wait());
    QVERIFY(f.dropOnQueue(paths));
    QTest::qWait(3300);
    keeper->flush();
    CQueueStore reader;
    QVERIFY(reader.open(store));
    QCOMPARE(reader.loadFolderStamps().keys(), QStringList { folder });
}

// Paths queued while the saved queue is still being read join it; the saved queue is never written over meanwhile.
void tst_Workflow::pathsQueuedBeforeTheRestoreJoinIt()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(u"state/queue.sqlite"_s);
    const QStringList saved { writeFile(dir, u"a.txt"_s), writeFile(dir, u"b.txt"_s) };
    const QString early = writeFile(dir, u"c.txt"_s);
    {
        CQueueStore writer;
        QVERIFY(writer.open(store) && writer.savePaths(saved));
    }
    CDialogFixture f;
    f.dlg().keepQueue(store);
    auto *keeper = f.dlg().findChild<CQueueKeeper *>();
    QSignalSpy back(keeper, &CQueueKeeper::restored);
    f.dlg().queuePaths({ early });
    keeper->flush();
    QCOMPARE(storedQueue(store).paths, saved);
    QVERIFY(back.wait());
    keeper->flush();
    QCOMPARE(f.queue()->paths(), saved + QStringList { early });
    QCOMPARE(storedQueue(store).paths, f.queue()->paths());
}

// Killed without a chance to save anything at the end: the next start has the queue all the same.
void tst_Workflow::queueRestoredAfterKill()
{
#ifdef Q_OS_WIN
    QSKIP("the started program would use this user's own profile and state folder: Windows has no variables to "
          "point it elsewhere (tst_QueueStore holds the saved queue there)");
#endif
    QTemporaryDir dir;
    QVERIFY(QDir().mkdir(dir.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QStringList paths { writeFile(dir, u"files/x.txt"_s), writeFile(dir, u"files/y.txt"_s) };
    const QString store = dir.filePath(u"state/Plindor/queue.sqlite"_s);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(u"run"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, dir.filePath(u"state"_s));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PLINDOR_BINARY), paths);
    QVERIFY(program.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(storedQueue(store).paths, paths, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(storedQueue(store).loaded, paths.at(0), 20000);
    // Written with the loaded item: the edits as the user left them, which is nothing yet, in no language.
    const CQueueStore::Saved saved = storedQueue(store);
    QCOMPARE(saved.prefix + u'|' + saved.name + u'|' + saved.suffix, u"|x|"_s);
    program.kill();
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::CrashExit);

    CDialogFixture f;
    f.dlg().keepQueue(store);
    QTRY_COMPARE(f.queue()->paths(), paths);
    QCOMPARE(f.queue()->currentRow(), 0);
    QCOMPARE(f.editorTexts(), prefixShown + u"|x|"_s + suffixShown);
    QVERIFY(!f.edit(IDC_EDIT_NAME)->isReadOnly());
}

QTEST_MAIN(tst_Workflow)
#include "tst_Workflow.moc"
