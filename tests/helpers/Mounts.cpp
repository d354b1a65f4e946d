// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Mounts.h"
#include "helpers/NativePath.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

struct CTestMounts::Mount {
    QString point;
    QString loopDevice;
    std::unique_ptr<QProcess> daemon;
    // The daemon writes here rather than into a pipe that nobody drains while the test runs.
    std::unique_ptr<QTemporaryFile> daemonLog;
    dev_t device = 0;
};

namespace
{

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Runs a tool to its end; its output goes to `output` for the failure text.
int run(const QString &program, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished();
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

dev_t deviceOf(const QString &path)
{
    struct stat st {
    };
    return ::stat(native(path).constData(), &st) == 0 ? st.st_dev : 0;
}

// Ends a FUSE daemon whose mount is gone; one that still serves open files of the detached mount is cut off first.
void stopDaemon(QProcess &daemon, dev_t device)
{
    if (daemon.waitForFinished(1000))
        return;
    QFile abort(u"/sys/fs/fuse/connections/%1/abort"_s.arg(minor(device)));
    if (abort.open(QIODevice::WriteOnly)) {
        abort.write("1");
        abort.close();
    }
    if (daemon.waitForFinished(2000))
        return;
    daemon.kill();
    daemon.waitForFinished();
}

} // namespace

CTestMounts::CTestMounts() = default;

CTestMounts::~CTestMounts()
{
    while (!m_mounts.empty()) {
        undo(*m_mounts.back());
        m_mounts.pop_back();
    }
}

QString CTestMounts::failure() const
{
    return m_failure;
}

QString CTestMounts::fail(const QString &reason)
{
    m_failure = reason;
    return {};
}

void CTestMounts::undo(Mount &mount)
{
    ::umount2(native(mount.point).constData(), MNT_DETACH);
    if (mount.daemon)
        stopDaemon(*mount.daemon, mount.device);
    // A loop device still held by its detached mount is freed by the kernel once that lets go.
    if (!mount.loopDevice.isEmpty())
        run(u"losetup"_s, { u"-d"_s, mount.loopDevice });
}

bool CTestMounts::unmount(const QString &point)
{
    for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it) {
        if ((*it)->point == point) {
            undo(**it);
            m_mounts.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

QString CTestMounts::tmpfs(const QString &point, const char *options)
{
    if (::geteuid() != 0)
        return fail(u"needs root to mount a tmpfs"_s);
    if (!QDir().mkpath(point))
        return fail(u"cannot make the mount point "_s + point);
    if (::mount("tmpfs", native(point).constData(), "tmpfs", 0, options) != 0)
        return fail(u"mounting a tmpfs failed: "_s + lastError());
    m_mounts.push_back(std::make_unique<Mount>(Mount { point, {}, {}, {}, 0 }));
    return point;
}

QString CTestMounts::readOnly(const QString &folder)
{
    if (::geteuid() != 0)
        return fail(u"needs root to bind-mount a folder"_s);
    const QByteArray point = native(folder);
    if (::mount(point.constData(), point.constData(), nullptr, MS_BIND, nullptr) != 0)
        return fail(u"bind-mounting failed: "_s + lastError());
    m_mounts.push_back(std::make_unique<Mount>(Mount { folder, {}, {}, {}, 0 }));
    if (::mount(nullptr, point.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return fail(u"making the bind mount read-only failed: "_s + lastError());
    return folder;
}

QString CTestMounts::exfat(const QString &point, const QString &imageFolder, qint64 size)
{
    if (QStandardPaths::findExecutable(u"mkfs.exfat"_s).isEmpty()
        || QStandardPaths::findExecutable(u"mount.exfat-fuse"_s).isEmpty())
        return fail(u"needs the packages exfatprogs and exfat-fuse"_s);
    return loopImage(point, imageFolder, size, { u"mkfs.exfat"_s }, { u"mount.exfat-fuse"_s });
}

QString CTestMounts::ext4(const QString &point, const QString &imageFolder, qint64 size)
{
    if (QStandardPaths::findExecutable(u"mkfs.ext4"_s).isEmpty())
        return fail(u"needs mkfs.ext4 (package e2fsprogs)"_s);
    const QString mounted
        = loopImage(point, imageFolder, size, { u"mkfs.ext4"_s, u"-q"_s }, { u"mount"_s, u"-t"_s, u"ext4"_s });
    if (!mounted.isEmpty())
        QDir(mounted + u"/lost+found"_s).removeRecursively(); // tree listings compare only what the test made
    return mounted;
}

QString CTestMounts::loopImage(const QString &point, const QString &imageFolder, qint64 size, QStringList format,
                               QStringList mountCommand)
{
    if (::geteuid() != 0)
        return fail(u"needs root to mount a disk image"_s);
    if (!QDir().mkpath(point) || !QDir().mkpath(imageFolder))
        return fail(u"cannot make the mount point "_s + point + u" or the folder "_s + imageFolder);
    QTemporaryFile image(QDir(imageFolder).filePath(u"disk-XXXXXX.img"_s));
    if (!image.open() || !image.resize(size))
        return fail(u"cannot make a disk image in "_s + imageFolder + u": "_s + image.errorString());
    image.close();
    QString output;
    const QString formatter = format.takeFirst();
    if (run(formatter, format << image.fileName(), &output) != 0)
        return fail(formatter + u" failed: "_s + output);
    if (run(u"losetup"_s, { u"--find"_s, u"--show"_s, image.fileName() }, &output) != 0)
        return fail(u"losetup failed: "_s + output);
    auto mount = std::make_unique<Mount>(Mount { point, output, {}, {}, 0 });
    const QString mounter = mountCommand.takeFirst();
    if (run(mounter, mountCommand << mount->loopDevice << point, &output) != 0) {
        run(u"losetup"_s, { u"-d"_s, mount->loopDevice });
        return fail(mounter + u" failed: "_s + output);
    }
    m_mounts.push_back(std::move(mount));
    return point; // the loop device keeps the image's data; QTemporaryFile removes its name now
}

QString CTestMounts::faultfs(const QString &backing, const QString &point, const QStringList &switches,
                             const QString &subtype)
{
    const QString program = QString::fromLocal8Bit(PLINDOR_FAULTFS);
    if (program.isEmpty())
        return fail(u"FUSE unavailable: plindor_faultfs was not built (needs libfuse3-dev)"_s);
    if (::geteuid() != 0)
        return fail(u"needs root to mount plindor_faultfs"_s);
    if (!QFile::exists(u"/dev/fuse"_s))
        return fail(u"FUSE unavailable: no /dev/fuse"_s);
    if (!QDir().mkpath(point))
        return fail(u"cannot make the mount point "_s + point);
    QStringList arguments { backing, point };
    arguments << switches;
    if (!subtype.isEmpty())
        arguments << u"-o"_s << u"subtype="_s + subtype;
    auto mount = std::make_unique<Mount>(
        Mount { point, {}, std::make_unique<QProcess>(), std::make_unique<QTemporaryFile>(), 0 });
    if (!mount->daemonLog->open())
        return fail(u"cannot make a log file: "_s + mount->daemonLog->errorString());
    QProcess &daemon = *mount->daemon;
    daemon.setProcessChannelMode(QProcess::MergedChannels);
    daemon.setStandardOutputFile(mount->daemonLog->fileName());
    const dev_t before = deviceOf(point);
    daemon.start(program, arguments);
    if (!daemon.waitForStarted())
        return fail(u"FUSE unavailable: cannot start plindor_faultfs: "_s + daemon.errorString());
    const auto said = [&mount] { return QString::fromLocal8Bit(mount->daemonLog->readAll()).trimmed(); };
    // The mount is there once the point's device changes; the daemon answers the stat, so it is serving by then.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        mount->device = deviceOf(point);
        if (mount->device != before && mount->device != 0) {
            m_mounts.push_back(std::move(mount));
            return point;
        }
        if (daemon.waitForFinished(20))
            return fail(u"plindor_faultfs failed: "_s + said());
    }
    daemon.kill();
    daemon.waitForFinished();
    if (deviceOf(point) != before) // mounted just too late: a dead FUSE mount must not stay behind
        ::umount2(native(point).constData(), MNT_DETACH);
    return fail(u"FUSE unavailable: plindor_faultfs did not mount within 5 s: "_s + said());
}
