// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/System.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace
{

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

ItemFacts::Type typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return ItemFacts::Type::File;
    return S_ISDIR(mode) ? ItemFacts::Type::Folder : ItemFacts::Type::Other;
}

bool sameFile(int fd, const QByteArray &path)
{
    struct stat opened {
    };
    struct stat named {
    };
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

/// File systems that give a folder a new change time whenever a name in it comes, goes or is renamed. Network and
/// FUSE file systems are left out: what they report may be cached, or made up.
bool stampsFolderChanges(decltype(statfs::f_type) type)
{
    switch (static_cast<unsigned long>(type)) {
    case 0xEF53: // ext2, ext3, ext4
    case 0x58465342: // XFS
    case 0x9123683E: // Btrfs
    case 0xF2F52010: // F2FS
    case 0x01021994: // tmpfs
        return true;
    default:
        return false;
    }
}

} // namespace

// The disks that stamp folder changes are the ones that keep node numbers too: their nodes live on the disk itself.
bool CSystem::keepsNodeNumbers(const QString &path)
{
    struct statfs system {
    };
    return ::statfs(QFile::encodeName(path).constData(), &system) == 0 && stampsFolderChanges(system.f_type);
}

QByteArray CSystem::folderStamp(const QString &folder)
{
    // A change time is taken from a clock that moves in ticks of a few milliseconds; a second is far more.
    constexpr qint64 settled = 1000000000;
    const QByteArray name = QFile::encodeName(folder);
    struct stat info {
    };
    struct statfs system {
    };
    timespec now {};
    if (::stat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || ::statfs(name.constData(), &system) != 0
        || !stampsFolderChanges(system.f_type) || ::clock_gettime(CLOCK_REALTIME, &now) != 0
        || nanoseconds(now) - nanoseconds(info.st_ctim) < settled)
        return {};
    const std::array<qint64, 4> parts { qint64(info.st_dev), qint64(info.st_ino), nanoseconds(info.st_ctim),
                                        nanoseconds(info.st_mtim) };
    return QByteArray(reinterpret_cast<const char *>(parts.data()), sizeof parts);
}

std::optional<std::vector<size_t>> CSystem::nameHashesIn(const QString &folder)
{
    DIR *listing = ::opendir(QFile::encodeName(folder).constData());
    if (!listing)
        return std::nullopt;
    std::vector<size_t> hashes;
    // A folder takes at least 24 bytes a name on most disks.
    struct stat info {
    };
    if (::fstat(::dirfd(listing), &info) == 0)
        hashes.reserve(size_t(std::clamp<off_t>(info.st_size / 24, 16, 1 << 22)));
    // Decoded as QFile::decodeName() decodes, each name on its own; a name never takes more UTF-16 units than bytes.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    std::array<QChar, NAME_MAX + 1> name {};
    errno = 0;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArrayView bytes(entry->d_name, qstrnlen(entry->d_name, NAME_MAX));
        const QStringView decoded(name.data(), decoder.appendToBuffer(name.data(), bytes));
        if (!decoded.contains(QChar::ReplacementCharacter))
            hashes.push_back(qHash(decoded, 0));
    }
    const bool whole = errno == 0;
    ::closedir(listing);
    if (!whole)
        return std::nullopt;
    std::sort(hashes.begin(), hashes.end());
    return hashes;
}

ItemFacts CSystem::look(const QString &path)
{
    struct stat info {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return { typeOf(info.st_mode),
             { qint64(info.st_size), nanoseconds(info.st_mtim), quint64(info.st_ino), quint64(info.st_dev),
               nanoseconds(info.st_ctim) },
             quint64(info.st_nlink) };
}

FolderId CSystem::folderIdOf(const QString &path)
{
    struct stat info {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return {};
    return { quint64(info.st_dev), quint64(info.st_ino) };
}

bool CSystem::isAbsent(const QString &path)
{
    struct stat info {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) != 0 && errno == ENOENT;
}

// flock(), not a pid in the file: the kernel lets go of it however the program ends, and it means the same in
// every pid namespace.
qintptr CSystem::createLocked(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return kNoLock;
    // Another program that cleans up ended locks may have taken the file away between its creation and the lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, name))
        return fd;
    ::close(fd);
    return kNoLock;
}

/// The descriptor, locked exclusively without waiting; closed, and no lock, when another holds it.
static qintptr lockedWithoutWaiting(int fd)
{
    if (fd < 0)
        return CSystem::kNoLock;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return fd;
    ::close(fd);
    return CSystem::kNoLock;
}

qintptr CSystem::lockIfFree(const QString &path)
{
    // O_NONBLOCK: whatever took the name, opening it must not hang.
    return lockedWithoutWaiting(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
}

qintptr CSystem::lockOrCreate(const QString &path)
{
    return lockedWithoutWaiting(
        ::open(QFile::encodeName(path).constData(), O_CREAT | O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
}

qint64 CSystem::bootTimeMs()
{
    timespec now {};
    timespec sinceBoot {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ::clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
    const auto ms = [](const timespec &t) { return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000; };
    return ms(now) - ms(sinceBoot);
}

void CSystem::removeAndUnlock(qintptr lock, const QString &path)
{
    if (lock == kNoLock)
        return;
    const QByteArray name = QFile::encodeName(path);
    if (sameFile(int(lock), name))
        ::unlink(name.constData());
    ::close(int(lock));
}

void CSystem::unlock(qintptr lock)
{
    if (lock != kNoLock)
        ::close(int(lock));
}

void CSystem::returnFreedMemory()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

void CSystem::preferHugePages(const void *data, qsizetype bytes)
{
    constexpr quintptr huge = 2 * 1024 * 1024;
    if (bytes < qsizetype(huge))
        return;
    const auto start = (reinterpret_cast<quintptr>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<quintptr>(data) + static_cast<quintptr>(bytes)) & ~(huge - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
}
