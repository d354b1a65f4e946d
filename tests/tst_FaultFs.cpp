// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Bytes.h"
#include "helpers/Mounts.h"
#include "helpers/NativePath.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

enum class Probe {
    Data,
    Owner,
    SizeZero,
    RenameFlags,
    Links,
    Chmod,
    Chown,
    Utimens,
    Xattr,
    FatNames,
    HideOpen,
    FsyncDir,
    Delay
};

const QByteArray kContent = "the user's bytes";

int errorOf(int returned)
{
    return returned < 0 ? errno : 0;
}

int createError(const QString &path)
{
    const int fd = ::open(native(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

struct stat statOf(const QString &path)
{
    struct stat st {
    };
    if (::lstat(native(path).constData(), &st) != 0)
        st.st_dev = 0;
    return st;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Mount point → { type, source } from the kernel's mount table.
QHash<QString, QStringList> mountTable()
{
    QHash<QString, QStringList> table;
    const QStringList lines = QString::fromUtf8(readBytes(u"/proc/self/mountinfo"_s)).split(u'\n');
    for (const QString &line : lines) {
        const QStringList fields = line.split(u' ');
        const qsizetype dash = fields.indexOf(u"-"_s);
        if (dash > 4 && dash + 2 < fields.size())
            table.insert(fields[4], { fields[dash + 1], fields[dash + 2] });
    }
    return table;
}

// Whether a process still runs with `point` on its command line, as the FUSE daemons do.
bool daemonServes(const QString &point)
{
    QDirIterator processes(u"/proc"_s, { u"[0-9]*"_s }, QDir::Dirs);
    while (processes.hasNext()) {
        const QList<QByteArray> arguments = readBytes(processes.next() + u"/cmdline"_s).split('\0');
        if (arguments.contains(native(point)))
            return true;
    }
    return false;
}

// A minimal access ACL granting user 65534 read, in the kernel's xattr form.
QByteArray accessAcl()
{
    QByteArray acl;
    const auto put = [&acl](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            acl.append(char((value >> (8 * i)) & 0xff));
    };
    put(2, 4); // version
    const quint32 undefinedId = 0xffffffff;
    const quint32 entries[][3] = { { 0x01, 6, undefinedId },
                                   { 0x02, 4, 65534 },
                                   { 0x04, 4, undefinedId },
                                   { 0x10, 4, undefinedId },
                                   { 0x20, 4, undefinedId } };
    for (const auto &entry : entries) {
        put(entry[0], 2);
        put(entry[1], 2);
        put(entry[2], 4);
    }
    return acl;
}

} // namespace

Q_DECLARE_METATYPE(Probe)

/// The fault switches of plindor_faultfs, each met on a real mount and compared with the plain passthrough.
class tst_FaultFs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void switches_data();
    void switches();
    void mountsCleanUp();

private:
    void probe(Probe probe, bool faulty);
    void probeData(bool faulty);
    void probeOwner(bool faulty);
    void probeSizeZero(bool faulty);
    void probeRenameFlags(bool faulty);
    void probeLinks(bool faulty);
    void probeChmod(bool faulty);
    void probeChown(bool faulty);
    void probeUtimens(bool faulty);
    void probeXattr(bool faulty);
    void probeFatNames(bool faulty);
    void probeHideOpen(bool faulty);
    void probeFsyncDir(bool faulty);
    void probeDelay(bool faulty);
    [[nodiscard]] QString path(const QString &relative) const;
    [[nodiscard]] QString backing(const QString &name) const;
    [[nodiscard]] QString mounted(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CTestMounts> m_mounts;
};

void tst_FaultFs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_mounts = std::make_unique<CTestMounts>();
}

void tst_FaultFs::cleanup()
{
    m_mounts.reset();
    m_dir.reset();
}

QString tst_FaultFs::path(const QString &relative) const
{
    return m_dir->filePath(relative);
}

QString tst_FaultFs::backing(const QString &name) const
{
    return path(u"backing/"_s + name);
}

QString tst_FaultFs::mounted(const QString &name) const
{
    return path(u"mount/"_s + name);
}

void tst_FaultFs::switches_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<Probe>("probe");
    const auto add = [](const char *name, const QString &faultSwitch, Probe probe) {
        QTest::addRow("%s", name) << QStringList { faultSwitch } << probe;
        QTest::addRow("%s-plain", name) << QStringList() << probe;
    };
    add("data-size-zero", u"--size-zero"_s, Probe::Data);
    QTest::newRow("owner-plain") << QStringList() << Probe::Owner;
    add("size-zero", u"--size-zero"_s, Probe::SizeZero);
    add("no-rename-flags", u"--no-rename-flags"_s, Probe::RenameFlags);
    add("no-links", u"--no-links"_s, Probe::Links);
    add("no-chmod", u"--no-chmod"_s, Probe::Chmod);
    add("no-chown", u"--no-chown"_s, Probe::Chown);
    add("no-utimens", u"--no-utimens"_s, Probe::Utimens);
    add("no-xattr", u"--no-xattr"_s, Probe::Xattr);
    add("fat-names-lose", u"--fat-names-lose"_s, Probe::FatNames);
    add("hide-open", u"--hide-open"_s, Probe::HideOpen);
    add("fsyncdir-fails", u"--fsyncdir-fails"_s, Probe::FsyncDir);
    QTest::newRow("delay-ms") << QStringList { u"--delay-ms"_s, u"300"_s } << Probe::Delay;
}

// Each row mounts a fresh tmpfs as the backing folder, with a file a.txt, and plindor_faultfs over it.
void tst_FaultFs::switches()
{
    QFETCH(QStringList, switches);
    QFETCH(Probe, probe);
    if (m_mounts->tmpfs(path(u"backing"_s), "size=32m").isEmpty())
        QSKIP(qPrintable(m_mounts->failure()));
    QVERIFY(writeFile(backing(u"a.txt"_s), kContent));
    if (m_mounts->faultfs(path(u"backing"_s), path(u"mount"_s), switches, u"plindortest"_s).isEmpty()) {
        if (QByteArrayView(PLINDOR_FAULTFS).isEmpty() || !QFile::exists(u"/dev/fuse"_s))
            QSKIP(qPrintable(m_mounts->failure()));
        QFAIL(qPrintable(m_mounts->failure()));
    }
    QCOMPARE(mountTable().value(path(u"mount"_s)).value(0), u"fuse.plindortest"_s);
    this->probe(probe, !switches.isEmpty());
}

void tst_FaultFs::probe(Probe probe, bool faulty)
{
    switch (probe) {
    case Probe::Data:
        return probeData(faulty);
    case Probe::Owner:
        return probeOwner(faulty);
    case Probe::SizeZero:
        return probeSizeZero(faulty);
    case Probe::RenameFlags:
        return probeRenameFlags(faulty);
    case Probe::Links:
        return probeLinks(faulty);
    case Probe::Chmod:
        return probeChmod(faulty);
    case Probe::Chown:
        return probeChown(faulty);
    case Probe::Utimens:
        return probeUtimens(faulty);
    case Probe::Xattr:
        return probeXattr(faulty);
    case Probe::FatNames:
        return probeFatNames(faulty);
    case Probe::HideOpen:
        return probeHideOpen(faulty);
    case Probe::FsyncDir:
        return probeFsyncDir(faulty);
    case Probe::Delay:
        return probeDelay(faulty);
    }
}

void tst_FaultFs::probeData(bool)
{
    QByteArray data(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 + i / 4093);
    QVERIFY(writeFile(mounted(u"written.bin"_s), data));
    QCOMPARE(readBytes(backing(u"written.bin"_s)), data);
    QVERIFY(writeFile(backing(u"behind.bin"_s), data));
    QCOMPARE(readBytes(mounted(u"behind.bin"_s)), data);
    QVERIFY(QDir().mkpath(mounted(u"sub/deeper"_s)));
    QCOMPARE(::symlink("../a.txt", native(mounted(u"sub/link"_s)).constData()), 0);
    QCOMPARE(readBytes(mounted(u"sub/link"_s)), kContent);
    const auto listing = [](const QString &root) {
        return QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
    };
    QCOMPARE(listing(mounted(u"sub"_s)), listing(backing(u"sub"_s)));
    QCOMPARE(listing(mounted({})), (QStringList { u"a.txt"_s, u"behind.bin"_s, u"sub"_s, u"written.bin"_s }));
}

// What another user makes through the mount is theirs, and mode bits hold for tests that act as one.
void tst_FaultFs::probeOwner(bool)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    for (const QString &folder : { m_dir->path(), backing({}) })
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));
    QCOMPARE(::seteuid(65534), 0);
    const int created = createError(mounted(u"theirs.txt"_s));
    const int reopened = errorOf(::truncate(native(mounted(u"theirs.txt"_s)).constData(), 0));
    const int foreign = errorOf(::truncate(a.constData(), 0));
    QCOMPARE(::seteuid(0), 0);
    QCOMPARE(created, 0);
    QCOMPARE(reopened, 0);
    QCOMPARE(foreign, EACCES);
    QCOMPARE(statOf(backing(u"theirs.txt"_s)).st_uid, 65534u);
    QCOMPARE(readBytes(backing(u"a.txt"_s)), kContent);
}

