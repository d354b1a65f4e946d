// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "core/PathParts.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TreeSnapshot.h"
#include "helpers/Typing.h"
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QString renameFailed = u"重命名失败"_s;
const QString moveChecklist = u"请检查:\n1.看最上面编辑框是不是已经完成重命名和移动\n2.检查文件是否关闭!\n"
                              u"3.目标文件夹中是否存在'重名'!"_s;
const QString quickChecklist
    = u"请检查:\n1.文件是否关闭!\n2.目标文件夹中是否重名!\n3.请确认要重命名文件存在!\n4.请确认当前快捷目录存在!"_s;
const QString prefixShown = u"（添加前缀）"_s;
const QString suffixShown = u"（后缀）"_s;

/// A message as the tests compare it: caption in brackets, then the text.
QString box(const QString &text, const QString &caption = {})
{
    return u'[' + caption + u"] "_s + text;
}

QStringList takeBoxes(const CDialogFixture &f)
{
    QStringList shown;
    for (const CFakePrompter::Message &message : std::as_const(f.prompter().messages))
        shown << box(message.text, message.caption);
    f.prompter().messages.clear();
    return shown;
}

QStringList absolute(const QString &root, const QStringList &relative)
{
    QStringList paths;
    for (const QString &path : relative)
        paths << root + u'/' + path;
    return paths;
}

/// The queue's paths relative to `root`, in the queue's order.
QStringList queued(const CDialogFixture &f, const QString &root)
{
    QStringList paths;
    for (int row = 0; row < f.queue()->count(); ++row)
        paths << QDir(root).relativeFilePath(f.queue()->pathAt(row));
    return paths;
}

/// Brings an edit to `wanted`: untouched when it already shows it, typed on when it extends what is shown,
/// otherwise selected, erased and typed anew. False, with the failure recorded, when the edit does not show it.
[[nodiscard]] bool enter(QLineEdit *edit, const QString &wanted)
{
    if (edit->text() == wanted)
        return true;
    // Inline completion and the like only act on a focused field, as the user's is.
    edit->window()->activateWindow();
    QTest::mouseClick(edit, Qt::LeftButton);
    if (!QTest::qVerify(QTest::qWaitFor([edit] { return edit->hasFocus(); }), "edit->hasFocus()", "", __FILE__,
                        __LINE__))
        return false;
    if (!wanted.startsWith(edit->text())) {
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
    }
    edit->end(false);
    typeLikeAUser(edit, wanted.mid(edit->text().size()));
    return QTest::qCompare(edit->text(), wanted, "edit->text()", "wanted", __FILE__, __LINE__);
}

void clickRow(const CDialogFixture &f, int row)
{
    const QModelIndex entry = f.queue()->model()->index(row, 0);
    f.queue()->scrollTo(entry);
    const QPoint centre = f.queue()->visualRect(entry).center();
    QVERIFY2(f.queue()->viewport()->rect().contains(centre), "the row was not scrolled into view");
    QTest::mouseClick(f.queue()->viewport(), Qt::LeftButton, {}, centre);
}

/// Whether, of the rows in view, exactly `row` is painted with the selection colour.
bool highlightOnlyOn(const CDialogFixture &f, int row)
{
    const QImage shot = f.queue()->viewport()->grab().toImage();
    // The style may shade the selection a little; the palette's colour is what it starts from.
    auto isHighlight = [highlight = f.queue()->palette().color(QPalette::Highlight)](const QColor &c) {
        return qAbs(c.red() - highlight.red()) + qAbs(c.green() - highlight.green()) + qAbs(c.blue() - highlight.blue())
            < 24;
    };
    int shown = 0;
    for (int r = 0; r < f.queue()->count(); ++r) {
        const QRect band = f.queue()->visualRect(f.queue()->model()->index(r, 0));
        if (!shot.rect().contains(QPoint(1, band.center().y())))
            continue;
        ++shown;
        if (isHighlight(shot.pixelColor(1, band.center().y())) != (r == row))
            return false;
    }
    return shown > 0;
}

bool link(const CDialogFixture &f, int id, const QStringList &paths)
{
    return CDropSimulator::dropPaths(f.dropButton(id), paths);
}

/// The editor showing a freshly loaded item: placeholders around its base name.
QString loaded(const QString &name)
{
    return prefixShown + u'|' + name + u'|' + suffixShown;
}

/// Opens the queue's context menu on `row` and either takes the entry `take` or dismisses the menu (empty `take`);
/// false if no menu opened or it lacked the entry.
bool useContextMenu(const CDialogFixture &f, int row, const QString &take)
{
    QWidget *viewport = f.queue()->viewport();
    const QPoint pos = f.queue()->visualRect(f.queue()->model()->index(row, 0)).center();
    bool opened = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll.stop();
        const QList<QAction *> actions = menu->actions();
        const auto named = [&](const QString &text) {
            return std::find_if(actions.begin(), actions.end(), [&](const QAction *a) { return a->text() == text; });
        };
        opened = named(u"从队列中移除（不删除文件）"_s) != actions.end() && named(u"操作记录…"_s) != actions.end();
        if (const auto chosen = named(take); !take.isEmpty() && chosen != actions.end())
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*chosen).center());
        else
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    poll.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &event);
    return opened;
}
} // namespace

