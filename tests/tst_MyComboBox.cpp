// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
QStringList entries(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << QDir::fromNativeSeparators(combo->itemText(i));
    return texts;
}

/// Renames the only queued item away: the queue is empty again, the lists stay usable and "移动文件" is disabled.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void emptyTheQueue(const CDialogFixture &f, const CTempTree &tmp)
{
    QVERIFY(f.dropOnQueue({ tmp.file(u"seed.txt"_s) }));
    f.click(IDC_BTN_ADD_SUFFIX);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.queue()->count(), 0);
    QVERIFY(f.combo(IDC_COMBO_TARGET_DIR)->isEnabled());
    QVERIFY(!f.button(IDC_BTN_MOVE)->isEnabled());
}

/// Drops at one point of the widget with Shift held, which asks for a move; true when taken as a copy.
bool dropAt(QWidget *target, const QPoint &at, const QString &path)
{
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(path) });
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}
} // namespace

/// The lists and edits that take dropped paths: which accept them, and what a drop adds and selects.
class tst_MyComboBox : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void targetListTakesFolder_data();
    void targetListTakesFolder();
    void sameFolderSelectedNotAdded();
    void caseVariantsAreTwoEntries();
    void dropOnAnyPartCounts_data();
    void dropOnAnyPartCounts();
    void termListATakesFolder();
    void refusingTargets_data();
    void refusingTargets();
    void standaloneEditSplitsDrop();
};

void tst_MyComboBox::targetListTakesFolder_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("isFile");
    QTest::newRow("folder") << QStringList { u"dest"_s } << u"dest"_s << 0;
    QTest::newRow("folder-with-trailing-separator") << QStringList { u"dest/"_s } << u"dest"_s << 0;
    QTest::newRow("file-gives-its-folder") << QStringList { u"dest/sub.d/a.tar.gz"_s } << u"dest/sub.d"_s << 1;
    QTest::newRow("only-first-counts") << QStringList { u"first/x.txt"_s, u"second"_s, u"third/y.txt"_s } << u"first"_s
                                       << 1;
}

void tst_MyComboBox::targetListTakesFolder()
{
    QFETCH(QStringList, dropped);
    QFETCH(QString, folder);
    QFETCH(int, isFile);
    CTempTree tmp;
    tmp.folder(u"second"_s);
    tmp.file(u"third/y.txt"_s);
    CDialogFixture f;
    emptyTheQueue(f, tmp);
    if (QTest::currentTestFailed())
        return;
    QStringList paths;
    for (const QString &relative : dropped) {
        const bool isFolder = !relative.contains(u'.');
        paths << (isFolder ? tmp.folder(relative) : tmp.file(relative));
    }
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    QSignalSpy dropped_(combo, &CMyComboBox::folderDropped);
    QVERIFY(CDropSimulator::dropPaths(combo, paths));
    QCOMPARE(dropped_.count(), 1);
    QCOMPARE(dropped_.constFirst().constFirst().toString(), tmp.filePath(folder));
    QCOMPARE(entries(combo), QStringList { tmp.filePath(folder) });
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->m_filePath, tmp.filePath(folder));
    QCOMPARE(combo->m_isFile, isFile);
    QCOMPARE(combo->m_count, 0);
    QVERIFY(f.button(IDC_BTN_MOVE)->isEnabled());
}

void tst_MyComboBox::sameFolderSelectedNotAdded()
{
    CTempTree tmp;
    const QString x = tmp.folder(u"x"_s);
    const QString y = tmp.folder(u"y"_s);
    const QString inX = tmp.file(u"x/in.txt"_s);
    CDialogFixture f;
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    // Still disabled before anything was queued: the list takes no drop.
    QVERIFY(!CDropSimulator::dropPaths(combo, { x }));
    QCOMPARE(entries(combo), QStringList { u"拖入文件夹"_s });
    emptyTheQueue(f, tmp);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(CDropSimulator::dropPaths(combo, { y }));
    QVERIFY(CDropSimulator::dropPaths(combo, { x }));
    QCOMPARE(entries(combo), (QStringList { y, x }));
    QCOMPARE(combo->currentIndex(), 1);
    QVERIFY(CDropSimulator::dropPaths(combo, { y }));
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(CDropSimulator::dropPaths(combo, { inX }));
    QCOMPARE(entries(combo), (QStringList { y, x }));
    QCOMPARE(QDir::fromNativeSeparators(combo->currentText()), x);
    QCOMPARE(combo->m_count, 2);
}

void tst_MyComboBox::caseVariantsAreTwoEntries()
{
    CTempTree tmp;
    const QString upper = tmp.folder(u"Docs"_s);
    const QString lower = tmp.folder(u"docs"_s);
    CDialogFixture f;
    emptyTheQueue(f, tmp);
    if (QTest::currentTestFailed())
        return;
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    QVERIFY(CDropSimulator::dropPaths(combo, { upper }));
    QVERIFY(CDropSimulator::dropPaths(combo, { lower }));
    QVERIFY(CDropSimulator::dropPaths(combo, { upper }));
    QCOMPARE(entries(combo), (QStringList { upper, lower }));
    QCOMPARE(QDir::fromNativeSeparators(combo->currentText()), upper);
}

void tst_MyComboBox::dropOnAnyPartCounts_data()
{
    QTest::addColumn<bool>("onArrow");
    QTest::newRow("text-field") << false;
    QTest::newRow("arrow") << true;
}

