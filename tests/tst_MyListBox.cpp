// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace
{
QStringList queued(const CMyListBox *list)
{
    QStringList paths;
    for (int row = 0; row < list->count(); ++row)
        paths << list->pathAt(row);
    return paths;
}

void clickRow(CMyListBox *list, int row, Qt::KeyboardModifiers modifiers = {})
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QVERIFY(rect.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

/// Paths under one root from a few names that differ in case, in numbers and in their folders, so that
/// random draws repeat paths within a drop and across drops. Some letters sort differently in some languages
/// (Swedish ä after z, Danish aa after z, Turkish dotless ı, Czech ch after h).
QStringList randomPaths(std::mt19937 &random, int count)
{
    static const QStringList folders { u"a"_s, u"A"_s, u"v9"_s, u"v10"_s, u"V10"_s, u"x y"_s, u"z"_s, u"aa"_s };
    static const QStringList stems { u"file"_s, u"File"_s, u"FILE"_s,  u"报告"_s, u"Änderung"_s, u"änderung"_s,
                                     u"ıi"_s,   u"Ii"_s,   u"chata"_s, u"hrad"_s, u"zebra"_s };
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << u"/q/%1/%2%3.txt"_s.arg(folders.at(random() % folders.size()), stems.at(random() % stems.size()))
                     .arg(random() % 400);
    }
    return paths;
}

/// The controls a drop on the queue unlocks.
const QList<int> unlockedByDrop { IDC_BTN_ADD_TERM_A, IDC_BTN_ADD_TERM_B, IDC_BTN_ADD_DATE, IDC_BTN_ADD_SUFFIX,
                                  IDC_BTN_TEXT1,      IDC_BTN_TEXT2,      IDC_BTN_TEXT3,    IDC_BTN_TEXT4,
                                  IDC_BTN_TEXT5,      IDC_BTN_TEXT6,      IDC_BTN_CLEAR,    IDC_COMBO_TERM_A,
                                  IDC_COMBO_TERM_B,   IDC_COMBO_DATE,     IDC_COMBO_SUFFIX, IDC_COMBO_TARGET_DIR,
                                  IDC_BTN_DIR1,       IDC_BTN_DIR2,       IDC_BTN_DIR3,     IDC_BTN_DIR4,
                                  IDC_BTN_DIR5,       IDC_BTN_RENAME,     IDC_BTN_MOVE,     IDC_BTN_ADD_DIR,
                                  IDC_BTN_DEL_DIR };
} // namespace

/// The queue: what a drop adds, in which order, what it loads, and what a click loads.
class tst_MyListBox : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void dropSortsLoadsAndUnlocks();
    void queuedAgainReloadsFirst();
    void caseVariantsBothQueued_data();
    void caseVariantsBothQueued();
    void folderIsOneItem();
    void splitOfLoadedName_data();
    void splitOfLoadedName();
    void rootFolderDropped();
    void longPathsKeptWhole();
    void fileManagerOrder_data();
    void fileManagerOrder();
    void refusesWhatIsNotLocal_data();
    void refusesWhatIsNotLocal();
    void mixedDropQueuesOnlyLocal();
    void dropNeverReportsAMove_data();
    void dropNeverReportsAMove();
    void clickLoadsItem();
    void releaseWithoutSelection();
    void successRemovesTheMovedEntry();
    void mergedOrderIsFullSort_data();
    void mergedOrderIsFullSort();
    void largeDropRefusesAnotherAndLosesNothing();
    void queueKeepsOnlyTheTextItUses();
};