/// Renaming, moving and quick-moving through the real window, checked on disk and in the messages shown.
class tst_FileOperations : public CPopupWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void renameComposesTheName_data();
    void renameComposesTheName();
    void composedFromTheCandidateLists_data();
    void composedFromTheCandidateLists();
    void renameRefused_data();
    void renameRefused();
    void emptyNameDoesNothing_data();
    void emptyNameDoesNothing();
    void lastItemLeavesTheDialogIdle_data();
    void lastItemLeavesTheDialogIdle();
    void nextItemIsFirstInQueueOrder();
    void finishedEntryIsTheOneRemoved_data();
    void finishedEntryIsTheOneRemoved();

    void moveNeedsAFolder_data();
    void moveNeedsAFolder();
    void moveIntoAddedFolder_data();
    void moveIntoAddedFolder();
    void moveRefused_data();
    void moveRefused();
    void typedFolderIsUsedAsTyped_data();
    void typedFolderIsUsedAsTyped();

    void quickMoveReadsItsOwnButton_data();
    void quickMoveReadsItsOwnButton();
    void quickMoveLinkedByDrop_data();
    void quickMoveLinkedByDrop();
    void quickMoveRefused_data();
    void quickMoveRefused();
    void rightClickShowsTheLink_data();
    void rightClickShowsTheLink();
    void linkAtAnyDepth_data();
    void linkAtAnyDepth();
    void rootLevelLinkFromAnOlderProfile();
    void droppedFolderBecomesCommonText();

    void addDirectory_data();
    void addDirectory();
    void deleteDirectory_data();
    void deleteDirectory();

    void removeFromQueue_data();
    void removeFromQueue();
};

// ---- Rename ----

void tst_FileOperations::renameComposesTheName_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("placeholders-untouched") << QStringList { u"old.txt"_s } << u"old.txt"_s << prefixShown << u"new"_s
                                            << suffixShown << QStringList { u"new.txt=old.txt"_s };
    QTest::newRow("folder-has-no-extension")
        << QStringList { u"photos.2020/a.jpg"_s } << u"photos.2020"_s << prefixShown << u"2020photos"_s << suffixShown
        << QStringList { u"2020photos/"_s, u"2020photos/a.jpg=photos.2020/a.jpg"_s };
    QTest::newRow("prefix-placeholder-plus-one-character")
        << QStringList { u"a.txt"_s } << u"a.txt"_s << prefixShown + u"x"_s << u"a"_s << suffixShown
        << QStringList { u"（添加前缀）xa.txt=a.txt"_s };
    QTest::newRow("suffix-placeholder-plus-one-character")
        << QStringList { u"a.txt"_s } << u"a.txt"_s << prefixShown << u"a"_s << suffixShown + u"2"_s
        << QStringList { u"a（后缀）2.txt=a.txt"_s };
    QTest::newRow("name-that-the-others-only-differ-from-in-case")
        << QStringList { u"Report.txt"_s, u"report.TXT"_s } << u"Report.txt"_s << prefixShown << u"REPORT"_s
        << suffixShown << QStringList { u"REPORT.txt=Report.txt"_s, u"report.TXT=report.TXT"_s };
}

void tst_FileOperations::renameComposesTheName()
{
    QFETCH(QStringList, files);
    QFETCH(QString, item);
    QFETCH(QString, prefix);
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    QFETCH(QStringList, after);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), files));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ dir.filePath(item) }));
    QVERIFY(enter(f.edit(IDC_EDIT_PREFIX), prefix));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), name));
    QVERIFY(enter(f.edit(IDC_EDIT_SUFFIX), suffix));
    f.click(IDC_BTN_RENAME);
    QCOMPARE(CTreeSnapshot::lines(dir.path()), after);
    QCOMPARE(takeBoxes(f), QStringList());
    QCOMPARE(f.queue()->count(), 0);
}

void tst_FileOperations::composedFromTheCandidateLists_data()
{
    QTest::addColumn<bool>("byKeys");
    QTest::newRow("add-buttons") << false;
    QTest::newRow("choosing-in-the-lists") << true;
}

void tst_FileOperations::composedFromTheCandidateLists()
{
    QFETCH(bool, byKeys);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"x.doc"_s }));
    CDialogFixture f(QDate(2019, 3, 5));
    QVERIFY(f.dropOnQueue({ dir.filePath(u"x.doc"_s) }));
    if (byKeys) {
        // Choosing an entry copies it at once; going away and back still lands on the wanted one.
        QTest::keyClick(f.combo(IDC_COMBO_TERM_A), Qt::Key_Up);
        QTest::keyClick(f.combo(IDC_COMBO_TERM_A), Qt::Key_Down);
        QTest::keyClick(f.combo(IDC_COMBO_SUFFIX), Qt::Key_Down);
        QTest::keyClick(f.combo(IDC_COMBO_SUFFIX), Qt::Key_Up);
    } else {
        f.click(IDC_BTN_ADD_TERM_A);
        f.click(IDC_BTN_ADD_SUFFIX);
    }
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"总结"_s));
    QCOMPARE(f.editorTexts(), u"2019年上期|总结|_1"_s);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(CTreeSnapshot::lines(dir.path()), QStringList { u"2019年上期总结_1.doc=x.doc"_s });
}

void tst_FileOperations::renameRefused_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("removeFirst");

    const QStringList pair { u"a.txt"_s, u"b.txt"_s, u"sub/"_s };
    QTest::newRow("name-taken") << pair << u"b"_s << QString();
    QTest::newRow("name-taken-by-a-folder") << QStringList { u"a.txt"_s, u"sub.txt/"_s } << u"sub"_s << QString();
    QTest::newRow("slash-would-move-into-a-subfolder") << pair << u"sub/a"_s << QString();
    QTest::newRow("parent-would-escape-the-folder") << pair << u"../a"_s << QString();
    QTest::newRow("only-a-slash") << pair << u"/"_s << QString();
    QTest::newRow("dot-dot-on-a-folder") << QStringList { u"a/"_s, u"a/in.txt"_s } << u".."_s << QString();
    QTest::newRow("dot-on-a-folder") << QStringList { u"a/"_s } << u"."_s << QString();
    QTest::newRow("dot-dot-without-extension") << QStringList { u"README"_s } << u".."_s << QString();
    QTest::newRow("nul-in-the-name") << pair << u"b\0c"_s << QString();
    QTest::newRow("source-gone") << pair << u"c"_s << u"a.txt"_s;
}

