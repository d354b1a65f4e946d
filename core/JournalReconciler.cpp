// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/JournalReconciler.h"
#include "core/PartFiles.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr QDir::Filters kEverything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

/// One name as the file system shows it now.
struct Item {
    QString path;
    bool present = false;
    struct stat info {
    };

    [[nodiscard]] bool sameFile(const Item &other) const
    {
        return present && other.present && info.st_dev == other.info.st_dev && info.st_ino == other.info.st_ino;
    }
    [[nodiscard]] bool isFile() const
    {
        return present && S_ISREG(info.st_mode);
    }
};

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

bool listedExactly(const QString &path)
{
    const QFileInfo wanted(path);
    QDirIterator it(wanted.absolutePath(), kEverything);
    while (it.hasNext()) {
        if (it.nextFileInfo().fileName() == wanted.fileName())
            return true;
    }
    return false;
}

// A file system that ignores case shows a case-only rename's two names as one file; only the listing tells
// which name it has.
Item look(const QString &path, const QString &counterpart)
{
    Item item { path };
    item.present = ::lstat(native(path).constData(), &item.info) == 0;
    if (item.present && path != counterpart && path.compare(counterpart, Qt::CaseInsensitive) == 0)
        item.present = listedExactly(path);
    return item;
}

bool isOriginalStamp(const Item &item, const FileStamp &before)
{
    return item.present && before.isValid() && qint64(item.info.st_size) == before.size
        && qint64(item.info.st_mtim.tv_sec) * 1000000000 + item.info.st_mtim.tv_nsec == before.mtimeNs;
}

// The very item the intent found at the source, wherever it is now. A rename keeps the node; a FUSE driver may
// number it anew at every mount, so a regular file is known by its size and modification time as well.
bool isTheOriginal(const Item &item, const FileStamp &before)
{
    if (!isOriginalStamp(item, before))
        return false;
    const bool sameNode = quint64(item.info.st_ino) == before.inode
        && (before.device == 0 || quint64(item.info.st_dev) == before.device);
    return sameNode || S_ISREG(item.info.st_mode);
}

// The mover takes a source aside as .plindor-XXXXXX.moving in its own folder; only the item itself counts.
Item findAside(const JournalEntry &entry)
{
    if (!entry.before.isValid())
        return {};
    QDirIterator it(QFileInfo(entry.source).absolutePath(), { u".plindor-??????.moving"_s },
                    kEverything | QDir::CaseSensitive);
    while (it.hasNext()) {
        Item item = look(it.next(), QString());
        if (isTheOriginal(item, entry.before))
            return item;
    }
    return {};
}

bool sameContentStamp(const Item &a, const Item &b)
{
    return a.isFile() && b.isFile() && a.info.st_size == b.info.st_size
        && a.info.st_mtim.tv_sec == b.info.st_mtim.tv_sec && a.info.st_mtim.tv_nsec == b.info.st_mtim.tv_nsec;
}

enum class Relation { Different, Prefix, Equal };

// How `copy` stands to `original` byte by byte: a copy the program began holds the original's first bytes, so
// removing it while the original stays loses nothing.
Relation compare(const Item &copy, const Item &original)
{
    if (!copy.isFile() || !original.isFile() || copy.info.st_size > original.info.st_size)
        return Relation::Different;
    QFile a(copy.path);
    QFile b(original.path);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return Relation::Different;
    constexpr qint64 kChunk = qint64(1) << 20;
    while (!a.atEnd()) {
        const QByteArray left = a.read(kChunk);
        if (left.isEmpty() || b.read(left.size()) != left)
            return Relation::Different;
    }
    if (a.error() != QFile::NoError || a.pos() != copy.info.st_size)
        return Relation::Different;
    return copy.info.st_size == original.info.st_size ? Relation::Equal : Relation::Prefix;
}

// A complete copy: the same bytes and the modification time the mover gives it.
bool isCompleteCopy(const Item &copy, const Item &original)
{
    return copy.sameFile(original) || (sameContentStamp(copy, original) && compare(copy, original) == Relation::Equal);
}

bool removed(const Item &item)
{
    return ::unlink(native(item.path).constData()) == 0;
}

