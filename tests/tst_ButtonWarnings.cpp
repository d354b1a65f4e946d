// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "dialog/AccessibleTexts.h"
#include "dialog/ButtonWarnings.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/Mounts.h"
#include "helpers/WindowTest.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

/// The operation buttons warn before a click, through the real window over real folders, and never wait on a disk.
class tst_ButtonWarnings : public CPopupWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void warnsUntilTheCauseIsGone_data();
    void warnsUntilTheCauseIsGone();
    void aHangingFolderNeverStallsTheWindow();
    void dropsAnswersToOlderQuestions();
    void theClickIsUnchanged();
};

namespace
{
constexpr char kSource[] = "src/report.txt";

/// A file of `size` bytes, written out up to a mebibyte and a hole beyond, which costs no room.
/// Returns false, and says why, when it could not be written.
[[nodiscard]] bool writeFile(const QString &path, qint64 size = 1)
{
    QFile file(path);
    const qint64 written = std::min<qint64>(size, 1 << 20);
    if (file.open(QIODevice::WriteOnly) && file.write(QByteArray(written, 'w')) == written && file.resize(size))
        return true;
    qWarning("%s: %s", qPrintable(path), qPrintable(file.errorString()));
    return false;
}

/// One window over a scratch tree: src/report.txt queued and renamed to "fresh", the folders work and work2 empty.
struct Scene {
    QTemporaryDir dir;
    CTestMounts mounts; ///< after the folder that holds the mount points, so the mounts go first
    std::unique_ptr<CDialogFixture> fixture;
    QString skipReason;
    bool arranged = true; ///< false once a step of the scene could not be made: the test stops at its next check

