// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// Types text one character at a time; unlike QTest::keyClicks it also takes characters beyond Latin-1.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

/// Empties a writable edit the way a user does: select all, then delete.
void eraseText(QLineEdit *edit)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
}

/// Chooses `row` in a combo's list with a click in its popup. The popup is opened directly: opened by a click on
/// the arrow, the combo ignores a release that follows within the double-click interval, as a test's click does.
void chooseInPopup(QComboBox *combo, int row)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->isVisible());
}
} // namespace

/// The name editor: what loading an item shows, and how the buttons, lists and typing compose the new name.
class tst_NameEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void reloadShowsBaseNameAndPlaceholders_data();
    void reloadShowsBaseNameAndPlaceholders();
    void extensionIsKeptAside();
    void addButtonsReplace_data();
    void addButtonsReplace();
    void listChoiceInsertsAtOnce_data();
    void listChoiceInsertsAtOnce();
    void commonTextInsertsOnceInFront_data();
    void commonTextInsertsOnceInFront();
    void droppedCaptionIsInserted();
    void clearRestoresLoadedName();
    void typingChangesWhatButtonsSee();
};

void tst_NameEditor::init()
{
    // Opening a combo's popup also makes the offscreen plugin say it cannot raise it or grab the keyboard.
    QTest::failOnWarning(
        QRegularExpression(u"^(?!This plugin does not support (propagateSizeHints|raise|grabbing the keyboard))"_s));
}

void tst_NameEditor::cleanup()
{
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_NameEditor::reloadShowsBaseNameAndPlaceholders_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("name");
    QTest::newRow("two-dots") << false << u"report.final.docx"_s << u"report.final"_s;
    QTest::newRow("folder-keeps-its-dot") << true << u"2019.v2"_s << u"2019.v2"_s;
}

void tst_NameEditor::reloadShowsBaseNameAndPlaceholders()
{
    QFETCH(bool, folder);
    QFETCH(QString, item);
    QFETCH(QString, name);
    CTempTree tmp;
    const QString path = folder ? tmp.folder(item) : tmp.file(item);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ path }));
    f.click(IDC_BTN_ADD_DATE);
    f.click(IDC_BTN_ADD_SUFFIX);
    QCOMPARE(f.editorTexts(), u"12月|"_s + name + u"|_1"_s);
    // Renaming with an empty name does nothing but reload the first item, through the full load.
    eraseText(f.edit(IDC_EDIT_NAME));
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.takeMessages(), QString());
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(f.editorTexts(), u"（添加前缀）|"_s + name + u"|（后缀）"_s);
}

void tst_NameEditor::extensionIsKeptAside()
{
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"report.final.docx"_s), tmp.folder(u"2019"_s) }));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"2019"_s);
    f.click(IDC_BTN_ADD_SUFFIX);
    f.click(IDC_BTN_RENAME);
    QVERIFY(QFileInfo(tmp.filePath(u"2019_1"_s)).isDir());
    QCOMPARE(f.editorTexts(), u"（添加前缀）|report.final|（后缀）"_s);
    f.click(IDC_BTN_ADD_DATE);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.takeMessages(), QString());
    QVERIFY(QFile::exists(tmp.filePath(u"12月report.final.docx"_s)));
}

void tst_NameEditor::addButtonsReplace_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("untouched");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("term-a") << int(IDC_BTN_ADD_TERM_A) << int(IDC_COMBO_TERM_A) << int(IDC_EDIT_PREFIX)
                            << int(IDC_EDIT_SUFFIX) << u"2026年下期"_s << u"2025年下期"_s;
    QTest::newRow("term-b") << int(IDC_BTN_ADD_TERM_B) << int(IDC_COMBO_TERM_B) << int(IDC_EDIT_PREFIX)
                            << int(IDC_EDIT_SUFFIX) << u"2026年上期"_s << u"2025年上期"_s;
    QTest::newRow("date") << int(IDC_BTN_ADD_DATE) << int(IDC_COMBO_DATE) << int(IDC_EDIT_PREFIX)
                          << int(IDC_EDIT_SUFFIX) << u"12月"_s << u"12月7日"_s;
    QTest::newRow("suffix") << int(IDC_BTN_ADD_SUFFIX) << int(IDC_COMBO_SUFFIX) << int(IDC_EDIT_SUFFIX)
                            << int(IDC_EDIT_PREFIX) << u"_1"_s << u"_2"_s;
}

void tst_NameEditor::addButtonsReplace()
{
    QFETCH(int, button);
    QFETCH(int, list);
    QFETCH(int, target);
    QFETCH(int, untouched);
    QFETCH(QString, first);
    QFETCH(QString, second);
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
    const QString other = f.edit(untouched)->text();
    f.click(button);
    QCOMPARE(f.edit(target)->text(), first);
    // A text typed into the list's own field is taken whole, and replaces the earlier insertion.
    QLineEdit *field = f.combo(list)->lineEdit();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    typeText(field, second);
    f.click(button);
    QCOMPARE(f.edit(target)->text(), second);
    f.click(button);
    QCOMPARE(f.edit(target)->text(), second);
    QCOMPARE(f.edit(untouched)->text(), other);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"lesson"_s);
}

