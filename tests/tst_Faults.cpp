// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "helpers/Bytes.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/Mounts.h"
#include "helpers/NameWatcher.h"
#include "helpers/NativePath.h"
#include "helpers/TreeSnapshot.h"
#include "platform/FileMover.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using Snapshot = CTreeSnapshot::Entries;

namespace
{

constexpr auto kChildVariable = "PLINDOR_FAULTS_MOVE_CHILD";
constexpr qint64 kMiB = 1 << 20;
constexpr uid_t kNobody = 65534;

const QString kSaveFailed = u"设置未能保存，下次启动时将沿用上次保存的设置。"_s;

struct Operation {
    int button;
    QString failure;
    QStringList success;
};

Operation operation(const QString &name)
{
    if (name == u"rename"_s)
        return { IDC_BTN_RENAME, u"重命名失败"_s, {} };
    if (name == u"move"_s)
        return { IDC_BTN_MOVE,
                 u"请检查:\n1.看最上面编辑框是不是已经完成重命名和移动\n2.检查文件是否关闭!\n"
                 u"3.目标文件夹中是否存在'重名'!"_s,
                 {} };
    return { IDC_BTN_DIR1,
             u"请检查:\n1.文件是否关闭!\n2.目标文件夹中是否重名!\n3.请确认要重命名文件存在!\n"
             u"4.请确认当前快捷目录存在!"_s,
             { u"重命名完成"_s } };
}

// Large enough for a copy to report progress, which lets queued timers and socket events run halfway.
QByteArray bigContent(int mebibytes)
{
    QByteArray big(mebibytes * kMiB, Qt::Uninitialized);
    QRandomGenerator(quint32(mebibytes)).fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
    return big;
}

/// Tells the parent on stdout how far the copy is, and stops halfway, so that the kill always lands mid-copy.
class CStallingProgress : public IMoveProgress
{
public:
    bool copied(qint64 done, qint64 total) override
    {
        std::printf("copied %lld of %lld\n", static_cast<long long>(done), static_cast<long long>(total));
        std::fflush(stdout);
        if (++m_reports == 4)
            ::sleep(60);
        return true;
    }

private:
    int m_reports = 0;
};

} // namespace

/// Faults of real machines, each driven end to end through the window: whatever happens, no file is lost.
class tst_Faults : public QObject
{
    Q_OBJECT
public:
    /// Runs before QApplication: as a child of killedDuringCopy() the executable only moves one file.
    static void initMain();

private Q_SLOTS:
    void init();
    void cleanup();
    void sourceChangesBeforeClick_data();
    void sourceChangesBeforeClick();
    void targetFolderBreaks_data();
    void targetFolderBreaks();
    void destinationAppearsAtLastMoment_data();
    void destinationAppearsAtLastMoment();
    void pathsQueuedDuringCopy_data();
    void pathsQueuedDuringCopy();
    void pathsQueuedWhileDoneIsShown();
    void unreadableOrLockedSource_data();
    void unreadableOrLockedSource();
    void profileFaults_data();
    void profileFaults();
    void killedDuringCopy_data();
    void killedDuringCopy();
    void itemLeftUnderTemporaryName();

private:
    [[nodiscard]] QString path(const QString &relative) const;
    QString secondFilesystem();
    bool makeReadOnly(const QString &folder);
    void prepare(CDialogFixture &f, const QString &file, const QString &target);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_shm;
    std::unique_ptr<CTestMounts> m_mounts; ///< made after m_dir, gone before it
    QString m_skipReason;
};

void tst_Faults::initMain()
{
    if (!qEnvironmentVariableIsSet(kChildVariable))
        return;
    const QStringList args = qEnvironmentVariable(kChildVariable).split(u'\n');
    CStallingProgress progress;
    const CFileMover::Abilities without
        = args.value(3) == u"named"_s ? CFileMover::Ability::UnnamedTempFiles : CFileMover::Abilities();
    std::exit(CFileMover::move(args.value(0), args.value(1), args.value(2), &progress, without).ok() ? 0 : 1);
}

