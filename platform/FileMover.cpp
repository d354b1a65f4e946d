// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileMover.h"
#include "core/Logging.h"
#include "platform/ExtendedAttributes.h"
#include "platform/PartFiles.h"
#include "platform/TargetFilesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <optional>
#include <utility>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

using Ability = CFileMover::Ability;
using Abilities = CFileMover::Abilities;

constexpr qint64 kReportEvery = qint64(1) << 20;
// Small enough to stay in the CPU cache: 1 MiB blocks copied at half the speed.
constexpr qint64 kBlock = qint64(128) << 10;
constexpr qsizetype kMaxNameBytes = 255;
constexpr int kNameAttempts = 100;

struct Fd {
    int fd = -1;

    explicit Fd(int descriptor)
        : fd(descriptor)
    {
    }
    Fd(Fd &&other) noexcept
        : fd(std::exchange(other.fd, -1))
    {
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd &operator=(Fd &&) = delete;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    [[nodiscard]] bool isOpen() const
    {
        return fd >= 0;
    }
};

// One move, with the paths already encoded the way the kernel sees them.
struct Job {
    QByteArray source;
    QByteArray sourceParent;
    QByteArray sourceName;
    QByteArray folder;
    QByteArray destination;
    QByteArray name;
    struct stat sourceStat {
    };
    bool sourceIsFolder = false;
    bool sourceIsHidden = false; ///< the source is under one of our hidden names, which nobody else knows
    QByteArray owner; ///< the running program's token, which the names it takes items aside under carry
    IMoveProgress *progress = nullptr;
    Abilities doWithout;
    MoveResult report;
};

QString systemText(int err)
{
    const char *text = ::strerrordesc_np(err);
    return text ? QString::fromUtf8(text) : u"error %1"_s.arg(err);
}

bool exists(const QByteArray &path)
{
    struct stat st {
    };
    return ::lstat(path.constData(), &st) == 0;
}

bool sameInode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The same file with the same content; a rename moves its change time, so that is not compared here.
bool sameVersion(const struct stat &now, const struct stat &before)
{
    return sameInode(now, before) && now.st_size == before.st_size && sameTime(now.st_mtim, before.st_mtim);
}

bool unchanged(const struct stat &now, const struct stat &before)
{
    return sameVersion(now, before) && sameTime(now.st_ctim, before.st_ctim);
}

QByteArray hiddenName(const QByteArray &suffix)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = ".plindor-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
    return name + suffix;
}

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
}

bool targetInsideSource(const Job &job)
{
    if (!job.sourceIsFolder)
        return false;
    const QString source = QFileInfo(QFile::decodeName(job.source)).canonicalFilePath();
    const QString target = QFileInfo(QFile::decodeName(job.folder)).canonicalFilePath();
    if (source.isEmpty() || target.isEmpty())
        return false;
    return target == source || target.startsWith(source.endsWith(u'/') ? source : source + u'/');
}

MoveResult failed(const Job &job, MoveError error, const QString &detail = {})
{
    return { error, job.report.destination, detail, {} };
}

MoveError errorFor(const Job &job, int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return MoveError::PermissionDenied;
    case EROFS:
        return MoveError::ReadOnlyFilesystem;
    case ENOSPC:
    case EDQUOT:
        return MoveError::NoSpace;
    case ENAMETOOLONG:
        return MoveError::NameTooLong;
    case EFBIG:
        return MoveError::FileTooLarge;
    case EEXIST:
    case ENOTEMPTY:
        return MoveError::DestinationExists;
    case ECANCELED:
        return MoveError::Cancelled;
    case ENOENT:
        return exists(job.source) ? MoveError::TargetFolderMissing : MoveError::SourceMissing;
    case ENOTDIR:
        return exists(job.source) ? MoveError::TargetNotFolder : MoveError::SourceMissing;
    case EINVAL:
        return targetInsideSource(job) ? MoveError::IntoItself : MoveError::IoError;
    default:
        return MoveError::IoError;
    }
}

MoveResult failure(const Job &job, int err)
{
    return failed(job, errorFor(job, err), systemText(err));
}

bool linkUnsupported(int err)
{
    return err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK;
}

bool attributeUnsupported(int err)
{
    return err == EPERM || err == EOPNOTSUPP || err == ENOSYS;
}

