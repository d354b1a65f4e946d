// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExtendedAttributes.h"
#include "platform/FileMover.h"

#include "helpers/Bytes.h"
#include "helpers/EffectiveUser.h"
#include "helpers/Mounts.h"
#include "helpers/NameWatcher.h"
#include "helpers/NativePath.h"
#include "helpers/TreeSnapshot.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <latch>
#include <memory>
#include <thread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/posix_acl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using Ability = CFileMover::Ability;
using Abilities = CFileMover::Abilities;
using Listing = CTreeSnapshot::Entries;

char *toString(const MoveError &error)
{
    static const char *const names[] = { "None",
                                         "SameFile",
                                         "InvalidName",
                                         "NameTooLong",
                                         "SourceMissing",
                                         "DestinationExists",
                                         "TargetFolderMissing",
                                         "TargetNotFolder",
                                         "IntoItself",
                                         "FolderAcrossFilesystems",
                                         "PermissionDenied",
                                         "ReadOnlyFilesystem",
                                         "NoSpace",
                                         "SourceChanged",
                                         "Cancelled",
                                         "IoError",
                                         "UnsupportedName",
                                         "PathTooLong",
                                         "FileTooLarge" };
    return qstrdup(names[int(error)]);
}

namespace
{

constexpr qint64 kMiB = 1 << 20;

// A check inside a progress callback, which answers the mover and so cannot return the way QVERIFY does.
void record(bool written, int line)
{
    (void)QTest::qVerify(written, "writeBytes()", "", __FILE__, line);
}

QByteArray pattern(qint64 size, char seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(seed + i * 7 + i / 4093);
    return data;
}

void addForEachFilesystemKind(const char *name, const std::function<void(QTestData &)> &fill)
{
    const std::pair<const char *, Abilities> kinds[] = {
        { "native", {} },
        { "no RENAME_NOREPLACE", Ability::NoReplaceRename },
        { "no RENAME_NOREPLACE nor link", Ability::NoReplaceRename | Ability::HardLinks },
    };
    for (const auto &[kind, doWithout] : kinds) {
        QTestData &row = QTest::addRow("%s, %s", name, kind);
        fill(row);
        row << doWithout;
    }
}

/// Answers the mover's progress reports from a script and records them.
class CScriptedProgress : public IMoveProgress
{
public:
    explicit CScriptedProgress(std::function<bool(int call)> answer = {})
        : m_answer(std::move(answer))
    {
    }
    bool copied(qint64 done, qint64 total) override
    {
        reports.append(done);
        lastTotal = total;
        return m_answer ? m_answer(int(reports.size())) : true;
    }
    bool copyMade(quint64 device, quint64 inode) override
    {
        copies.append({ device, inode });
        return recordsCopies;
    }
    QList<qint64> reports;
    QList<std::pair<quint64, quint64>> copies; ///< the copies the mover said it made, before publishing each
    bool recordsCopies = true; ///< false: as a journal that cannot record the copy
    qint64 lastTotal = -1;

private:
    std::function<bool(int)> m_answer;
};

} // namespace

/// Moves real files in a scratch folder, with tmpfs mounts as the second file system when run as root.
class tst_FileMover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void renames_data();
    void renames();
    void refuses_data();
    void refuses();
    void refusesWithoutPermission();
    void refusesOnReadOnlyFilesystem_data();
    void refusesOnReadOnlyFilesystem();
    void racingMovesKeepBothFiles_data();
    void racingMovesKeepBothFiles();
    void copiesAcrossFilesystems_data();
    void copiesAcrossFilesystems();
    void movesLinksAndRefusesFoldersAcross();
    void abandonsCopyCleanly_data();
    void abandonsCopyCleanly();
    void worksOnCaseInsensitiveFuseMount();
    void knowsASingleRename();
    void keepsANewVersionSavedDuringTheMove_data();
    void keepsANewVersionSavedDuringTheMove();
    void neverReplacesARacingCreatorOnAStick_data();
    void neverReplacesARacingCreatorOnAStick();
    void saysWhereACaseOnlyRenameLeftTheItem();
    void keepsTheSourceWhenTheCopyIsTakenAway_data();
    void keepsTheSourceWhenTheCopyIsTakenAway();
    void putsBackWithoutReplacingANewFile();
    void syncsTheSourceFolderAfterTheRemoval();
    void keepsTheCopyOnceTheSourceLeftItsName_data();
    void keepsTheCopyOnceTheSourceLeftItsName();
    void keepsExtendedAttributesAndAcls();
    void groupBitsOfAnAclTheTargetCannotStore_data();
    void groupBitsOfAnAclTheTargetCannotStore();
    void copiesToTheEndWhateverTheSizeSays();
    void refusesNamesAStickCannotStore();
    void movesWhereTheDriverRefusesAttributes();
    void keepsHolesOwnerAttributesAndAclsAcross();
    void refusesAFileLargerThanTheTargetStores();

private:
    QString path(const QString &relative) const;
    QString mountTmpfs(const QString &relative, const char *options);
    QString mountExfat(const QString &relative);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CTestMounts> m_mounts; ///< made after m_dir, gone before it
};

QString tst_FileMover::path(const QString &relative) const
{
    return relative.isEmpty() ? relative : m_dir->filePath(relative);
}

QString tst_FileMover::mountTmpfs(const QString &relative, const char *options)
{
    return m_mounts->tmpfs(path(relative), options);
}

// The FUSE exFAT driver is what a USB stick gets: no RENAME_NOREPLACE, no hard links, names without case.
QString tst_FileMover::mountExfat(const QString &relative)
{
    return m_mounts->exfat(path(relative), m_dir->path());
}

void tst_FileMover::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_mounts = std::make_unique<CTestMounts>();
    QVERIFY(writeBytes(path(u"f.txt"_s), "source bytes"));
    QVERIFY(writeBytes(path(u"other.txt"_s), "other bytes"));
    QVERIFY(writeBytes(path(u"case.txt"_s), "case bytes"));
    QVERIFY(QDir().mkpath(path(u"dir/child"_s)));
    QVERIFY(QDir().mkpath(path(u"empty"_s)));
    QVERIFY(writeBytes(path(u"dir/top.txt"_s), "top"));
    QVERIFY(writeBytes(path(u"dir/child/.inner"_s), "inner"));
    QCOMPARE(::link(native(path(u"f.txt"_s)), native(path(u"hard.txt"_s))), 0);
    QCOMPARE(::link(native(path(u"f.txt"_s)), native(path(u"F.txt"_s))), 0);
    QCOMPARE(::symlink("other.txt", native(path(u"link"_s))), 0);
    QCOMPARE(::symlink("nowhere", native(path(u"dangling"_s))), 0);
    QCOMPARE(::symlink("dir/child", native(path(u"childLink"_s))), 0);
}

