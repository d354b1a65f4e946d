// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "dialog/DialogTemplate.h"
#include "dialog/IconFiles.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"
#include "platform/ProbePool.h"
#include "platform/QtTranslation.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <atomic>
#include <memory>

using namespace Qt::Literals::StringLiterals;

/// The main window as it opens, its lists filled from the date, and the ways out of it.
class tst_PlindorDlg : public CPopupWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void startsIdle();
    void showsPlaceholdersInRed();
    void fontsAreBoldAtTheirHeights();
    void iconDrawsFromTheFittingFile();
    void queueHintIsPaintedNotAnItem();
    void layoutFollowsTheDialogFont();
    void windowFitsTheScreen_data();
    void windowFitsTheScreen();
    void tabOrderFollowsTheTemplate();
    void candidateLists_data();
    void candidateLists();
    void leavingSavesTheProfile_data();
    void leavingSavesTheProfile();
    void opensWhereItWasClosed();
    void handOverKeepsTheItemBeingEdited();
    void loadsThePathTheSignalCarries_data();
    void loadsThePathTheSignalCarries();
    void namesPathsItCannotQueue_data();
    void namesPathsItCannotQueue();
    void refusedHandOversShareOneMessage();
    void qtOwnTextsAreChinese();
    void aHangingMountNeverStallsTheWindow_data();
    void aHangingMountNeverStallsTheWindow();
};

namespace
{
/// Every question the window asks about a path under `folder` hangs, as on a network share gone away, until the
/// object goes. The hang is bounded so that a window that waits for the answer fails the test instead of stopping it.
class CHangingFolder
{
public:
    explicit CHangingFolder(const QString &folder)
    {
        CProbePool::setStallForTesting([gate = m_gate, hung = m_hung, folder](const QString &path) {
            if (!path.startsWith(folder))
                return;
            ++*hung;
            gate->tryAcquire(1, 10000);
            --*hung;
        });
    }
    ~CHangingFolder()
    {
        CProbePool::setStallForTesting({});
        m_gate->release(1000);
    }
    CHangingFolder(const CHangingFolder &) = delete;
    CHangingFolder &operator=(const CHangingFolder &) = delete;

    /// True while a question is held up.
    [[nodiscard]] bool hangs() const
    {
        return m_hung->load() > 0;
    }

private:
    std::shared_ptr<QSemaphore> m_gate = std::make_shared<QSemaphore>();
    std::shared_ptr<std::atomic<int>> m_hung = std::make_shared<std::atomic<int>>(0);
};
} // namespace

void tst_PlindorDlg::startsIdle()
{
    CDialogFixture f;
    QCOMPARE(f.dlg().windowTitle(), u"Plindor"_s);
    QVERIFY(!(f.dlg().windowFlags() & Qt::WindowCloseButtonHint));
    for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
        if (control.id == IDC_STATIC || control.id == IDC_FILE_LIST || control.id == IDCANCEL
            || control.id == IDC_PICTURE)
            continue;
        QWidget *widget = f.dlg().item(control.id);
        QVERIFY2(widget, control.name);
        QCOMPARE(widget->objectName(), QString::fromLatin1(control.name));
        if (qobject_cast<QLineEdit *>(widget))
            QVERIFY2(qobject_cast<QLineEdit *>(widget)->isReadOnly(), control.name);
        else
            QVERIFY2(!widget->isEnabled(), control.name);
    }
    QVERIFY(f.button(IDCANCEL)->isEnabled());
    QVERIFY(f.button(IDC_BTN_RENAME)->isDefault());
    QVERIFY(f.button(IDC_BTN_VIEW_DIR)->isHidden());
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->count(), 1);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->currentText(), u"拖入文件夹"_s);
    QCOMPARE(f.button(IDC_BTN_DIR3)->text(), u"拖入目标文件夹3"_s);
    QCOMPARE(f.button(IDC_BTN_TEXT1)->text(), u"示例学校"_s);
}

