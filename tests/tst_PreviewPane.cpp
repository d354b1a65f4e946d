// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyEdit.h"
#include "helpers/Bytes.h"
#include "helpers/DialogFixture.h"
#include "helpers/PreviewFiles.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// The preview beside the window: it follows the loaded item, F3 shows and hides it, and the choice is kept.
class tst_PreviewPane : public CPopupWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void loadingTheNextItemReplacesThePreview();
    void f3HidesItAndTheProfileKeepsTheChoice();
    void aDoubleClickOpensTheFile();
    void spaceAndF4ShowPage1Large();

public Q_SLOTS:
    /// Stands in for the desktop's "open with the default application".
    void open(const QUrl &url);

private:
    QList<QUrl> m_opened;
};

namespace
{
/// A screen with room for the pane: 1366 × 768 at 100 %, less a panel.
const QRect kLaptop(0, 27, 1366, 741);

QWidget *pane(const CDialogFixture &f)
{
    return f.dlg().findChild<QWidget *>(u"PlindorPreview"_s);
}

QColor shownColour(const CDialogFixture &f)
{
    const QImage picture = f.dlg().findChild<QLabel *>(u"previewPicture"_s)->pixmap().toImage();
    return picture.isNull() ? QColor() : picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

void renameLoadedTo(const CDialogFixture &f, const QString &name)
{
    f.edit(IDC_EDIT_NAME)->setText(name);
    f.click(IDC_BTN_RENAME);
}
} // namespace

void tst_PreviewPane::open(const QUrl &url)
{
    m_opened << url;
}

void tst_PreviewPane::loadingTheNextItemReplacesThePreview()
{
    CTempTree tree;
    const QString first = tree.filePath(u"a.png"_s);
    const QString second = tree.filePath(u"b.png"_s);
    QVERIFY(writeBytes(first, PreviewFiles::png({ 64, 48 }, Qt::red)));
    QVERIFY(writeBytes(second, PreviewFiles::png({ 32, 32 }, Qt::blue)));
    CDialogFixture f;
    f.dlg().fitToScreen(kLaptop);
    QVERIFY(pane(f)->isVisible());
    QCOMPARE(pane(f)->accessibleName(), u"预览"_s);

    QVERIFY(f.dropOnQueue({ first, second }));
    QTRY_VERIFY2(pane(f)->accessibleDescription().contains(u"64\u00a0×\u00a048"_s),
                 qPrintable(pane(f)->accessibleDescription()));
    QCOMPARE(shownColour(f), QColor(Qt::red));

    renameLoadedTo(f, u"renamed"_s);
    QTRY_VERIFY2(pane(f)->accessibleDescription().contains(u"32\u00a0×\u00a032"_s),
                 qPrintable(pane(f)->accessibleDescription()));
    QCOMPARE(shownColour(f), QColor(Qt::blue));

    // The queue runs empty: nothing is shown.
    renameLoadedTo(f, u"renamed too"_s);
    QTRY_VERIFY(pane(f)->accessibleDescription().isEmpty());
    QVERIFY(!shownColour(f).isValid());
}

void tst_PreviewPane::f3HidesItAndTheProfileKeepsTheChoice()
{
    CDialogFixture f;
    f.dlg().fitToScreen(kLaptop);
    const int wide = f.dlg().width();
    QVERIFY(pane(f)->isVisible());
    QCOMPARE(pane(f)->geometry().left(), wide - pane(f)->width());
    QVERIFY(wide <= 1366 && f.dlg().height() <= 620);

    f.dlg().activateWindow();
    QTest::keyClick(&f.dlg(), Qt::Key_F3);
    QVERIFY(!pane(f)->isVisible());
    QCOMPARE(f.dlg().width(), wide - pane(f)->width());
    const auto *action = f.dlg().findChild<QAction *>(u"actionPreview"_s);
    QVERIFY(action && !action->isChecked());

    QVERIFY(f.restart());
    f.dlg().fitToScreen(kLaptop);
    QVERIFY(!pane(f)->isVisible());
    QCOMPARE(f.dlg().width(), wide - pane(f)->width());
    f.dlg().findChild<QAction *>(u"actionPreview"_s)->trigger();
    QVERIFY(pane(f)->isVisible());
    QCOMPARE(f.dlg().width(), wide);

    // A screen without room for it: the pane starts hidden, and the choice to show it stays as it was.
    QVERIFY(f.restart());
    f.dlg().fitToScreen(QRect(0, 0, 1024, 600));
    QVERIFY(!pane(f)->isVisible());
    QVERIFY(f.restart());
    f.dlg().fitToScreen(kLaptop);
    QVERIFY(pane(f)->isVisible());
}

void tst_PreviewPane::aDoubleClickOpensTheFile()
{
    CTempTree tree;
    const QString file = tree.filePath(u"作业 1.png"_s);
    QVERIFY(writeBytes(file, PreviewFiles::png({ 16, 16 }, Qt::green)));
    QDesktopServices::setUrlHandler(u"file"_s, this, "open");
    CDialogFixture f;
    f.dlg().fitToScreen(kLaptop);
    QVERIFY(f.dropOnQueue({ file }));
    QTest::mouseDClick(pane(f), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(u"file"_s);
    QCOMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(file) });
}

void tst_PreviewPane::spaceAndF4ShowPage1Large()
{
    CTempTree tree;
    const QString file = tree.filePath(u"scan.png"_s);
    QVERIFY(writeBytes(file, PreviewFiles::png({ 600, 800 }, Qt::magenta)));
    CDialogFixture f;
    f.dlg().fitToScreen(kLaptop);
    QVERIFY(f.dropOnQueue({ file }));
    QTRY_VERIFY(shownColour(f).isValid());
    const int paneHeight = f.dlg().findChild<QLabel *>(u"previewPicture"_s)->pixmap().height();
    auto *page = f.dlg().findChild<QDialog *>(u"PlindorPage"_s);
    QVERIFY(page && !page->isVisible());
    const auto pagePicture = [page] { return page->findChild<QLabel *>(u"pagePicture"_s)->pixmap().toImage(); };

    QWidget *queue = f.dlg().item(IDC_FILE_LIST);
    queue->setFocus();
    QTest::keyClick(queue, Qt::Key_Space);
    QTRY_VERIFY(page->isVisible());
    QTRY_VERIFY(!pagePicture().isNull());
    QCOMPARE(pagePicture().pixelColor(pagePicture().width() / 2, pagePicture().height() / 2), QColor(Qt::magenta));
    QVERIFY2(pagePicture().height() > paneHeight, "the large page is no larger than the pane's");
    QTest::keyClick(page, Qt::Key_Escape);
    QTRY_VERIFY(!page->isVisible());
    QTRY_COMPARE(f.dlg().focusWidget(), queue);
    QVERIFY(QTest::qWaitForWindowActive(&f.dlg()));

    // F4 from the name editor, closed by F4; the pane still shows its own picture.
    f.edit(IDC_EDIT_NAME)->setFocus();
    QTest::keyClick(f.edit(IDC_EDIT_NAME), Qt::Key_F4);
    QTRY_VERIFY(page->isVisible());
    QTest::keyClick(page, Qt::Key_F4);
    QTRY_VERIFY(!page->isVisible());
    QTRY_COMPARE(f.dlg().focusWidget(), f.edit(IDC_EDIT_NAME));
    QTRY_COMPARE(shownColour(f), QColor(Qt::magenta));
    QCOMPARE(f.dlg().findChild<QLabel *>(u"previewPicture"_s)->pixmap().height(), paneHeight);
}

QTEST_MAIN(tst_PreviewPane)
#include "tst_PreviewPane.moc"