void tst_FileMover::cleanup()
{
    m_mounts.reset();
    m_dir.reset();
}

void tst_FileMover::renames_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<Abilities>("doWithout");
    const QString longest = QString(85, QChar(0x6C49)); // 85 CJK characters are exactly 255 bytes of UTF-8
    const auto add = [](const char *name, QString source, QString folder, QString newName, QString expected) {
        addForEachFilesystemKind(name, [=](QTestData &row) { row << source << folder << newName << expected; });
    };
    add("file in place", u"f.txt"_s, u"."_s, u"g.txt"_s, u"g.txt"_s);
    add("file into folder", u"f.txt"_s, u"empty"_s, u"f.txt"_s, u"empty/f.txt"_s);
    add("folder in place", u"dir"_s, u"."_s, u"renamed"_s, u"renamed"_s);
    add("folder into sibling", u"dir"_s, u"empty"_s, u"dir"_s, u"empty/dir"_s);
    add("folder given with a trailing slash", u"dir/"_s, u"empty/"_s, u"d"_s, u"empty/d"_s);
    add("link, not its target", u"link"_s, u"dir"_s, u"l"_s, u"dir/l"_s);
    add("dangling link", u"dangling"_s, u"."_s, u"still-dangling"_s, u"still-dangling"_s);
    add("through a linked folder", u"f.txt"_s, u"childLink"_s, u"x"_s, u"dir/child/x"_s);
    add("case only", u"case.txt"_s, u"."_s, u"CASE.txt"_s, u"CASE.txt"_s);
    add("hidden name", u"f.txt"_s, u"."_s, u".f"_s, u".f"_s);
    add("255 bytes", u"f.txt"_s, u"."_s, longest, longest);
}

void tst_FileMover::renames()
{
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QFETCH(Abilities, doWithout);
    const QString from = QDir::cleanPath(source);
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);

    const MoveResult result = CFileMover::move(path(source), path(folder), name, nullptr, doWithout);

    QVERIFY2(result.ok(), qPrintable(result.detail));
    QCOMPARE(result.destination, QDir::cleanPath(path(folder)) + u'/' + name);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata),
             CTreeSnapshot::moved(before, from, expected));
}

void tst_FileMover::refuses_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<MoveError>("error");
    QTest::addColumn<Abilities>("doWithout");
    const auto add = [](const char *name, QString source, QString folder, QString newName, MoveError error) {
        addForEachFilesystemKind(name, [=](QTestData &row) { row << source << folder << newName << error; });
    };
    const QString nul(QChar(0));
    add("onto a file", u"f.txt"_s, u"."_s, u"other.txt"_s, MoveError::DestinationExists);
    add("onto an empty folder", u"f.txt"_s, u"."_s, u"empty"_s, MoveError::DestinationExists);
    add("folder onto an empty folder", u"dir"_s, u"."_s, u"empty"_s, MoveError::DestinationExists);
    add("folder onto a file", u"dir"_s, u"."_s, u"other.txt"_s, MoveError::DestinationExists);
    add("onto its own hard link", u"f.txt"_s, u"."_s, u"hard.txt"_s, MoveError::DestinationExists);
    add("onto its hard link differing in case", u"f.txt"_s, u"."_s, u"F.txt"_s, MoveError::DestinationExists);
    add("onto a link", u"f.txt"_s, u"."_s, u"link"_s, MoveError::DestinationExists);
    add("onto a dangling link", u"f.txt"_s, u"."_s, u"dangling"_s, MoveError::DestinationExists);
    add("same file", u"f.txt"_s, u"."_s, u"f.txt"_s, MoveError::SameFile);
    add("same file through a linked folder", u"dir/child/.inner"_s, u"childLink"_s, u".inner"_s, MoveError::SameFile);
    add("same folder", u"dir"_s, u"."_s, u"dir"_s, MoveError::SameFile);
    add("source missing", u"missing.txt"_s, u"."_s, u"x"_s, MoveError::SourceMissing);
    add("source path cut by NUL", u"f.txt"_s + nul + u"x"_s, u"."_s, u"x"_s, MoveError::SourceMissing);
    add("folder into itself", u"dir"_s, u"dir"_s, u"x"_s, MoveError::IntoItself);
    add("folder into its child", u"dir"_s, u"dir/child"_s, u"x"_s, MoveError::IntoItself);
    add("folder into its child through a link", u"dir"_s, u"childLink"_s, u"x"_s, MoveError::IntoItself);
    add("separator", u"f.txt"_s, u"."_s, u"dir/x"_s, MoveError::InvalidName);
    add("climbing separator", u"f.txt"_s, u"empty"_s, u"../x"_s, MoveError::InvalidName);
    add("NUL", u"f.txt"_s, u"."_s, u"other.txt"_s + nul + u"x"_s, MoveError::InvalidName);
    add("empty name", u"f.txt"_s, u"."_s, QString(), MoveError::InvalidName);
    add("dot", u"f.txt"_s, u"."_s, u"."_s, MoveError::InvalidName);
    add("dot dot", u"f.txt"_s, u"dir"_s, u".."_s, MoveError::InvalidName);
    add("258 bytes", u"f.txt"_s, u"."_s, QString(86, QChar(0x6C49)), MoveError::NameTooLong);
    add("256 ASCII bytes", u"f.txt"_s, u"."_s, QString(256, u'a'), MoveError::NameTooLong);
    add("target folder missing", u"f.txt"_s, u"nope"_s, u"x"_s, MoveError::TargetFolderMissing);
    add("target folder empty", u"f.txt"_s, QString(), u"x"_s, MoveError::TargetFolderMissing);
    add("target below a file", u"f.txt"_s, u"other.txt/sub"_s, u"x"_s, MoveError::TargetFolderMissing);
    add("target is a file", u"f.txt"_s, u"other.txt"_s, u"x"_s, MoveError::TargetNotFolder);
    // ".." is left to the kernel, so these paths really are over 4096 bytes long.
    const QString climb = u"dir/.."_s.repeated(700);
    add("source path over 4096 bytes", climb + u"/f.txt"_s, u"."_s, u"x"_s, MoveError::PathTooLong);
    add("target path over 4096 bytes", u"f.txt"_s, climb, u"x"_s, MoveError::PathTooLong);
}