void tst_FileOperations::renameRefused()
{
    QFETCH(QStringList, files);
    QFETCH(QString, name);
    QFETCH(QString, removeFirst);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), files));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), files.filter(QRegularExpression(u"^[^/]*/?$"_s)))));
    if (!removeFirst.isEmpty())
        QVERIFY(QFile::remove(dir.filePath(removeFirst)));
    const QStringList queueBefore = queued(f, dir.path());
    const QString first = f.edit(IDC_EDIT_NAME)->text();
    const QStringList before = CTreeSnapshot::lines(dir.path());
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), name));
    f.click(IDC_BTN_RENAME);
    QCOMPARE(takeBoxes(f), QStringList { box(renameFailed) });
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(queued(f, dir.path()), queueBefore);
    // The item stays loaded for another try, its composed name dropped.
    QCOMPARE(f.editorTexts(), loaded(first));
    QVERIFY(f.button(IDC_BTN_RENAME)->isEnabled());
}

void tst_FileOperations::emptyNameDoesNothing_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("rename") << int(IDC_BTN_RENAME);
    QTest::newRow("move") << int(IDC_BTN_MOVE);
    QTest::newRow("quick-move") << int(IDC_BTN_DIR2);
}

void tst_FileOperations::emptyNameDoesNothing()
{
    QFETCH(int, button);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"b.txt"_s, u"target/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"b.txt"_s, u"a.txt"_s })));
    f.prompter().folderAnswers << dir.filePath(u"target"_s);
    f.click(IDC_BTN_ADD_DIR);
    QVERIFY(link(f, IDC_BTN_DIR2, { dir.filePath(u"target"_s) }));
    const QStringList before = CTreeSnapshot::lines(dir.path());
    QVERIFY(enter(f.edit(IDC_EDIT_PREFIX), u"p"_s));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), QString()));
    f.click(button);
    QCOMPARE(takeBoxes(f), QStringList());
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(queued(f, dir.path()), (QStringList { u"a.txt"_s, u"b.txt"_s }));
    QCOMPARE(f.editorTexts(), loaded(u"a"_s));
}

void tst_FileOperations::lastItemLeavesTheDialogIdle_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("lands");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("rename") << int(IDC_BTN_RENAME) << u"done.txt=only.txt"_s << QStringList();
    QTest::newRow("move") << int(IDC_BTN_MOVE) << u"target/done.txt=only.txt"_s << QStringList();
    QTest::newRow("quick-move") << int(IDC_BTN_DIR5) << u"target/done.txt=only.txt"_s
                                << QStringList { box(u"重命名完成"_s) };
}

void tst_FileOperations::lastItemLeavesTheDialogIdle()
{
    QFETCH(int, button);
    QFETCH(QString, lands);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"only.txt"_s, u"target/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ dir.filePath(u"only.txt"_s) }));
    f.prompter().folderAnswers << dir.filePath(u"target"_s);
    f.click(IDC_BTN_ADD_DIR);
    QVERIFY(link(f, IDC_BTN_DIR5, { dir.filePath(u"target"_s) }));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"done"_s));
    f.click(button);
    QCOMPARE(takeBoxes(f), messages);
    QCOMPARE(CTreeSnapshot::lines(dir.path()).filter(u".txt"_s), QStringList { lands });
    QCOMPARE(f.queue()->count(), 0);
    for (int id = IDC_BTN_ADD_TERM_A; id <= IDC_BTN_DEL_DIR; ++id)
        QVERIFY2(!f.dlg().item(id)->isEnabled(), f.dlg().item(id)->objectName().toLatin1());
    for (int id : { IDC_EDIT_PREFIX, IDC_EDIT_NAME, IDC_EDIT_SUFFIX }) {
        QVERIFY(f.edit(id)->isReadOnly());
        QVERIFY(f.edit(id)->text().isEmpty());
    }
    for (int id = IDC_COMBO_TERM_A; id <= IDC_COMBO_TARGET_DIR; ++id)
        QVERIFY2(f.dlg().item(id)->isEnabled(), f.dlg().item(id)->objectName().toLatin1());
    QVERIFY(f.button(IDCANCEL)->isEnabled());
    // A new drop takes the dialog back to work.
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"next.txt"_s }));
    QVERIFY(f.dropOnQueue({ dir.filePath(u"next.txt"_s) }));
    QVERIFY(f.button(IDC_BTN_RENAME)->isEnabled());
    QVERIFY(!f.edit(IDC_EDIT_NAME)->isReadOnly());
}

void tst_FileOperations::nextItemIsFirstInQueueOrder()
{
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"item10.txt"_s, u"item2.txt"_s, u"Item1.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"item10.txt"_s, u"item2.txt"_s, u"Item1.txt"_s })));
    QCOMPARE(f.editorTexts(), loaded(u"Item1"_s));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"first"_s));
    f.click(IDC_BTN_RENAME);
    // Numbers count by value and case is ignored, as a file manager lists them.
    QCOMPARE(f.editorTexts(), loaded(u"item2"_s));
    QCOMPARE(f.queue()->currentRow(), 0);
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"second"_s));
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.editorTexts(), loaded(u"item10"_s));
    QCOMPARE(CTreeSnapshot::lines(dir.path()),
             (QStringList { u"first.txt=Item1.txt"_s, u"item10.txt=item10.txt"_s, u"second.txt=item2.txt"_s }));
    QCOMPARE(takeBoxes(f), QStringList());
}