void tst_MyListBox::dropSortsLoadsAndUnlocks()
{
    CTempTree tmp;
    const QString a = tmp.file(u"a.docx"_s);
    const QString b = tmp.file(u"b.txt"_s);
    const QString c = tmp.file(u"c.md"_s);
    CDialogFixture f;
    QSignalSpy loaded(f.queue(), &CMyListBox::dropLoaded);
    QVERIFY(f.dropOnQueue({ b, c, a, b }));
    QCOMPARE(queued(f.queue()), (QStringList { a, b, c }));
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.constFirst().constFirst().toString(), a);
    QCOMPARE(f.queue()->currentRow(), 0);
    QCOMPARE(f.queue()->m_filePathName, a);
    QCOMPARE(f.queue()->m_filePath, tmp.path());
    QCOMPARE(f.queue()->m_fileName, u"a.docx"_s);
    QCOMPARE(f.queue()->m_extend, u".docx"_s);
    QCOMPARE(f.queue()->m_isFile, 1);
    // The prefix and suffix keep what they showed; only the name is loaded.
    QCOMPARE(f.editorTexts(), u"（添加前缀）|a|（后缀）"_s);
    for (int id : { IDC_EDIT_PREFIX, IDC_EDIT_NAME, IDC_EDIT_SUFFIX })
        QVERIFY(!f.edit(id)->isReadOnly());
    for (int id : unlockedByDrop)
        QVERIFY2(f.dlg().item(id)->isEnabled(), qPrintable(f.dlg().item(id)->objectName()));
    QVERIFY(!f.button(IDC_BTN_VIEW_DIR)->isEnabled());
}

void tst_MyListBox::queuedAgainReloadsFirst()
{
    CTempTree tmp;
    const QString a = tmp.file(u"a.txt"_s);
    const QString b = tmp.file(u"b.txt"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ a, b }));
    clickRow(f.queue(), 1);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"b"_s);
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), u"zz"_s);

    QSignalSpy loaded(f.queue(), &CMyListBox::dropLoaded);
    QVERIFY(f.dropOnQueue({ b, a }));
    QCOMPARE(queued(f.queue()), (QStringList { a, b }));
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.constFirst().constFirst().toString(), a);
    QCOMPARE(f.queue()->currentRow(), 0);
    QCOMPARE(f.queue()->m_filePathName, a);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"a"_s);
}

void tst_MyListBox::caseVariantsBothQueued_data()
{
    QTest::addColumn<QList<QStringList>>("drops");
    const QString upper = u"APPLE.txt"_s;
    const QString title = u"Apple.txt"_s;
    const QString lower = u"apple.txt"_s;
    QTest::newRow("one-drop-lower-first") << QList<QStringList> { { lower, title, upper } };
    QTest::newRow("one-drop-upper-first") << QList<QStringList> { { upper, lower, title } };
    QTest::newRow("three-drops") << QList<QStringList> { { title }, { lower }, { upper } };
}

void tst_MyListBox::caseVariantsBothQueued()
{
    QFETCH(QList<QStringList>, drops);
    CTempTree tmp;
    CDialogFixture f;
    for (const QStringList &names : drops) {
        QStringList paths;
        for (const QString &name : names)
            paths << tmp.file(name);
        QVERIFY(f.dropOnQueue(paths));
    }
    // Equal but for case, so the exact comparison decides, whatever the order they came in.
    QCOMPARE(
        queued(f.queue()),
        (QStringList { tmp.filePath(u"APPLE.txt"_s), tmp.filePath(u"Apple.txt"_s), tmp.filePath(u"apple.txt"_s) }));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"APPLE"_s);
}

void tst_MyListBox::folderIsOneItem()
{
    CTempTree tmp;
    const QString file = tmp.file(u"b-file.txt"_s);
    const QString folder = tmp.folder(u"a.folder"_s);
    tmp.file(u"a.folder/inner1.txt"_s);
    tmp.file(u"a.folder/inner2.txt"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ file }));
    QVERIFY(f.dropOnQueue({ folder + u'/' }));
    QCOMPARE(queued(f.queue()), (QStringList { folder, file }));
    QCOMPARE(f.queue()->m_filePathName, folder);
    QCOMPARE(f.queue()->m_Name, u"a.folder"_s);
    QCOMPARE(f.queue()->m_filePath, tmp.path());
    QCOMPARE(f.queue()->m_extend, QString());
    QCOMPARE(f.queue()->m_isFile, 0);
    QCOMPARE(f.queue()->m_fileName, u"b-file.txt"_s);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"a.folder"_s);
}

void tst_MyListBox::splitOfLoadedName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("no-dot") << u"README"_s << u"README"_s << QString();
    QTest::newRow("only-leading-dot") << u".profile"_s << u".profile"_s << QString();
    QTest::newRow("leading-dot-with-extension") << u".bashrc.orig"_s << u".bashrc"_s << u".orig"_s;
    QTest::newRow("two-dots") << u"report.final.docx"_s << u"report.final"_s << u".docx"_s;
}