void tst_PlindorDlg::showsPlaceholdersInRed()
{
    CDialogFixture f;
    QCOMPARE(f.editorTexts(), u"（添加前缀）|（请在此处修改文件名）|（后缀）"_s);
    const QColor red(255, 0, 0);
    for (int id : { IDC_EDIT_PREFIX, IDC_EDIT_NAME, IDC_EDIT_SUFFIX }) {
        const QPalette palette = f.edit(id)->palette();
        QCOMPARE(palette.color(QPalette::Active, QPalette::Text), red);
        QCOMPARE(palette.color(QPalette::Inactive, QPalette::Text), red);
    }
    QCOMPARE(f.queue()->palette().color(QPalette::Active, QPalette::Text), QColor(0, 154, 97));
    // The edits are read-only at first; the colour must survive the paint as well as the palette.
    const QImage shot = f.edit(IDC_EDIT_NAME)->grab().toImage();
    bool sawRed = false;
    for (int y = 0; y < shot.height() && !sawRed; ++y) {
        for (int x = 0; x < shot.width() && !sawRed; ++x) {
            const QColor c = shot.pixelColor(x, y);
            sawRed = c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    }
    QVERIFY(sawRed);
}

// Each size comes from its own file, read when asked for: the smallest not smaller than wanted, scaled down to it.
void tst_PlindorDlg::iconDrawsFromTheFittingFile()
{
    CTempTree tree;
    const QList<std::pair<int, QColor>> files { { 16, Qt::red }, { 32, Qt::green }, { 64, Qt::blue } };
    for (const auto &[side, colour] : files) {
        QImage picture(side, side, QImage::Format_ARGB32);
        picture.fill(colour);
        QVERIFY(picture.save(tree.path() + u"/icon-%1.png"_s.arg(side)));
    }
    const QIcon icon(new CIconFiles(tree.path() + u"/icon-%1.png"_s, { 16, 32, 64 }));
    QCOMPARE(icon.availableSizes(), (QList<QSize> { QSize(16, 16), QSize(32, 32), QSize(64, 64) }));
    const QList<std::tuple<int, int, QColor>> cases {
        { 16, 16, Qt::red }, { 20, 20, Qt::green }, { 64, 64, Qt::blue }, { 100, 64, Qt::blue }
    };
    for (const auto &[wanted, side, colour] : cases) {
        const QImage drawn = icon.pixmap(QSize(wanted, wanted), 1.0).toImage();
        QCOMPARE(drawn.size(), QSize(side, side));
        QCOMPARE(drawn.pixelColor(side / 2, side / 2), colour);
    }
}

void tst_PlindorDlg::fontsAreBoldAtTheirHeights()
{
    CDialogFixture f;
    const QFont queueFont = f.queue()->font();
    const QFont editFont = f.edit(IDC_EDIT_NAME)->font();
    QCOMPARE(queueFont.weight(), QFont::Bold);
    QCOMPARE(editFont.weight(), QFont::Bold);
    const QFontMetrics queueMetrics(queueFont);
    const QFontMetrics editMetrics(editFont);
    QVERIFY(qAbs(queueMetrics.ascent() + queueMetrics.descent() - 28) <= 2);
    QVERIFY(qAbs(editMetrics.ascent() + editMetrics.descent() - 23) <= 2);
    // The Chinese placeholder must render with real glyphs, not boxes.
    QVERIFY(QFontMetrics(editFont).inFontUcs4(U'添'));
}

void tst_PlindorDlg::queueHintIsPaintedNotAnItem()
{
    CDialogFixture f;
    QCOMPARE(f.queue()->count(), 0);
    const QColor green(0, 154, 97);
    auto greenPixels = [&] {
        const QImage shot = f.queue()->viewport()->grab().toImage();
        int found = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x)
                found += shot.pixelColor(x, y) == green ? 1 : 0;
        }
        return found;
    };
    QVERIFY(greenPixels() > 50);
}