// For our own random hidden names only. Where the file system cannot refuse an existing name in a rename, the test
// just before it leaves a window of microseconds: harmless for a name nobody else knows.
int checkThenRename(const QByteArray &from, const QByteArray &to)
{
    struct stat st {
    };
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

constexpr int kNoReplaceMissing = -1;

// 0, the errno of the refusal, or kNoReplaceMissing where the file system has no RENAME_NOREPLACE (FUSE answers
// EINVAL for the flag).
int renameNoReplace(const QByteArray &from, const QByteArray &to, Abilities doWithout)
{
    if (doWithout.testFlag(Ability::NoReplaceRename))
        return kNoReplaceMissing;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno == EINVAL || errno == ENOSYS ? kNoReplaceMissing : errno;
}

int renameToUnusedName(const QByteArray &from, const QByteArray &to, Abilities doWithout)
{
    const int err = renameNoReplace(from, to, doWithout);
    return err != kNoReplaceMissing ? err : checkThenRename(from, to);
}

// A folder cannot replace a file, nor a folder that holds anything: reserving the name as an empty folder first
// leaves nothing of another program's that the rename could replace.
int renameFolderOverReservation(const QByteArray &from, const QByteArray &to)
{
    if (::mkdir(to.constData(), 0700) != 0)
        return errno;
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    const int err = errno;
    if (::rmdir(to.constData()) != 0)
        return EEXIST; // another program put something into the reserved folder
    // Some drivers refuse to replace any folder; then only the test before the rename is left.
    return err == EEXIST || err == ENOTEMPTY ? checkThenRename(from, to) : err;
}

QByteArray siblingName(const QByteArray &path, const QByteArray &suffix)
{
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + hiddenName(suffix);
}

// Takes the source out of other programs' way under a private name in its own folder, so that only the file that
// was copied or linked is ever removed: an editor that saves by renaming a new version over the old name puts it
// beside ours, not into our hands. The name carries this program's token: a start that settles another program's
// crash must not take an item this one is still moving for that program's.
int takeAside(const Job &job, QByteArray &aside)
{
    int err = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && err == EEXIST; ++attempt) {
        aside = siblingName(job.source, '-' + job.owner + ".moving");
        err = renameToUnusedName(job.source, aside, job.doWithout);
    }
    return err;
}

MoveResult copyThenRetire(const Job &job);

// Where the file system refuses an existing name neither in a rename nor by link(), a file goes back as a copy
// written into its old name created exclusively: rename() would replace what another program saved there meanwhile.
// Returns where the item is now.
QByteArray copyBack(const Job &job, const QByteArray &aside)
{
    Job back;
    back.source = aside;
    back.sourceParent = job.sourceParent;
    back.sourceName = aside.mid(aside.lastIndexOf('/') + 1);
    back.folder = job.sourceParent;
    back.name = job.sourceName;
    back.destination = job.source;
    back.sourceIsHidden = true;
    back.owner = job.owner;
    back.doWithout = job.doWithout | Ability::NoReplaceRename | Ability::HardLinks | Ability::UnnamedTempFiles;
    back.report.destination = QFile::decodeName(job.source);
    if (::lstat(aside.constData(), &back.sourceStat) != 0)
        return aside;
    const MoveResult result = copyThenRetire(back);
    if (result.ok())
        return job.source;
    return result.leftAt.isEmpty() ? aside : QFile::encodeName(result.leftAt);
}

// Puts an item back under its old name, a name other programs may use, and returns where the item is now. Where the
// file system has no RENAME_NOREPLACE, link() refuses an existing name, and without links so does a new file.
QByteArray putBack(const Job &job, const QByteArray &aside)
{
    if (job.sourceIsHidden)
        return renameToUnusedName(aside, job.source, job.doWithout) == 0 ? job.source : aside;
    if (const int err = renameNoReplace(aside, job.source, job.doWithout); err != kNoReplaceMissing)
        return err == 0 ? job.source : aside;
    if (job.sourceIsFolder)
        return renameFolderOverReservation(aside, job.source) == 0 ? job.source : aside;
    if (!job.doWithout.testFlag(Ability::HardLinks)) {
        if (::link(aside.constData(), job.source.constData()) == 0)
            return ::unlink(aside.constData()) == 0 ? job.source : aside;
        if (!linkUnsupported(errno))
            return aside;
    }
    return copyBack(job, aside);
}

MoveResult putBackOrSay(const Job &job, const QByteArray &aside, MoveResult result)
{
    if (const QByteArray now = putBack(job, aside); now != job.source) {
        result.leftAt = QFile::decodeName(now);
        qCInfo(lcFileOps) << "could not put" << result.leftAt << "back as" << QFile::decodeName(job.source);
    }
    return result;
}

// Removes the destination name if it still is what this move put there.
void unpublish(const Job &job, const struct stat &published)
{
    struct stat now {
    };
    if (::lstat(job.destination.constData(), &now) == 0 && sameInode(now, published))
        ::unlink(job.destination.constData());
}