void tst_Faults::init()
{
    QTest::failOnWarning(QRegularExpression(u"^(?!This plugin does not support propagateSizeHints)"_s));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_mounts = std::make_unique<CTestMounts>();
    // Other users must reach the folders for the tests that act as one.
    QVERIFY(QFile::setPermissions(m_dir->path(), QFile::Permissions(0x7777)));
    for (const QString &folder : { u"src"_s, u"target"_s, u"elsewhere"_s }) {
        QVERIFY(QDir(m_dir->path()).mkdir(folder));
        QVERIFY(QFile::setPermissions(path(folder), QFile::Permissions(0x7777)));
    }
    QVERIFY(writeBytes(path(u"src/report.txt"_s), "the user's report"));
}

void tst_Faults::cleanup()
{
    m_mounts.reset();
    if (m_dir) {
        for (const QString &folder : { u"target"_s, u"profile"_s })
            QFile::setPermissions(path(folder), QFile::Permissions(0x7777));
    }
    m_shm.reset();
    m_dir.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

QString tst_Faults::path(const QString &relative) const
{
    return m_dir->filePath(relative);
}

// A tmpfs mounted by the test as root; otherwise /dev/shm where it is a file system of its own.
QString tst_Faults::secondFilesystem()
{
    if (::geteuid() == 0) {
        const QString point = m_mounts->tmpfs(path(u"other"_s), "size=96m,mode=0777");
        if (point.isEmpty())
            m_skipReason = m_mounts->failure();
        return point;
    }
    struct stat here {
    };
    struct stat shm {
    };
    m_shm = std::make_unique<QTemporaryDir>(u"/dev/shm/tst_Faults-XXXXXX"_s);
    if (m_shm->isValid() && ::stat(native(m_dir->path()).constData(), &here) == 0
        && ::stat(native(m_shm->path()).constData(), &shm) == 0 && here.st_dev != shm.st_dev)
        return m_shm->path();
    m_skipReason = u"needs a second file system: root for a tmpfs mount, or /dev/shm"_s;
    return {};
}

// Mode bits do not stop root; a read-only bind mount does.
bool tst_Faults::makeReadOnly(const QString &folder)
{
    if (::geteuid() != 0)
        return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    return !m_mounts->readOnly(folder).isEmpty();
}

// Queues `file`, points quick-move button 1 and the folder list at `target`, and types the new name "new".
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void tst_Faults::prepare(CDialogFixture &f, const QString &file, const QString &target)
{
    QVERIFY(f.dropOnQueue({ file }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR1), { target }));
    f.prompter().folderAnswers = QStringList { target };
    f.click(IDC_BTN_ADD_DIR);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->currentText(), target);
    f.edit(IDC_EDIT_NAME)->selectAll();
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), u"new"_s);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"new"_s);
}

void tst_Faults::sourceChangesBeforeClick_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("fault");
    for (const QString &op : { u"rename"_s, u"move"_s, u"quick"_s }) {
        for (const QString &fault : { u"deleted"_s, u"replaced-by-file"_s, u"replaced-by-folder"_s })
            QTest::addRow("%s-%s", qPrintable(op), qPrintable(fault)) << op << fault;
    }
}

// The item is renamed by its path: whatever stands there when the user clicks is what the user meant to rename.
void tst_Faults::sourceChangesBeforeClick()
{
    QFETCH(QString, op);
    QFETCH(QString, fault);
    const Operation operation = ::operation(op);
    CDialogFixture f;
    const QString source = path(u"src/report.txt"_s);
    prepare(f, source, path(u"target"_s));
    if (QTest::currentTestFailed())
        return;

    // Another program takes the file away, and may put something else under its name.
    QVERIFY(QFile::rename(source, path(u"elsewhere/report.txt"_s)));
    if (fault == u"replaced-by-file"_s)
        QVERIFY(writeBytes(source, "a newer report"));
    if (fault == u"replaced-by-folder"_s) {
        QVERIFY(QDir().mkdir(source));
        QVERIFY(writeBytes(source + u"/inside.txt"_s, "inside"));
    }
    Snapshot expected = CTreeSnapshot::of(m_dir->path());
    f.click(operation.button);

    if (fault == u"deleted"_s) {
        QCOMPARE(f.prompter().texts(), QStringList { operation.failure });
        QCOMPARE(f.queue()->pathAt(0), source);
    } else {
        QCOMPARE(f.prompter().texts(), operation.success);
        QCOMPARE(f.queue()->count(), 0);
        const QString to = (op == u"rename"_s ? u"src/new.txt"_s : u"target/new.txt"_s);
        expected = CTreeSnapshot::moved(expected, u"src/report.txt"_s, to);
    }
    QCOMPARE(CTreeSnapshot::of(m_dir->path()), expected);
    QCOMPARE(readBytes(path(u"elsewhere/report.txt"_s)), QByteArray("the user's report"));
}