void tst_MyListBox::splitOfLoadedName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, name);
    QFETCH(QString, extension);
    CTempTree tmp;
    const QString path = tmp.file(u"in.dotted.folder/"_s + fileName);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ path }));
    QCOMPARE(f.queue()->m_fileName, fileName);
    QCOMPARE(f.queue()->m_Name, name);
    QCOMPARE(f.queue()->m_extend, extension);
    QCOMPARE(f.queue()->m_filePath, tmp.filePath(u"in.dotted.folder"_s));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), name);
}

void tst_MyListBox::rootFolderDropped()
{
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ u"/"_s }));
    QCOMPARE(queued(f.queue()), QStringList { u"/"_s });
    QCOMPARE(f.queue()->m_isFile, 0);
    QCOMPARE(f.queue()->m_Name, QString());
    // The root has no parent but itself.
    QCOMPARE(f.queue()->m_filePath, u"/"_s);
    QCOMPARE(f.queue()->m_extend, QString());
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), QString());
}

void tst_MyListBox::longPathsKeptWhole()
{
    CTempTree tmp;
    QString relative;
    for (int level = 0; level < 6; ++level)
        relative += QString(60, QChar(u'a' + level)) + u'/';
    const QString folder = tmp.folder(relative + u"last"_s);
    const QString file = tmp.file(relative + u"last/deep.file.txt"_s);
    QVERIFY(folder.size() > 260);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ file, folder }));
    QCOMPARE(queued(f.queue()), (QStringList { folder, file }));
    QCOMPARE(f.queue()->m_Name, u"last"_s);
    clickRow(f.queue(), 1);
    QCOMPARE(f.queue()->m_filePathName, file);
    QCOMPARE(f.queue()->m_filePath, folder);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"deep.file"_s);
}

void tst_MyListBox::fileManagerOrder_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("numbers-by-value") << QStringList { u"file10.txt"_s, u"file2.txt"_s, u"file1.txt"_s }
                                      << QStringList { u"file1.txt"_s, u"file2.txt"_s, u"file10.txt"_s };
    QTest::newRow("case-ignored") << QStringList { u"b.txt"_s, u"D.txt"_s, u"a.txt"_s, u"C.txt"_s }
                                  << QStringList { u"a.txt"_s, u"b.txt"_s, u"C.txt"_s, u"D.txt"_s };
    QTest::newRow("numbers-in-folders") << QStringList { u"v10/x.txt"_s, u"v9/x.txt"_s, u"V9/y.txt"_s }
                                        << QStringList { u"v9/x.txt"_s, u"V9/y.txt"_s, u"v10/x.txt"_s };
}

void tst_MyListBox::fileManagerOrder()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, order);
    CTempTree tmp;
    QStringList paths;
    for (const QString &name : dropped)
        paths << tmp.file(name);
    QStringList expected;
    for (const QString &name : order)
        expected << tmp.filePath(name);
    CDialogFixture f;
    // One first, the rest later: merging into a filled queue must give the same order as one sort.
    QVERIFY(f.dropOnQueue(paths.mid(0, 1)));
    QVERIFY(f.dropOnQueue(paths.mid(1)));
    QCOMPARE(queued(f.queue()), expected);
    QCOMPARE(f.queue()->m_filePathName, expected.constFirst());
}

void tst_MyListBox::refusesWhatIsNotLocal_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    QTest::newRow("http-url") << QList<QUrl> { QUrl(u"http://example.org/a.txt"_s) } << QString();
    QTest::newRow("remote-urls") << QList<QUrl> { QUrl(u"https://example.org/b.txt"_s), QUrl(u"ftp://host/c"_s) }
                                 << QString();
    QTest::newRow("plain-text") << QList<QUrl>() << u"/tmp/looks-like-a-path.txt"_s;
}

void tst_MyListBox::refusesWhatIsNotLocal()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    CDialogFixture f;
    QMimeData mime;
    if (!urls.isEmpty())
        mime.setUrls(urls);
    if (!text.isEmpty())
        mime.setText(text);
    QWidget *viewport = f.queue()->viewport();
    const QPoint centre = viewport->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(!enter.isAccepted());
    // A drop arriving anyway must change nothing.
    QDropEvent drop(QPointF(centre), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(f.queue()->count(), 0);
    QVERIFY(f.edit(IDC_EDIT_NAME)->isReadOnly());
    QVERIFY(!f.button(IDC_BTN_RENAME)->isEnabled());
}