void tst_FileMover::refuses()
{
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(MoveError, error);
    QFETCH(Abilities, doWithout);
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::MetadataAndChangeTime);

    const MoveResult result = CFileMover::move(path(source), path(folder), name, nullptr, doWithout);

    QCOMPARE(result.error, error);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::MetadataAndChangeTime), before);
}

void tst_FileMover::refusesWithoutPermission()
{
    // Root passes every mode bit; acting as "nobody" makes 0555 mean read-only again.
    QVERIFY(QFile::setPermissions(
        m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QDir().mkpath(path(u"open"_s)) && QDir().mkpath(path(u"locked"_s)));
    QVERIFY(writeBytes(path(u"open/a.txt"_s), "a"));
    QVERIFY(writeBytes(path(u"locked/b.txt"_s), "b"));
    QCOMPARE(::chmod(native(path(u"open"_s)), 0777), 0);
    QCOMPARE(::chmod(native(path(u"locked"_s)), 0555), 0);
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);
    {
        const CEffectiveUser nobody(65534);
        QCOMPARE(CFileMover::move(path(u"open/a.txt"_s), path(u"locked"_s), u"a.txt"_s).error,
                 MoveError::PermissionDenied);
        QCOMPARE(CFileMover::move(path(u"locked/b.txt"_s), path(u"locked"_s), u"c.txt"_s).error,
                 MoveError::PermissionDenied);
        QCOMPARE(CFileMover::move(path(u"locked/b.txt"_s), path(u"open"_s), u"b.txt"_s).error,
                 MoveError::PermissionDenied);
    }
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), before);
}

void tst_FileMover::refusesOnReadOnlyFilesystem_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");
    QTest::newRow("rename-inside") << u"ro/a.txt"_s << u"ro"_s;
    QTest::newRow("move-in") << u"f.txt"_s << u"ro"_s;
    QTest::newRow("move-out") << u"ro/a.txt"_s << u"empty"_s;
}

void tst_FileMover::refusesOnReadOnlyFilesystem()
{
    QFETCH(QString, source);
    QFETCH(QString, folder);
    if (::geteuid() != 0)
        QSKIP("a read-only bind mount needs root");
    QVERIFY(QDir().mkpath(path(u"ro"_s)));
    QVERIFY(writeBytes(path(u"ro/a.txt"_s), "a"));
    QVERIFY2(!m_mounts->readOnly(path(u"ro"_s)).isEmpty(), qPrintable(m_mounts->failure()));
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);

    QCOMPARE(CFileMover::move(path(source), path(folder), u"b.txt"_s).error, MoveError::ReadOnlyFilesystem);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), before);
}

void tst_FileMover::racingMovesKeepBothFiles_data()
{
    QTest::addColumn<Abilities>("doWithout");
    QTest::newRow("RENAME_NOREPLACE") << Abilities();
    QTest::newRow("link-and-unlink") << Abilities(Ability::NoReplaceRename);
}

void tst_FileMover::racingMovesKeepBothFiles()
{
    QFETCH(Abilities, doWithout);
    for (int round = 0; round < 200; ++round) {
        const QString target = u"won%1"_s.arg(round);
        const QStringList sources = { path(u"a%1"_s.arg(round)), path(u"b%1"_s.arg(round)) };
        for (const QString &source : sources)
            QVERIFY(writeBytes(source, source.toUtf8()));
        MoveResult results[2];
        std::latch start(2);
        const auto race = [&](int i) {
            start.arrive_and_wait();
            results[i] = CFileMover::move(sources[i], m_dir->path(), target, nullptr, doWithout);
        };
        std::thread first(race, 0);
        std::thread second(race, 1);
        first.join();
        second.join();
        QCOMPARE(int(results[0].ok()) + int(results[1].ok()), 1);
        const int winner = results[0].ok() ? 0 : 1;
        QCOMPARE(results[1 - winner].error, MoveError::DestinationExists);
        QCOMPARE(readBytes(path(target)), sources[winner].toUtf8());
        QCOMPARE(readBytes(sources[1 - winner]), sources[1 - winner].toUtf8());
        QVERIFY(!QFile::exists(sources[winner]));
    }
}

void tst_FileMover::copiesAcrossFilesystems_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<Abilities>("doWithout");
    QTest::newRow("O_TMPFILE-copy_file_range") << 3 * kMiB + 17 << Abilities();
    QTest::newRow("named-temporary") << 3 * kMiB + 17 << Abilities(Ability::UnnamedTempFiles);
    QTest::newRow("read-and-write") << 2 * kMiB << Abilities(Ability::CopyFileRange);
    QTest::newRow("empty-file") << qint64(0) << Abilities();
    QTest::newRow("no-RENAME_NOREPLACE-nor-link")
        << kMiB / 2 << (Ability::NoReplaceRename | Ability::HardLinks | Ability::UnnamedTempFiles);
}

void tst_FileMover::copiesAcrossFilesystems()
{
    QFETCH(qint64, size);
    QFETCH(Abilities, doWithout);
    if (mountTmpfs(u"other"_s, "size=16m").isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(writeBytes(path(u"big.bin"_s), pattern(size, 'b')));
    QCOMPARE(::chmod(native(path(u"big.bin"_s)), 0640), 0);
    const timespec times[2] = { { 1000000000, 123456789 }, { 1200000000, 987654321 } };
    QCOMPARE(::utimensat(AT_FDCWD, native(path(u"big.bin"_s)), times, 0), 0);
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);
    CScriptedProgress progress;

    const MoveResult result
        = CFileMover::move(path(u"big.bin"_s), path(u"other"_s), u"moved.bin"_s, &progress, doWithout);

    QVERIFY2(result.ok(), qPrintable(result.detail));
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata),
             CTreeSnapshot::moved(before, u"big.bin"_s, u"other/moved.bin"_s));
    struct stat st {
    };
    QCOMPARE(::stat(native(path(u"other/moved.bin"_s)), &st), 0);
    QCOMPARE(st.st_mtim.tv_sec, times[1].tv_sec);
    QCOMPARE(st.st_mtim.tv_nsec, times[1].tv_nsec);
    QCOMPARE(progress.reports.size(), (size + kMiB - 1) / kMiB);
    if (size > 0)
        QCOMPARE(progress.reports.last(), size);
    // Told which file the copy is, for the journal to know it after a crash.
    QCOMPARE(progress.copies, (QList<std::pair<quint64, quint64>> { { quint64(st.st_dev), quint64(st.st_ino) } }));
}

