// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"
#include "helpers/Typing.h"
#include "helpers/WindowTest.h"

#include <QAbstractItemView>
#include <QInputMethodEvent>
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

/// Gives the control the keyboard focus by a click, as a user does.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void clickToFocus(QWidget *clicked, QWidget *focused)
{
    clicked->window()->activateWindow();
    QTest::mouseClick(clicked, Qt::LeftButton);
    QTRY_VERIFY(focused->hasFocus());
}

/// Chooses `row` in a combo's list with a click in its popup. The popup is opened directly: opened by a click on
/// the arrow, the combo ignores a release that follows within the double-click interval, as a test's click does.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
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
class tst_NameEditor : public CPopupWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void reloadShowsBaseNameAndPlaceholders_data();
    void reloadShowsBaseNameAndPlaceholders();
    void extensionIsKeptAside();
    void addButtonsReplace_data();
    void addButtonsReplace();
    void listChoiceInsertsAtOnce_data();
    void listChoiceInsertsAtOnce();
    void typedListTextIsUsedAsTyped_data();
    void typedListTextIsUsedAsTyped();
    void commonTextInsertsOnceInFront_data();
    void commonTextInsertsOnceInFront();
    void droppedCaptionIsInserted();
    void ampersandCaptionIsLiteral_data();
    void ampersandCaptionIsLiteral();
    void clearRestoresLoadedName();
    void typingChangesWhatButtonsSee();
};

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
    // The keys go on in the name, at its end.
    QCOMPARE(f.dlg().focusWidget(), f.edit(IDC_EDIT_NAME));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->cursorPosition(), f.edit(IDC_EDIT_NAME)->text().size());
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
        if (QTest::currentTestFailed())
            return;
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

void tst_NameEditor::typedListTextIsUsedAsTyped_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("typed");
    // How the field is left: "stay", "tab", "click" (on the name edit) or "choose" (the given row in the list).
    QTest::addColumn<QString>("leave");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("inserted");
    // Lists of 7 December 2026. Each typed prefix is where inline completion would add the rest of an entry.
    const QList<std::tuple<const char *, int, int, int, QString, QString, int, QString>> lists {
        { "term-a", IDC_COMBO_TERM_A, IDC_BTN_ADD_TERM_A, IDC_EDIT_PREFIX, u"2026"_s, u"2025年下期"_s, 1,
          u"2024年下期"_s },
        { "term-b", IDC_COMBO_TERM_B, IDC_BTN_ADD_TERM_B, IDC_EDIT_PREFIX, u"2026"_s, u"2024年上期"_s, 0,
          u"2023年上期"_s },
        { "date", IDC_COMBO_DATE, IDC_BTN_ADD_DATE, IDC_EDIT_PREFIX, u"12"_s, u"12月7日"_s, 2, u"2026年"_s },
        { "suffix", IDC_COMBO_SUFFIX, IDC_BTN_ADD_SUFFIX, IDC_EDIT_SUFFIX, u"_"_s, u"_3"_s, 4, u"_5"_s },
    };
    for (const auto &[tag, list, button, target, prefix, entry, row, chosen] : lists) {
        QTest::addRow("%s-typed-prefix", tag) << list << button << target << prefix << u"stay"_s << -1 << prefix;
        QTest::addRow("%s-entry-then-tab", tag) << list << button << target << entry << u"tab"_s << -1 << entry;
        QTest::addRow("%s-prefix-then-list-choice", tag)
            << list << button << target << prefix << u"choose"_s << row << chosen;
    }
    QTest::newRow("suffix-entry-then-click-elsewhere")
        << int(IDC_COMBO_SUFFIX) << int(IDC_BTN_ADD_SUFFIX) << int(IDC_EDIT_SUFFIX) << u"_2"_s << u"click"_s << -1
        << u"_2"_s;
}

void tst_NameEditor::typedListTextIsUsedAsTyped()
{
    QFETCH(int, list);
    QFETCH(int, button);
    QFETCH(int, target);
    QFETCH(QString, typed);
    QFETCH(QString, leave);
    QFETCH(int, row);
    QFETCH(QString, inserted);
    CTempTree tmp;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
    CMyComboBox *combo = f.combo(list);
    const QString untouched = f.edit(target)->text();
    clickToFocus(combo->lineEdit(), combo);
    if (QTest::currentTestFailed())
        return;
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    typeLikeAUser(combo, typed);
    QCOMPARE(combo->currentText(), typed);
    if (leave == u"tab") {
        QTest::keyClick(combo, Qt::Key_Tab);
        QVERIFY(!combo->hasFocus());
    } else if (leave == u"click") {
        clickToFocus(f.edit(IDC_EDIT_NAME), f.edit(IDC_EDIT_NAME));
        if (QTest::currentTestFailed())
            return;
    } else if (leave == u"choose") {
        chooseInPopup(combo, row);
        if (QTest::currentTestFailed())
            return;
    }
    // Typing and leaving insert nothing; only a choice in the list does, at once.
    QCOMPARE(f.edit(target)->text(), leave == u"choose" ? inserted : untouched);
    QCOMPARE(combo->currentText(), inserted);
    f.click(button);
    QCOMPARE(f.edit(target)->text(), inserted);
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
    QCOMPARE(f.dlg().focusWidget(), f.edit(IDC_EDIT_NAME));
    QCOMPARE(f.edit(IDC_EDIT_NAME)->cursorPosition(), name.size());
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

void tst_NameEditor::ampersandCaptionIsLiteral_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("common-text") << int(IDC_BTN_TEXT3);
    QTest::newRow("quick-move") << int(IDC_BTN_DIR2);
}

void tst_NameEditor::ampersandCaptionIsLiteral()
{
    QFETCH(int, id);
    CTempTree tmp;
    const QString folder = tmp.folder(u"R&D"_s);
    CDialogFixture f;
    for (int run = 0; run < 2; ++run) {
        QVERIFY(f.dropOnQueue({ tmp.file(u"lesson.pdf"_s) }));
        if (run == 0)
            QVERIFY(CDropSimulator::dropPaths(f.button(id), { folder }));
        auto *button = qobject_cast<CMyButton *>(f.button(id));
        QCOMPARE(button->caption(), u"R&D"_s);
        // Read as a mnemonic, the '&' would vanish, underline the D and make Alt+D press the button.
        f.dlg().activateWindow();
        QTRY_VERIFY(f.dlg().isActiveWindow());
        QSignalSpy pressed(button, &QAbstractButton::pressed);
        QTest::keyClick(&f.dlg(), Qt::Key_D, Qt::AltModifier);
        QCOMPARE(pressed.count(), 0);
        f.click(id);
        if (id == IDC_BTN_TEXT3) {
            QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"R&Dlesson"_s);
        } else {
            QCOMPARE(f.takeMessages(), u"重命名完成"_s);
            QVERIFY(QFileInfo::exists(tmp.filePath(u"R&D/lesson.pdf"_s)));
            QVERIFY(QFile::rename(tmp.filePath(u"R&D/lesson.pdf"_s), tmp.filePath(u"lesson.pdf"_s)));
        }
        // The same after a restart, from the saved profile.
        QVERIFY(f.restart());
    }
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