void tst_PlindorDlg::layoutFollowsTheDialogFont()
{
    const QSize small = CDialogTemplate::baseUnits(QFont(u"Noto Sans CJK SC"_s, 9));
    const QSize large = CDialogTemplate::baseUnits(QFont(u"Noto Sans CJK SC"_s, 18));
    QVERIFY(large.width() > small.width());
    QVERIFY(large.height() > small.height());
    // Adjacent controls stay adjacent: rounding both edges avoids one-pixel gaps and overlaps.
    const QRect left = CDialogTemplate::toPixels({ 7, 255, 81, 28 }, { 7, 15 });
    const QRect right = CDialogTemplate::toPixels({ 88, 255, 81, 28 }, { 7, 15 });
    QCOMPARE(left.right() + 1, right.left());
    QCOMPARE(CDialogTemplate::toPixels({ 0, 0, 4, 8 }, { 7, 15 }).size(), QSize(7, 15));

    CDialogFixture f;
    const QRect window = f.dlg().rect();
    for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
        if (QWidget *widget = f.dlg().item(control.id); widget && widget->isVisible())
            QVERIFY2(window.contains(widget->geometry()), control.name);
    }
}

void tst_PlindorDlg::windowFitsTheScreen_data()
{
    // Free areas in device-independent pixels: the screen divided by the scale, less a 27-pixel panel.
    QTest::addColumn<QRect>("available");
    QTest::addColumn<bool>("fullSize");
    QTest::addColumn<bool>("fits");
    QTest::newRow("1366x768-at-100%") << QRect(0, 27, 1366, 741) << true << true;
    QTest::newRow("1920x1080-at-150%") << QRect(0, 27, 1280, 693) << true << true;
    QTest::newRow("3840x2160-at-200%") << QRect(0, 27, 1920, 1053) << true << true;
    QTest::newRow("1024x600-shrinks") << QRect(0, 0, 1024, 600) << false << true;
    QTest::newRow("800x480-stops-at-readable") << QRect(0, 0, 800, 480) << false << false;
}

void tst_PlindorDlg::windowFitsTheScreen()
{
    QFETCH(QRect, available);
    QFETCH(bool, fullSize);
    QFETCH(bool, fits);
    CDialogFixture f;
    CPlindorDlg &dlg = f.dlg();
    dlg.fitToScreen(available);
    const QSize full
        = CDialogTemplate::toPixels(QRect(QPoint(0, 0), CDialogTemplate::sizeInDlu), CDialogTemplate::templateUnits())
              .size();
    QVERIFY2(full.height() <= 620, qPrintable(QString::number(full.height())));
    // The preview pane stands to the right of the template's controls wherever it fits beside them whole.
    const QWidget *preview = dlg.findChild<QWidget *>(u"PlindorPreview"_s);
    const int previewWidth = preview->isVisibleTo(&dlg) ? preview->width() : 0;
    QCOMPARE(dlg.size() - QSize(previewWidth, 0) == full, fullSize);
    QCOMPARE(previewWidth > 0, fullSize);
    // With room for a window manager's frame.
    QCOMPARE(dlg.width() + 20 <= available.width() && dlg.height() + 50 <= available.height(), fits);

    const QRect window = dlg.rect();
    const int frame = dlg.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    QList<QPair<QRect, QGroupBox *>> groups;
    for (QGroupBox *group : dlg.findChildren<QGroupBox *>()) {
        for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
            if (control.kind == CDialogTemplate::Kind::GroupBox && control.text == group->title())
                groups.append({ control.dlu, group });
        }
    }
    QCOMPARE(groups.size(), 4);
    for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
        QWidget *widget
            = dlg.findChildren<QWidget *>(QString::fromLatin1(control.name), Qt::FindDirectChildrenOnly).value(0);
        if (!widget || control.id == IDC_STATIC || !widget->isVisibleTo(&dlg))
            continue;
        QVERIFY2(window.contains(widget->geometry()), control.name);
        // A drop-down list's template height counts its opened list.
        QRect placed = control.dlu;
        if (control.kind == CDialogTemplate::Kind::DropCombo)
            placed.setHeight(12);
        for (const auto &[dlu, group] : std::as_const(groups)) {
            if (dlu.contains(placed)) {
                QVERIFY2(group->geometry().contains(widget->geometry()), control.name);
                QVERIFY2(widget->y() > group->y() + group->fontMetrics().ascent(), control.name);
            }
        }
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            const QFontMetrics metrics = button->fontMetrics();
            QVERIFY2(metrics.horizontalAdvance(button->text()) + 2 * frame <= button->width(), control.name);
            QVERIFY2(metrics.height() + 2 * frame <= button->height(), control.name);
        }
    }
    // The edits keep their bold face, giving up a few pixels of it at most, and show it whole.
    const QFontMetrics edit = f.edit(IDC_EDIT_NAME)->fontMetrics();
    QVERIFY(edit.height() + 2 * frame <= f.edit(IDC_EDIT_NAME)->height());
    QVERIFY2(edit.height() >= (fullSize ? 20 : 16), qPrintable(QString::number(edit.height())));
}