void tst_FileMover::movesLinksAndRefusesFoldersAcross()
{
    if (mountTmpfs(u"other"_s, "size=1m").isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(writeBytes(path(u"other/taken"_s), "taken"));
    Listing expected = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);

    QCOMPARE(CFileMover::move(path(u"dir"_s), path(u"other"_s), u"dir"_s).error, MoveError::FolderAcrossFilesystems);
    QCOMPARE(CFileMover::move(path(u"f.txt"_s), path(u"other"_s), u"taken"_s).error, MoveError::DestinationExists);
    QCOMPARE(CFileMover::move(path(u"link"_s), path(u"other"_s), u"taken"_s).error, MoveError::DestinationExists);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), expected);

    QVERIFY(CFileMover::move(path(u"dangling"_s), path(u"other"_s), u"dangling"_s).ok());
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata),
             CTreeSnapshot::moved(expected, u"dangling"_s, u"other/dangling"_s));
}

enum class Interference { None, GrowSource, Cancel, TakeName, NotRecorded };

void tst_FileMover::abandonsCopyCleanly_data()
{
    QTest::addColumn<QByteArray>("mountOptions");
    QTest::addColumn<Interference>("interference");
    QTest::addColumn<MoveError>("error");
    QTest::addColumn<Abilities>("doWithout");
    for (const auto &[kind, doWithout] :
         { std::pair("O_TMPFILE", Abilities()), std::pair("named temporary", Abilities(Ability::UnnamedTempFiles)) }) {
        QTest::addRow("disk full, %s", kind)
            << QByteArray("size=1m") << Interference::None << MoveError::NoSpace << doWithout;
        QTest::addRow("source grows, %s", kind)
            << QByteArray("size=8m") << Interference::GrowSource << MoveError::SourceChanged << doWithout;
        QTest::addRow("cancelled, %s", kind)
            << QByteArray("size=8m") << Interference::Cancel << MoveError::Cancelled << doWithout;
        QTest::addRow("name taken meanwhile, %s", kind)
            << QByteArray("size=8m") << Interference::TakeName << MoveError::DestinationExists << doWithout;
        QTest::addRow("copy not recorded, %s", kind)
            << QByteArray("size=8m") << Interference::NotRecorded << MoveError::IoError << doWithout;
    }
}

void tst_FileMover::abandonsCopyCleanly()
{
    QFETCH(QByteArray, mountOptions);
    QFETCH(Interference, interference);
    QFETCH(MoveError, error);
    QFETCH(Abilities, doWithout);
    if (mountTmpfs(u"other"_s, mountOptions.constData()).isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    const QString source = path(u"big.bin"_s);
    QVERIFY(writeBytes(source, pattern(3 * kMiB, 's')));
    Listing expected = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);
    // What the copy may leave is judged against the state right after the interference, minus its own temporary.
    CScriptedProgress progress([&](int call) {
        if (call != 2)
            return true;
        if (interference == Interference::GrowSource)
            record(writeBytes(source, pattern(3 * kMiB, 's') + "more"), __LINE__);
        else if (interference == Interference::TakeName)
            record(writeBytes(path(u"other/moved.bin"_s), "racer"), __LINE__);
        expected = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);
        expected.removeIf([](const auto &entry) { return entry.key().contains(u"/.plindor-"_s); });
        return interference != Interference::Cancel;
    });
    progress.recordsCopies = interference != Interference::NotRecorded;

    const MoveResult result = CFileMover::move(source, path(u"other"_s), u"moved.bin"_s, &progress, doWithout);

    QCOMPARE(result.error, error);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), expected);
}

// Only a move that one rename makes whole may record its intent without waiting for the disk. A bind mount shows
// the same device as the mount it repeats, yet a rename between them becomes a copy.
void tst_FileMover::knowsASingleRename()
{
    const QString disk = mountTmpfs(u"disk"_s, "size=1m");
    const QString other = mountTmpfs(u"other"_s, "size=1m");
    const QString stick = mountExfat(u"stick"_s);
    if (disk.isEmpty() || other.isEmpty() || stick.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(QDir().mkpath(disk + u"/sub"_s) && QDir().mkpath(path(u"bound"_s)));
    QCOMPARE(QProcess::execute(u"mount"_s, { u"--bind"_s, disk + u"/sub"_s, path(u"bound"_s) }), 0);
    const auto unbind = qScopeGuard([&] { QProcess::execute(u"umount"_s, { path(u"bound"_s) }); });
    QVERIFY(writeBytes(disk + u"/a.txt"_s, "a") && writeBytes(stick + u"/a.txt"_s, "a"));

    QVERIFY(CFileMover::isSingleRename(disk + u"/a.txt"_s, disk, u"b.txt"_s));
    QVERIFY(CFileMover::isSingleRename(disk + u"/a.txt"_s, disk + u"/sub"_s, u"a.txt"_s));
    QVERIFY(!CFileMover::isSingleRename(disk + u"/a.txt"_s, disk, u"A.txt"_s));
    QVERIFY(!CFileMover::isSingleRename(disk + u"/a.txt"_s, path(u"bound"_s), u"b.txt"_s));
    QVERIFY(!CFileMover::isSingleRename(disk + u"/a.txt"_s, other, u"b.txt"_s));
    QVERIFY(!CFileMover::isSingleRename(stick + u"/a.txt"_s, stick, u"b.txt"_s));
    QVERIFY(!CFileMover::isSingleRename(disk + u"/a.txt"_s, disk, u"b.txt"_s, Ability::NoReplaceRename));
}

void tst_FileMover::worksOnCaseInsensitiveFuseMount()
{
    const QString stick = mountExfat(u"stick"_s);
    if (stick.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(writeBytes(stick + u"/a.txt"_s, "a"));
    QVERIFY(writeBytes(stick + u"/b.txt"_s, "b"));
    QVERIFY(QDir().mkpath(stick + u"/folder"_s));
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);

    QCOMPARE(CFileMover::move(stick + u"/a.txt"_s, stick, u"B.TXT"_s).error, MoveError::DestinationExists);
    QCOMPARE(CFileMover::move(stick + u"/folder"_s, stick, u"b.txt"_s).error, MoveError::DestinationExists);
    QCOMPARE(CFileMover::move(path(u"f.txt"_s), stick, u"B.txt"_s).error, MoveError::DestinationExists);
    QCOMPARE(CFileMover::move(stick + u"/a.txt"_s, stick, u"a.txt"_s).error, MoveError::SameFile);
    QCOMPARE(CFileMover::move(stick + u"/a.txt"_s, stick, u"x:y"_s).error, MoveError::UnsupportedName);
    QCOMPARE(CFileMover::move(path(u"f.txt"_s), stick, u"what?"_s).error, MoveError::UnsupportedName);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), before);

    Listing expected = CTreeSnapshot::moved(before, u"stick/a.txt"_s, u"stick/A.txt"_s);
    expected = CTreeSnapshot::moved(expected, u"stick/folder"_s, u"stick/Folder"_s);
    QCOMPARE(CFileMover::move(stick + u"/a.txt"_s, stick, u"A.txt"_s).error, MoveError::None);
    QCOMPARE(CFileMover::move(stick + u"/folder"_s, stick, u"Folder"_s).error, MoveError::None);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), expected);

    const MoveResult across = CFileMover::move(path(u"other.txt"_s), stick, u"c.txt"_s);
    QVERIFY2(across.ok(), qPrintable(across.detail));
    QCOMPARE(readBytes(stick + u"/c.txt"_s), QByteArray("other bytes"));
    QVERIFY(!QFile::exists(path(u"other.txt"_s)));
}