void tst_Faults::targetFolderBreaks_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("fault");
    for (const QString &op : { u"move"_s, u"quick"_s }) {
        for (const QString &fault : { u"deleted"_s, u"replaced-by-file"_s, u"read-only"_s })
            QTest::addRow("%s-%s", qPrintable(op), qPrintable(fault)) << op << fault;
    }
}

void tst_Faults::targetFolderBreaks()
{
    QFETCH(QString, op);
    QFETCH(QString, fault);
    const Operation operation = ::operation(op);
    CDialogFixture f;
    const QString target = path(u"target"_s);
    prepare(f, path(u"src/report.txt"_s), target);
    if (QTest::currentTestFailed())
        return;

    if (fault == u"read-only"_s) {
        QVERIFY(makeReadOnly(target));
    } else {
        QVERIFY(QDir(target).removeRecursively());
        if (fault == u"replaced-by-file"_s)
            QVERIFY(writeBytes(target, "a file where the folder was"));
    }
    const Snapshot before = CTreeSnapshot::of(m_dir->path());
    f.click(operation.button);
    QCOMPARE(f.prompter().texts(), QStringList { operation.failure });
    QCOMPARE(CTreeSnapshot::of(m_dir->path()), before);
    QCOMPARE(f.queue()->count(), 1);
}

void tst_Faults::destinationAppearsAtLastMoment_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("duringCopy");
    QTest::newRow("rename-before-click") << u"rename"_s << false;
    QTest::newRow("move-before-click") << u"move"_s << false;
    QTest::newRow("quick-before-click") << u"quick"_s << false;
    QTest::newRow("move-during-copy-across-file-systems") << u"move"_s << true;
    QTest::newRow("quick-during-copy-across-file-systems") << u"quick"_s << true;
}

// Another program creates the very name the item is about to get; its file must survive, and so must the item.
void tst_Faults::destinationAppearsAtLastMoment()
{
    QFETCH(QString, op);
    QFETCH(bool, duringCopy);
    const Operation operation = ::operation(op);
    QString target = path(u"target"_s);
    const QString source = path(u"src/report.txt"_s);
    if (duringCopy) {
        target = secondFilesystem();
        if (target.isEmpty())
            QSKIP(qPrintable(m_skipReason));
        QVERIFY(writeBytes(source, bigContent(8)));
    }
    const QByteArray original = readBytes(source);
    CDialogFixture f;
    prepare(f, source, target);
    if (QTest::currentTestFailed())
        return;
    const QString destination = (op == u"rename"_s ? path(u"src"_s) : target) + u"/new.txt"_s;

    bool clicking = false;
    bool createdDuringClick = false;
    const auto createDestination = [&] {
        createdDuringClick = clicking;
        QVERIFY(writeBytes(destination, "another program's file"));
    };
    if (duringCopy)
        QTimer::singleShot(0, &f.dlg(), createDestination);
    else
        createDestination();
    clicking = true;
    f.button(operation.button)->click();
    clicking = false;

    QCOMPARE(createdDuringClick, duringCopy);
    QCOMPARE(f.prompter().texts(), QStringList { operation.failure });
    QCOMPARE(readBytes(destination), QByteArray("another program's file"));
    QCOMPARE(readBytes(source), original);
    const QStringList expected
        = op == u"rename"_s ? QStringList { u"new.txt"_s, u"report.txt"_s } : QStringList { u"new.txt"_s };
    QCOMPARE(QDir(QFileInfo(destination).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             expected);
}

void tst_Faults::pathsQueuedDuringCopy_data()
{
    QTest::addColumn<QString>("op");
    QTest::newRow("move") << u"move"_s;
    QTest::newRow("quick") << u"quick"_s;
}

// A second launch hands its paths over while a long copy lets events through; the queue must still lose only the
// item that moved.
void tst_Faults::pathsQueuedDuringCopy()
{
    QFETCH(QString, op);
    const QString target = secondFilesystem();
    if (target.isEmpty())
        QSKIP(qPrintable(m_skipReason));
    const QString source = path(u"src/report.txt"_s);
    const QString waiting = path(u"src/zz-waiting.txt"_s);
    const QString arriving = path(u"src/a-arriving.txt"_s);
    QVERIFY(writeBytes(source, bigContent(8)));
    QVERIFY(writeBytes(waiting, "waiting"));
    QVERIFY(writeBytes(arriving, "arriving"));
    CDialogFixture f;
    prepare(f, source, target);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(f.dropOnQueue({ waiting }));
    QCOMPARE(f.queue()->pathAt(0), source);
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), u"new"_s);

    bool clicking = false;
    bool queuedDuringClick = false;
    QTimer::singleShot(0, &f.dlg(), [&] {
        queuedDuringClick = clicking;
        f.dlg().queuePaths({ arriving });
    });
    clicking = true;
    f.button(::operation(op).button)->click();
    clicking = false;

    QVERIFY(queuedDuringClick);
    QCOMPARE(f.prompter().texts(), ::operation(op).success);
    QVERIFY(QFileInfo::exists(target + u"/reportnew.txt"_s));
    QCOMPARE(f.queue()->count(), 2);
    QCOMPARE(f.queue()->pathAt(0), arriving);
    QCOMPARE(f.queue()->pathAt(1), waiting);
    QCOMPARE(f.edit(IDC_EDIT_NAME)->text(), u"a-arriving"_s);
}