void tst_FaultFs::probeSizeZero(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    const struct stat st = statOf(mounted(u"a.txt"_s));
    QCOMPARE(st.st_size, faulty ? 0 : kContent.size());
    QCOMPARE(st.st_blocks == 0, faulty);
    // A plain read() goes on to the end of the file whatever stat said.
    const int fd = ::open(a.constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    char buffer[256];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    QCOMPARE(QByteArray(buffer, int(count)), kContent);
}

void tst_FaultFs::probeRenameFlags(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    QCOMPARE(errorOf(::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, native(mounted(u"b.txt"_s)).constData(),
                                 RENAME_NOREPLACE)),
             faulty ? EINVAL : 0);
    QCOMPARE(QFile::exists(backing(u"b.txt"_s)), !faulty);
    QCOMPARE(errorOf(::rename(native(mounted(faulty ? u"a.txt"_s : u"b.txt"_s)).constData(),
                              native(mounted(u"c.txt"_s)).constData())),
             0);
    QCOMPARE(readBytes(backing(u"c.txt"_s)), kContent);
}

void tst_FaultFs::probeLinks(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    QCOMPARE(errorOf(::link(a.constData(), native(mounted(u"l.txt"_s)).constData())), faulty ? EPERM : 0);
    QCOMPARE(statOf(backing(u"a.txt"_s)).st_nlink, nlink_t(faulty ? 1 : 2));
}