void tst_NameEditor::listChoiceInsertsAtOnce_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("popup");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    const QList<std::tuple<const char *, int, int, int, QString>> lists {
        { "term-a", IDC_COMBO_TERM_A, IDC_EDIT_PREFIX, 2, u"2025年下期"_s },
        { "term-b", IDC_COMBO_TERM_B, IDC_EDIT_PREFIX, 2, u"2025年上期"_s },
        { "date", IDC_COMBO_DATE, IDC_EDIT_PREFIX, 1, u"12月7日"_s },
        { "suffix", IDC_COMBO_SUFFIX, IDC_EDIT_SUFFIX, 1, u"_2"_s },
    };
    for (const auto &[tag, list, target, row, text] : lists) {
        QTest::addRow("%s-keyboard", tag) << list << target << false << row << text;
        QTest::addRow("%s-popup", tag) << list << target << true << row << text;
    }
}

void tst_NameEditor::listChoiceInsertsAtOnce()
{
    QFETCH(int, list);
    QFETCH(int, target);
    QFETCH(bool, popup);
    QFETCH(int, row);
    QFETCH(QString, text);
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
    CMyComboBox *combo = f.combo(list);
    QSignalSpy activated(combo, &QComboBox::activated);
    const int start = combo->currentIndex();
    if (popup) {
        chooseInPopup(combo, row);
    } else {
        // Up and Down step through an editable list as well, and report the step as a choice, like the popup.
        // The term lists open on their last entry, the others on their first.
        const int steps = row - start;
        for (int k = 0; k < qAbs(steps); ++k)
            QTest::keyClick(combo, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
    QCOMPARE(activated.count(), popup ? 1 : qAbs(row - start));
    QCOMPARE(combo->currentText(), text);
    QCOMPARE(f.edit(target)->text(), text);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"lesson"_s);
}

void tst_NameEditor::commonTextInsertsOnceInFront_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<QString>("name");
    QTest::newRow("one") << u"lesson.pdf"_s << QList<int> { IDC_BTN_TEXT1 } << u"示例学校lesson"_s;
    QTest::newRow("same-twice") << u"lesson.pdf"_s << QList<int> { IDC_BTN_TEXT3, IDC_BTN_TEXT3 } << u"278班lesson"_s;
    QTest::newRow("later-press-goes-first")
        << u"lesson.pdf"_s << QList<int> { IDC_BTN_TEXT4, IDC_BTN_TEXT1 } << u"示例学校高一lesson"_s;
    QTest::newRow("all-six") << u"x.pdf"_s << QList<int> { IDC_BTN_TEXT1, IDC_BTN_TEXT2, IDC_BTN_TEXT3,
                                                           IDC_BTN_TEXT4, IDC_BTN_TEXT5, IDC_BTN_TEXT6 }
                             << u"高三高二高一278班物理备课组示例学校x"_s;
    QTest::newRow("already-in-the-middle")
        << u"期中高一试卷.docx"_s << QList<int> { IDC_BTN_TEXT4 } << u"期中高一试卷"_s;
    QTest::newRow("already-at-the-end") << u"试卷高三.docx"_s << QList<int> { IDC_BTN_TEXT6, IDC_BTN_TEXT5 }
                                        << u"高二试卷高三"_s;
}

void tst_NameEditor::commonTextInsertsOnceInFront()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, presses);
    QFETCH(QString, name);
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(file) }));
    for (int id : presses)
        f.click(id);
    QCOMPARE(f.editorTexts(), u"（添加前缀）|"_s + name + u"|（后缀）"_s);
}

void tst_NameEditor::droppedCaptionIsInserted()
{
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
    QVERIFY(CDropSimulator::dropPaths(f.button(IDC_BTN_TEXT2), { tmp.folder(u"语文组"_s) }));
    QCOMPARE(f.button(IDC_BTN_TEXT2)->text(), u"语文组"_s);
    f.click(IDC_BTN_TEXT2);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"语文组lesson"_s);
}

void tst_NameEditor::clearRestoresLoadedName()
{
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
    f.click(IDC_BTN_ADD_TERM_B);
    f.click(IDC_BTN_ADD_SUFFIX);
    f.click(IDC_BTN_TEXT4);
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), u"-v2"_s);
    QCOMPARE(f.editorTexts(), u"2026年上期|高一lesson-v2|_1"_s);
    f.click(IDC_BTN_CLEAR);
    QCOMPARE(f.editorTexts(), u"|lesson|"_s);
    // The restored name is also what the common-text buttons see now.
    f.click(IDC_BTN_TEXT4);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"高一lesson"_s);
    f.click(IDC_BTN_CLEAR);
    f.click(IDC_BTN_CLEAR);
    QCOMPARE(f.editorTexts(), u"|lesson|"_s);
}

void tst_NameEditor::typingChangesWhatButtonsSee()
{
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
    QLineEdit *name = f.edit(IDC_EDIT_NAME);
    typeText(name, u"高二"_s);
    f.click(IDC_BTN_TEXT5);
    QCOMPARE(name->text(), u"lesson高二"_s);
    eraseText(name);
    QTest::keyClicks(name, u"new"_s);
    f.click(IDC_BTN_TEXT5);
    QCOMPARE(name->text(), u"高二new"_s);
    // Typing the caption away makes the button insert it again.
    QTest::keyClick(name, Qt::Key_Home);
    QTest::keyClick(name, Qt::Key_Delete);
    f.click(IDC_BTN_TEXT5);
    QCOMPARE(name->text(), u"高二二new"_s);
}

QTEST_MAIN(tst_NameEditor)
#include "tst_NameEditor.moc"