// The real message box "重命名完成" runs an event loop before the queue is tidied, so a second launch can hand its
// paths over while it is open.
void tst_Faults::pathsQueuedWhileDoneIsShown()
{
    const QString source = path(u"src/report.txt"_s);
    const QString arriving = path(u"src/a-arriving.txt"_s);
    QVERIFY(writeBytes(arriving, "arriving"));
    QSettings store(path(u"profile.ini"_s), QSettings::IniFormat);
    CPlindorSettings settings(store);
    CPlindorDlg dlg(settings, {}, QDate(2026, 12, 7));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const auto *queue = qobject_cast<CMyListBox *>(dlg.item(IDC_FILE_LIST));
    QVERIFY(CDropSimulator::dropPaths(dlg.item(IDC_FILE_LIST), { source }));
    QVERIFY(CDropSimulator::dropPaths(dlg.item(IDC_BTN_DIR1), { path(u"target"_s) }));

    QString shown;
    QTimer::singleShot(0, &dlg, [&] {
        QWidget *box = QApplication::activeModalWidget();
        dlg.queuePaths({ arriving });
        if (auto *message = qobject_cast<QMessageBox *>(box)) {
            shown = message->text();
            message->accept();
        }
    });
    qobject_cast<QPushButton *>(dlg.item(IDC_BTN_DIR1))->click();

    QCOMPARE(shown, u"重命名完成"_s);
    QVERIFY(QFileInfo::exists(path(u"target/report.txt"_s)));
    QCOMPARE(queue->count(), 1);
    QCOMPARE(queue->pathAt(0), arriving);
}

void tst_Faults::unreadableOrLockedSource_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("across");
    QTest::addColumn<bool>("moves");
    // A rename needs no read permission; a copy to another file system does.
    QTest::newRow("unreadable-same-file-system") << u"unreadable"_s << false << true;
    QTest::newRow("unreadable-across-file-systems") << u"unreadable"_s << true << false;
    // Linux locks are advisory: a lock another program holds does not stop a rename or a copy.
    QTest::newRow("locked-same-file-system") << u"locked"_s << false << true;
    QTest::newRow("locked-across-file-systems") << u"locked"_s << true << true;
}