void tst_FileOperations::finishedEntryIsTheOneRemoved_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("lands");

    QStringList five;
    QStringList thirty;
    for (int n = 1; n <= 30; ++n)
        (n <= 5 ? five : thirty) << u"src/f%1.txt"_s.arg(n);
    thirty = five + thirty;
    QTest::newRow("rename-fourth") << int(IDC_BTN_RENAME) << five << 3 << QList<int>() << 3
                                   << u"src/picked.txt=src/f4.txt"_s;
    QTest::newRow("move-fourth") << int(IDC_BTN_MOVE) << five << 3 << QList<int>() << 3
                                 << u"target/picked.txt=src/f4.txt"_s;
    QTest::newRow("quick-move-fourth") << int(IDC_BTN_DIR1) << five << 3 << QList<int>() << 3
                                       << u"target/picked.txt=src/f4.txt"_s;
    QTest::newRow("rename-last") << int(IDC_BTN_RENAME) << five << 4 << QList<int>() << 4
                                 << u"src/picked.txt=src/f5.txt"_s;
    QTest::newRow("rename-case-variant") << int(IDC_BTN_RENAME) << QStringList { u"src/Note.txt"_s, u"src/note.txt"_s }
                                         << 1 << QList<int>() << 1 << u"src/picked.txt=src/note.txt"_s;
    QTest::newRow("rename-far-down-a-long-queue")
        << int(IDC_BTN_RENAME) << thirty << 25 << QList<int>() << 25 << u"src/picked.txt=src/f26.txt"_s;
    // Keys move the selection and load the item they land on, as a click does.
    QTest::newRow("rename-after-arrow-keys")
        << int(IDC_BTN_RENAME) << five << 1 << QList<int> { Qt::Key_Down, Qt::Key_Down } << 3
        << u"src/picked.txt=src/f4.txt"_s;
    QTest::newRow("quick-move-after-arrow-keys")
        << int(IDC_BTN_DIR1) << five << 0 << QList<int> { Qt::Key_Down, Qt::Key_Down, Qt::Key_Down } << 3
        << u"target/picked.txt=src/f4.txt"_s;
    QTest::newRow("rename-after-end-key")
        << int(IDC_BTN_RENAME) << thirty << 2 << QList<int> { Qt::Key_End } << 29 << u"src/picked.txt=src/f30.txt"_s;
    QTest::newRow("move-after-end-home-down")
        << int(IDC_BTN_MOVE) << thirty << 27 << QList<int> { Qt::Key_End, Qt::Key_Home, Qt::Key_Down } << 1
        << u"target/picked.txt=src/f2.txt"_s;
}

void tst_FileOperations::finishedEntryIsTheOneRemoved()
{
    QFETCH(int, button);
    QFETCH(QStringList, files);
    QFETCH(int, row);
    QFETCH(QList<int>, keys);
    QFETCH(int, selected);
    QFETCH(QString, lands);
    const int loadedRow = selected;
    QStringList remaining = files;
    remaining.removeAt(loadedRow);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), files + QStringList { u"target/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), files)));
    f.prompter().folderAnswers << dir.filePath(u"target"_s);
    f.click(IDC_BTN_ADD_DIR);
    QVERIFY(link(f, IDC_BTN_DIR1, { dir.filePath(u"target"_s) }));
    QCOMPARE(queued(f, dir.path()), files);
    clickRow(f, row);
    for (int key : std::as_const(keys))
        QTest::keyClick(f.queue(), Qt::Key(key));
    QCOMPARE(f.queue()->currentRow(), selected);
    QVERIFY(highlightOnlyOn(f, selected));
    QCOMPARE(f.editorTexts(), loaded(QFileInfo(files.at(loadedRow)).completeBaseName()));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"picked"_s));
    f.click(button);
    QCOMPARE(queued(f, dir.path()), remaining);
    QVERIFY(CTreeSnapshot::lines(dir.path()).contains(lands));
    QVERIFY(!QFile::exists(dir.filePath(files.at(loadedRow))));
    for (const QString &left : remaining)
        QVERIFY2(QFile::exists(dir.filePath(left)), qPrintable(left));
    // Then the first entry is loaded and scrolled into view, and the next rename acts on it.
    QCOMPARE(f.queue()->currentRow(), 0);
    QCOMPARE(f.queue()->indexAt(QPoint(1, 1)).row(), 0);
    QCOMPARE(f.editorTexts(), loaded(QFileInfo(remaining.constFirst()).completeBaseName()));
    takeBoxes(f);
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"then"_s));
    f.click(IDC_BTN_RENAME);
    QCOMPARE(takeBoxes(f), QStringList());
    QVERIFY(CTreeSnapshot::lines(dir.path()).contains(u"src/then.txt="_s + remaining.constFirst()));
}

// ---- Move ----

void tst_FileOperations::moveNeedsAFolder_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("list-at-its-placeholder") << u"placeholder"_s;
    QTest::newRow("list-emptied") << u"emptied"_s;
    QTest::newRow("field-erased") << u"erased"_s;
    QTest::newRow("placeholder-typed") << u"typed"_s;
}

void tst_FileOperations::moveNeedsAFolder()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"b.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"a.txt"_s, u"b.txt"_s })));
    QLineEdit *field = f.combo(IDC_COMBO_TARGET_DIR)->lineEdit();
    if (how == u"emptied")
        f.click(IDC_BTN_DEL_DIR);
    if (how == u"erased" || how == u"typed") {
        f.prompter().folderAnswers << dir.path();
        f.click(IDC_BTN_ADD_DIR);
        QVERIFY(enter(field, how == u"typed" ? u"拖入文件夹"_s : QString()));
    }
    const QStringList before = CTreeSnapshot::lines(dir.path());
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"moved"_s));
    f.click(IDC_BTN_MOVE);
    QCOMPARE(takeBoxes(f), QStringList { box(u"请先选择文件夹"_s) });
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(queued(f, dir.path()), (QStringList { u"a.txt"_s, u"b.txt"_s }));
    QCOMPARE(f.editorTexts(), loaded(u"a"_s));
}

void tst_FileOperations::moveIntoAddedFolder_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("file") << u"src/a.txt"_s
                          << QStringList { u"src/"_s, u"src/b.txt=src/b.txt"_s, u"target/"_s,
                                           u"target/p_n.txt=src/a.txt"_s };
    QTest::newRow("folder-with-contents")
        << u"src/a.d"_s
        << QStringList { u"src/"_s,        u"src/b.txt=src/b.txt"_s, u"target/"_s,
                         u"target/p_n/"_s, u"target/p_n/deep/"_s,    u"target/p_n/deep/x=src/a.d/deep/x"_s };
}

