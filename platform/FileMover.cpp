// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileMover.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <optional>
#include <utility>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

bool unchanged(const struct stat &now, const struct stat &before)
{
    return sameInode(now, before) && now.st_size == before.st_size && sameTime(now.st_mtim, before.st_mtim)
        && sameTime(now.st_ctim, before.st_ctim);
}

QByteArray hiddenName(const char *suffix)
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
    return { error, job.report.destination, detail };
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

// Where the file system cannot refuse an existing name by itself, this test and the rename leave a window of a few
// microseconds in which another program could create `to`, and rename() would then replace it. Only mounts that
// lack both RENAME_NOREPLACE and hard links (FAT or exFAT through FUSE) and folders on such mounts take this path.
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

// link() refuses an existing name atomically; std::nullopt when the file system has no hard links.
std::optional<int> linkThenUnlink(const QByteArray &from, const QByteArray &to, Abilities doWithout)
{
    if (doWithout.testFlag(Ability::HardLinks))
        return std::nullopt;
    if (::link(from.constData(), to.constData()) != 0) {
        const int err = errno;
        if (err == EPERM || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK)
            return std::nullopt;
        return err;
    }
    if (::unlink(from.constData()) == 0)
        return 0;
    const int err = errno;
    ::unlink(to.constData());
    return err;
}