void tst_MyListBox::mixedDropQueuesOnlyLocal()
{
    CTempTree tmp;
    const QString a = tmp.file(u"a.txt"_s);
    const QString b = tmp.file(u"b.txt"_s);
    CDialogFixture f;
    QVERIFY(CDropSimulator::dropUrls(f.queue(),
                                     { QUrl(u"http://example.org/0.txt"_s), QUrl::fromLocalFile(b),
                                       QUrl(u"https://example.org/00.txt"_s), QUrl::fromLocalFile(a) }));
    QCOMPARE(queued(f.queue()), (QStringList { a, b }));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"a"_s);
}

void tst_MyListBox::dropNeverReportsAMove_data()
{
    QTest::addColumn<Qt::DropActions>("offered");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Qt::DropAction>("reported");
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QTest::newRow("plain") << all << Qt::KeyboardModifiers() << Qt::CopyAction;
    QTest::newRow("shift-asks-for-move") << all << Qt::KeyboardModifiers(Qt::ShiftModifier) << Qt::CopyAction;
    QTest::newRow("move-or-link") << (Qt::MoveAction | Qt::LinkAction) << Qt::KeyboardModifiers() << Qt::LinkAction;
    QTest::newRow("move-only") << Qt::DropActions(Qt::MoveAction) << Qt::KeyboardModifiers() << Qt::IgnoreAction;
}

void tst_MyListBox::dropNeverReportsAMove()
{
    QFETCH(Qt::DropActions, offered);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Qt::DropAction, reported);
    // The queue only reads the paths. Answering "moved" would tell the file manager it may delete the originals.
    CTempTree tmp;
    const QString a = tmp.file(u"a.txt"_s);
    CDialogFixture f;
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(a) });
    QWidget *viewport = f.queue()->viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(QPointF(at), offered, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &drop);
    const bool taken = reported != Qt::IgnoreAction;
    QCOMPARE(enter.isAccepted() && enter.dropAction() != Qt::MoveAction, taken);
    QCOMPARE(drop.isAccepted(), taken);
    if (taken)
        QCOMPARE(drop.dropAction(), reported);
    QCOMPARE(f.queue()->count(), taken ? 1 : 0);
}

void tst_MyListBox::clickLoadsItem()
{
    CTempTree tmp;
    const QString a = tmp.file(u"a.txt"_s);
    const QString b = tmp.file(u"b.pdf"_s);
    const QString c = tmp.folder(u"c.d"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ c, b, a }));
    QSignalSpy clicked(f.queue(), &CMyListBox::clickLoaded);
    clickRow(f.queue(), 1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.constFirst().constFirst().toString(), b);
    QCOMPARE(f.queue()->m_filePathName, b);
    QCOMPARE(f.queue()->m_extend, u".pdf"_s);
    QCOMPARE(f.editorTexts(), u"（添加前缀）|b|（后缀）"_s);
    // The click also set what "clear" restores.
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), u"-edited"_s);
    f.click(IDC_BTN_CLEAR);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"b"_s);

    clickRow(f.queue(), 2);
    QCOMPARE(f.queue()->m_isFile, 0);
    QCOMPARE(f.queue()->m_fileName, u"b.pdf"_s);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"c.d"_s);
    QCOMPARE(queued(f.queue()), (QStringList { a, b, c }));

    // A right click opens the menu of the row under the pointer; the loaded row stays the highlighted one.
    QTimer::singleShot(0, f.queue(), [] {
        if (QWidget *menu = QApplication::activePopupWidget())
            menu->close();
    });
    const QRect first = f.queue()->visualRect(f.queue()->model()->index(0, 0));
    QTest::mouseClick(f.queue()->viewport(), Qt::RightButton, {}, first.center());
    QCOMPARE(f.queue()->selectionModel()->selectedRows(), QModelIndexList { f.queue()->model()->index(2, 0) });
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"c.d"_s);
}