void tst_FileOperations::moveIntoAddedFolder()
{
    QFETCH(QString, item);
    QFETCH(QStringList, after);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"src/a.txt"_s, u"src/a.d/deep/x"_s, u"src/b.txt"_s, u"target/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { item, u"src/b.txt"_s })));
    f.prompter().folderAnswers << dir.filePath(u"target"_s);
    f.click(IDC_BTN_ADD_DIR);
    QVERIFY(enter(f.edit(IDC_EDIT_PREFIX), u"p_"_s));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"n"_s));
    f.click(IDC_BTN_MOVE);
    QCOMPARE(takeBoxes(f), QStringList());
    QStringList tree = CTreeSnapshot::lines(dir.path());
    tree.removeIf([](const QString &entry) { return entry.startsWith(u"src/a."_s); });
    QCOMPARE(tree, after);
    QVERIFY(!QFileInfo::exists(dir.filePath(item)));
    QCOMPARE(queued(f, dir.path()), QStringList { u"src/b.txt"_s });
    QCOMPARE(f.editorTexts(), loaded(u"b"_s));
    // The list keeps the folder for the next move.
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->currentText(), dir.filePath(u"target"_s));
}

void tst_FileOperations::moveRefused_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removeTarget");

    QTest::newRow("name-taken-in-target") << u"a.txt"_s << u"target"_s << u"a"_s << false;
    QTest::newRow("target-removed-after-adding") << u"a.txt"_s << u"target"_s << u"z"_s << true;
    QTest::newRow("target-is-a-file") << u"a.txt"_s << u"b.txt"_s << u"z"_s << false;
    QTest::newRow("already-there-under-that-name") << u"target/a.txt"_s << u"target"_s << u"a"_s << false;
    QTest::newRow("folder-into-itself") << u"d"_s << u"d"_s << u"d"_s << false;
    // Joined with the root, a name taken there is refused without writing anywhere outside the test folder.
    QTest::newRow("root-name-taken") << u"d"_s << u"/"_s << QDir::tempPath().section(u'/', 1, 1) << false;
}

void tst_FileOperations::moveRefused()
{
    QFETCH(QString, item);
    QFETCH(QString, target);
    QFETCH(QString, name);
    QFETCH(bool, removeTarget);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"b.txt"_s, u"d/"_s, u"target/a.txt"_s, u"z.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { item, u"z.txt"_s })));
    // The row's own item must be the one loaded: the root row must never move anything else.
    QCOMPARE(f.editorTexts(), loaded(QFileInfo(item).completeBaseName()));
    const QString folder = target.startsWith(u'/') ? target : dir.filePath(target);
    f.prompter().folderAnswers << folder;
    f.click(IDC_BTN_ADD_DIR);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->currentText(), target == u"b.txt" ? dir.path() : folder);
    if (target == u"b.txt")
        QVERIFY(enter(f.combo(IDC_COMBO_TARGET_DIR)->lineEdit(), folder));
    if (removeTarget)
        QVERIFY(QDir(folder).removeRecursively());
    const QStringList queueBefore = queued(f, dir.path());
    const QString first = f.edit(IDC_EDIT_NAME)->text();
    const QStringList before = CTreeSnapshot::lines(dir.path());
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), name));
    f.click(IDC_BTN_MOVE);
    QCOMPARE(takeBoxes(f), QStringList { box(moveChecklist, u"错误提示"_s) });
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(queued(f, dir.path()), queueBefore);
    QCOMPARE(f.editorTexts(), loaded(first));
}

void tst_FileOperations::typedFolderIsUsedAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lands");
    QTest::newRow("trailing-separator") << u"target/"_s << u"target/n.txt=a.txt"_s;
    QTest::newRow("not-in-the-list") << u"other"_s << u"other/n.txt=a.txt"_s;
    // Completing a typed folder from the list would move the file somewhere the user did not name.
    QTest::newRow("beginning-of-a-listed-folder") << u"tar"_s << u"tar/n.txt=a.txt"_s;
    QTest::newRow("listed-folder-in-other-case") << u"TARGET"_s << u"TARGET/n.txt=a.txt"_s;
}

void tst_FileOperations::typedFolderIsUsedAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, lands);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"target/"_s, u"TARGET/"_s, u"other/"_s, u"tar/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ dir.filePath(u"a.txt"_s) }));
    f.prompter().folderAnswers << dir.filePath(u"target"_s);
    f.click(IDC_BTN_ADD_DIR);
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    QVERIFY(enter(combo->lineEdit(), dir.filePath(typed)));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"n"_s));
    f.click(IDC_BTN_MOVE);
    QCOMPARE(takeBoxes(f), QStringList());
    QCOMPARE(CTreeSnapshot::lines(dir.path()).filter(u".txt"_s), QStringList { lands });
    // Typing only points the move somewhere; the list itself is left alone.
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->itemText(0), dir.filePath(u"target"_s));
}

// ---- Quick-move buttons ----

void tst_FileOperations::quickMoveReadsItsOwnButton_data()
{
    QTest::addColumn<int>("linked");
    for (int k = 0; k < 5; ++k)
        QTest::addRow("button-%d", k + 1) << int(IDC_BTN_DIR1) + k;
}

void tst_FileOperations::quickMoveReadsItsOwnButton()
{
    QFETCH(int, linked);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"b.txt"_s, u"target/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"a.txt"_s, u"b.txt"_s })));
    QVERIFY(link(f, linked, { dir.filePath(u"target"_s) }));
    const QStringList before = CTreeSnapshot::lines(dir.path());
    for (int id = IDC_BTN_DIR1; id <= IDC_BTN_DIR5; ++id) {
        if (id == linked)
            continue;
        QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"n"_s));
        f.click(id);
        QCOMPARE(takeBoxes(f), QStringList { box(u"你未设置此快速移动按钮!"_s) });
        QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
        QCOMPARE(f.editorTexts(), loaded(u"a"_s));
    }
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"n"_s));
    f.click(linked);
    QCOMPARE(takeBoxes(f), QStringList { box(u"重命名完成"_s) });
    QCOMPARE(CTreeSnapshot::lines(dir.path()),
             (QStringList { u"b.txt=b.txt"_s, u"target/"_s, u"target/n.txt=a.txt"_s }));
}