void tst_PlindorDlg::tabOrderFollowsTheTemplate()
{
    CDialogFixture f;
    QList<int> expected;
    for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
        if (control.id != IDC_STATIC && control.id != IDC_PICTURE)
            expected << control.id;
    }
    QWidget *widget = f.queue();
    for (int id : expected) {
        QCOMPARE(widget->objectName(), f.dlg().item(id)->objectName());
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !f.dlg().isAncestorOf(widget) || widget->objectName().isEmpty());
    }
}

void tst_PlindorDlg::candidateLists_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("termA");
    QTest::addColumn<QStringList>("termB");
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<QString>("date");

    QTest::newRow("spring") << QDate(2026, 3, 5)
                            << QStringList { u"2023年上期"_s, u"2024年上期"_s, u"2025年上期"_s, u"2026年上期"_s }
                            << QStringList { u"2023年下期"_s, u"2024年下期"_s, u"2025年下期"_s, u"2026年下期"_s }
                            << QStringList { u"2026年"_s, u"2026年3月5日"_s, u"3月"_s, u"3月5日"_s } << u"2026年"_s;
    QTest::newRow("december") << QDate(2026, 12, 7)
                              << QStringList { u"2023年下期"_s, u"2024年下期"_s, u"2025年下期"_s, u"2026年下期"_s }
                              << QStringList { u"2023年上期"_s, u"2024年上期"_s, u"2025年上期"_s, u"2026年上期"_s }
                              << QStringList { u"12月"_s, u"12月7日"_s, u"2026年"_s, u"2026年12月7日"_s } << u"12月"_s;
    QTest::newRow("last-day-of-august")
        << QDate(2026, 8, 31) << QStringList { u"2023年上期"_s, u"2024年上期"_s, u"2025年上期"_s, u"2026年上期"_s }
        << QStringList { u"2023年下期"_s, u"2024年下期"_s, u"2025年下期"_s, u"2026年下期"_s }
        << QStringList { u"2026年"_s, u"2026年8月31日"_s, u"8月"_s, u"8月31日"_s } << u"2026年"_s;
    QTest::newRow("first-of-september")
        << QDate(2026, 9, 1) << QStringList { u"2023年下期"_s, u"2024年下期"_s, u"2025年下期"_s, u"2026年下期"_s }
        << QStringList { u"2023年上期"_s, u"2024年上期"_s, u"2025年上期"_s, u"2026年上期"_s }
        << QStringList { u"2026年"_s, u"2026年9月1日"_s, u"9月"_s, u"9月1日"_s } << u"2026年"_s;
    QTest::newRow("january-sorts-month-first")
        << QDate(2027, 1, 10) << QStringList { u"2024年上期"_s, u"2025年上期"_s, u"2026年上期"_s, u"2027年上期"_s }
        << QStringList { u"2024年下期"_s, u"2025年下期"_s, u"2026年下期"_s, u"2027年下期"_s }
        << QStringList { u"1月"_s, u"1月10日"_s, u"2027年"_s, u"2027年1月10日"_s } << u"1月"_s;
}

