// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "dialog/DialogTemplate.h"
#include "helpers/DialogFixture.h"
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// Everything after queuing works from the keyboard, and a screen reader can tell what each control does.
class tst_Keyboard : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void everyFocusableControlIsNamedAndDescribed();
    void renameAndMoveWithoutAMouse();
    void deleteKeyTakesAnItemOffTheQueueOnly();

private:
    static void tabTo(CDialogFixture &f, QWidget *target);
    static QString writeFile(const QTemporaryDir &dir, const QString &name);
};

// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void tst_Keyboard::tabTo(CDialogFixture &f, QWidget *target)
{
    for (int presses = 0; presses < 60 && QApplication::focusWidget() != target; ++presses)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), target);
    Q_UNUSED(f);
}

QString tst_Keyboard::writeFile(const QTemporaryDir &dir, const QString &name)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(name.toUtf8());
    return file.fileName();
}

void tst_Keyboard::everyFocusableControlIsNamedAndDescribed()
{
    CDialogFixture f;
    QTemporaryDir dir;
    QVERIFY(f.dropOnQueue({ writeFile(dir, u"a.txt"_s) }));
    f.queue()->setFocus();
    QSet<QWidget *> visited;
    QWidget *widget = QApplication::focusWidget();
    QVERIFY(widget);
    while (!visited.contains(widget)) {
        visited.insert(widget);
        // A combo's own text field takes the focus for it; the combo is what a screen reader announces.
        QWidget *announced = qobject_cast<QComboBox *>(widget->parentWidget()) ? widget->parentWidget() : widget;
        QVERIFY2(!announced->accessibleName().isEmpty(), qPrintable(announced->objectName()));
        QVERIFY2(!announced->accessibleDescription().isEmpty(), qPrintable(announced->objectName()));
        QTest::keyClick(widget, Qt::Key_Tab);
        widget = QApplication::focusWidget();
    }
    // Every enabled control of the template was reached by Tab.
    for (const CDialogTemplate::Item &entry : CDialogTemplate::items()) {
        QWidget *control = f.dlg().item(entry.id);
        if (!control || !control->isEnabled() || !control->isVisible() || control->focusPolicy() == Qt::NoFocus)
            continue;
        const bool reached
            = visited.contains(control) || (control->focusProxy() && visited.contains(control->focusProxy()));
        QVERIFY2(reached, entry.name);
    }
}

void tst_Keyboard::renameAndMoveWithoutAMouse()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"归档"_s));
    const QString first = writeFile(dir, u"a-first.txt"_s);
    const QString second = writeFile(dir, u"b-second.txt"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ second, first }));
    f.prompter().folderAnswers << dir.filePath(u"归档"_s);

    // Name the first file with the keyboard and press Enter: the default button renames it.
    tabTo(f, f.edit(IDC_EDIT_NAME));
    if (QTest::currentTestFailed())
        return;
    f.edit(IDC_EDIT_NAME)->selectAll();
    // Chinese arrives from an input method as a committed string, not as key presses.
    QInputMethodEvent commit;
    commit.setCommitString(u"报告"_s);
    QApplication::sendEvent(f.edit(IDC_EDIT_NAME), &commit);
    QTest::keyClick(f.edit(IDC_EDIT_NAME), Qt::Key_Return);
    QVERIFY(QFile::exists(dir.filePath(u"报告.txt"_s)));
    QVERIFY(!QFile::exists(first));

    // The second comes up; add a folder and move it there with Tab and Space only.
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"b-second"_s);
    tabTo(f, f.button(IDC_BTN_ADD_DIR));
    if (QTest::currentTestFailed())
        return;
    QTest::keyClick(f.button(IDC_BTN_ADD_DIR), Qt::Key_Space);
    tabTo(f, f.button(IDC_BTN_MOVE));
    if (QTest::currentTestFailed())
        return;
    QTest::keyClick(f.button(IDC_BTN_MOVE), Qt::Key_Space);
    QVERIFY(QFile::exists(dir.filePath(u"归档/b-second.txt"_s)));
    QCOMPARE(f.queue()->count(), 0);
    QCOMPARE(f.takeMessages(), QString());
}

void tst_Keyboard::deleteKeyTakesAnItemOffTheQueueOnly()
{
    QTemporaryDir dir;
    const QStringList files { writeFile(dir, u"1.txt"_s), writeFile(dir, u"2.txt"_s), writeFile(dir, u"3.txt"_s) };
    CDialogFixture f;
    QVERIFY(f.dropOnQueue(files));
    f.queue()->setFocus();
    QTest::keyClick(f.queue(), Qt::Key_Down);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"2"_s);
    QTest::keyClick(f.queue(), Qt::Key_Delete);
    QCOMPARE(f.queue()->count(), 2);
    QCOMPARE(f.queue()->pathAt(1), files.at(2));
    QVERIFY(QFile::exists(files.at(1)));
    // The next item is loaded as after an operation: the first in the queue.
    QCOMPARE(f.editorTexts(), u"（添加前缀）|1|（后缀）"_s);
    QTest::keyClick(f.queue(), Qt::Key_Delete);
    QTest::keyClick(f.queue(), Qt::Key_Delete);
    QCOMPARE(f.queue()->count(), 0);
    QVERIFY(!f.button(IDC_BTN_RENAME)->isEnabled());
    QVERIFY(f.edit(IDC_EDIT_NAME)->isReadOnly());
    for (const QString &file : files)
        QVERIFY(QFile::exists(file));
}

QTEST_MAIN(tst_Keyboard)
#include "tst_Keyboard.moc"