void tst_MyListBox::releaseWithoutSelection()
{
    CTempTree tmp;
    const QString a = tmp.file(u"a.txt"_s);
    CDialogFixture f;
    QSignalSpy clicked(f.queue(), &CMyListBox::clickLoaded);
    QTest::mouseClick(f.queue()->viewport(), Qt::LeftButton, {}, f.queue()->viewport()->rect().center());
    QCOMPARE(f.queue()->count(), 0);
    QCOMPARE(f.editorTexts(), u"（添加前缀）|（请在此处修改文件名）|（后缀）"_s);
    QVERIFY(f.edit(IDC_EDIT_NAME)->isReadOnly());

    QVERIFY(f.dropOnQueue({ a }));
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), u"-typed"_s);
    clickRow(f.queue(), 0, Qt::ControlModifier); // deselects the only item
    QVERIFY(f.queue()->selectionModel()->selectedIndexes().isEmpty());
    QTest::mouseClick(f.queue()->viewport(), Qt::LeftButton, {}, f.queue()->viewport()->rect().bottomLeft());
    QVERIFY(f.queue()->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"a-typed"_s);
}

void tst_MyListBox::successRemovesTheMovedEntry()
{
    CTempTree tmp;
    const QString a = tmp.file(u"a.txt"_s);
    const QString b = tmp.file(u"b.txt"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ a, b }));
    QVERIFY(f.queue()
                ->model()
                ->match(f.queue()->model()->index(0, 0), Qt::DisplayRole, u"请把"_s, -1, Qt::MatchContains)
                .isEmpty());
    // Ctrl+click clears the selection without loading anything: a is still the item being edited.
    clickRow(f.queue(), 0, Qt::ControlModifier);
    QVERIFY(f.queue()->selectionModel()->selectedIndexes().isEmpty());
    f.click(IDC_BTN_ADD_SUFFIX);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.takeMessages(), QString());
    QVERIFY(QFile::exists(tmp.filePath(u"a_1.txt"_s)));
    QCOMPARE(queued(f.queue()), QStringList { b });
    QCOMPARE(f.editorTexts(), u"（添加前缀）|b|（后缀）"_s);

    f.click(IDC_BTN_ADD_SUFFIX);
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFile::exists(tmp.filePath(u"b_1.txt"_s)));
    QCOMPARE(f.queue()->count(), 0);
    QVERIFY(!f.button(IDC_BTN_RENAME)->isEnabled());
    QVERIFY(f.edit(IDC_EDIT_NAME)->isReadOnly());
}

void tst_MyListBox::mergedOrderIsFullSort_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QList<int>>("drops");
    QTest::addColumn<int>("removals");
    QTest::newRow("one-drop") << u"C"_s << QList<int> { 300 } << 0;
    QTest::newRow("small-onto-large") << u"C"_s << QList<int> { 2000, 20, 1 } << 0;
    QTest::newRow("many-drops-and-removals") << u"C"_s << QList<int> { 200, 200, 200, 200 } << 50;
    // Past the size from which keys are built and sorted on several threads.
    QTest::newRow("parallel-onto-parallel") << u"C"_s << QList<int> { 6000, 9000 } << 500;
    // The keys must order as QCollator::compare() does in the user's language.
    for (const QString &locale : { u"zh_CN"_s, u"sv_SE"_s, u"da_DK"_s, u"tr_TR"_s, u"cs_CZ"_s })
        QTest::newRow(qPrintable(locale)) << locale << QList<int> { 5000, 300 } << 20;
}

void tst_MyListBox::mergedOrderIsFullSort()
{
    QFETCH(QString, locale);
    QFETCH(QList<int>, drops);
    QFETCH(int, removals);
    const QLocale usual;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&usual] { QLocale::setDefault(usual); });
    std::mt19937 random(static_cast<unsigned>(drops.size() * 1000 + removals));
    const CQueueOrder order;
    CMyListBox list;
    QStringList all;
    for (int size : drops) {
        const QStringList dropped = randomPaths(random, size);
        const qsizetype before = all.size();
        all += dropped;
        all.removeDuplicates();
        QCOMPARE(list.addPaths(dropped), all.size() - before);
        // Removing rows in between tests that the list keeps the keys of what remains in step.
        for (int i = 0; i < removals && !all.isEmpty(); ++i) {
            const QString gone = all.takeAt(static_cast<qsizetype>(random() % all.size()));
            QVERIFY(list.rowOf(gone) >= 0);
            list.removePath(gone);
            QCOMPARE(list.rowOf(gone), -1);
        }
        QStringList expected = all;
        std::sort(expected.begin(), expected.end(),
                  [&order](const QString &a, const QString &b) { return order.lessThan(a, b); });
        QCOMPARE(queued(&list), expected);
        for (qsizetype row = 0; row < expected.size(); row += 97)
            QCOMPARE(list.rowOf(expected.at(row)), row);
    }
}