void tst_FileOperations::quickMoveLinkedByDrop_data()
{
    // One drop per entry, the paths of one drop separated by '|'.
    QTest::addColumn<QStringList>("drops");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("folder") << QStringList { u"work/docs"_s } << QString();
    QTest::newRow("file-inside-the-folder") << QStringList { u"work/docs/inside.txt"_s } << u"inside.txt"_s;
    QTest::newRow("several-only-the-first-counts") << QStringList { u"work/docs|work/other|a.txt"_s } << QString();
    QTest::newRow("new-drop-replaces-the-link") << QStringList { u"work/other"_s, u"work/docs"_s } << QString();
    QTest::newRow("folder-after-a-file-keeps-the-file-name")
        << QStringList { u"work/other/kept.txt"_s, u"work/docs"_s } << u"kept.txt"_s;
}

void tst_FileOperations::quickMoveLinkedByDrop()
{
    QFETCH(QStringList, drops);
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(),
                                { u"a.txt"_s, u"b.txt"_s, u"work/docs/inside.txt"_s, u"work/other/kept.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"a.txt"_s, u"b.txt"_s })));
    for (const QString &drop : std::as_const(drops))
        QVERIFY(link(f, IDC_BTN_DIR3, absolute(dir.path(), drop.split(u'|'))));
    CMyButton *button = f.dropButton(IDC_BTN_DIR3);
    QCOMPARE(button->text(), u"docs"_s);
    QCOMPARE(button->m_filePathName, dir.filePath(u"work/docs"_s));
    QCOMPARE(button->m_filePath, dir.filePath(u"work"_s));
    QCOMPARE(button->m_fileName, fileName);
    QVERIFY(enter(f.edit(IDC_EDIT_PREFIX), u"2024_"_s));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"y"_s));
    const QStringList before = CTreeSnapshot::lines(dir.path());
    f.click(IDC_BTN_DIR3);
    QCOMPARE(takeBoxes(f), QStringList { box(u"重命名完成"_s) });
    QStringList expected = before;
    expected.removeOne(u"a.txt=a.txt"_s);
    expected << u"work/docs/2024_y.txt=a.txt"_s;
    expected.sort();
    QCOMPARE(CTreeSnapshot::lines(dir.path()), expected);
    QCOMPARE(queued(f, dir.path()), QStringList { u"b.txt"_s });
    QCOMPARE(f.editorTexts(), loaded(u"b"_s));
}

void tst_FileOperations::quickMoveRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spoil");
    QTest::newRow("name-taken-in-folder") << u"taken"_s << QString();
    QTest::newRow("linked-folder-deleted") << u"n"_s << u"folder"_s;
    QTest::newRow("linked-folder-replaced-by-a-file") << u"n"_s << u"file"_s;
    QTest::newRow("source-gone") << u"n"_s << u"source"_s;
    QTest::newRow("slash-in-the-name") << u"../../escaped"_s << QString();
}

void tst_FileOperations::quickMoveRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, spoil);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"b.txt"_s, u"work/docs/taken.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"a.txt"_s, u"b.txt"_s })));
    QVERIFY(link(f, IDC_BTN_DIR4, { dir.filePath(u"work/docs"_s) }));
    const QString docs = dir.filePath(u"work/docs"_s);
    if (spoil == u"folder" || spoil == u"file")
        QVERIFY(QDir(docs).removeRecursively());
    if (spoil == u"file")
        QVERIFY(CTreeSnapshot::make(dir.path(), { u"work/docs"_s }));
    if (spoil == u"source")
        QVERIFY(QFile::remove(dir.filePath(u"a.txt"_s)));
    const QStringList queueBefore = queued(f, dir.path());
    const QStringList before = CTreeSnapshot::lines(dir.path());
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), name));
    f.click(IDC_BTN_DIR4);
    QCOMPARE(takeBoxes(f), QStringList { box(quickChecklist, u"重命名或移动失败"_s) });
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(queued(f, dir.path()), queueBefore);
    QCOMPARE(f.editorTexts(), loaded(u"a"_s));
}

void tst_FileOperations::rightClickShowsTheLink_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("linked-quick-move") << int(IDC_BTN_DIR2) << u"work/docs"_s << true << u"work/docs"_s;
    QTest::newRow("linked-by-a-file") << int(IDC_BTN_DIR2) << u"work/docs/in.txt"_s << true << u"work/docs"_s;
    QTest::newRow("unlinked-quick-move") << int(IDC_BTN_DIR2) << QString() << true << QString();
    QTest::newRow("common-text") << int(IDC_BTN_TEXT4) << u"work/docs"_s << true << u"work/docs"_s;
    QTest::newRow("add-button") << int(IDC_BTN_ADD_DATE) << QString() << true << QString();
    QTest::newRow("disabled-before-any-drop") << int(IDC_BTN_DIR2) << QString() << false << QString();
}

void tst_FileOperations::rightClickShowsTheLink()
{
    QFETCH(int, id);
    QFETCH(QString, dropped);
    QFETCH(bool, enabled);
    QFETCH(QString, firstLine);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"work/docs/in.txt"_s }));
    CDialogFixture f;
    if (enabled)
        QVERIFY(f.dropOnQueue({ dir.filePath(u"a.txt"_s) }));
    if (!dropped.isEmpty())
        QVERIFY(link(f, id, { dir.filePath(dropped) }));
    const QStringList before = CTreeSnapshot::lines(dir.path());
    QTest::mouseClick(f.dropButton(id), Qt::RightButton);
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    if (!enabled) {
        QCOMPARE(takeBoxes(f), QStringList());
        return;
    }
    QCOMPARE(f.prompter().messages.size(), 1);
    QCOMPARE(f.prompter().messages.constFirst().owner, f.dropButton(id));
    const QString shown = firstLine.isEmpty() ? QString() : dir.filePath(firstLine);
    QCOMPARE(
        takeBoxes(f),
        QStringList { box(shown + u"\n要修改改本链接只需要拖入新的文件夹或文件^V^"_s, u"此按钮链接的目标文件夹:"_s) });
    QCOMPARE(f.editorTexts(), loaded(u"a"_s));
}

