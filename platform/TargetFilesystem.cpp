// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TargetFilesystem.h"

#include "core/WindowsNameRules.h"

#include <QFile>
#include <QList>

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace
{
// Kernel drivers whose magic numbers <linux/magic.h> does not list.
constexpr unsigned long kExfatMagic = 0x2011BAB0;
constexpr unsigned long kNtfsMagic = 0x5346544e;
constexpr unsigned long kNtfs3Magic = 0x7366746e;
constexpr unsigned long kFuseMagic = 0x65735546;

bool windowsType(const QByteArray &type)
{
    // FUSE block-device mounts are the exFAT and NTFS drivers; a named FUSE driver says what it is.
    if (type == "fuseblk" || type == "vfat" || type == "msdos" || type == "exfat" || type.startsWith("ntfs"))
        return true;
    if (!type.startsWith("fuse."))
        return false;
    const QByteArray driver = type.mid(5).toLower();
    return driver.contains("fat") || driver.contains("ntfs");
}

// FAT drivers in user space, which the kernel's answer to _PC_FILESIZEBITS does not know about.
bool fat32Type(const QByteArray &type)
{
    if (!type.startsWith("fuse."))
        return false;
    const QByteArray driver = type.mid(5).toLower();
    return driver.contains("fat") && !driver.contains("exfat");
}
} // namespace

QByteArray CTargetFilesystem::typeOf(const QByteArray &folder)
{
    struct stat st {
    };
    if (::stat(folder.constData(), &st) != 0)
        return {};
    const QByteArray device = QByteArray::number(major(st.st_dev)) + ':' + QByteArray::number(minor(st.st_dev));
    QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountinfo.open(QIODevice::ReadOnly))
        return {};
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue"
    for (const QByteArray &line : mountinfo.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() > 2 && fields.at(2) == device && separator > 0 && separator + 1 < fields.size())
            return fields.at(separator + 1);
    }
    return {};
}

bool CTargetFilesystem::usesWindowsNames(const QByteArray &folder)
{
    struct statfs fs {
    };
    if (::statfs(folder.constData(), &fs) != 0)
        return false;
    const auto magic = static_cast<unsigned long>(fs.f_type);
    if (magic == MSDOS_SUPER_MAGIC || magic == kExfatMagic || magic == kNtfsMagic || magic == kNtfs3Magic)
        return true;
    return magic == kFuseMagic && windowsType(typeOf(folder));
}

QChar CTargetFilesystem::firstWindowsForbidden(const QString &name)
{
    return CWindowsNameRules::firstForbidden(name);
}

bool CTargetFilesystem::foldsCase(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool folds = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
    ::close(fd);
    return folds;
}

qint64 CTargetFilesystem::maxFileSize(const QByteArray &folder)
{
    constexpr qint64 fat32Limit = (qint64(1) << 32) - 1;
    const long bits = ::pathconf(folder.constData(), _PC_FILESIZEBITS);
    if (bits > 0 && bits < 63)
        return (qint64(1) << bits) - 1;
    struct statfs fs {
    };
    if (::statfs(folder.constData(), &fs) == 0 && static_cast<unsigned long>(fs.f_type) == kFuseMagic
        && fat32Type(typeOf(folder)))
        return fat32Limit;
    return 0;
}

bool CTargetFilesystem::refusesTakenNames(const QByteArray &folder)
{
    struct statfs fs {
    };
    if (::statfs(folder.constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}