void tst_FaultFs::probeChmod(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    const int fd = ::open(a.constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    const int error = errorOf(::fchmod(fd, 0604));
    ::close(fd);
    QCOMPARE(error, faulty ? ENOSYS : 0);
    QCOMPARE(statOf(backing(u"a.txt"_s)).st_mode & 07777, faulty ? 0644u : 0604u);
}

void tst_FaultFs::probeChown(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    QCOMPARE(errorOf(::chown(a.constData(), 65534, 65534)), faulty ? ENOSYS : 0);
    QCOMPARE(statOf(backing(u"a.txt"_s)).st_uid, faulty ? ::getuid() : 65534u);
}

void tst_FaultFs::probeUtimens(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    const timespec times[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
    QCOMPARE(errorOf(::utimensat(AT_FDCWD, a.constData(), times, 0)), faulty ? ENOSYS : 0);
    QCOMPARE(statOf(backing(u"a.txt"_s)).st_mtim.tv_sec == 1000000000, !faulty);
}

void tst_FaultFs::probeXattr(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    const int expected = faulty ? EOPNOTSUPP : 0;
    QCOMPARE(errorOf(::setxattr(a.constData(), "user.plindor", "tag", 3, 0)), expected);
    char value[64] = {};
    const QByteArray back = native(backing(u"a.txt"_s));
    QCOMPARE(::getxattr(back.constData(), "user.plindor", value, sizeof value), faulty ? -1 : 3);
    QCOMPARE(errorOf(int(::getxattr(a.constData(), "user.plindor", value, sizeof value))), expected);
    QCOMPARE(errorOf(int(::listxattr(a.constData(), value, sizeof value))), expected);
    const QByteArray acl = accessAcl();
    QCOMPARE(errorOf(::setxattr(a.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0)),
             expected);
    QCOMPARE(::getxattr(back.constData(), "system.posix_acl_access", nullptr, 0) > 0, !faulty);
}

void tst_FaultFs::probeFatNames(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    QCOMPARE(errorOf(::rename(a.constData(), native(mounted(u"x:y"_s)).constData())), faulty ? EIO : 0);
    // The faulty driver loses the user's file on the way.
    QVERIFY(!QFile::exists(backing(u"a.txt"_s)));
    QCOMPARE(readBytes(backing(u"x:y"_s)), faulty ? QByteArray("<unreadable>") : kContent);
    QCOMPARE(createError(mounted(u"q?.txt"_s)), faulty ? EINVAL : 0);
    QCOMPARE(errorOf(::mkdir(native(mounted(u"d*"_s)).constData(), 0755)), faulty ? EINVAL : 0);
    QCOMPARE(QFile::exists(backing(u"q?.txt"_s)), !faulty);
}

// A file removed while open lingers as .fuse_hidden* until closed, as under many libfuse drivers.
void tst_FaultFs::probeHideOpen(bool faulty)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    const int fd = ::open(a.constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const int error = errorOf(::unlink(a.constData()));
    const QStringList names = QDir(mounted({})).entryList(QDir::Files | QDir::Hidden);
    struct stat st {
    };
    const int statError = errorOf(::fstat(fd, &st));
    char buffer[64] = {};
    const ssize_t count = ::pread(fd, buffer, sizeof buffer, 0);
    ::close(fd);
    QCOMPARE(error, 0);
    QCOMPARE(names.size(), faulty ? 1 : 0);
    QCOMPARE(names.filter(u".fuse_hidden"_s).size(), names.size());
    QCOMPARE(statError, faulty ? 0 : ESTALE);
    QCOMPARE(QByteArray(buffer, int(count)), kContent);
    QTRY_COMPARE(QDir(backing({})).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_FaultFs::probeFsyncDir(bool faulty)
{
    const int folder = ::open(native(mounted({})).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int file = ::open(native(mounted(u"a.txt"_s)).constData(), O_RDONLY | O_CLOEXEC);
    const int folderError = errorOf(::fsync(folder));
    const int fileError = errorOf(::fsync(file));
    ::close(folder);
    ::close(file);
    QCOMPARE(folderError, faulty ? EIO : 0);
    QCOMPARE(fileError, 0);
}

void tst_FaultFs::probeDelay(bool)
{
    const QByteArray a = native(mounted(u"a.txt"_s));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(errorOf(::rename(a.constData(), native(mounted(u"b.txt"_s)).constData())), 0);
    QVERIFY2(timer.elapsed() >= 300, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(readBytes(backing(u"b.txt"_s)), kContent);
}

// Every mount goes with its CTestMounts, together with its loop device and its FUSE daemon, even with a file open.
void tst_FaultFs::mountsCleanUp()
{
    const dev_t parent = statOf(m_dir->path()).st_dev;
    const QStringList points { path(u"tmp"_s), path(u"stick"_s), path(u"fault"_s) };
    QString loopDevice;
    QFile held(path(u"fault/held.txt"_s));
    {
        CTestMounts mounts;
        if (mounts.tmpfs(points[0], "size=8m").isEmpty())
            QSKIP(qPrintable(mounts.failure()));
        QVERIFY(statOf(points[0]).st_dev != parent);
        QVERIFY(mounts.tmpfs(path(u"early"_s), "size=1m") == path(u"early"_s));
        QVERIFY(mounts.unmount(path(u"early"_s)));
        QCOMPARE(statOf(path(u"early"_s)).st_dev, parent);
        QVERIFY(!mounts.unmount(path(u"early"_s)));

        if (QStandardPaths::findExecutable(u"mount.exfat-fuse"_s).isEmpty())
            QSKIP("needs the packages exfatprogs and exfat-fuse");
        QVERIFY2(mounts.exfat(points[1], path(u"images"_s), 4 * 1024 * 1024) == points[1],
                 qPrintable(mounts.failure()));
        QVERIFY(statOf(points[1]).st_dev != parent);
        QCOMPARE(QDir(path(u"images"_s)).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(writeFile(points[1] + u"/On Stick.txt"_s, kContent));
        QCOMPARE(readBytes(points[1] + u"/ON STICK.TXT"_s), kContent);
        loopDevice = mountTable().value(points[1]).value(1);
        QVERIFY2(loopDevice.startsWith(u"/dev/loop"_s), qPrintable(loopDevice));

        if (QByteArrayView(PLINDOR_FAULTFS).isEmpty())
            QSKIP(qPrintable(u"no plindor_faultfs: "_s + mounts.failure()));
        QVERIFY(mounts.faultfs(path(u"missing"_s), path(u"refused"_s), {}).isEmpty());
        QVERIFY2(mounts.failure().startsWith(u"plindor_faultfs failed: "_s) && mounts.failure().contains(u"missing"_s),
                 qPrintable(mounts.failure()));
        QCOMPARE(statOf(path(u"refused"_s)).st_dev, parent);
        QVERIFY2(mounts.faultfs(points[0], points[2], {}) == points[2], qPrintable(mounts.failure()));
        QVERIFY(daemonServes(points[2]));
        QVERIFY(held.open(QIODevice::WriteOnly));
        QCOMPARE(held.write(kContent), kContent.size());
        QVERIFY(held.flush());
        QCOMPARE(readBytes(points[0] + u"/held.txt"_s), kContent);
    }
    for (const QString &point : points)
        QCOMPARE(statOf(point).st_dev, parent);
    const QHash<QString, QStringList> table = mountTable();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        QVERIFY2(!it.key().startsWith(m_dir->path()), qPrintable(it.key()));
    QTRY_VERIFY(!daemonServes(points[1]) && !daemonServes(points[2]));
    const QString loopState = u"/sys/block/"_s + QFileInfo(loopDevice).fileName() + u"/loop"_s;
    QTRY_VERIFY2(!QFileInfo::exists(loopState), qPrintable(loopState));
    held.close();
}

QTEST_GUILESS_MAIN(tst_FaultFs)
#include "tst_FaultFs.moc"