void tst_Faults::unreadableOrLockedSource()
{
    QFETCH(QString, fault);
    QFETCH(bool, across);
    QFETCH(bool, moves);
    const Operation operation = ::operation(u"move"_s);
    const QString target = across ? secondFilesystem() : path(u"target"_s);
    if (target.isEmpty())
        QSKIP(qPrintable(m_skipReason));
    const QString source = path(u"src/report.txt"_s);
    CDialogFixture f;
    prepare(f, source, target);
    if (QTest::currentTestFailed())
        return;

    const bool unreadable = fault == u"unreadable"_s;
    QFile held(source);
    if (unreadable) {
        QVERIFY(QFile::setPermissions(source, QFile::WriteOwner));
    } else {
        QVERIFY(held.open(QIODevice::ReadWrite));
        QCOMPARE(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    }
    // Mode bits do not stop root, so the click runs as nobody.
    const bool asNobody = unreadable && ::geteuid() == 0;
    if (asNobody)
        QCOMPARE(::seteuid(kNobody), 0);
    f.click(operation.button);
    if (asNobody)
        QCOMPARE(::seteuid(0), 0);
    held.close();
    const QString destination = target + u"/new.txt"_s;
    QFile::setPermissions(moves ? destination : source, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(f.prompter().texts(), moves ? QStringList() : QStringList { operation.failure });
    QCOMPARE(QFileInfo::exists(source), !moves);
    QCOMPARE(readBytes(moves ? destination : source), QByteArray("the user's report"));
    QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             moves ? QStringList { u"new.txt"_s } : QStringList());
}

void tst_Faults::profileFaults_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QStringList>("loaded");
    const QByteArray good = "[m_cb5]\n0=/data/old\nnum=10001\n";
    static constexpr char junk[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe[\n";
    QByteArray huge(16 * kMiB, Qt::Uninitialized);
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32 *>(huge.data()), huge.size() / 4);
    QTest::newRow("read-only-folder") << good << true << QStringList { u"/data/old"_s };
    QTest::newRow("binary-junk") << QByteArray(junk, sizeof junk - 1) << false << QStringList { u"拖入文件夹"_s };
    QTest::newRow("truncated-in-a-section-name")
        << QByteArray(good + "[m_BTdi") << false << QStringList { u"/data/old"_s };
    QTest::newRow("huge-junk") << huge << false << QStringList { u"拖入文件夹"_s };
}

// Leaving must never cost the profile that was there: it stays as it was or is kept aside, and a failed save is told.
void tst_Faults::profileFaults()
{
    QFETCH(QByteArray, profile);
    QFETCH(bool, readOnly);
    QFETCH(QStringList, loaded);
    const QString folder = path(u"profile"_s);
    const QString file = folder + u"/plindor.ini"_s;
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(writeBytes(file, profile));
    {
        QSettings store(file, QSettings::IniFormat);
        CPlindorSettings settings(store);
        auto owned = std::make_unique<CFakePrompter>();
        CFakePrompter *prompter = owned.get();
        CPlindorDlg dlg(settings, std::move(owned), QDate(2026, 12, 7));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const auto *targets = qobject_cast<CMyComboBox *>(dlg.item(IDC_COMBO_TARGET_DIR));
        QStringList items;
        for (int i = 0; i < targets->count(); ++i)
            items << targets->itemText(i);
        QCOMPARE(items, loaded);
        if (readOnly)
            QVERIFY(makeReadOnly(folder));
        dlg.reject();
        QCOMPARE(prompter->messages.size(), readOnly ? 1 : 0);
        if (readOnly) {
            QCOMPARE(prompter->messages.constFirst().text, kSaveFailed);
            QCOMPARE(prompter->messages.constFirst().caption, u"错误提示"_s);
        }
    }
    if (readOnly) {
        QCOMPARE(readBytes(file), profile);
        return;
    }
    // The damaged bytes are kept next to the new profile, which holds what the window showed.
    const QStringList aside = QDir(folder).entryList({ QFileInfo(file).fileName() + u".corrupt-*"_s });
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readBytes(folder + u'/' + aside.constFirst()), profile);
    QCOMPARE(QSettings(file, QSettings::IniFormat).value(u"m_cb5/0"_s).toString(), loaded.constFirst());
}

void tst_Faults::killedDuringCopy_data()
{
    QTest::addColumn<QString>("temporary");
    QTest::newRow("unnamed-temporary-file") << u"unnamed"_s;
    QTest::newRow("named-part-file") << u"named"_s;
}