namespace
{
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({ u".plindor-*"_s }, QDir::AllEntries | QDir::Hidden | QDir::System);
}
} // namespace

void tst_FileMover::keepsANewVersionSavedDuringTheMove_data()
{
    QTest::addColumn<bool>("across");
    QTest::addColumn<Abilities>("doWithout");
    QTest::newRow("onto-ext4") << true << Abilities();
    QTest::newRow("across-unnamed-copy") << true << Abilities();
    QTest::newRow("across-part-file") << true << Abilities(Ability::UnnamedTempFiles);
    QTest::newRow("across-no-links") << true << (Ability::UnnamedTempFiles | Ability::HardLinks);
    QTest::newRow("within-link") << false << Abilities(Ability::NoReplaceRename);
    QTest::newRow("within-copy") << false << (Ability::NoReplaceRename | Ability::HardLinks);
}

// An editor saves by renaming a new version over the old name; here it does so the moment the destination shows.
void tst_FileMover::keepsANewVersionSavedDuringTheMove()
{
    QFETCH(bool, across);
    QFETCH(Abilities, doWithout);
    const QString target = !across                           ? path(u"empty"_s)
        : QByteArray(QTest::currentDataTag()) == "onto-ext4" ? m_mounts->ext4(path(u"disk"_s), m_dir->path())
                                                             : mountTmpfs(u"other"_s, "size=8m");
    if (target.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    const QString source = path(u"s.bin"_s);
    int failures = 0;
    for (int round = 0; round < 100; ++round) {
        const QByteArray older = pattern(64 << 10, char(round));
        const QByteArray newer = "newer " + QByteArray::number(round);
        const QString name = u"m%1.bin"_s.arg(round);
        QVERIFY(writeBytes(source, older));
        QVERIFY(writeBytes(path(u".s.new"_s), newer));
        CNameWatcher editor(target, native(name), CNameWatcher::Appears,
                            [&] { ::rename(native(path(u".s.new"_s)).constData(), native(source).constData()); });
        QVERIFY(editor.isWatching());

        const MoveResult result = CFileMover::move(source, target, name, nullptr, doWithout);

        QVERIFY(editor.finish());
        QCOMPARE(readBytes(source), newer);
        if (result.ok()) {
            QCOMPARE(readBytes(target + u'/' + name), older);
        } else {
            QCOMPARE(result.error, MoveError::SourceChanged);
            QVERIFY(!QFile::exists(target + u'/' + name));
            ++failures;
        }
        QCOMPARE(leftovers(m_dir->path()), QStringList());
        QCOMPARE(leftovers(target), QStringList());
    }
    qInfo("%d of 100 moves saw the new version in time and stepped back", failures);
}

void tst_FileMover::neverReplacesARacingCreatorOnAStick_data()
{
    QTest::addColumn<bool>("fromStick");
    QTest::addColumn<int>("rounds");
    QTest::newRow("rename-on-the-stick") << true << 600;
    QTest::newRow("copy-onto-the-stick") << false << 300;
}

// The stick's driver has neither RENAME_NOREPLACE nor links. Another program creates the new name at a random
// moment during each move; whoever comes second must fail, and nothing of the other's may be replaced.
void tst_FileMover::neverReplacesARacingCreatorOnAStick()
{
    QFETCH(bool, fromStick);
    QFETCH(int, rounds);
    const QString stick = mountExfat(u"stick"_s);
    if (stick.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    int overwritten = 0;
    int lost = 0;
    int racerWon = 0;
    qint64 lastMoveNs = 1'000'000;
    for (int round = 0; round < rounds; ++round) {
        const QString source = (fromStick ? stick : m_dir->path()) + u"/s%1"_s.arg(round);
        const QString destination = stick + u"/t%1"_s.arg(round);
        const QByteArray ours = "ours " + QByteArray::number(round);
        QVERIFY(writeBytes(source, ours));
        std::atomic<bool> created = false;
        std::latch start(2);
        // The other program comes at a random moment within the time the last move took, so that over the rounds
        // it lands in every step of the move, however fast this machine is at the moment.
        const qint64 delay = QRandomGenerator::global()->bounded(lastMoveNs + lastMoveNs / 4);
        std::thread racer([&, delay] {
            start.arrive_and_wait();
            const QDeadlineTimer until { std::chrono::nanoseconds(delay) };
            while (!until.hasExpired()) { }
            const int fd = ::open(native(destination).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
            if (fd >= 0) {
                created = ::write(fd, "racer", 5) == 5;
                ::close(fd);
            }
        });
        start.arrive_and_wait();
        QElapsedTimer timer;
        timer.start();
        const MoveResult result = CFileMover::move(source, stick, u"t%1"_s.arg(round));
        lastMoveNs = std::max<qint64>(timer.nsecsElapsed(), 1000);
        racer.join();
        const QByteArray now = readBytes(destination);
        if (created) {
            ++racerWon;
            overwritten += now != "racer";
            lost += result.ok() || readBytes(source) != ours;
        } else {
            lost += !result.ok() || now != ours;
        }
    }
    qInfo("the other program took the name first in %d of %d moves", racerWon, rounds);
    QCOMPARE(overwritten, 0);
    QCOMPARE(lost, 0);
}

// A case-only rename on a case-insensitive stick passes through a hidden name; if another program takes the old
// name meanwhile, the result must say where the item is.
void tst_FileMover::saysWhereACaseOnlyRenameLeftTheItem()
{
    const QString kOwner = u"0123456789abcdef0123456789abcdef"_s;
    const QString stick = mountExfat(u"stick"_s);
    if (stick.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    // The racer wins only some rounds, how many depends on the machine's load: play until it has won a few.
    int leftAside = 0;
    int round = 0;
    for (; round < 20 || (leftAside < 3 && round < 400); ++round) {
        const QString lower = u"a%1.txt"_s.arg(round);
        const QString upper = lower.toUpper();
        QVERIFY(writeBytes(stick + u'/' + lower, "ours"));
        CNameWatcher racer(stick, native(lower), CNameWatcher::Leaves, [&] {
            const int fd = ::open(native(stick + u'/' + upper).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
            if (fd >= 0 && ::write(fd, "racer", 5) == 5)
                ::close(fd);
        });

        const MoveResult result = CFileMover::move(stick + u'/' + lower, stick, upper, nullptr, {}, kOwner);

        QVERIFY(racer.finish());
        if (result.ok()) {
            QCOMPARE(readBytes(stick + u'/' + upper), QByteArray("ours"));
            continue;
        }
        ++leftAside;
        QCOMPARE(result.error, MoveError::DestinationExists);
        QVERIFY2(!result.leftAt.isEmpty(), "the item is under a hidden name and the result must say so");
        QCOMPARE(readBytes(result.leftAt), QByteArray("ours"));
        // Named after its program, which a start settling another program's crash leaves alone.
        QVERIFY2(result.leftAt.endsWith(u'-' + kOwner + u".moving"_s), qPrintable(result.leftAt));
        QCOMPARE(readBytes(stick + u'/' + upper), QByteArray("racer"));
    }
    qInfo("%d of %d renames lost the old name to the other program", leftAside, round);
    QVERIFY(leftAside > 0);
}

void tst_FileMover::keepsTheSourceWhenTheCopyIsTakenAway_data()
{
    QTest::addColumn<bool>("across");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("deletedWithin") << false << false;
    QTest::newRow("replacedWithin") << false << true;
    QTest::newRow("deletedAcross") << true << false;
    QTest::newRow("replacedAcross") << true << true;
}

// Without links the copy is written into its final name, where another program (a second instance tidying what it
// took for a leftover, say) can delete or replace it before the copy is done. The source must then stay.
void tst_FileMover::keepsTheSourceWhenTheCopyIsTakenAway()
{
    QFETCH(bool, across);
    QFETCH(bool, replaced);
    const QString target = across ? mountTmpfs(u"other"_s, "size=8m") : path(u"empty"_s);
    if (target.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    const QString source = path(u"big.bin"_s);
    const QString destination = target + u"/moved.bin"_s;
    const QByteArray content = pattern(2 * kMiB + 5, 'k');
    QVERIFY(writeBytes(source, content));
    // Reports come at 1 MiB, 2 MiB and at the end.
    CScriptedProgress progress([&](int call) {
        if (call == 3 && replaced) {
            record(writeBytes(target + u"/theirs"_s, "theirs"), __LINE__);
            ::rename(native(target + u"/theirs"_s).constData(), native(destination).constData());
        } else if (call == 3) {
            ::unlink(native(destination).constData());
        }
        return true;
    });

    const MoveResult result
        = CFileMover::move(source, target, u"moved.bin"_s, &progress, Ability::NoReplaceRename | Ability::HardLinks);

    QCOMPARE(progress.reports.size(), 3);
    QVERIFY(!result.ok());
    QCOMPARE(result.leftAt, QString());
    QCOMPARE(readBytes(source), content);
    QCOMPARE(readBytes(destination), replaced ? QByteArray("theirs") : QByteArray("<unreadable>"));
    QCOMPARE(leftovers(m_dir->path()), QStringList());
    QCOMPARE(leftovers(target), QStringList());
}

// Where the source's driver has neither RENAME_NOREPLACE nor links, putting the source back after a failed move must
// not replace what another program saved under the old name meanwhile. The driver takes 150 ms for each rename and
// creation here, time enough for that program to come in between.
void tst_FileMover::putsBackWithoutReplacingANewFile()
{
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString stick = m_mounts->faultfs(path(u"backing"_s), path(u"stick"_s), { u"--delay-ms"_s, u"150"_s });
    if (stick.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    const QByteArray ours = pattern(kMiB + 5, 'p');
    QVERIFY(writeBytes(path(u"backing/s.bin"_s), ours));
    // Taking the copy away at the last report makes the move fail after the source was taken aside.
    CScriptedProgress progress([&](int call) {
        if (call == 2)
            ::unlink(native(path(u"empty/s.bin"_s)).constData());
        return true;
    });
    std::atomic<bool> created = false;
    CNameWatcher editor(path(u"backing"_s), "s.bin", CNameWatcher::Leaves, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const int fd = ::open(native(path(u"backing/s.bin"_s)).constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        created = fd >= 0 && ::write(fd, "theirs", 6) == 6;
        ::close(fd);
    });
    QVERIFY(editor.isWatching());

    const MoveResult result = CFileMover::move(stick + u"/s.bin"_s, path(u"empty"_s), u"s.bin"_s, &progress,
                                               Ability::NoReplaceRename | Ability::HardLinks);

    QVERIFY(editor.finish());
    QVERIFY(!result.ok());
    QVERIFY2(created, "the other program came too late to test anything");
    QCOMPARE(readBytes(stick + u"/s.bin"_s), QByteArray("theirs"));
    QVERIFY2(!result.leftAt.isEmpty(), "the item is under a hidden name and the result must say so");
    QCOMPARE(readBytes(result.leftAt), ours);
    QCOMPARE(leftovers(stick), QStringList { QFileInfo(result.leftAt).fileName() });
}

// A move counts as done only once the source's removal is on disk: its folder is synced, and where that fails
// (the driver answers EIO here), the log says so.
void tst_FileMover::syncsTheSourceFolderAfterTheRemoval()
{
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString disk = m_mounts->faultfs(path(u"backing"_s), path(u"disk"_s), { u"--fsyncdir-fails"_s });
    if (disk.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(writeBytes(path(u"backing/s.txt"_s), "synced"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^removal of \"[^\"]*/disk/s\\.txt\" not synced"_s));

    const MoveResult result = CFileMover::move(disk + u"/s.txt"_s, path(u"empty"_s), u"s.txt"_s);

    QVERIFY2(result.ok(), qPrintable(result.detail));
    QCOMPARE(readBytes(path(u"empty/s.txt"_s)), QByteArray("synced"));
    QCOMPARE(QDir(path(u"backing"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void tst_FileMover::keepsTheCopyOnceTheSourceLeftItsName_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<MoveError>("error");
    QTest::addColumn<QStringList>("leftInSource");
    // The removal went through although the driver said it failed: the copy is the only one left.
    QTest::newRow("removalLies") << u"--moving-unlink-lies"_s << MoveError::None << QStringList();
    QTest::newRow("removalFails") << u"--moving-unlink-fails"_s << MoveError::SourceNotRemoved
                                  << QStringList { u"s.txt"_s };
}

// Once the source has left its name, the copy at the destination stays, whatever the removal of the source answers.
void tst_FileMover::keepsTheCopyOnceTheSourceLeftItsName()
{
    QFETCH(QString, fault);
    QFETCH(MoveError, error);
    QFETCH(QStringList, leftInSource);
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString disk = m_mounts->faultfs(path(u"backing"_s), path(u"disk"_s), { fault });
    if (disk.isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(writeBytes(path(u"backing/s.txt"_s), "only copy"));
    if (error == MoveError::None)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^the source .* went before it was removed"_s));

    const MoveResult result = CFileMover::move(disk + u"/s.txt"_s, path(u"empty"_s), u"s.txt"_s);

    QCOMPARE(result.error, error);
    QCOMPARE(readBytes(path(u"empty/s.txt"_s)), QByteArray("only copy"));
    QCOMPARE(QDir(path(u"backing"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), leftInSource);
}

namespace
{
struct AclEntry {
    quint16 tag;
    quint16 perm;
    quint32 id = quint32(-1);
};

// An access ACL in its extended-attribute form.
QByteArray aclAttribute(std::initializer_list<AclEntry> entries)
{
    QByteArray acl;
    const auto put32 = [&](quint32 value) { acl.append(reinterpret_cast<const char *>(&value), 4); };
    put32(2);
    for (const AclEntry &entry : entries) {
        acl.append(reinterpret_cast<const char *>(&entry.tag), 2);
        acl.append(reinterpret_cast<const char *>(&entry.perm), 2);
        put32(entry.id);
    }
    return acl;
}

// The owner rw, the owning group nothing, group 65534 rw, mask rw.
QByteArray restrictiveAcl()
{
    return aclAttribute(
        { { ACL_USER_OBJ, 6 }, { ACL_GROUP_OBJ, 0 }, { ACL_GROUP, 6, 65534 }, { ACL_MASK, 6 }, { ACL_OTHER, 0 } });
}

QByteArray attribute(const QString &path, const char *name)
{
    char value[1024];
    const ssize_t length = ::getxattr(native(path).constData(), name, value, sizeof value);
    return length < 0 ? QByteArray("<none>") : QByteArray(value, length);
}
} // namespace

void tst_FileMover::keepsExtendedAttributesAndAcls()
{
    if (mountTmpfs(u"other"_s, "size=1m").isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    const QString source = path(u"tagged.txt"_s);
    QVERIFY(writeBytes(source, "tagged"));
    const QByteArray acl = restrictiveAcl();
    QCOMPARE(::setxattr(native(source).constData(), "user.xdg.tags", "teacher,term", 12, 0), 0);
    QCOMPARE(::setxattr(native(source).constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0),
             0);

    const MoveResult result = CFileMover::move(source, path(u"other"_s), u"tagged.txt"_s);

    QVERIFY2(result.ok(), qPrintable(result.detail));
    const QString moved = path(u"other/tagged.txt"_s);
    QCOMPARE(attribute(moved, "user.xdg.tags"), QByteArray("teacher,term"));
    QCOMPARE(attribute(moved, "system.posix_acl_access"), acl);
}

void tst_FileMover::groupBitsOfAnAclTheTargetCannotStore_data()
{
    QTest::addColumn<QByteArray>("acl");
    QTest::addColumn<int>("group");
    QTest::newRow("maskNarrowsTheGroup") << aclAttribute(
        { { ACL_USER_OBJ, 6 }, { ACL_GROUP_OBJ, 6 }, { ACL_GROUP, 6, 65534 }, { ACL_MASK, 4 }, { ACL_OTHER, 0 } })
                                         << 4;
    QTest::newRow("maskWiderThanTheGroup") << restrictiveAcl() << 0;
    QTest::newRow("noMask") << aclAttribute({ { ACL_USER_OBJ, 7 }, { ACL_GROUP_OBJ, 5 }, { ACL_OTHER, 1 } }) << 5;
    QTest::newRow("notAnAcl") << QByteArray("\x02\0\0\0\x04\0", 6) << -1;
}

// Where the target refuses the ACL, the copy's group bits must grant only what the ACL let the owning group do.
void tst_FileMover::groupBitsOfAnAclTheTargetCannotStore()
{
    QFETCH(QByteArray, acl);
    QFETCH(int, group);
    QCOMPARE(CExtendedAttributes::owningGroupPermissions(acl), group);
}

// FUSE bridges with direct I/O report size 0 for files they cannot size in advance.
void tst_FileMover::copiesToTheEndWhateverTheSizeSays()
{
    CTestMounts mounts;
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString bridge = mounts.faultfs(path(u"backing"_s), path(u"bridge"_s), { u"--size-zero"_s });
    if (bridge.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    const QByteArray content = pattern(3 * kMiB + 5, 'z');
    QVERIFY(writeBytes(path(u"backing/report.pdf"_s), content));
    QCOMPARE(QFileInfo(bridge + u"/report.pdf"_s).size(), 0);

    const MoveResult result = CFileMover::move(bridge + u"/report.pdf"_s, path(u"empty"_s), u"report.pdf"_s);

    QVERIFY2(result.ok(), qPrintable(result.detail));
    QCOMPARE(readBytes(path(u"empty/report.pdf"_s)), content);
    QVERIFY(!QFile::exists(path(u"backing/report.pdf"_s)));
}

// One FAT driver deletes a file renamed to "x:y"; such a name must never reach it.
void tst_FileMover::refusesNamesAStickCannotStore()
{
    CTestMounts mounts;
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString stick = mounts.faultfs(path(u"backing"_s), path(u"stick"_s), { u"--fat-names-lose"_s }, u"fusefat"_s);
    if (stick.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    QVERIFY(writeBytes(path(u"backing/a.txt"_s), "a"));
    const Listing before = CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata);

    for (const QString &name : { u"x:y"_s, u"a|b"_s, u"tab\\there"_s, u"new\nline"_s })
        QCOMPARE(CFileMover::move(stick + u"/a.txt"_s, stick, name).error, MoveError::UnsupportedName);
    QCOMPARE(CFileMover::move(path(u"f.txt"_s), stick, u"what?.txt"_s).error, MoveError::UnsupportedName);
    QCOMPARE(CTreeSnapshot::of(m_dir->path(), CTreeSnapshot::Detail::Metadata), before);
    QVERIFY(CFileMover::move(stick + u"/a.txt"_s, stick, u"x_y"_s).ok());
}

// A driver that cannot store modes, owners, times or attributes only costs those, as with mv; an ACL that cannot
// be stored leaves the owning group's entry, never the mask, so the group the ACL shut out stays out.
void tst_FileMover::movesWhereTheDriverRefusesAttributes()
{
    CTestMounts mounts;
    const QStringList switches = { u"--no-chmod"_s, u"--no-chown"_s, u"--no-utimens"_s };
    QVERIFY(QDir().mkpath(path(u"backing1"_s)) && QDir().mkpath(path(u"backing2"_s)));
    const QString bare = mounts.faultfs(path(u"backing1"_s), path(u"bare"_s), switches);
    const QString plain = mounts.faultfs(path(u"backing2"_s), path(u"plain"_s), { u"--no-xattr"_s });
    if (bare.isEmpty() || plain.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    const QString source = path(u"shared.txt"_s);
    QVERIFY(writeBytes(source, "class list"));
    const QByteArray acl = restrictiveAcl();
    QCOMPARE(::setxattr(native(source).constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0),
             0);
    QCOMPARE(QFileInfo(source).permissions() & QFile::WriteGroup, QFile::WriteGroup); // the mask shows as group bits

    const MoveResult withoutModes = CFileMover::move(path(u"f.txt"_s), bare, u"f.txt"_s);
    QVERIFY2(withoutModes.ok(), qPrintable(withoutModes.detail));
    QCOMPARE(readBytes(bare + u"/f.txt"_s), QByteArray("source bytes"));

    const MoveResult withoutAcl = CFileMover::move(source, plain, u"shared.txt"_s);
    QVERIFY2(withoutAcl.ok(), qPrintable(withoutAcl.detail));
    struct stat st {
    };
    QCOMPARE(::stat(native(plain + u"/shared.txt"_s).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
}

namespace
{
// Writes `chunk` at each offset and leaves the rest of `size` bytes as holes.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void writeSparse(const QString &path, qint64 size, const QList<qint64> &offsets, const QByteArray &chunk)
{
    const int fd = ::open(native(path).constData(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, std::strerror(errno));
    for (const qint64 offset : offsets)
        QCOMPARE(::pwrite(fd, chunk.constData(), size_t(chunk.size()), offset), ssize_t(chunk.size()));
    QCOMPARE(::ftruncate(fd, size), 0);
    ::close(fd);
}

struct stat statOf(const QString &path)
{
    struct stat st {
    };
    ::lstat(native(path).constData(), &st);
    return st;
}
} // namespace

// A disk image with a few written blocks must arrive with its holes, on a target far smaller than the image, and
// with everything else mv keeps: owner, extended attributes (a desktop's tags) and the access ACL.
void tst_FileMover::keepsHolesOwnerAttributesAndAclsAcross()
{
    if (mountTmpfs(u"from"_s, "size=8m").isEmpty() || mountTmpfs(u"to"_s, "size=8m").isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    const QString source = path(u"from/disk.img"_s);
    const QByteArray chunk = pattern(64 * 1024, 'h');
    const qint64 size = 256 * kMiB + 3;
    writeSparse(source, size, { 0, 100 * kMiB, 200 * kMiB + 17 }, chunk);
    if (QTest::currentTestFailed())
        return;
    const QByteArray acl = restrictiveAcl();
    QCOMPARE(::setxattr(native(source).constData(), "user.xdg.tags", "image,term", 10, 0), 0);
    QCOMPARE(::setxattr(native(source).constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0),
             0);
    QCOMPARE(::chown(native(source).constData(), 65534, 65534), 0);
    const struct stat before = statOf(source);

    const MoveResult result = CFileMover::move(source, path(u"to"_s), u"disk.img"_s);

    QVERIFY2(result.ok(), qPrintable(result.detail));
    QVERIFY(!QFile::exists(source));
    const QString moved = path(u"to/disk.img"_s);
    const struct stat after = statOf(moved);
    QCOMPARE(after.st_size, size);
    QVERIFY2(after.st_blocks <= before.st_blocks,
             qPrintable(u"%1 blocks on the target, %2 on the source"_s.arg(after.st_blocks).arg(before.st_blocks)));
    QCOMPARE(after.st_uid, 65534u);
    QCOMPARE(after.st_gid, 65534u);
    QCOMPARE(attribute(moved, "user.xdg.tags"), QByteArray("image,term"));
    QCOMPARE(attribute(moved, "system.posix_acl_access"), acl);
    QFile copy(moved);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    for (const qint64 offset : { qint64(0), 100 * kMiB, 200 * kMiB + 17 }) {
        QVERIFY(copy.seek(offset));
        QCOMPARE(copy.read(chunk.size()), chunk);
    }
    QVERIFY(copy.seek(50 * kMiB));
    QCOMPARE(copy.read(4096), QByteArray(4096, '\0'));
}

// A FAT32 stick stores no file of 4 GiB; the copy is refused before it starts and leaves no part file behind.
void tst_FileMover::refusesAFileLargerThanTheTargetStores()
{
    CTestMounts mounts;
    QVERIFY(QDir().mkpath(path(u"backing"_s)));
    const QString stick = mounts.faultfs(path(u"backing"_s), path(u"stick"_s), { u"--no-links"_s }, u"fusefat"_s);
    if (stick.isEmpty())
        QSKIP(qPrintable(mounts.failure()));
    const QString source = path(u"film.mkv"_s);
    writeSparse(source, qint64(4) << 30, { 0 }, "header");
    if (QTest::currentTestFailed())
        return;
    const struct stat before = statOf(source);

    const MoveResult result = CFileMover::move(source, stick, u"film.mkv"_s);

    QCOMPARE(result.error, MoveError::FileTooLarge);
    QCOMPARE(CTreeSnapshot::of(path(u"backing"_s), CTreeSnapshot::Detail::MetadataAndChangeTime), Listing());
    const struct stat after = statOf(source);
    QVERIFY(after.st_ino == before.st_ino && after.st_size == before.st_size);
    writeSparse(source, (qint64(4) << 30) - 1, { 0 }, "header");
    if (QTest::currentTestFailed())
        return;
    QVERIFY(CFileMover::move(source, stick, u"film.mkv"_s).ok());
    QCOMPARE(QFileInfo(path(u"backing/film.mkv"_s)).size(), (qint64(4) << 30) - 1);
}

QTEST_GUILESS_MAIN(tst_FileMover)
#include "tst_FileMover.moc"