// Returns 0 or the errno of the failure; EEXIST whenever `to` is taken, whatever the file system offers.
int exclusiveRename(const QByteArray &from, const QByteArray &to, bool isFolder, Abilities doWithout)
{
    if (!doWithout.testFlag(Ability::NoReplaceRename)) {
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        // FUSE answers EINVAL for the flag; a folder moved into itself also does, and the fallback repeats that.
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
    }
    if (!isFolder) {
        if (const std::optional<int> linked = linkThenUnlink(from, to, doWithout))
            return *linked;
    }
    return checkThenRename(from, to);
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

MoveResult renameThroughTemporary(const Job &job)
{
    QByteArray temporary;
    int err = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && err == EEXIST; ++attempt) {
        temporary = joined(job.folder, hiddenName(".tmp"));
        err = exclusiveRename(job.source, temporary, job.sourceIsFolder, job.doWithout);
    }
    if (err != 0)
        return failure(job, err);
    err = exclusiveRename(temporary, job.destination, job.sourceIsFolder, job.doWithout);
    if (err == 0)
        return job.report;
    MoveResult result = failure(job, err);
    if (exclusiveRename(temporary, job.source, job.sourceIsFolder, job.doWithout) != 0)
        result.detail += u"; the item is left as "_s + QFile::decodeName(temporary);
    return result;
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
MoveResult moveLinkAcross(const Job &job)
{
    const QByteArray target = linkTarget(job.source);
    if (target.isEmpty() || ::symlink(target.constData(), job.destination.constData()) != 0)
        return failure(job, errno);
    const timespec times[2] = { job.sourceStat.st_atim, job.sourceStat.st_mtim };
    ::utimensat(AT_FDCWD, job.destination.constData(), times, AT_SYMLINK_NOFOLLOW);
    if (::unlink(job.source.constData()) == 0)
        return job.report;
    const int err = errno;
    ::unlink(job.destination.constData());
    return failure(job, err);
}

// The process id a part file's name gives, or 0 when the name is not one of ours.
pid_t partFileOwner(const char *name)
{
    // .plindor-XXXXXX-<pid>.part
    static constexpr std::size_t kPrefix = sizeof(".plindor-XXXXXX-") - 1;
    const QByteArray text(name);
    if (!text.startsWith(".plindor-") || !text.endsWith(".part") || text.size() <= qsizetype(kPrefix + 5)
        || text.at(kPrefix - 1) != '-')
        return 0;
    bool ok = false;
    const qint64 pid = text.mid(kPrefix, text.size() - qsizetype(kPrefix) - 5).toLongLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX ? pid_t(pid) : 0;
}

// A copy killed halfway leaves its part file behind where no unnamed files exist; the next copy into the
// same folder removes the parts whose process is gone. A running copy's part is never touched.
void removeStalePartFiles(int folder)
{
    const int listing = ::dup(folder);
    DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            ::close(listing);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const pid_t owner = partFileOwner(entry->d_name);
        struct stat info {
        };
        if (owner == 0 || (::kill(owner, 0) == 0 || errno != ESRCH))
            continue;
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}

// An unnamed file never shows up half written and vanishes by itself if the program dies during the copy.
Fd createTemporary(int folder, Abilities doWithout, QByteArray &name)
{
    name.clear();
    if (!doWithout.testFlag(Ability::UnnamedTempFiles)) {
        Fd file(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (file.isOpen() || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return file;
    }
    removeStalePartFiles(folder);
    // The owner's process id in the name lets a later copy tell a crashed copy's leftovers from a running one.
    const QByteArray suffix = '-' + QByteArray::number(::getpid()) + ".part";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = hiddenName(suffix.constData());
        Fd file(::openat(folder, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (file.isOpen() || errno != EEXIST) {
            if (!file.isOpen())
                name.clear();
            return file;
        }
    }
    name.clear();
    errno = EEXIST;
    return Fd(-1);
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

MoveResult copyContents(const Job &job, int in, int out)
{
    const qint64 total = job.sourceStat.st_size;
    bool useRange = !job.doWithout.testFlag(Ability::CopyFileRange);
    QByteArray buffer;
    qint64 reported = 0;
    for (qint64 done = 0; done < total;) {
        const auto length = size_t(std::min(useRange ? kReportEvery : kBlock, total - done));
        ssize_t n = -1;
        if (useRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, length, 0);
            useRange = n >= 0 || !rangeCopyUnsupported(errno);
        }
        if (!useRange)
            n = readThenWrite(in, out, length, buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(job, errno);
        if (n == 0)
            return failed(job, MoveError::SourceChanged, u"the file became shorter during the copy"_s);
        done += n;
        if (done - reported < kReportEvery && done < total)
            continue;
        reported = done;
        if (job.progress && !job.progress->copied(done, total))
            return failed(job, MoveError::Cancelled);
    }
    return job.report;
}

// Like mv, owner, group and mode are kept where the target file system can store them (FAT cannot).
MoveResult keepAttributes(const Job &job, int out)
{
    const struct stat &st = job.sourceStat;
    if (::fchown(out, st.st_uid, st.st_gid) != 0) {
        // Only root may give a file away; the copy then belongs to whoever moves it.
    }
    const timespec times[2] = { st.st_atim, st.st_mtim };
    const bool modeKept = ::fchmod(out, st.st_mode & 07777) == 0 || errno == EPERM || errno == EOPNOTSUPP;
    if (!modeKept || (::futimens(out, times) != 0 && errno != EPERM && errno != EOPNOTSUPP))
        return failure(job, errno);
    return job.report;
}

MoveResult checkSourceUnchanged(const Job &job, int in)
{
    struct stat opened {
    };
    struct stat named {
    };
    if (::fstat(in, &opened) != 0 || ::lstat(job.source.constData(), &named) != 0 || !unchanged(opened, job.sourceStat)
        || !unchanged(named, job.sourceStat))
        return failed(job, MoveError::SourceChanged, u"the file was changed while it was copied"_s);
    return job.report;
}

int publish(const Job &job, int folder, int out, const QByteArray &temporaryName)
{
    if (!temporaryName.isEmpty())
        return exclusiveRename(joined(job.folder, temporaryName), job.destination, false, job.doWithout);
    if (::linkat(out, "", folder, job.name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM)
        return errno;
    // AT_EMPTY_PATH needs CAP_DAC_READ_SEARCH; the /proc link of the descriptor works for everyone.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(out);
    return ::linkat(AT_FDCWD, self.constData(), folder, job.name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

MoveResult fillAndPublish(const Job &job, int in, int folder, int out, const QByteArray &temporaryName)
{
    if (const MoveResult result = copyContents(job, in, out); !result.ok())
        return result;
    if (const MoveResult result = keepAttributes(job, out); !result.ok())
        return result;
    if (::fsync(out) != 0)
        return failure(job, errno);
    if (const MoveResult result = checkSourceUnchanged(job, in); !result.ok())
        return result;
    if (const int err = publish(job, folder, out, temporaryName); err != 0)
        return failure(job, err);
    // The new name must be on disk before the old file goes, or a power cut could leave neither.
    const bool synced = ::fsync(folder) == 0 || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
    if (synced && ::unlink(job.source.constData()) == 0)
        return job.report;
    const int err = errno;
    ::unlinkat(folder, job.name.constData(), 0);
    return failure(job, err);
}

// Whatever fails, the temporary goes and the source stays: one complete copy exists at every moment.
MoveResult copyAcross(const Job &job)
{
    // O_NOFOLLOW: a link swapped in since the lstat must not make us copy (and then delete) something else.
    const Fd in(::open(job.source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.isOpen())
        return failure(job, errno);
    const Fd folder(::open(job.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return failure(job, errno);
    QByteArray temporaryName;
    const Fd out = createTemporary(folder.fd, job.doWithout, temporaryName);
    if (!out.isOpen())
        return failure(job, errno);
    const MoveResult result = fillAndPublish(job, in.fd, folder.fd, out.fd, temporaryName);
    if (!result.ok() && !temporaryName.isEmpty())
        ::unlinkat(folder.fd, temporaryName.constData(), 0);
    return result;
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
        return moveLinkAcross(job);
    if (type == S_IFREG)
        return copyAcross(job);
    return failed(job, MoveError::IoError, u"only files, links and folders can go to another file system"_s);
}

MoveError nameError(const QString &name)
{
    if (name.isEmpty() || name == "."_L1 || name == ".."_L1 || name.contains(u'/') || name.contains(QChar(0)))
        return MoveError::InvalidName;
    return QFile::encodeName(name).size() > kMaxNameBytes ? MoveError::NameTooLong : MoveError::None;
}

// A path with NUL stays as it is: every system call would stop at the NUL and act on a shorter path.
QString absoluteClean(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

MoveError folderError(const QByteArray &folder)
{
    struct stat st {
    };
    if (folder.isEmpty() || folder.contains('\0'))
        return MoveError::TargetFolderMissing;
    if (::stat(folder.constData(), &st) != 0)
        return errno == EACCES ? MoveError::PermissionDenied : MoveError::TargetFolderMissing;
    return S_ISDIR(st.st_mode) ? MoveError::None : MoveError::TargetNotFolder;
}

MoveError sourceError(Job &job)
{
    if (job.source.isEmpty() || job.source.contains('\0'))
        return MoveError::SourceMissing;
    if (::lstat(job.source.constData(), &job.sourceStat) != 0)
        return errno == EACCES ? MoveError::PermissionDenied : MoveError::SourceMissing;
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

MoveError preconditionError(Job &job, const QString &newName)
{
    if (const MoveError error = nameError(newName); error != MoveError::None)
        return error;
    if (const MoveError error = folderError(job.folder); error != MoveError::None)
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
    const QString cleanSource = absoluteClean(source);
    const QString folder = absoluteClean(targetDir);
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

// QFile::rename is no use here: it cuts a name at an embedded NUL, may replace an existing file, and across file
// systems it writes straight into the final name without keeping mode or times.
MoveResult CFileMover::move(const QString &source, const QString &targetDir, const QString &newName,
                            IMoveProgress *progress, Abilities doWithout)
{
    Job job = makeJob(source, targetDir, newName);
    job.progress = progress;
    job.doWithout = doWithout;
    if (const MoveError error = preconditionError(job, newName); error != MoveError::None)
        return failed(job, error);
    const int err = exclusiveRename(job.source, job.destination, job.sourceIsFolder, doWithout);
    if (err == 0)
        return job.report;
    if (err == EEXIST && isCaseOnlyRename(job))
        return renameThroughTemporary(job);
    if (err == EXDEV)
        return moveAcross(job);
    return failure(job, err);
}