// A copy to another file system killed halfway leaves the source whole and, in the target, nothing a user would see.
void tst_Faults::killedDuringCopy()
{
    QFETCH(QString, temporary);
    const QString target = secondFilesystem();
    if (target.isEmpty())
        QSKIP(qPrintable(m_skipReason));
    const QString source = path(u"src/big.bin"_s);
    QByteArray big = bigContent(64);
    QVERIFY(writeBytes(source, big));
    const QByteArray digest = QCryptographicHash::hash(big, QCryptographicHash::Sha256);
    big.clear();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable),
                       QStringList { source, target, u"big-moved.bin"_s, temporary }.join(u'\n'));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    while (output.count("copied") < 4 && child.waitForReadyRead(30000))
        output += child.readAllStandardOutput();
    QVERIFY2(output.count("copied") >= 4, output.constData());
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QCOMPARE(QCryptographicHash::hash(readBytes(source), QCryptographicHash::Sha256), digest);
    const QStringList left = QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (temporary == u"unnamed"_s) {
        QCOMPARE(left, QStringList());
        return;
    }
    // Where a file system offers no unnamed files the copy is written under a hidden name, which a kill leaves
    // until the next copy into that folder removes it.
    QCOMPARE(left.size(), 1);
    QVERIFY2(left.constFirst().startsWith(u".plindor-"_s) && left.constFirst().endsWith(u".part"_s),
             qPrintable(left.constFirst()));
    // A part file whose copy still holds its lock is another copy in progress and stays.
    const QString running = u".plindor-zzzzzz-%1.part"_s.arg(QCoreApplication::applicationPid());
    QVERIFY(writeBytes(QDir(target).filePath(running), "in progress"));
    const int copyInProgress = ::open(native(QDir(target).filePath(running)).constData(), O_RDONLY | O_CLOEXEC);
    QCOMPARE(::flock(copyInProgress, LOCK_EX), 0);
    const QString small = path(u"src/small.txt"_s);
    QVERIFY(writeBytes(small, "next"));
    const bool moved
        = CFileMover::move(small, target, u"small.txt"_s, nullptr, CFileMover::Ability::UnnamedTempFiles).ok();
    ::close(copyInProgress);
    QVERIFY(moved);
    QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList { running, u"small.txt"_s }));
}

// A case-only rename on a case-insensitive stick passes through a hidden name. When another program takes the old
// name meanwhile, the user learns where the file is, and the queue lets go of the path that names the other file.
void tst_Faults::itemLeftUnderTemporaryName()
{
    CTestMounts mounts;
    const QString stick = mounts.exfat(path(u"stick"_s), m_dir->path());
    if (stick.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    CDialogFixture f;
    // Whether the other program is quick enough is up to the scheduler; it usually is within a few tries.
    for (int attempt = 0; attempt < 40; ++attempt) {
        const QString lower = u"notes%1.txt"_s.arg(attempt);
        const QString upper = lower.toUpper();
        QVERIFY(writeBytes(stick + u'/' + lower, "the user's notes"));
        QVERIFY(f.dropOnQueue({ stick + u'/' + lower }));
        f.edit(IDC_EDIT_NAME)->setText(upper.chopped(4));
        CNameWatcher other(stick, native(lower), CNameWatcher::Leaves, [&] {
            const int fd = ::open(native(stick + u'/' + upper).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
            if (fd >= 0 && ::write(fd, "other", 5) == 5)
                ::close(fd);
        });
        f.click(IDC_BTN_RENAME);
        QVERIFY(other.finish());
        const QStringList shown = f.prompter().texts();
        f.prompter().messages.clear();
        if (shown.isEmpty())
            continue; // renamed before the other program came
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1), u"重命名失败"_s);
        const QString prefix = u"另一个程序占用了原文件名，文件未能改回原名，现在位于：\n"_s;
        QVERIFY2(shown.at(0).startsWith(prefix), qPrintable(shown.at(0)));
        QCOMPARE(readBytes(shown.at(0).mid(prefix.size())), QByteArray("the user's notes"));
        QCOMPARE(readBytes(stick + u'/' + upper), QByteArray("other"));
        for (int row = 0; row < f.queue()->count(); ++row)
            QVERIFY(f.queue()->pathAt(row) != stick + u'/' + lower);
        return;
    }
    QFAIL("the other program never took the name in time");
}

QTEST_MAIN(tst_Faults)
#include "tst_Faults.moc"
