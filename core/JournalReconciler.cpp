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

// File times come from a coarse clock that may lag the one the intent's time was read from.
constexpr qint64 kClockSlackMs = 2000;
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

// The mover takes a source aside as .plindor-XXXXXX.moving in its own folder; the inode tells which is ours.
Item findAside(const JournalEntry &entry)
{
    if (!entry.before.isValid())
        return {};
    QDirIterator it(QFileInfo(entry.source).absolutePath(), { u".plindor-??????.moving"_s },
                    kEverything | QDir::CaseSensitive);
    while (it.hasNext()) {
        Item item = look(it.next(), QString());
        if (item.present && quint64(item.info.st_ino) == entry.before.inode)
            return item;
    }
    return {};
}

bool sameContentStamp(const Item &a, const Item &b)
{
    return a.isFile() && b.isFile() && a.info.st_size == b.info.st_size
        && a.info.st_mtim.tv_sec == b.info.st_mtim.tv_sec && a.info.st_mtim.tv_nsec == b.info.st_mtim.tv_nsec;
}

bool removed(const Item &item)
{
    return ::unlink(native(item.path).constData()) == 0;
}

// Never replaces where the file system can refuse an existing name: by RENAME_NOREPLACE, else by link() for a
// file. Elsewhere (FUSE without links) the test just before the rename leaves a window of microseconds.
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
    struct stat taken {
    };
    return ::lstat(target.constData(), &taken) != 0 && errno == ENOENT
        && ::rename(source.constData(), target.constData()) == 0;
}

bool madeByThisOperation(const Item &copy, const JournalEntry &entry)
{
    const qint64 changedMs = qint64(copy.info.st_ctim.tv_sec) * 1000 + copy.info.st_ctim.tv_nsec / 1000000;
    return copy.isFile() && !entry.destinationExisted && changedMs >= entry.time.toMSecsSinceEpoch() - kClockSlackMs;
}

JournalRecovery bringBack(const Item &aside, const Item &source, const Item &destination, JournalFinding &finding)
{
    if (!source.present && renamedWithoutReplacing(aside, source.path))
        return destination.present ? JournalRecovery::LeftTwice : JournalRecovery::PutBack;
    finding.leftAt = aside.path;
    return JournalRecovery::LeftHidden;
}

// The source was taken aside: the copy or link at the destination either completes the operation or not.
JournalRecovery settleAside(const Item &aside, const Item &source, const Item &destination, JournalFinding &finding)
{
    const bool redundant = aside.sameFile(destination) || sameContentStamp(aside, destination);
    if (redundant && removed(aside))
        return JournalRecovery::Finished;
    return bringBack(aside, source, destination, finding);
}

JournalRecovery settleBoth(const JournalEntry &entry, const Item &source, const Item &destination)
{
    // link() had given the file its new name; only the old one was left to remove.
    if (source.sameFile(destination) && source.info.st_nlink > 1)
        return removed(source) ? JournalRecovery::Finished : JournalRecovery::LeftTwice;
    if (entry.destinationExisted)
        return JournalRecovery::NothingHappened;
    // The source is whole, so a copy the crash interrupted, finished or not, is only in the way.
    if (source.isFile() && madeByThisOperation(destination, entry) && removed(destination))
        return JournalRecovery::CopyRemoved;
    return JournalRecovery::LeftTwice;
}

// A destination that had been there before the operation is someone else's unless it is the source renamed.
bool isTheMovedItem(const Item &destination, const JournalEntry &entry)
{
    return !entry.destinationExisted || quint64(destination.info.st_ino) == entry.before.inode;
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
        finding.recovery = settleAside(aside, source, destination, finding);
    else if (source.present && destination.present)
        finding.recovery = settleBoth(entry, source, destination);
    else if (destination.present)
        finding.recovery = isTheMovedItem(destination, entry) ? JournalRecovery::Finished : JournalRecovery::Missing;
    else if (!source.present)
        finding.recovery = JournalRecovery::Missing;
    return finding;
}