// fsync() of a folder that the file system cannot sync is no failure: there is nothing more to wait for.
int syncFolder(int folder)
{
    if (::fsync(folder) == 0 || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
        return 0;
    return errno;
}

int syncFolder(const QByteArray &folder)
{
    const Fd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.isOpen() ? syncFolder(fd.fd) : errno;
}

enum class Look { Published, Changed, Unanswered };

// Another program may have deleted or replaced what this move put at the destination (a copy written into its final
// name is there from the start), or written into it. The source may go only while the destination shows it whole. A
// look that fails (an I/O error) tells nothing: the destination is then neither ours nor someone else's.
Look lookAtPublished(const Job &job, const struct stat &published, int *err)
{
    struct stat now {
    };
    if (::lstat(job.destination.constData(), &now) != 0) {
        *err = errno;
        return errno == ENOENT ? Look::Changed : Look::Unanswered;
    }
    return sameInode(now, published) && now.st_size == published.st_size ? Look::Published : Look::Changed;
}

MoveResult removeAside(const Job &job, const QByteArray &aside)
{
    if (::unlink(aside.constData()) != 0)
        return failure(job, errno);
    // The removal reaches the disk before the caller records the move as done: a power cut then leaves the item at
    // both names at worst, never at neither. Too late to undo, so a failure here is only logged.
    if (const int err = syncFolder(job.sourceParent); err != 0)
        qCWarning(lcFileOps) << "removal of" << QFile::decodeName(job.source) << "not synced:" << systemText(err);
    return job.report;
}

// The destination shows the item (`published`: a link to it or a complete copy of `original`); now the old name
// goes, but only if it still is the file that was linked or copied.
MoveResult retireSource(const Job &job, const struct stat &original, const struct stat &published, bool copied)
{
    QByteArray aside;
    if (const int err = takeAside(job, aside); err != 0) {
        unpublish(job, published);
        return failure(job, err);
    }
    struct stat now {
    };
    const bool same
        = ::lstat(aside.constData(), &now) == 0 && (copied ? sameVersion(now, original) : sameInode(now, original));
    if (!same) {
        // A new version took the old name before we took it aside. It stays there, and the destination goes: the
        // folders look as if the move had never started.
        unpublish(job, published);
        return putBackOrSay(job, aside, failed(job, MoveError::SourceChanged, u"the file was replaced meanwhile"_s));
    }
    // What is at the destination now is someone else's, or was written into by someone else: it stays.
    int lookError = 0;
    switch (lookAtPublished(job, published, &lookError)) {
    case Look::Published:
        break;
    case Look::Changed:
        return putBackOrSay(job, aside, failed(job, MoveError::IoError, u"the destination changed meanwhile"_s));
    case Look::Unanswered: {
        // Unproven, the move does not go on: the source goes back, and then our copy goes, if it still is ours, so
        // that the item is not left at both names.
        const MoveResult back = putBackOrSay(job, aside, failure(job, lookError));
        if (back.leftAt.isEmpty())
            unpublish(job, published);
        return back;
    }
    }
    const MoveResult result = removeAside(job, aside);
    if (result.ok())
        return result;
    // The source has left its name, and what became of it only the folder tells: the copy at the destination may be
    // the only one left, so it stays whatever happens here.
    if (!exists(aside)) {
        qCWarning(lcFileOps) << "the source" << QFile::decodeName(job.source) << "went before it was removed;"
                             << "the item is at" << job.report.destination;
        return job.report;
    }
    return putBackOrSay(job, aside, failed(job, MoveError::SourceNotRemoved, result.detail));
}

QByteArray linkTarget(const QByteArray &path)
{
    QByteArray target(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return {};
        if (length < target.size())
            return target.left(length);
        target.resize(target.size() * 2);
    }
}

// A link is recreated, never followed: moving a link must not move or copy what it points to.
MoveResult recreateLink(const Job &job)
{
    const QByteArray target = linkTarget(job.source);
    if (target.isEmpty() || ::symlink(target.constData(), job.destination.constData()) != 0)
        return failure(job, errno);
    const timespec times[2] = { job.sourceStat.st_atim, job.sourceStat.st_mtim };
    ::utimensat(AT_FDCWD, job.destination.constData(), times, AT_SYMLINK_NOFOLLOW);
    struct stat published {
    };
    if (::lstat(job.destination.constData(), &published) != 0)
        return failure(job, errno);
    return retireSource(job, job.sourceStat, published, false);
}

// Where the copy is written until it shows under its name.
enum class Landing {
    Unnamed, ///< O_TMPFILE: never seen half written, gone by itself if the program dies
    PartFile, ///< a hidden part file, published with link(), which refuses an existing name
    Reserved, ///< the destination itself, created exclusively: without links, no other name can be published safely
};

struct CopyTarget {
    Fd file;
    Landing landing = Landing::Unnamed;
    QByteArray partName;
    QByteArray probeLeft; ///< a part file made to learn that links fail, which could not be removed at once
};

bool hasHardLinks(int folder, const QByteArray &name)
{
    const QByteArray probe = name + ".link";
    if (::linkat(folder, name.constData(), folder, probe.constData(), 0) == 0) {
        ::unlinkat(folder, probe.constData(), 0);
        return true;
    }
    return !linkUnsupported(errno);
}

// A copy killed halfway leaves its part file behind where no unnamed files exist; the next copy into the same
// folder removes it.
Fd createPartFile(const Job &job, int folder, QByteArray &name)
{
    CPartFiles::removeStale(QFile::decodeName(job.folder));
    return Fd(CPartFiles::create(folder, name));
}

CopyTarget openCopyTarget(const Job &job, int folder)
{
    // An unnamed file is published with a link, so a file system without links has none.
    if (!job.doWithout.testFlag(Ability::UnnamedTempFiles) && !job.doWithout.testFlag(Ability::HardLinks)) {
        Fd file(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (file.isOpen() || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return { std::move(file), Landing::Unnamed, {}, {} };
    }
    if (!job.doWithout.testFlag(Ability::HardLinks)) {
        QByteArray name;
        Fd file = createPartFile(job, folder, name);
        if (!file.isOpen() || hasHardLinks(folder, name))
            return { std::move(file), Landing::PartFile, name, {} };
        if (::unlinkat(folder, name.constData(), 0) == 0)
            name.clear();
        Fd reserved(::openat(folder, job.name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
        return { std::move(reserved), Landing::Reserved, {}, name };
    }
    Fd file(::openat(folder, job.name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
    return { std::move(file), Landing::Reserved, {}, {} };
}

ssize_t readThenWrite(int in, int out, size_t length, QByteArray &buffer)
{
    if (buffer.isEmpty())
        buffer.resize(kBlock);
    ssize_t got = 0;
    do
        got = ::read(in, buffer.data(), std::min(length, size_t(buffer.size())));
    while (got < 0 && errno == EINTR);
    for (ssize_t written = 0; got > 0 && written < got;) {
        const ssize_t n = ::write(out, buffer.constData() + written, size_t(got - written));
        if (n < 0 && errno != EINTR)
            return -1;
        written += std::max<ssize_t>(n, 0);
    }
    return got;
}

bool rangeCopyUnsupported(int err)
{
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF;
}

struct CopyState {
    bool useRange = true;
    QByteArray buffer;
    qint64 done = 0; ///< how far into the file the copy has come, holes included
    qint64 reported = 0;
};

// Copies `length` bytes from the two files' offsets, or everything to the end of the source when `length` is
// negative.
MoveResult copyRun(const Job &job, int in, int out, qint64 length, CopyState &state)
{
    while (length != 0) {
        const qint64 wanted = length < 0 ? kReportEvery : std::min(kReportEvery, length);
        ssize_t n = -1;
        if (state.useRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(wanted), 0);
            state.useRange = n > 0 || (n < 0 && !rangeCopyUnsupported(errno));
        }
        if (!state.useRange)
            n = readThenWrite(in, out, size_t(std::min(wanted, kBlock)), state.buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(job, errno);
        if (n == 0)
            break;
        state.done += n;
        length = length < 0 ? length : length - n;
        if (state.done - state.reported < kReportEvery)
            continue;
        state.reported = state.done;
        if (job.progress && !job.progress->copied(state.done, std::max<qint64>(state.done, job.sourceStat.st_size)))
            return failed(job, MoveError::Cancelled);
    }
    return job.report;
}

// True when the source has holes before its end, which a copy of every byte would fill with zeros on the target.
bool hasHoles(const Job &job, int in)
{
    const struct stat &st = job.sourceStat;
    if (st.st_size <= 0 || qint64(st.st_blocks) * 512 >= st.st_size)
        return false;
    const off_t hole = ::lseek(in, 0, SEEK_HOLE);
    ::lseek(in, 0, SEEK_SET);
    return hole >= 0 && hole < st.st_size;
}

// A sparse file (a disk image, a download being filled) is copied extent by extent, so that its holes stay holes and
// it takes no more room on the target than on the source.
MoveResult copyExtents(const Job &job, int in, int out, CopyState &state)
{
    const off_t size = job.sourceStat.st_size;
    for (off_t at = 0; at < size;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        const off_t hole = data < 0 ? -1 : ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || ::lseek(in, data, SEEK_SET) < 0 || ::lseek(out, data, SEEK_SET) < 0)
            return failure(job, errno);
        state.done = data;
        if (const MoveResult result = copyRun(job, in, out, hole - data, state); !result.ok())
            return result;
        at = hole;
    }
    if (::ftruncate(out, size) != 0)
        return failure(job, errno);
    state.done = std::max<qint64>(state.done, size);
    return job.report;
}

// Copies to the end of the file, whatever its size said: FUSE bridges with direct I/O report 0 for files they
// cannot size in advance, and copy_file_range() trusts that size, so its end is confirmed with read().
MoveResult copyContents(const Job &job, int in, int out)
{
    CopyState state;
    state.useRange = !job.doWithout.testFlag(Ability::CopyFileRange);
    const MoveResult result = hasHoles(job, in) ? copyExtents(job, in, out, state) : copyRun(job, in, out, -1, state);
    if (!result.ok())
        return result;
    if (job.progress && state.reported != state.done && !job.progress->copied(state.done, state.done))
        return failed(job, MoveError::Cancelled);
    if (state.done < job.sourceStat.st_size)
        return failed(job, MoveError::SourceChanged, u"the file became shorter during the copy"_s);
    return job.report;
}

// Like mv: owner, mode, extended attributes, ACLs and times are kept where the target can store them, and what it
// cannot store (a FAT stick's owner and modes, say) does not stop the move.
MoveResult keepAttributes(const Job &job, int in, int out)
{
    const struct stat &st = job.sourceStat;
    if (::fchown(out, st.st_uid, st.st_gid) != 0) {
        const int err = errno;
        if (::geteuid() == 0) // only root may give a file away; others' copies belong to them, as with mv
            qCInfo(lcFileOps) << "owner not kept:" << systemText(err);
    }
    if (::fchmod(out, st.st_mode & 07777) != 0) {
        const int err = errno;
        if (!attributeUnsupported(err))
            return failure(job, err);
        qCInfo(lcFileOps) << "mode not kept:" << systemText(err);
    }
    int writeError = 0;
    for (const QByteArray &name : CExtendedAttributes::copy(in, out, st.st_mode, &writeError))
        qCInfo(lcFileOps) << "extended attribute not kept:" << name;
    if (writeError != 0)
        return failure(job, writeError);
    const timespec times[2] = { st.st_atim, st.st_mtim };
    if (::futimens(out, times) != 0) {
        const int err = errno;
        if (!attributeUnsupported(err))
            return failure(job, err);
        qCInfo(lcFileOps) << "times not kept:" << systemText(err);
    }
    return job.report;
}

MoveResult checkSourceUnchanged(const Job &job, int in, struct stat &opened)
{
    if (::fstat(in, &opened) != 0 || !unchanged(opened, job.sourceStat))
        return failed(job, MoveError::SourceChanged, u"the file was changed while it was copied"_s);
    return job.report;
}

// `written` is the copy as complete, `original` the source as copied.
MoveResult fillCopy(const Job &job, int in, int out, struct stat &written, struct stat &original)
{
    if (const MoveResult result = copyContents(job, in, out); !result.ok())
        return result;
    if (const MoveResult result = keepAttributes(job, in, out); !result.ok())
        return result;
    // Taken while the copy still has its own name: some FUSE drivers cannot fstat a file whose first name is gone.
    if (::fsync(out) != 0 || ::fstat(out, &written) != 0)
        return failure(job, errno);
    return checkSourceUnchanged(job, in, original);
}

int publish(const Job &job, int folder, const CopyTarget &target)
{
    // Already under its name; retireSource() checks that it still is before the source goes.
    if (target.landing == Landing::Reserved)
        return 0;
    if (target.landing == Landing::PartFile) {
        if (::linkat(folder, target.partName.constData(), folder, job.name.constData(), 0) != 0)
            return errno;
        ::unlinkat(folder, target.partName.constData(), 0);
        return 0;
    }
    if (::linkat(target.file.fd, "", folder, job.name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM)
        return errno;
    // AT_EMPTY_PATH needs CAP_DAC_READ_SEARCH; the /proc link of the descriptor works for everyone.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(target.file.fd);
    return ::linkat(AT_FDCWD, self.constData(), folder, job.name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// Tells which file the copy is, for the journal to record before the copy shows under its name.
MoveResult told(const Job &job, int copy)
{
    struct stat st {
    };
    if (::fstat(copy, &st) != 0)
        return failure(job, errno);
    if (job.progress && !job.progress->copyMade(quint64(st.st_dev), quint64(st.st_ino)))
        return failed(job, MoveError::IoError, u"the copy could not be recorded"_s);
    return job.report;
}

void discard(const Job &job, int folder, const CopyTarget &target)
{
    struct stat written {
    };
    if (target.landing == Landing::PartFile)
        ::unlinkat(folder, target.partName.constData(), 0);
    else if (target.landing == Landing::Reserved && ::fstat(target.file.fd, &written) == 0)
        unpublish(job, written);
}

// One complete copy exists at every moment: the source goes only after the copy shows under its name, and only if
// it still is the file that was copied. Whatever fails first, the copy goes and the source stays. A power cut must
// not undo these steps out of order, so each reaches the disk before the next: the copy's data, then the folder
// with its new name, then (in retireSource) the source's removal.
MoveResult copyThenRetire(const Job &job)
{
    // Refused before anything is written: a copy that stops at the disk's limit leaves nothing worth having.
    if (const qint64 limit = CTargetFilesystem::maxFileSize(job.folder); limit > 0 && job.sourceStat.st_size > limit)
        return failed(job, MoveError::FileTooLarge, u"the target stores files of at most %1 bytes"_s.arg(limit));
    // O_NOFOLLOW: a link swapped in since the lstat must not make us copy (and then delete) something else.
    const Fd in(::open(job.source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.isOpen())
        return failure(job, errno);
    const Fd folder(::open(job.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return failure(job, errno);
    const CopyTarget target = openCopyTarget(job, folder.fd);
    // Whatever comes of the copy, the probe goes: once more, now that a passing error may have passed.
    const auto removeProbe = qScopeGuard([&] {
        if (!target.probeLeft.isEmpty())
            ::unlinkat(folder.fd, target.probeLeft.constData(), 0);
    });
    if (!target.file.isOpen())
        return failure(job, errno);
    struct stat published {
    };
    struct stat original {
    };
    // A copy written into its name shows there from the start: it is told before any byte is written.
    MoveResult result = target.landing == Landing::Reserved ? told(job, target.file.fd) : job.report;
    if (result.ok())
        result = fillCopy(job, in.fd, target.file.fd, published, original);
    if (result.ok() && target.landing != Landing::Reserved)
        result = told(job, target.file.fd);
    if (result.ok()) {
        if (const int err = publish(job, folder.fd, target); err != 0)
            result = failure(job, err);
    }
    if (!result.ok()) {
        discard(job, folder.fd, target);
        return result;
    }
    // The new name must be on disk before the old file goes, or a power cut could leave neither.
    if (const int err = syncFolder(folder.fd); err != 0) {
        result = failure(job, err);
        // Published but not known to be on disk: the source stays, so the copy must not stay beside it.
        unpublish(job, published);
        discard(job, folder.fd, target);
        return result;
    }
    return retireSource(job, original, published, true);
}

MoveResult moveAcross(const Job &job)
{
    const auto type = job.sourceStat.st_mode & S_IFMT;
    if (type == S_IFDIR)
        return failed(job, MoveError::FolderAcrossFilesystems);
    if (exists(job.destination))
        return failed(job, MoveError::DestinationExists);
    // The source is removed last; learn now, not after copying gigabytes, whether that will be allowed.
    if (::faccessat(AT_FDCWD, job.sourceParent.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return failure(job, errno);
    if (type == S_IFLNK)
        return recreateLink(job);
    if (type == S_IFREG)
        return copyThenRetire(job);
    return failed(job, MoveError::IoError, u"only files, links and folders can go to another file system"_s);
}

bool sameFolder(const QByteArray &a, const QByteArray &b)
{
    struct stat first {
    };
    struct stat second {
    };
    return ::stat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0 && sameInode(first, second);
}

QString folded(const QByteArray &name)
{
    return QFile::decodeName(name).normalized(QString::NormalizationForm_D).toCaseFolded();
}

// FUSE drivers may number one file differently under each spelling, so the inode alone does not tell.
bool looksLikeSource(const struct stat &target, const struct stat &source)
{
    if (target.st_dev != source.st_dev || target.st_mode != source.st_mode)
        return false;
    return target.st_ino == source.st_ino
        || (target.st_size == source.st_size && sameTime(target.st_mtim, source.st_mtim));
}

// True when the folder holds no entry spelt exactly `name` and the source is the one entry equal to it but for case.
bool onlySourceAnswersTo(const Job &job)
{
    DIR *dir = ::opendir(job.folder.constData());
    if (!dir)
        return false;
    const QString wanted = folded(job.name);
    bool sourceSeen = false;
    bool otherSeen = false;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray entryName(entry->d_name);
        if (entryName == job.sourceName)
            sourceSeen = true;
        else if (entryName == job.name || folded(entryName) == wanted)
            otherSeen = true;
    }
    ::closedir(dir);
    return sourceSeen && !otherSeen;
}

// A case-insensitive file system reports "A.txt" as taken by "a.txt" itself. A hard link named "A.txt" has the same
// inode too, but it is an entry of its own that the folder listing shows under exactly that name.
bool isCaseOnlyRename(const Job &job)
{
    if (job.sourceName == job.name || folded(job.sourceName) != folded(job.name))
        return false;
    struct stat target {
    };
    if (::lstat(job.destination.constData(), &target) != 0 || !looksLikeSource(target, job.sourceStat))
        return false;
    return sameFolder(job.sourceParent, job.folder) && onlySourceAnswersTo(job);
}

MoveResult moveItem(const Job &job);

// A case-only rename on a case-insensitive file system goes through a hidden name, since the kernel treats the old
// and the new spelling as one entry. If it cannot be finished or undone, the result says where the item is.
MoveResult renameThroughTemporary(const Job &job)
{
    QByteArray temporary;
    if (const int err = takeAside(job, temporary); err != 0)
        return failure(job, err);
    Job step = job;
    step.source = temporary;
    step.sourceName = temporary.mid(temporary.lastIndexOf('/') + 1);
    ::lstat(temporary.constData(), &step.sourceStat);
    MoveResult result = moveItem(step);
    if (result.ok() || !result.leftAt.isEmpty())
        return result;
    return putBackOrSay(job, temporary, result);
}

MoveResult afterRefusal(const Job &job, int err)
{
    if (err == EEXIST && isCaseOnlyRename(job))
        return renameThroughTemporary(job);
    if (err == EXDEV)
        return moveAcross(job);
    return failure(job, err);
}

// A new name that link() refuses to take is never replaced; the old name goes only if it still is the same file.
MoveResult retireLinked(const Job &job)
{
    struct stat linked {
    };
    if (::lstat(job.destination.constData(), &linked) != 0)
        return failure(job, errno);
    if (!sameInode(linked, job.sourceStat)) {
        unpublish(job, linked);
        return failed(job, MoveError::SourceChanged, u"the file was replaced meanwhile"_s);
    }
    return retireSource(job, linked, linked, false);
}

// FUSE drivers of USB sticks have no RENAME_NOREPLACE, and rename() replaces whatever holds the new name, even a
// file another program created a microsecond after we looked. So a file gets its new name from link() where there
// are links, and otherwise as a copy written into the new name created exclusively.
MoveResult fileWithoutNoReplace(const Job &job)
{
    if (!job.doWithout.testFlag(Ability::HardLinks)) {
        if (::link(job.source.constData(), job.destination.constData()) == 0)
            return retireLinked(job);
        if (const int err = errno; !linkUnsupported(err))
            return afterRefusal(job, err);
    }
    if (exists(job.destination))
        return afterRefusal(job, EEXIST);
    if (S_ISLNK(job.sourceStat.st_mode))
        return recreateLink(job); // symlink() refuses an existing name
    if (S_ISREG(job.sourceStat.st_mode))
        return copyThenRetire(job);
    return failed(job, MoveError::IoError, u"this file system can move only files, links and folders"_s);
}

MoveResult moveItem(const Job &job)
{
    if (const int err = renameNoReplace(job.source, job.destination, job.doWithout); err != kNoReplaceMissing)
        return err == 0 ? job.report : afterRefusal(job, err);
    if (!job.sourceIsFolder)
        return fileWithoutNoReplace(job);
    const int err = renameFolderOverReservation(job.source, job.destination);
    return err == 0 ? job.report : afterRefusal(job, err);
}

MoveError nameError(const QString &name)
{
    if (name.isEmpty() || name == "."_L1 || name == ".."_L1 || name.contains(u'/') || name.contains(QChar(0)))
        return MoveError::InvalidName;
    return QFile::encodeName(name).size() > kMaxNameBytes ? MoveError::NameTooLong : MoveError::None;
}

// Absolute, without empty or "." components, but with ".." left for the kernel: folding "link/.." by hand would
// name another file than the one the system opens when "link" is a symbolic link.
QString absoluteNormal(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return path;
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
    QStringList parts = absolute.split(u'/', Qt::SkipEmptyParts);
    parts.removeAll(u"."_s);
    if (!parts.isEmpty() && parts.constLast() == ".."_L1) {
        const QString resolved = QFileInfo(absolute).canonicalFilePath();
        if (!resolved.isEmpty())
            return resolved;
    }
    return u'/' + parts.join(u'/');
}

MoveError pathError(int err)
{
    if (err == EACCES)
        return MoveError::PermissionDenied;
    return err == ENAMETOOLONG ? MoveError::PathTooLong : MoveError::None;
}

MoveError folderError(const QByteArray &folder)
{
    struct stat st {
    };
    if (folder.isEmpty() || folder.contains('\0'))
        return MoveError::TargetFolderMissing;
    if (::stat(folder.constData(), &st) != 0) {
        const MoveError error = pathError(errno);
        return error == MoveError::None ? MoveError::TargetFolderMissing : error;
    }
    return S_ISDIR(st.st_mode) ? MoveError::None : MoveError::TargetNotFolder;
}

MoveError sourceError(Job &job)
{
    if (job.source.isEmpty() || job.source.contains('\0'))
        return MoveError::SourceMissing;
    if (::lstat(job.source.constData(), &job.sourceStat) != 0) {
        const MoveError error = pathError(errno);
        return error == MoveError::None ? MoveError::SourceMissing : error;
    }
    job.sourceIsFolder = S_ISDIR(job.sourceStat.st_mode);
    return MoveError::None;
}

bool isSameEntry(const Job &job)
{
    if (job.source == job.destination)
        return true;
    const QString parent = QFileInfo(QFile::decodeName(job.sourceParent)).canonicalFilePath();
    const QString folder = QFileInfo(QFile::decodeName(job.folder)).canonicalFilePath();
    return job.sourceName == job.name && !parent.isEmpty() && parent == folder;
}

// A FAT driver has been seen to delete a file renamed to "x:y": such names are refused before any system call.
MoveError targetNameError(const Job &job, const QString &newName)
{
    if (job.destination.size() >= PATH_MAX)
        return MoveError::PathTooLong;
    const bool forbidden = !CTargetFilesystem::firstWindowsForbidden(newName).isNull();
    return forbidden && CTargetFilesystem::usesWindowsNames(job.folder) ? MoveError::UnsupportedName : MoveError::None;
}

MoveError preconditionError(Job &job, const QString &newName)
{
    if (const MoveError error = nameError(newName); error != MoveError::None)
        return error;
    if (const MoveError error = folderError(job.folder); error != MoveError::None)
        return error;
    if (const MoveError error = targetNameError(job, newName); error != MoveError::None)
        return error;
    if (const MoveError error = sourceError(job); error != MoveError::None)
        return error;
    if (isSameEntry(job))
        return MoveError::SameFile;
    return targetInsideSource(job) ? MoveError::IntoItself : MoveError::None;
}

Job makeJob(const QString &source, const QString &targetDir, const QString &newName)
{
    Job job;
    const QString cleanSource = absoluteNormal(source);
    const QString folder = absoluteNormal(targetDir);
    const qsizetype slash = cleanSource.lastIndexOf(u'/');
    job.source = QFile::encodeName(cleanSource);
    job.sourceParent = QFile::encodeName(slash > 0 ? cleanSource.left(slash) : u"/"_s);
    job.sourceName = QFile::encodeName(cleanSource.mid(slash + 1));
    job.folder = QFile::encodeName(folder);
    job.name = QFile::encodeName(newName);
    job.destination = joined(job.folder, job.name);
    job.report.destination = folder.endsWith(u'/') ? QString(folder + newName) : QString(folder + u'/' + newName);
    return job;
}

} // namespace

namespace
{
// The mount a path is on: a bind mount shows the same device as the mount it repeats, yet rename(2) between the two
// fails with EXDEV and the move becomes a copy.
std::optional<std::pair<quint64, dev_t>> mountOf(const QByteArray &path)
{
    struct statx info {
    };
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &info) != 0
        || (info.stx_mask & STATX_MNT_ID) == 0)
        return std::nullopt;
    return std::pair { quint64(info.stx_mnt_id), makedev(info.stx_dev_major, info.stx_dev_minor) };
}
} // namespace

namespace
{
// A mover without an owner still names what it takes aside after a token of its own, which no intent carries: such
// an item is never taken for a crash's leftover while this program runs.
QByteArray ownerTag(const QString &owner)
{
    static const QByteArray own = []() -> QByteArray {
        quint64 words[2];
        QRandomGenerator::system()->fillRange(words);
        return QByteArray::number(words[0], 16).rightJustified(16, '0')
            + QByteArray::number(words[1], 16).rightJustified(16, '0');
    }();
    return owner.isEmpty() ? own : QFile::encodeName(owner);
}
} // namespace

bool CFileMover::isSingleRename(const QString &source, const QString &targetDir, const QString &newName,
                                Abilities doWithout)
{
    if (doWithout.testFlag(Ability::NoReplaceRename))
        return false;
    const Job job = makeJob(source, targetDir, newName);
    // The names first: only a case-only rename needs the folders looked at.
    if (QString::compare(QFile::decodeName(job.sourceName), newName, Qt::CaseInsensitive) == 0
        && sameFolder(job.sourceParent, job.folder))
        return false;
    // A rename in place looks at its folder once.
    const auto from = mountOf(job.sourceParent);
    return from && (job.folder == job.sourceParent || from == mountOf(job.folder))
        && CTargetFilesystem::refusesTakenNames(job.folder);
}

// QFile::rename is no use here: it cuts a name at an embedded NUL, may replace an existing file, and across file
// systems it writes straight into the final name without keeping mode or times.
MoveResult CFileMover::move(const QString &source, const QString &targetDir, const QString &newName,
                            IMoveProgress *progress, Abilities doWithout, const QString &owner)
{
    Job job = makeJob(source, targetDir, newName);
    job.progress = progress;
    job.doWithout = doWithout;
    job.owner = ownerTag(owner);
    if (const MoveError error = preconditionError(job, newName); error != MoveError::None)
        return failed(job, error);
    return moveItem(job);
}