void tst_FileOperations::linkAtAnyDepth_data()
{
    // "<top>" stands for a fresh folder: directly under / where `underRoot` says so, else deep in a temporary one.
    QTest::addColumn<bool>("underRoot");
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<QString>("linked");
    QTest::newRow("root") << true << u"/"_s << u"/"_s;
    QTest::newRow("folder-under-root") << true << u"<top>"_s << u"<top>"_s;
    QTest::newRow("file-in-a-folder-under-root") << true << u"<top>/in.txt"_s << u"<top>"_s;
    QTest::newRow("file-in-root") << true << u"<top>.txt"_s << u"/"_s;
    QTest::newRow("deep-folder") << false << u"<top>/a/b/c"_s << u"<top>/a/b/c"_s;
}

void tst_FileOperations::linkAtAnyDepth()
{
    QFETCH(bool, underRoot);
    QFETCH(QString, dropped);
    QFETCH(QString, linked);
    if (underRoot && ::geteuid() != 0)
        QSKIP("creating and filling folders directly under / needs root; run as root to check links there");
    QTemporaryDir items;
    QTemporaryDir top(underRoot ? u"/plindor-link-XXXXXX"_s : QDir::tempPath() + u"/plindor-link-XXXXXX"_s);
    QVERIFY(items.isValid() && top.isValid());
    const auto resolve = [&top](QString path) { return path.replace(u"<top>"_s, top.path()); };
    dropped = resolve(dropped);
    linked = resolve(linked);
    QVERIFY(CTreeSnapshot::make(items.path(), { u"a.txt"_s }));
    QVERIFY(CTreeSnapshot::make(top.path(), { u"in.txt"_s, u"a/b/c/"_s }));
    if (dropped == top.path() + u".txt"_s)
        QVERIFY(CTreeSnapshot::make(u"/"_s, { QFileInfo(dropped).fileName() }));
    // What lands in / is named after the fresh folder, so it cannot meet anything there, and is removed again.
    const QString name = QFileInfo(top.path()).fileName() + u"-moved"_s;
    const QString landed = CPathParts::join(linked, name + u".txt"_s);
    const auto tidy = qScopeGuard([&] {
        QFile::remove(landed);
        QFile::remove(top.path() + u".txt"_s);
    });

    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ items.filePath(u"a.txt"_s) }));
    QVERIFY(link(f, IDC_BTN_DIR1, { dropped }));
    CMyButton *button = f.dropButton(IDC_BTN_DIR1);
    QCOMPARE(button->caption(), linked == u"/" ? linked : QFileInfo(linked).fileName());
    QTest::mouseClick(button, Qt::RightButton);
    QCOMPARE(
        takeBoxes(f),
        QStringList { box(linked + u"\n要修改改本链接只需要拖入新的文件夹或文件^V^"_s, u"此按钮链接的目标文件夹:"_s) });
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), name));
    f.click(IDC_BTN_DIR1);
    QCOMPARE(takeBoxes(f), QStringList { box(u"重命名完成"_s) });
    QVERIFY(QFileInfo(landed).isFile());
    QVERIFY(!QFileInfo::exists(items.filePath(u"a.txt"_s)));
}

// Profiles written before folders under / could be linked hold such a link with an empty parent.
void tst_FileOperations::rootLevelLinkFromAnOlderProfile()
{
    QTemporaryDir items;
    QVERIFY(CTreeSnapshot::make(items.path(), { u"a.txt"_s }));
    const QString name = QFileInfo(items.path()).fileName() + u"-moved"_s;
    const QString landed = u"/tmp/"_s + name + u".txt"_s;
    const auto tidy = qScopeGuard([&] { QFile::remove(landed); });
    CDialogFixture f;
    QVERIFY(f.restart([&f] {
        QSettings profile(f.profilePath(), QSettings::IniFormat);
        profile.setValue(u"m_BTdir3/m_filePathName"_s, u"/tmp"_s);
        profile.setValue(u"m_BTdir3/m_filePath"_s, QString());
        profile.setValue(u"m_BTdir3/m_Name"_s, u"tmp"_s);
    }));
    QVERIFY(f.dropOnQueue({ items.filePath(u"a.txt"_s) }));
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), name));
    f.click(IDC_BTN_DIR3);
    QCOMPARE(takeBoxes(f), QStringList { box(u"重命名完成"_s) });
    QVERIFY(QFileInfo(landed).isFile());
}

void tst_FileOperations::droppedFolderBecomesCommonText()
{
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"高四/x.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ dir.filePath(u"a.txt"_s) }));
    QVERIFY(link(f, IDC_BTN_TEXT1, { dir.filePath(u"高四"_s) }));
    QCOMPARE(f.button(IDC_BTN_TEXT1)->text(), u"高四"_s);
    QVERIFY(link(f, IDC_BTN_TEXT2, { dir.filePath(u"高四/x.txt"_s) }));
    QCOMPARE(f.button(IDC_BTN_TEXT2)->text(), u"高四"_s);
    f.click(IDC_BTN_TEXT1);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"高四a"_s);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(CTreeSnapshot::lines(dir.path()),
             (QStringList { u"高四/"_s, u"高四/x.txt=高四/x.txt"_s, u"高四a.txt=a.txt"_s }));
    QCOMPARE(takeBoxes(f), QStringList());
}

// ---- The target-folder list ----

void tst_FileOperations::addDirectory_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("selected");

    const QString placeholder = u"拖入文件夹"_s;
    QTest::newRow("cancelled") << QStringList { QString() } << QStringList { placeholder } << 0;
    QTest::newRow("first-replaces-the-placeholder") << QStringList { u"A"_s } << QStringList { u"A"_s } << 0;
    QTest::newRow("second-is-appended-and-selected")
        << QStringList { u"B"_s, u"A"_s } << QStringList { u"B"_s, u"A"_s } << 1;
    QTest::newRow("same-folder-twice") << QStringList { u"A"_s, u"B"_s, u"A"_s } << QStringList { u"A"_s, u"B"_s } << 0;
    QTest::newRow("case-variants-are-different-folders")
        << QStringList { u"A"_s, u"a"_s } << QStringList { u"A"_s, u"a"_s } << 1;
    QTest::newRow("file-gives-its-folder") << QStringList { u"A/f.txt"_s } << QStringList { u"A"_s } << 0;
    QTest::newRow("file-in-a-listed-folder")
        << QStringList { u"A"_s, u"B"_s, u"A/f.txt"_s } << QStringList { u"A"_s, u"B"_s } << 0;
    QTest::newRow("cancel-keeps-the-choice")
        << QStringList { u"A"_s, u"B"_s, QString() } << QStringList { u"A"_s, u"B"_s } << 1;
}