    Scene()
    {
        for (const char *folder : { "src", "work", "work2" })
            QDir().mkpath(path(QString::fromLatin1(folder)));
        require(writeFile(path(QString::fromLatin1(kSource))));
        fixture = std::make_unique<CDialogFixture>();
        require(fixture->dropOnQueue({ path(QString::fromLatin1(kSource)) }));
        type(u"fresh"_s);
    }
    /// Notes whether a step worked, where no QVERIFY could end the test: in the constructor and the rows' steps.
    void require(bool done)
    {
        arranged = arranged && done;
    }
    [[nodiscard]] QString path(const QString &relative) const
    {
        return dir.filePath(relative);
    }
    [[nodiscard]] CPlindorDlg &dlg() const
    {
        return fixture->dlg();
    }
    [[nodiscard]] QPushButton *button(int id) const
    {
        return fixture->button(id);
    }
    [[nodiscard]] CButtonWarnings *warnings() const
    {
        return dlg().findChild<CButtonWarnings *>();
    }
    /// Types `name` over the name edit, key by key; a control character arrives as a paste would bring it.
    void type(const QString &name) const
    {
        CMyEdit *edit = fixture->edit(IDC_EDIT_NAME);
        edit->selectAll();
        if (name.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        for (const QChar c : name) {
            if (c.isPrint())
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
            else
                edit->insert(QString(c));
        }
    }
    /// One more keystroke and its undoing: the name is as it was, and the buttons are checked again.
    void nudge() const
    {
        CMyEdit *edit = fixture->edit(IDC_EDIT_NAME);
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, u"x"_s);
        QTest::keyClick(edit, Qt::Key_Backspace);
    }
    [[nodiscard]] bool link(int id, const QString &folder) const
    {
        return CDropSimulator::dropPaths(fixture->dropButton(id), { folder });
    }
    void moveInto(const QString &folderText) const
    {
        fixture->combo(IDC_COMBO_TARGET_DIR)->setEditText(folderText);
    }
    QString skip(const QString &reason)
    {
        skipReason = reason;
        return {};
    }
};

struct Row {
    const char *tag;
    int id;
    /// Brings about the cause and returns the reason the button must show; empty (with skipReason) to skip.
    std::function<QString(Scene &)> cause;
    std::function<void(Scene &)> remove;
    bool nudge = false; ///< nothing the window watches tells of the removal, so a keystroke checks again
};

QString makeFolder(Scene &s, const QString &relative)
{
    QDir().mkpath(s.path(relative));
    return s.path(relative);
}

QString onExfat(Scene &s, const QString &name, const QString &reason)
{
    const QString stick = s.mounts.exfat(s.path(u"stick"_s), s.dir.path());
    if (stick.isEmpty())
        return s.skip(s.mounts.failure());
    s.require(writeFile(stick + u"/Taken.txt"_s));
    s.require(s.link(IDC_BTN_DIR4, stick));
    s.type(name);
    return reason;
}

const std::vector<Row> &rows()
{
    static const std::vector<Row> table {
        { "name-missing", IDC_BTN_RENAME,
          [](Scene &s) {
              s.type({});
              return u"未填写文件名"_s;
          },
          [](Scene &s) { s.type(u"n"_s); } },
        { "slash", IDC_BTN_RENAME,
          [](Scene &s) {
              s.type(u"a/b"_s);
              return u"文件名不能含有“/”"_s;
          },
          [](Scene &s) { s.type(u"a-b"_s); } },
        { "name-too-long", IDC_BTN_RENAME,
          [](Scene &s) {
              s.type(QString(86, QChar(0x6C49)));
              return u"文件名过长：262 字节，此磁盘最多 255 字节"_s;
          },
          [](Scene &s) { s.type(QString(83, QChar(0x6C49))); } },
        { "same-name", IDC_BTN_RENAME,
          [](Scene &s) {
              s.type(u"report"_s);
              return u"新文件名与原文件名相同"_s;
          },
          [](Scene &s) { s.type(u"report2"_s); } },
        { "name-taken", IDC_BTN_MOVE,
          [](Scene &s) {
              s.require(writeFile(s.path(u"work/fresh.txt"_s)));
              s.moveInto(s.path(u"work"_s));
              return u"目标文件夹中已有“fresh.txt”"_s;
          },
          [](Scene &s) { QFile::remove(s.path(u"work/fresh.txt"_s)); } },
        { "source-gone", IDC_BTN_RENAME,
          [](Scene &s) {
              QFile::remove(s.path(QString::fromLatin1(kSource)));
              return u"原文件已不存在"_s;
          },
          [](Scene &s) { s.require(writeFile(s.path(QString::fromLatin1(kSource)))); } },
        { "folder-missing", IDC_BTN_DIR1,
          [](Scene &s) {
              s.require(s.link(IDC_BTN_DIR1, makeFolder(s, u"gone"_s)));
              QDir().rmdir(s.path(u"gone"_s));
              return QString(u"目标文件夹不存在："_s + QDir::toNativeSeparators(s.path(u"gone"_s)));
          },
          [](Scene &s) { makeFolder(s, u"gone"_s); } },
        { "not-a-folder", IDC_BTN_MOVE,
          [](Scene &s) {
              s.require(writeFile(s.path(u"plain"_s)));
              s.moveInto(s.path(u"plain"_s));
              return QString(u"目标不是文件夹："_s + s.path(u"plain"_s));
          },
          [](Scene &s) { s.moveInto(s.path(u"work"_s)); } },
        { "not-writable", IDC_BTN_DIR2,
          [](Scene &s) {
              s.require(s.link(IDC_BTN_DIR2, makeFolder(s, u"locked"_s)));
              // Mode bits do not stop root; a read-only mount does.
              if (::geteuid() != 0) {
                  QFile::setPermissions(s.path(u"locked"_s), QFile::ReadOwner | QFile::ExeOwner);
                  return QString(u"目标文件夹不可写入："_s + s.path(u"locked"_s));
              }
              if (s.mounts.readOnly(s.path(u"locked"_s)).isEmpty())
                  return s.skip(s.mounts.failure());
              return QString(u"目标文件夹所在磁盘只读："_s + s.path(u"locked"_s));
          },
          [](Scene &s) {
              QFile::setPermissions(s.path(u"locked"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
              s.mounts.unmount(s.path(u"locked"_s));
          },
          true },
        { "not-linked", IDC_BTN_DIR3, [](Scene &) { return u"此按钮尚未链接文件夹，请拖入目标文件夹"_s; },
          [](Scene &s) { s.require(s.link(IDC_BTN_DIR3, s.path(u"work2"_s))); } },
        { "no-folder-chosen", IDC_BTN_MOVE, [](Scene &) { return u"请先选择目标文件夹"_s; },
          [](Scene &s) { s.moveInto(s.path(u"work"_s)); } },
        { "into-itself", IDC_BTN_DIR5,
          [](Scene &s) {
              makeFolder(s, u"src/photos/inner"_s);
              s.fixture->dropOnQueue({ s.path(u"src/photos"_s) });
              s.require(s.link(IDC_BTN_DIR5, s.path(u"src/photos/inner"_s)));
              s.type(u"pictures"_s);
              return u"不能把文件夹移入它自己"_s;
          },
          [](Scene &s) { s.require(s.link(IDC_BTN_DIR5, s.path(u"work"_s))); } },
        { "no-room", IDC_BTN_DIR3,
          [](Scene &s) {
              const QString small = s.mounts.tmpfs(s.path(u"small"_s), "size=1m");
              if (small.isEmpty())
                  return s.skip(s.mounts.failure());
              s.require(writeFile(small + u"/filler"_s, 700 * 1024));
              s.require(writeFile(s.path(QString::fromLatin1(kSource)), 600 * 1024));
              s.require(s.link(IDC_BTN_DIR3, small));
              return u"磁盘空间不足：需要 600.0 KiB，剩余 324.0 KiB"_s;
          },
          [](Scene &s) { QFile::remove(s.path(u"small/filler"_s)); } },
        { "folder-across-disks", IDC_BTN_DIR5,
          [](Scene &s) {
              const QString other = s.mounts.tmpfs(s.path(u"other"_s), "size=1m");
              if (other.isEmpty())
                  return s.skip(s.mounts.failure());
              makeFolder(s, u"src/photos"_s);
              s.fixture->dropOnQueue({ s.path(u"src/photos"_s) });
              s.require(s.link(IDC_BTN_DIR5, other));
              return u"文件夹不能移到另一个磁盘"_s;
          },
          [](Scene &s) { s.require(s.link(IDC_BTN_DIR5, s.path(u"work"_s))); } },
        { "too-large-for-fat32", IDC_BTN_DIR1,
          [](Scene &s) {
              makeFolder(s, u"backing"_s);
              const QString stick = s.mounts.faultfs(s.path(u"backing"_s), s.path(u"fat"_s), {}, u"fusefat"_s);
              if (stick.isEmpty())
                  return s.skip(s.mounts.failure());
              s.require(writeFile(s.path(QString::fromLatin1(kSource)), qint64(5) << 30));
              s.require(s.link(IDC_BTN_DIR1, stick));
              return u"文件过大：5.0 GiB，此磁盘单个文件最大 4.0 GiB"_s;
          },
          [](Scene &s) { s.require(writeFile(s.path(QString::fromLatin1(kSource)), 10)); }, true },
        { "exfat-colon", IDC_BTN_DIR4, [](Scene &s) { return onExfat(s, u"a:b"_s, u"此磁盘的文件名不能含有“:”"_s); },
          [](Scene &s) { s.type(u"a-b"_s); } },
        { "exfat-control-character", IDC_BTN_DIR4,
          [](Scene &s) { return onExfat(s, u"a\tb"_s, u"此磁盘的文件名不能含有控制字符 U+0009"_s); },
          [](Scene &s) { s.type(u"a b"_s); } },
        { "exfat-trailing-space", IDC_BTN_DIR4,
          [](Scene &s) {
              s.require(writeFile(s.path(u"src/notes"_s)));
              s.fixture->dropOnQueue({ s.path(u"src/notes"_s) });
              return onExfat(s, u"notes "_s, u"此磁盘的文件名不能以空格结尾"_s);
          },
          [](Scene &s) { s.type(u"notes"_s); } },
        { "exfat-reserved", IDC_BTN_DIR4,
          [](Scene &s) { return onExfat(s, u"nul"_s, u"“nul”是此磁盘保留的设备名，不能用作文件名"_s); },
          [](Scene &s) { s.type(u"null"_s); } },
        { "exfat-taken-without-case", IDC_BTN_DIR4,
          [](Scene &s) { return onExfat(s, u"TAKEN"_s, u"目标文件夹中已有“TAKEN.txt”"_s); },
          [](Scene &s) { s.type(u"TAKEN2"_s); } },
    };
    return table;
}
} // namespace

void tst_ButtonWarnings::warnsUntilTheCauseIsGone_data()
{
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < rows().size(); ++i)
        QTest::newRow(rows().at(i).tag) << int(i);
}

void tst_ButtonWarnings::warnsUntilTheCauseIsGone()
{
    QFETCH(int, row);
    const Row &r = rows().at(std::size_t(row));
    Scene s;
    QVERIFY(s.arranged);
    QPushButton *button = s.button(r.id);

    const QString reason = r.cause(s);
    if (reason.isEmpty())
        QSKIP(qPrintable(s.skipReason));
    QVERIFY(s.arranged);
    const QString caption = button->text();

    QTRY_COMPARE(button->toolTip().section(u'\n', 0, 0), u"⚠ "_s + reason);
    QCOMPARE(button->accessibleDescription(), button->toolTip());
    QVERIFY(!button->icon().isNull());
    QCOMPARE(button->text(), caption);

    r.remove(s);
    QVERIFY(s.arranged);
    if (r.nudge)
        s.nudge();
    QTRY_VERIFY2(!button->toolTip().startsWith(u'⚠'), qPrintable(button->toolTip()));
    // The button's own description comes back, with the key that clicks it.
    QVERIFY2(button->accessibleDescription().startsWith(CAccessibleTexts::description(r.id))
                 && button->accessibleDescription().contains(u"快捷键："_s),
             qPrintable(button->accessibleDescription()));
    QVERIFY(button->icon().isNull());
}

// A folder that does not answer (a network share gone away) costs its button the warning, never the window: other
// buttons still warn, the event loop keeps running, and the folder gets no second question until the first returns.
void tst_ButtonWarnings::aHangingFolderNeverStallsTheWindow()
{
    Scene s;
    QVERIFY(s.arranged);
    const QString slow = makeFolder(s, u"slow"_s);
    QVERIFY(writeFile(slow + u"/taken.txt"_s));
    QVERIFY(writeFile(s.path(u"work/taken.txt"_s)));
    auto gate = std::make_shared<QSemaphore>();
    auto slowQuestions = std::make_shared<std::atomic<int>>(0);
    s.warnings()->setTimeout(std::chrono::milliseconds(200));
    s.warnings()->setProbe([gate, slowQuestions, slow](const CTargetFacts::Question &question) {
        if (question.folder.startsWith(slow)) {
            ++*slowQuestions;
            gate->acquire();
        }
        return CTargetFacts::probe(question);
    });
    QVERIFY(s.link(IDC_BTN_DIR1, slow));
    QVERIFY(s.link(IDC_BTN_DIR2, s.path(u"work"_s)));
    int ticks = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&ticks] { ++ticks; });
    clock.start(10);

    s.type(u"taken"_s);

    QTRY_COMPARE(s.button(IDC_BTN_DIR2)->toolTip().section(u'\n', 0, 0), u"⚠ 目标文件夹中已有“taken.txt”"_s);
    QTRY_VERIFY(ticks > 30); // the window's loop ran on while a question hung
    QVERIFY(!s.button(IDC_BTN_DIR1)->toolTip().startsWith(u'⚠'));
    QVERIFY(s.button(IDC_BTN_DIR1)->icon().isNull());
    s.type(u"takenx"_s);
    s.type(u"taken"_s);
    QVERIFY(s.link(IDC_BTN_DIR1, makeFolder(s, u"slow2"_s))); // the same dead mount, another folder
    s.type(u"taken"_s);
    QTRY_VERIFY(ticks > 60);
    QCOMPARE(slowQuestions->load(), 1);
    QVERIFY(s.link(IDC_BTN_DIR1, slow));

    gate->release(100);
    QTRY_COMPARE(s.button(IDC_BTN_DIR1)->toolTip().section(u'\n', 0, 0), u"⚠ 目标文件夹中已有“taken.txt”"_s);
}

