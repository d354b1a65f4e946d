// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PartFiles.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
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

pid_t ownerOf(const QByteArray &name)
{
    return pid_t(name.mid(kPidAt, name.size() - kPidAt - kSuffixSize).toLongLong());
}

void removeIfStale(int folder, const char *name)
{
    struct stat info {
    };
    if (::kill(ownerOf(name), 0) == 0 || errno != ESRCH)
        return;
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
        ::unlinkat(folder, name, 0);
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
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}