void tst_PlindorDlg::candidateLists()
{
    QFETCH(QDate, today);
    QFETCH(QStringList, termA);
    QFETCH(QStringList, termB);
    QFETCH(QStringList, dates);
    QFETCH(QString, date);
    CDialogFixture f(today);
    auto items = [](const QComboBox *combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    };
    QCOMPARE(items(f.combo(IDC_COMBO_TERM_A)), termA);
    QCOMPARE(items(f.combo(IDC_COMBO_TERM_B)), termB);
    QCOMPARE(items(f.combo(IDC_COMBO_DATE)), dates);
    QCOMPARE(items(f.combo(IDC_COMBO_SUFFIX)), (QStringList { u"_1"_s, u"_2"_s, u"_3"_s, u"_4"_s, u"_5"_s }));
    QCOMPARE(f.combo(IDC_COMBO_TERM_A)->currentText(), termA.last());
    QCOMPARE(f.combo(IDC_COMBO_TERM_B)->currentText(), termB.last());
    QCOMPARE(f.combo(IDC_COMBO_DATE)->currentText(), date);
    QCOMPARE(f.combo(IDC_COMBO_SUFFIX)->currentText(), u"_1"_s);
}

void tst_PlindorDlg::leavingSavesTheProfile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("exit-button") << u"button"_s;
    QTest::newRow("escape-key") << u"escape"_s;
    QTest::newRow("window-manager-close") << u"close"_s;
}

void tst_PlindorDlg::leavingSavesTheProfile()
{
    QFETCH(QString, how);
    CDialogFixture f;
    QVERIFY(!QFile::exists(f.profilePath()));
    QSignalSpy rejected(&f.dlg(), &QDialog::rejected);
    if (how == u"button")
        f.click(IDCANCEL);
    else if (how == u"escape")
        QTest::keyClick(&f.dlg(), Qt::Key_Escape);
    else
        f.dlg().close();
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!f.dlg().isVisible());
    QSettings stored(f.profilePath(), QSettings::IniFormat);
    QCOMPARE(stored.value(u"m_cb5/num"_s).toString(), u"10001"_s);
    QCOMPARE(stored.value(u"m_cb5/0"_s).toString(), u"拖入文件夹"_s);
}

// The place is the profile's; the size stays the one made for the screen.
void tst_PlindorDlg::opensWhereItWasClosed()
{
    CDialogFixture f;
    const QSize fitted = f.dlg().size();
    const QRect screen = f.dlg().screen()->availableGeometry();
    // Clear of the top edge, which Qt keeps the title bar away from.
    const QPoint place = screen.topLeft() + QPoint(37, 61);
    f.dlg().move(place);
    QVERIFY(f.restart());
    QCOMPARE(f.dlg().pos(), place);
    QCOMPARE(f.dlg().size(), fitted);
}

void tst_PlindorDlg::handOverKeepsTheItemBeingEdited()
{
    CTempTree tree;
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tree.file(u"b.txt"_s), tree.file(u"c.txt"_s) }));
    QTest::keyClick(f.queue(), Qt::Key_Down);
    f.click(IDC_BTN_ADD_DATE);
    CMyEdit *name = f.edit(IDC_EDIT_NAME);
    name->selectAll();
    QTest::keyClicks(name, u"mid"_s);
    const QString composed = u"12月|mid|（后缀）"_s;
    QCOMPARE(f.editorTexts(), composed);

    // "a.txt" sorts before the loaded item, so a reload of the first entry would have taken its place.
    f.dlg().queueHandedOverPaths({ tree.file(u"a.txt"_s), tree.file(u"d.txt"_s) });
    QCOMPARE(f.queue()->count(), 4);
    QCOMPARE(f.queue()->pathAt(f.queue()->currentRow()), tree.filePath(u"c.txt"_s));
    QCOMPARE(f.editorTexts(), composed);

    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(QDir(tree.path()).entryList(QDir::Files, QDir::Name),
             (QStringList { u"12月mid.txt"_s, u"a.txt"_s, u"b.txt"_s, u"d.txt"_s }));
}