// Where the file system refuses an existing name neither in a rename nor by link() (a FUSE stick), the old name is
// taken as it is made: a folder as an empty folder that the rename may replace, a file created exclusively and
// filled with a copy. A plain rename would replace what another program saved under that name meanwhile.
bool intoReservedName(const Item &from, const QString &to)
{
    const QByteArray target = native(to);
    if (S_ISDIR(from.info.st_mode)) {
        if (::mkdir(target.constData(), 0700) != 0)
            return false;
        if (::rename(native(from.path).constData(), target.constData()) == 0)
            return true;
        ::rmdir(target.constData());
        return false;
    }
    if (!S_ISREG(from.info.st_mode))
        return false;
    const int fd = ::open(target.constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
    QFile in(from.path);
    QFile out;
    if (fd < 0 || !out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) || !in.open(QIODevice::ReadOnly))
        return false;
    bool written = true;
    while (written && !in.atEnd()) {
        const QByteArray chunk = in.read(qint64(1) << 20);
        written = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    const timespec times[2] = { from.info.st_atim, from.info.st_mtim };
    written = written && out.flush() && ::fchmod(fd, from.info.st_mode & 07777) == 0 && ::fsync(fd) == 0;
    ::futimens(fd, times);
    out.close();
    const Item copy = look(to, QString());
    if (written && compare(copy, from) == Relation::Equal)
        return ::unlink(native(from.path).constData()) == 0;
    ::unlink(target.constData());
    return false;
}

// Never replaces where the file system can refuse an existing name: by RENAME_NOREPLACE, else by link() for a
// file, else by taking the name as it is made.
bool renamedWithoutReplacing(const Item &from, const QString &to)
{
    const QByteArray source = native(from.path);
    const QByteArray target = native(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (!S_ISDIR(from.info.st_mode)) {
        if (::link(source.constData(), target.constData()) == 0)
            return ::unlink(source.constData()) == 0;
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
            return false;
    }
    return intoReservedName(from, to);
}

bool isCaseOnly(const JournalEntry &entry)
{
    return entry.source != entry.destination && entry.source.compare(entry.destination, Qt::CaseInsensitive) == 0;
}

// The destination holds what the program began to write there: only the original's first bytes, or all of them.
// A file someone put there, or changed since, differs from the original and stays. `timeToo`: all the bytes count
// only under the original's time too, as the mover gives a copy before it takes the original aside.
bool isOwnCopy(const Item &destination, const Item &original, const JournalEntry &entry, bool timeToo)
{
    if (entry.destinationExisted && !isCaseOnly(entry))
        return false;
    const Relation relation = compare(destination, original);
    return relation == Relation::Prefix
        || (relation == Relation::Equal && (!timeToo || sameContentStamp(destination, original)));
}

JournalRecovery bringBack(const Item &aside, const Item &source, const Item &destination, JournalFinding &finding)
{
    if (!source.present && renamedWithoutReplacing(aside, source.path))
        return destination.present ? JournalRecovery::LeftTwice : JournalRecovery::PutBack;
    finding.leftAt = aside.path;
    return JournalRecovery::LeftHidden;
}

// The source was taken aside: the copy or link at the destination either completes the operation or not. A copy
// cut short (a case-only rename on a stick copies through a hidden name) must not keep the user's new name.
JournalRecovery settleAside(const JournalEntry &entry, const Item &aside, const Item &source, Item destination,
                            JournalFinding &finding)
{
    if (isCompleteCopy(destination, aside) && removed(aside))
        return JournalRecovery::Finished;
    if (destination.present && isOwnCopy(destination, aside, entry, true) && removed(destination))
        destination.present = false;
    return bringBack(aside, source, destination, finding);
}

JournalRecovery settleBoth(const JournalEntry &entry, const Item &source, const Item &destination)
{
    // link() had given the file its new name; only the old one was left to remove, and both name one file.
    if (source.sameFile(destination) && source.info.st_nlink > 1)
        return removed(source) ? JournalRecovery::Finished : JournalRecovery::LeftTwice;
    // A new file at the old name after the item was renamed away: the item is the one at its destination.
    if (!isOriginalStamp(source, entry.before))
        return isTheOriginal(destination, entry.before) ? JournalRecovery::Finished : JournalRecovery::LeftTwice;
    // The original is whole where it was, so a copy of it, finished or not, is only in the way.
    if (isOwnCopy(destination, source, entry, false))
        return removed(destination) ? JournalRecovery::CopyRemoved : JournalRecovery::LeftTwice;
    return JournalRecovery::NothingHappened;
}

// A destination that had been there before the operation is someone else's unless it is the source renamed.
bool isTheMovedItem(const Item &destination, const JournalEntry &entry)
{
    return !entry.destinationExisted || isTheOriginal(destination, entry.before);
}

} // namespace

JournalFinding CJournalReconciler::settle(const JournalEntry &entry)
{
    JournalFinding finding { entry.id, JournalRecovery::NothingHappened, entry.source, entry.destination, {} };
    CPartFiles::removeStale(QFileInfo(entry.destination).absolutePath());
    const Item source = look(entry.source, entry.destination);
    const Item destination = look(entry.destination, entry.source);
    const Item aside = findAside(entry);
    if (aside.present)
        finding.recovery = settleAside(entry, aside, source, destination, finding);
    else if (source.present && destination.present)
        finding.recovery = settleBoth(entry, source, destination);
    else if (destination.present)
        finding.recovery = isTheMovedItem(destination, entry) ? JournalRecovery::Finished : JournalRecovery::Missing;
    else if (!source.present)
        finding.recovery = JournalRecovery::Missing;
    return finding;
}