// An answer to what the edit held a few keystrokes ago never reaches the button.
void tst_ButtonWarnings::dropsAnswersToOlderQuestions()
{
    Scene s;
    QVERIFY(s.arranged);
    QVERIFY(writeFile(s.path(u"work/taken.txt"_s)));
    QVERIFY(s.link(IDC_BTN_DIR2, s.path(u"work"_s)));
    QTRY_VERIFY(!s.button(IDC_BTN_DIR2)->toolTip().startsWith(u'⚠'));
    auto gate = std::make_shared<QSemaphore>();
    auto questions = std::make_shared<std::atomic<int>>(0);
    const QString work = s.path(u"work"_s);
    s.warnings()->setProbe([gate, questions, work](const CTargetFacts::Question &question) {
        if (question.folder == work) {
            ++*questions;
            gate->acquire();
        }
        return CTargetFacts::probe(question);
    });
    s.type(u"taken"_s);
    QTRY_COMPARE(questions->load(), 1);
    s.type(u"free"_s);

    gate->release(); // the answer about "taken" comes back, and "free" is asked
    QTRY_COMPARE(questions->load(), 2);
    QVERIFY2(!s.button(IDC_BTN_DIR2)->toolTip().startsWith(u'⚠'), qPrintable(s.button(IDC_BTN_DIR2)->toolTip()));
    gate->release();
    QSignalSpy settled(s.warnings(), &CButtonWarnings::settled);
    QTRY_VERIFY(!settled.isEmpty());
    QVERIFY(!s.button(IDC_BTN_DIR2)->toolTip().startsWith(u'⚠'));
    s.type(u"taken"_s);
    gate->release();
    QTRY_VERIFY(s.button(IDC_BTN_DIR2)->toolTip().startsWith(u'⚠'));
}

// A warned button still does exactly what it did: the same failure message, nothing moved.
void tst_ButtonWarnings::theClickIsUnchanged()
{
    Scene s;
    QVERIFY(s.arranged);
    QVERIFY(writeFile(s.path(u"work/fresh.txt"_s), 3));
    s.moveInto(s.path(u"work"_s));
    QTRY_VERIFY(s.button(IDC_BTN_MOVE)->toolTip().startsWith(u'⚠'));

    s.fixture->click(IDC_BTN_MOVE);

    QCOMPARE(
        s.fixture->takeMessages(),
        u"请检查:\n1.看最上面编辑框是不是已经完成重命名和移动\n2.检查文件是否关闭!\n3.目标文件夹中是否存在'重名'!"_s);
    QVERIFY(QFile::exists(s.path(QString::fromLatin1(kSource))));
    QCOMPARE(QFileInfo(s.path(u"work/fresh.txt"_s)).size(), 3);
}

QTEST_MAIN(tst_ButtonWarnings)
#include "tst_ButtonWarnings.moc"