void tst_PlindorDlg::loadsThePathTheSignalCarries_data()
{
    QTest::addColumn<int>("control");
    QTest::newRow("queue-drop") << int(IDC_FILE_LIST);
    QTest::newRow("queue-click") << -int(IDC_FILE_LIST);
    QTest::newRow("name-edit-drop") << int(IDC_EDIT_NAME);
}

// The window goes by what a control reports, not by the fields the control happens to hold afterwards.
void tst_PlindorDlg::loadsThePathTheSignalCarries()
{
    QFETCH(int, control);
    CTempTree tmp;
    const QString queued = tmp.file(u"queued.txt"_s);
    const QString reported = tmp.file(u"sub/reported.tar.gz"_s);
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ queued }));
    if (control == IDC_FILE_LIST)
        Q_EMIT f.queue()->dropLoaded(reported);
    else if (control == -IDC_FILE_LIST)
        Q_EMIT f.queue()->clickLoaded(reported);
    else
        Q_EMIT f.edit(IDC_EDIT_NAME)->pathDropped(reported);
    QCOMPARE(f.queue()->m_filePathName, queued);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"reported.tar"_s);
    f.edit(IDC_EDIT_NAME)->setText(u"renamed"_s);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.takeMessages(), QString());
    QVERIFY(QFileInfo::exists(queued));
    QVERIFY(QFileInfo::exists(tmp.filePath(u"sub/renamed.gz"_s)));
}

void tst_PlindorDlg::namesPathsItCannotQueue_data()
{
    QTest::addColumn<int>("missing");
    QTest::addColumn<int>("tooLong");
    QTest::addColumn<QString>("message");
    const QString gone = u"/gone/%1"_s;
    QTest::newRow("none") << 0 << 0 << QString();
    QTest::newRow("three-missing") << 3 << 0 << u"以下路径不存在，未加入队列：\n/gone/0\n/gone/1\n/gone/2"_s;
    QStringList first20;
    for (int i = 0; i < 20; ++i)
        first20 << gone.arg(i);
    QTest::newRow("25-missing") << 25 << 0
                                << u"以下路径不存在，未加入队列：\n"_s + first20.join(u'\n') + u"\n…等共 25 个路径"_s;
    // Windows measures a path in UTF-16 units, up to 32,767: these paths are merely missing there.
#ifndef Q_OS_WIN
    const QString cut = u'/' + QString(259, u'長') + u'…';
    QTest::newRow("too-long-and-missing")
        << 1 << 2 << u"以下路径不存在，未加入队列：\n/gone/0\n\n路径过长，未加入队列：\n"_s + cut + u'\n' + cut;
#endif
}

void tst_PlindorDlg::namesPathsItCannotQueue()
{
    QFETCH(int, missing);
    QFETCH(int, tooLong);
    QFETCH(QString, message);
    CDialogFixture f;
    CTempTree tree;
    QStringList paths { tree.file(u"here.txt"_s) };
    for (int i = 0; i < missing; ++i)
        paths << u"/gone/%1"_s.arg(i);
    // 1,366 characters of three bytes each: past the 4,096 bytes a path may have, so it seems not to exist.
    for (int i = 0; i < tooLong; ++i)
        paths << u'/' + QString(1366 + i, u'長');
    f.dlg().queuePaths(paths);
    // The message shows paths as the system writes them.
    QCOMPARE(QDir::fromNativeSeparators(f.takeMessages()), message);
    QCOMPARE(f.queue()->count(), 1);
    QCOMPARE(f.queue()->pathAt(0), tree.filePath(u"here.txt"_s));
}

// A box's loop lets other launches' hand-overs in: those refused meanwhile wait for one more box, never one inside it.
void tst_PlindorDlg::refusedHandOversShareOneMessage()
{
    CDialogFixture f;
    int sent = 1;
    int open = 0;
    int deepest = 0;
    f.prompter().whileShown = [&](const CFakePrompter::Message &) {
        deepest = std::max(deepest, ++open);
        while (open == 1 && sent < 10'000)
            f.dlg().queueHandedOverPaths({ u"/gone/%1"_s.arg(sent++) });
        --open;
    };
    QTest::ignoreMessage(QtInfoMsg, "9999 paths were refused while the message about earlier ones was open");
    f.dlg().queueHandedOverPaths({ u"/gone/0"_s });
    QCOMPARE(deepest, 1);
    const QStringList texts = f.prompter().takeTexts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts.at(1).endsWith(u"…等共 9999 个路径"_s), qPrintable(texts.at(1)));
}