void tst_MyListBox::largeDropRefusesAnotherAndLosesNothing()
{
    CTempTree tmp;
    const QString early = tmp.file(u"0-early.txt"_s);
    const QString removed = tmp.file(u"0-removed.txt"_s);
    const QString refused = tmp.file(u"0-refused.txt"_s);
    const QString handedOver = tmp.file(u"0-handed-over.txt"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ early, removed }));
    // Large enough to be sorted in the background; the paths need not exist.
    QList<QUrl> urls;
    for (int i = 0; i < 200000; ++i)
        urls << QUrl::fromLocalFile(tmp.filePath(u"big/f%1.txt"_s.arg(i)));
    urls << QUrl::fromLocalFile(early);
    QSignalSpy loaded(f.queue(), &CMyListBox::dropLoaded);
    QVERIFY(CDropSimulator::dropUrls(f.queue(), urls));
    QVERIFY(f.queue()->isBusy());

    // Meanwhile a second drop is refused, a path the program hands over waits, a removal holds.
    QVERIFY(!f.dropOnQueue({ refused }));
    f.queue()->queueKeepingCurrent({ handedOver });
    f.queue()->removePath(removed);
    QTRY_VERIFY_WITH_TIMEOUT(!f.queue()->isBusy(), 120000);

    QCOMPARE(loaded.count(), 1);
    QCOMPARE(f.queue()->count(), 200002);
    QCOMPARE(f.queue()->rowOf(refused), -1);
    QCOMPARE(f.queue()->rowOf(removed), -1);
    QCOMPARE(f.queue()->pathAt(0), early);
    QCOMPARE(f.queue()->pathAt(1), handedOver);
    QCOMPARE(f.queue()->currentRow(), 0);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"0-early"_s);
    QVERIFY(f.dropOnQueue({ refused }));
    QCOMPARE(f.queue()->rowOf(refused), 2);
}

QTEST_MAIN(tst_MyListBox)
// Paths are stored once, in the block of the drop that brought them; the queue must not keep blocks it hardly uses.
void tst_MyListBox::queueKeepsOnlyTheTextItUses()
{
    const CQueueOrder order;
    const auto storedUnits = [](const CQueueOrder::Entries &entries) {
        qsizetype units = 0;
        for (const auto &block : entries.blocks)
            units += block->text.size();
        return units;
    };
    const auto usedUnits = [](const CQueueOrder::Entries &entries) {
        qsizetype units = 0;
        for (qsizetype row = 0; row < entries.size(); ++row)
            units += entries.path(row).size();
        return units;
    };
    QStringList paths;
    for (int i = 0; i < 10000; ++i)
        paths << u"/q/dir%1/File%2.txt"_s.arg(i % 7).arg(i);
    CQueueOrder::Entries queue = order.sortedEntries(paths);
    QCOMPARE(storedUnits(queue), usedUnits(queue));

    // The same paths again and one new: the new block holds one path that is used, and goes.
    queue = order.withPaths(queue, paths + QStringList { u"/q/new.txt"_s });
    QCOMPARE(queue.size(), paths.size() + 1);
    QVERIFY2(storedUnits(queue) <= usedUnits(queue) + 100, qPrintable(QString::number(storedUnits(queue))));

    // A queue mostly worked through is copied down to what is left at the next drop, in the same order.
    while (queue.size() > 100)
        queue.erase(queue.size() / 3);
    const QStringList left = queue.paths();
    queue = order.withPaths(queue, { u"/q/newer.txt"_s });
    QCOMPARE(storedUnits(queue), usedUnits(queue));
    QStringList expected = left + QStringList { u"/q/newer.txt"_s };
    std::sort(expected.begin(), expected.end(),
              [&order](const QString &a, const QString &b) { return order.lessThan(a, b); });
    QCOMPARE(queue.paths(), expected);
    for (qsizetype row = 0; row < queue.size(); ++row)
        QCOMPARE(queue.indexOf(queue.path(row), order.keyOf(queue.path(row))), row);
}

#include "tst_MyListBox.moc"