void tst_MyComboBox::dropOnAnyPartCounts()
{
    QFETCH(bool, onArrow);
    CTempTree tmp;
    const QString folder = tmp.folder(u"dest"_s);
    CDialogFixture f;
    emptyTheQueue(f, tmp);
    if (QTest::currentTestFailed())
        return;
    CMyComboBox *combo = f.combo(IDC_COMBO_TARGET_DIR);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
    QVERIFY(!combo->lineEdit()->geometry().contains(arrow.center()));
    // The field itself takes no drops; Qt hands them on to the list, which must not paste the path as text.
    QWidget *target = onArrow ? static_cast<QWidget *>(combo) : combo->lineEdit();
    const QPoint at = onArrow ? arrow.center() : combo->lineEdit()->rect().center();
    QVERIFY(dropAt(target, at, folder));
    QCOMPARE(entries(combo), QStringList { folder });
    QCOMPARE(QDir::fromNativeSeparators(combo->currentText()), folder);
    QCOMPARE(combo->m_filePathName, folder);
    QVERIFY(f.button(IDC_BTN_MOVE)->isEnabled());
}

void tst_MyComboBox::termListATakesFolder()
{
    CTempTree tmp;
    const QString folder = tmp.folder(u"terms"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.txt"_s) }));
    CMyComboBox *combo = f.combo(IDC_COMBO_TERM_A);
    QStringList expected = entries(combo);
    QVERIFY(CDropSimulator::dropPaths(combo, { folder }));
    // The list stays sorted: a path starting with '/' goes before the year entries, one with a drive after them.
#ifdef Q_OS_WIN
    expected.append(folder);
#else
    expected.prepend(folder);
#endif
    QCOMPARE(entries(combo), expected);
    QCOMPARE(QDir::fromNativeSeparators(combo->currentText()), folder);
    // Selecting by drop is not a choice of the user: the prefix is left alone.
    QCOMPARE(f.edit(IDC_EDIT_PREFIX)->text(), u"（添加前缀）"_s);
    QCOMPARE(entries(f.combo(IDC_COMBO_TARGET_DIR)), QStringList { u"拖入文件夹"_s });
}

void tst_MyComboBox::refusingTargets_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("term-list-b") << int(IDC_COMBO_TERM_B);
    QTest::newRow("date-list") << int(IDC_COMBO_DATE);
    QTest::newRow("suffix-list") << int(IDC_COMBO_SUFFIX);
    QTest::newRow("prefix-edit") << int(IDC_EDIT_PREFIX);
    QTest::newRow("name-edit") << int(IDC_EDIT_NAME);
    QTest::newRow("suffix-edit") << int(IDC_EDIT_SUFFIX);
}

void tst_MyComboBox::refusingTargets()
{
    QFETCH(int, id);
    CTempTree tmp;
    const QString folder = tmp.folder(u"dest"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.txt"_s) }));
    QWidget *target = f.dlg().item(id);
    QVERIFY(target->isEnabled());
    QVERIFY(!CDropSimulator::enterAccepted(target, { QUrl::fromLocalFile(folder) }));
    QVERIFY(!CDropSimulator::dropPaths(target, { folder }));
    QCOMPARE(f.editorTexts(), u"（添加前缀）|lesson|（后缀）"_s);
    if (auto *combo = qobject_cast<QComboBox *>(target))
        QCOMPARE(combo->findText(folder), -1);
}

void tst_MyComboBox::standaloneEditSplitsDrop()
{
    CTempTree tmp;
    const QString file = tmp.file(u"in/report.final.docx"_s);
    const QString folder = tmp.folder(u"in/v1.2"_s);
    CMyEdit edit;
    edit.setAcceptDrops(true);
    QSignalSpy dropped(&edit, &CMyEdit::pathDropped);
    QVERIFY(!CDropSimulator::enterAccepted(&edit, { QUrl(u"https://example.org/a.txt"_s) }));

    QVERIFY(CDropSimulator::dropPaths(&edit, { file, folder }));
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.constFirst().constFirst().toString(), file);
    QCOMPARE(edit.m_filePathName, file);
    QCOMPARE(edit.m_filePath, tmp.filePath(u"in"_s));
    QCOMPARE(edit.m_fileName, u"report.final.docx"_s);
    QCOMPARE(edit.m_Name, u"report.final"_s);
    QCOMPARE(edit.m_extend, u".docx"_s);
    QCOMPARE(edit.m_isFile, 1);
    // The drop is taken apart, not pasted as text.
    QCOMPARE(edit.text(), QString());

    QVERIFY(CDropSimulator::dropPaths(&edit, { folder }));
    QCOMPARE(dropped.count(), 2);
    QCOMPARE(dropped.at(1).constFirst().toString(), folder);
    QCOMPARE(edit.m_filePathName, folder);
    QCOMPARE(edit.m_filePath, tmp.filePath(u"in"_s));
    QCOMPARE(edit.m_Name, u"v1.2"_s);
    QCOMPARE(edit.m_extend, QString());
    QCOMPARE(edit.m_isFile, 0);
    QCOMPARE(edit.m_fileName, u"report.final.docx"_s);
}

QTEST_MAIN(tst_MyComboBox)
#include "tst_MyComboBox.moc"