void tst_FileOperations::addDirectory()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, entries);
    QFETCH(int, selected);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"item.txt"_s, u"A/f.txt"_s, u"a/"_s, u"B/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ dir.filePath(u"item.txt"_s) }));
    for (const QString &answer : std::as_const(answers)) {
        f.prompter().folderAnswers << (answer.isEmpty() ? QString() : dir.filePath(answer));
        f.click(IDC_BTN_ADD_DIR);
    }
    QCOMPARE(f.prompter().folderTitles, QStringList(answers.size(), u"请选择处理结果存储路径"_s));
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    QStringList listed;
    for (int i = 0; i < combo->count(); ++i)
        listed << combo->itemText(i);
    QCOMPARE(listed,
             entries.size() == 1 && entries.constFirst() == u"拖入文件夹" ? entries : absolute(dir.path(), entries));
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(combo->currentText(), listed.at(selected));
    QCOMPARE(takeBoxes(f), QStringList());
    QCOMPARE(f.editorTexts(), loaded(u"item"_s));
}

void tst_FileOperations::deleteDirectory_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<int>("select");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("middle-entry") << QStringList { u"A"_s, u"B"_s, u"C"_s } << 1 << QStringList { u"A"_s, u"C"_s };
    QTest::newRow("first-entry") << QStringList { u"A"_s, u"B"_s } << 0 << QStringList { u"B"_s };
    QTest::newRow("last-entry") << QStringList { u"A"_s, u"B"_s, u"C"_s } << 2 << QStringList { u"A"_s, u"B"_s };
    QTest::newRow("only-entry") << QStringList { u"A"_s } << 0 << QStringList();
    QTest::newRow("the-placeholder") << QStringList() << 0 << QStringList();
}

void tst_FileOperations::deleteDirectory()
{
    QFETCH(QStringList, added);
    QFETCH(int, select);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"item.txt"_s, u"A/"_s, u"B/"_s, u"C/"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ dir.filePath(u"item.txt"_s) }));
    f.prompter().folderAnswers = absolute(dir.path(), added);
    for (qsizetype i = 0; i < added.size(); ++i)
        f.click(IDC_BTN_ADD_DIR);
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    combo->setCurrentIndex(select);
    const QStringList before = CTreeSnapshot::lines(dir.path());
    f.click(IDC_BTN_DEL_DIR);
    QStringList listed;
    for (int i = 0; i < combo->count(); ++i)
        listed << combo->itemText(i);
    QCOMPARE(listed, absolute(dir.path(), left));
    QCOMPARE(combo->currentIndex(), left.isEmpty() ? -1 : 0);
    QCOMPARE(combo->currentText(), left.isEmpty() ? QString() : dir.filePath(left.constFirst()));
    // Only the list changes: no folder is removed from the disk.
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(takeBoxes(f), QStringList());
    if (left.isEmpty()) {
        f.click(IDC_BTN_MOVE);
        QCOMPARE(takeBoxes(f), QStringList { box(u"请先选择文件夹"_s) });
    }
}

// ---- Taking items off the queue ----

void tst_FileOperations::removeFromQueue_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("delete-key-middle") << u"key"_s << 1 << QStringList { u"a.txt"_s, u"c.txt"_s };
    QTest::newRow("delete-key-first") << u"key"_s << 0 << QStringList { u"b.txt"_s, u"c.txt"_s };
    QTest::newRow("menu-middle") << u"menu"_s << 1 << QStringList { u"a.txt"_s, u"c.txt"_s };
    QTest::newRow("menu-on-an-unselected-row") << u"menu-other"_s << 2 << QStringList { u"a.txt"_s, u"b.txt"_s };
    QTest::newRow("menu-dismissed") << u"dismiss"_s << 1 << QStringList { u"a.txt"_s, u"b.txt"_s, u"c.txt"_s };
}

void tst_FileOperations::removeFromQueue()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    QVERIFY(CTreeSnapshot::make(dir.path(), { u"a.txt"_s, u"b.txt"_s, u"c.txt"_s }));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(absolute(dir.path(), { u"c.txt"_s, u"b.txt"_s, u"a.txt"_s })));
    const QStringList before = CTreeSnapshot::lines(dir.path());
    clickRow(f, how == u"menu-other" ? 0 : row);
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"unsaved"_s));
    if (how == u"key")
        QTest::keyClick(f.queue(), Qt::Key_Delete);
    else
        QVERIFY(useContextMenu(f, row, how == u"dismiss" ? QString() : u"从队列中移除（不删除文件）"_s));
    QCOMPARE(queued(f, dir.path()), left);
    QCOMPARE(CTreeSnapshot::lines(dir.path()), before);
    QCOMPARE(takeBoxes(f), QStringList());
    const bool removed = left.size() < 3;
    if (removed) {
        QCOMPARE(f.queue()->currentRow(), 0);
        QCOMPARE(f.editorTexts(), loaded(QFileInfo(left.constFirst()).completeBaseName()));
    } else {
        QCOMPARE(f.editorTexts(), loaded(u"unsaved"_s));
    }
    // The next rename acts on the item the editor shows, never on the one taken off.
    const QString shown = removed ? left.constFirst() : queued(f, dir.path()).at(row);
    QVERIFY(enter(f.edit(IDC_EDIT_NAME), u"renamed"_s));
    f.click(IDC_BTN_RENAME);
    QVERIFY(CTreeSnapshot::lines(dir.path()).contains(u"renamed.txt="_s + shown));
    QVERIFY(!QFile::exists(dir.filePath(shown)));
}

QTEST_MAIN(tst_FileOperations)
#include "tst_FileOperations.moc"