// Message boxes, the folder picker and the edits' menus are Qt's own; they must speak the interface's language
// whatever the user's locale.
void tst_PlindorDlg::qtOwnTextsAreChinese()
{
    QLocale::setDefault(QLocale::c());
    QTranslator *translator = CQtTranslation::install(qApp, CInterfaceLanguage::Language::Chinese);
    const auto restore = qScopeGuard([translator] {
        delete translator;
        QLocale::setDefault(QLocale::system());
    });
    QVERIFY2(translator, "Qt's translation qtbase_zh_CN.qm is missing (Debian: qt6-translations-l10n)");
    CTempTree tmp;
    QSettings store(tmp.filePath(u"profile.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    CPlindorDlg dlg(settings, {}, QDate(2026, 12, 7));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(CDropSimulator::dropPaths(dlg.item(IDC_FILE_LIST), { tmp.file(u"a.txt"_s) }));

    // A real box: the unlinked quick-move button's, which has no caption of its own.
    QString title;
    QString button;
    QTimer::singleShot(0, &dlg, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            button = box->buttons().value(0)->text();
            box->accept();
        }
    });
    qobject_cast<QPushButton *>(dlg.item(IDC_BTN_DIR1))->click();
    QCOMPARE(button, u"确定"_s);
    QCOMPARE(title, u"Plindor"_s);

    QWidget *name = dlg.item(IDC_EDIT_NAME);
    QContextMenuEvent event(QContextMenuEvent::Mouse, name->rect().center(), name->mapToGlobal(name->rect().center()));
    QApplication::sendEvent(name, &event);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QStringList shown;
    for (const QAction *action : menu->actions())
        shown << action->text().section(u'(', 0, 0);
    menu->close();
    // Qt's Chinese writes Undo as 撤消, a variant of 撤销.
    for (const QString &expected : { u"撤消"_s, u"剪切"_s, u"复制"_s, u"粘贴"_s })
        QVERIFY2(shown.contains(expected), qPrintable(shown.join(u", "_s)));
    dlg.reject();
}

void tst_PlindorDlg::aHangingMountNeverStallsTheWindow_data()
{
    QTest::addColumn<bool>("handedOver");
    QTest::newRow("second-launch-hands-it-over") << true;
    QTest::newRow("it-is-the-next-item") << false;
}

// A path on a mount that does not answer costs a short wait, never the window; and it is queued and loaded all the
// same, its name whole.
void tst_PlindorDlg::aHangingMountNeverStallsTheWindow()
{
    QFETCH(bool, handedOver);
    CTempTree tree;
    CDialogFixture f;
    const QString first = tree.file(u"a/first.txt"_s);
    const QString stuck = tree.file(u"dead/report.txt"_s);
    f.dlg().queuePaths(handedOver ? QStringList { first } : QStringList { first, stuck });
    const CHangingFolder dead(tree.filePath(u"dead"_s));
    int ticks = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&ticks] { ++ticks; });
    clock.start(10);

    if (handedOver)
        f.dlg().queueHandedOverPaths({ stuck });
    else
        QTest::keyClick(f.queue(), Qt::Key_Delete); // "first" leaves the queue, the next item is loaded

    QVERIFY(dead.hangs());
    QTRY_VERIFY(ticks > 30); // the window's loop runs on while the question hangs
    QVERIFY(dead.hangs());
    QVERIFY(f.queue()->rowOf(stuck) >= 0);
    QCOMPARE(f.queue()->count(), handedOver ? 2 : 1);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), handedOver ? u"first"_s : u"report"_s);
    QCOMPARE(f.takeMessages(), QString());
}

QTEST_MAIN(tst_PlindorDlg)
#include "tst_PlindorDlg.moc"
