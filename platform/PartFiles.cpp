// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PartFiles.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr qsizetype kPidAt = sizeof(".plindor-XXXXXX-") - 1;
constexpr qsizetype kSuffixSize = sizeof(".part") - 1;
constexpr int kNameAttempts = 100;

QByteArray newName()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = ".plindor-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
    return name + '-' + QByteArray::number(::getpid()) + ".part";
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True while `name` in `folder` still is the file open as `fd`.
bool stillNamed(int folder, const char *name, int fd)
{
    struct stat named {
    };
    struct stat opened {
    };
    return ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &opened) == 0
        && sameFile(named, opened);
}

// A copy holds LOCK_EX on its part file for as long as it writes it, so a lock that can be had means the copy is
// gone. The process id in the name cannot tell: a copy running in a container or sandbox has another pid there.
void removeIfStale(int folder, const char *name)
{
    // O_NONBLOCK: whatever took the name, opening it must not hang the cleanup.
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {
    };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && stillNamed(folder, name, fd))
        ::unlinkat(folder, name, 0);
    ::close(fd);
}

// Where the file system has no flock(), a cleanup cannot take the lock either and removes nothing.
bool locked(int fd)
{
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result == 0 || errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL;
}

} // namespace

bool CPartFiles::isPartFileName(const QByteArray &name)
{
    if (!name.startsWith(".plindor-") || !name.endsWith(".part") || name.size() <= kPidAt + kSuffixSize
        || name.at(kPidAt - 1) != '-')
        return false;
    bool ok = false;
    const qint64 pid = name.mid(kPidAt, name.size() - kPidAt - kSuffixSize).toLongLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX;
}

void CPartFiles::removeStale(const QString &folder)
{
    const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = folderFd >= 0 ? ::fdopendir(folderFd) : nullptr;
    if (!dir) {
        if (folderFd >= 0)
            ::close(folderFd);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (isPartFileName(entry->d_name))
            removeIfStale(::dirfd(dir), entry->d_name);
    }
    ::closedir(dir);
}

int CPartFiles::create(int folder, QByteArray &name)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = newName();
        const int fd = ::openat(folder, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            return fd;
        // A cleanup may have taken the file for stale between its creation and the lock: then try another name.
        if (fd >= 0 && locked(fd) && stillNamed(folder, name.constData(), fd))
            return fd;
        if (fd >= 0)
            ::close(fd);
    }
    errno = EEXIST;
    return -1;
}
