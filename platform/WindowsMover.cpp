// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowsMover.h"

#include "core/Logging.h"
#include "core/WindowsNameRules.h"
#include "platform/WindowsPath.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr qsizetype kMaxNameLength = 255;
constexpr int kNameAttempts = 100;
constexpr DWORD kShareAll = CWindowsPath::kShareAll;
// The attributes a copy carries over; the others (compressed, encrypted, sparse) are the target's own business.
constexpr DWORD kCarried = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
    | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

/// Which file a name showed, and which version of it.
struct Identity {
    DWORD volume = 0;
    quint64 index = 0;
    qint64 size = 0;
    qint64 lastWrite = 0;

    [[nodiscard]] bool sameFile(const Identity &other) const
    {
        return volume == other.volume && index == other.index;
    }
    [[nodiscard]] bool sameVersion(const Identity &other) const
    {
        return sameFile(other) && size == other.size && lastWrite == other.lastWrite;
    }
};

// One move, its paths absolute and clean, with Qt's separators.
struct Job {
    QString source;
    QString sourceParent;
    QString sourceName;
    QString folder;
    QString name;
    QString destination;
    DWORD sourceAttributes = 0;
    qint64 sourceSize = 0;
    IMoveProgress *progress = nullptr;
    MoveResult report;
};

std::optional<Identity> identityOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return Identity { info.dwVolumeSerialNumber, quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow,
                      qint64(quint64(info.nFileSizeHigh) << 32 | info.nFileSizeLow),
                      qint64(quint64(info.ftLastWriteTime.dwHighDateTime) << 32 | info.ftLastWriteTime.dwLowDateTime) };
}

std::optional<Identity> identityOf(const QString &path)
{
    const auto item = CWindowsPath::own(CWindowsPath::openItem(path, FILE_READ_ATTRIBUTES, kShareAll));
    return item ? identityOf(item.get()) : std::nullopt;
}

DWORD attributesOf(const QString &path)
{
    return ::GetFileAttributesW(CWindowsPath::extended(path).c_str());
}

bool exists(const QString &path)
{
    if (attributesOf(path) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

/// Attributes through an open handle; Windows takes 0 as "leave them", so none is FILE_ATTRIBUTE_NORMAL.
bool setHandleAttributes(HANDLE handle, DWORD attributes)
{
    FILE_BASIC_INFO basic {};
    basic.FileAttributes = attributes & ~DWORD(FILE_ATTRIBUTE_DIRECTORY) ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
}

void setAttributes(const QString &path, DWORD attributes)
{
    ::SetFileAttributesW(CWindowsPath::extended(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

MoveResult failed(const Job &job, MoveError error, const QString &detail = {})
{
    return { error, job.report.destination, detail, {} };
}

MoveError errorFor(const Job &job, DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return MoveError::PermissionDenied;
    case ERROR_WRITE_PROTECT:
        return MoveError::ReadOnlyFilesystem;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return MoveError::NoSpace;
    case ERROR_FILE_TOO_LARGE:
        return MoveError::FileTooLarge;
    case ERROR_FILENAME_EXCED_RANGE:
        return MoveError::PathTooLong;
    case ERROR_INVALID_NAME:
        return MoveError::UnsupportedName;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
        return MoveError::DestinationExists;
    case ERROR_REQUEST_ABORTED:
        return MoveError::Cancelled;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return exists(job.source) ? MoveError::TargetFolderMissing : MoveError::SourceMissing;
    case ERROR_DIRECTORY:
        return MoveError::TargetNotFolder;
    default:
        return MoveError::IoError;
    }
}

MoveResult failure(const Job &job, DWORD error)
{
    return failed(job, errorFor(job, error), qt_error_string(int(error)));
}

MoveResult lastFailure(const Job &job)
{
    return failure(job, ::GetLastError());
}

bool renameNoReplace(const QString &from, const QString &to)
{
    return ::MoveFileExW(CWindowsPath::extended(from).c_str(), CWindowsPath::extended(to).c_str(), 0);
}

QString hiddenName(const char *suffix)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = u".plindor-"_s;
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return name + QLatin1StringView(suffix);
}

/// Removes the file at `path` if it still is `file`: deleted through a handle that was checked, so that a file another
/// program put under the name meanwhile stays.
bool removeIfSame(const QString &path, const Identity &file)
{
    const auto item = CWindowsPath::own(CWindowsPath::openItem(path, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ));
    const std::optional<Identity> now = item ? identityOf(item.get()) : std::nullopt;
    if (!now || !now->sameFile(file))
        return false;
    FILE_DISPOSITION_INFO dispose { TRUE };
    return ::SetFileInformationByHandle(item.get(), FileDispositionInfo, &dispose, sizeof dispose);
}

/// One report to the progress window, which may cancel.
bool goOn(const Job &job, qint64 done)
{
    return !job.progress || job.progress->copied(done, job.sourceSize);
}

struct CopyContext {
    const Job *job = nullptr;
    bool cancelled = false;
};

DWORD CALLBACK copyProgress(LARGE_INTEGER, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                            HANDLE, LPVOID data)
{
    auto *context = static_cast<CopyContext *>(data);
    if (goOn(*context->job, done.QuadPart))
        return PROGRESS_CONTINUE;
    context->cancelled = true;
    return PROGRESS_CANCEL;
}

qint64 maxFileSize(const QString &folder)
{
    return CWindowsPath::fileSystemOf(folder).startsWith("FAT"_L1) ? CWindowsPath::kFatLimit : 0;
}

/// Copies the source into a new part file in the target folder; returns its path, or empty with `result` set.
QString copyToPart(const Job &job, MoveResult &result)
{
    CopyContext context { &job, false };
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString part = job.folder + u'/' + hiddenName(".part");
        BOOL cancel = FALSE;
        if (::CopyFileExW(CWindowsPath::extended(job.source).c_str(), CWindowsPath::extended(part).c_str(),
                          copyProgress, &context, &cancel, COPY_FILE_FAIL_IF_EXISTS)) {
            setAttributes(part, (job.sourceAttributes & kCarried) | FILE_ATTRIBUTE_HIDDEN);
            return part;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS)
            continue;
        // A copy that failed or was cancelled leaves nothing: the name is ours alone.
        ::DeleteFileW(CWindowsPath::extended(part).c_str());
        result = context.cancelled ? failed(job, MoveError::Cancelled) : failure(job, error);
        return {};
    }
    result = failure(job, ERROR_FILE_EXISTS);
    return {};
}

/// The copy shows under its name; the source goes only if it still is the version that was copied, removed through a
/// handle that shares no writing, so nobody changes it between the check and the removal.
MoveResult retireSource(const Job &job, const Identity &original, const Identity &copy)
{
    const auto source = CWindowsPath::own(
        CWindowsPath::openItem(job.source, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ));
    if (!source) {
        const MoveResult result = lastFailure(job);
        removeIfSame(job.destination, copy);
        return result;
    }
    const std::optional<Identity> now = identityOf(source.get());
    if (!now || !now->sameVersion(original)) {
        removeIfSame(job.destination, copy);
        return failed(job, MoveError::SourceChanged, u"the file was changed meanwhile"_s);
    }
    // A read-only file, as discs, downloads and sync tools leave them, is moved as Explorer moves it: the copy keeps
    // the attribute, and the source loses it only now, just before it goes, and gets it back if it stays.
    const bool readOnly = job.sourceAttributes & FILE_ATTRIBUTE_READONLY;
    if (readOnly && !setHandleAttributes(source.get(), job.sourceAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) {
        const MoveResult result = lastFailure(job);
        removeIfSame(job.destination, copy);
        return result;
    }
    FILE_DISPOSITION_INFO dispose { TRUE };
    if (!::SetFileInformationByHandle(source.get(), FileDispositionInfo, &dispose, sizeof dispose)) {
        const MoveResult result = lastFailure(job);
        if (readOnly)
            setHandleAttributes(source.get(), job.sourceAttributes);
        removeIfSame(job.destination, copy);
        return result;
    }
    return job.report;
}

/// One complete copy exists at every moment: the copy shows under its name before the source goes, and whatever
/// fails first, the copy goes and the source stays.
MoveResult moveAcross(const Job &job)
{
    if (job.sourceAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return failed(job, MoveError::FolderAcrossFilesystems);
    if (exists(job.destination))
        return failed(job, MoveError::DestinationExists);
    if (const qint64 limit = maxFileSize(job.folder); limit > 0 && job.sourceSize > limit)
        return failed(job, MoveError::FileTooLarge, u"the target stores files of at most %1 bytes"_s.arg(limit));
    const std::optional<Identity> original = identityOf(job.source);
    if (!original)
        return lastFailure(job);
    if (!goOn(job, 0))
        return failed(job, MoveError::Cancelled);
    MoveResult result;
    const QString part = copyToPart(job, result);
    if (part.isEmpty())
        return result;
    const std::optional<Identity> copy = identityOf(part);
    // The last word before the copy is published: the copy is whole, and cancelling still leaves nothing behind.
    if (!copy || !goOn(job, job.sourceSize)) {
        result = copy ? failed(job, MoveError::Cancelled) : lastFailure(job);
        ::DeleteFileW(CWindowsPath::extended(part).c_str());
        return result;
    }
    if (!renameNoReplace(part, job.destination)) {
        result = lastFailure(job);
        ::DeleteFileW(CWindowsPath::extended(part).c_str());
        return result;
    }
    setAttributes(job.destination, job.sourceAttributes & kCarried);
    return retireSource(job, *original, *copy);
}

/// The spelling the folder keeps for the item at `path`, or nothing when it is gone.
QString spellingOnDisk(const QString &path)
{
    WIN32_FIND_DATAW found {};
    const HANDLE search = ::FindFirstFileW(CWindowsPath::extended(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    ::FindClose(search);
    return QString::fromWCharArray(found.cFileName);
}

/// NTFS treats "a.txt" and "A.txt" as one name and changes the spelling in one call. Wine's call reports success
/// and keeps the old spelling, so the folder has the last word; where it kept it, the new spelling goes through a
/// hidden name.
MoveResult renameCaseOnly(const Job &job)
{
    if (renameNoReplace(job.source, job.destination) && spellingOnDisk(job.destination) == job.name)
        return job.report;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString temporary = job.sourceParent + u'/' + hiddenName(".renaming");
        if (!renameNoReplace(job.source, temporary)) {
            if (const DWORD error = ::GetLastError(); error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
                return failure(job, error);
            continue;
        }
        if (renameNoReplace(temporary, job.destination))
            return job.report;
        MoveResult result = lastFailure(job);
        if (!renameNoReplace(temporary, job.source)) {
            result.leftAt = temporary;
            qCInfo(lcFileOps) << "could not put" << temporary << "back as" << job.source;
        }
        return result;
    }
    return failure(job, ERROR_ALREADY_EXISTS);
}

MoveError nameError(const QString &name)
{
    if (name.isEmpty() || name == "."_L1 || name == ".."_L1 || name.contains(u'/') || name.contains(u'\\')
        || name.contains(QChar(0)))
        return MoveError::InvalidName;
    return name.size() > kMaxNameLength ? MoveError::NameTooLong : MoveError::None;
}

// Windows refuses these names, or keeps them in a way that its own programs cannot open: refused before any call.
MoveError windowsNameError(const QString &name)
{
    if (!CWindowsNameRules::firstForbidden(name).isNull() || CWindowsNameRules::endsWithDotOrSpace(name)
        || !CWindowsNameRules::reservedDevice(name).isEmpty())
        return MoveError::UnsupportedName;
    return MoveError::None;
}

MoveError folderError(const Job &job)
{
    const DWORD attributes = attributesOf(job.folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? MoveError::PermissionDenied : MoveError::TargetFolderMissing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? MoveError::None : MoveError::TargetNotFolder;
}

MoveError sourceError(Job &job)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!::GetFileAttributesExW(CWindowsPath::extended(job.source).c_str(), GetFileExInfoStandard, &data))
        return ::GetLastError() == ERROR_ACCESS_DENIED ? MoveError::PermissionDenied : MoveError::SourceMissing;
    job.sourceAttributes = data.dwFileAttributes;
    job.sourceSize = qint64(quint64(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    return MoveError::None;
}

bool isInside(const QString &path, const QString &folder)
{
    return path.startsWith(folder + u'/', Qt::CaseInsensitive);
}

MoveError preconditionError(Job &job)
{
    if (const MoveError error = nameError(job.name); error != MoveError::None)
        return error;
    if (const MoveError error = windowsNameError(job.name); error != MoveError::None)
        return error;
    if (job.destination.size() + 4 >= CWindowsPath::kMaxLength || job.source.size() + 4 >= CWindowsPath::kMaxLength)
        return MoveError::PathTooLong;
    if (const MoveError error = folderError(job); error != MoveError::None)
        return error;
    if (const MoveError error = sourceError(job); error != MoveError::None)
        return error;
    if (job.destination.compare(job.source, Qt::CaseInsensitive) == 0 && job.sourceName == job.name)
        return MoveError::SameFile;
    const bool folder = job.sourceAttributes & FILE_ATTRIBUTE_DIRECTORY;
    return folder && isInside(job.destination, job.source) ? MoveError::IntoItself : MoveError::None;
}

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(path)));
}

Job makeJob(const QString &source, const QString &targetDir, const QString &newName)
{
    Job job;
    job.source = cleanAbsolute(source);
    job.sourceParent = QFileInfo(job.source).path();
    job.sourceName = QFileInfo(job.source).fileName();
    job.folder = cleanAbsolute(targetDir);
    job.name = newName;
    job.destination = job.folder.endsWith(u'/') ? QString(job.folder + newName) : QString(job.folder + u'/' + newName);
    job.report.destination = job.destination;
    return job;
}
} // namespace

CWindowsMover::CWindowsMover(bool copyAlways)
    : m_copyAlways(copyAlways)
{
}

MoveResult CWindowsMover::move(const QString &source, const QString &targetDir, const QString &newName,
                               IMoveProgress *progress)
{
    if (source.contains(QChar(0)) || targetDir.contains(QChar(0)))
        return { MoveError::SourceMissing, targetDir + u'/' + newName, {}, {} };
    Job job = makeJob(source, targetDir, newName);
    job.progress = progress;
    if (const MoveError error = preconditionError(job); error != MoveError::None)
        return failed(job, error);
    if (job.destination.compare(job.source, Qt::CaseInsensitive) == 0)
        return renameCaseOnly(job);
    if (!m_copyAlways) {
        // Without MOVEFILE_REPLACE_EXISTING the system refuses a taken name at the moment of the rename.
        if (renameNoReplace(job.source, job.destination))
            return job.report;
        if (const DWORD error = ::GetLastError(); error != ERROR_NOT_SAME_DEVICE)
            return failure(job, error);
    }
    return moveAcross(job);
}

bool CWindowsMover::isSingleStep(const QString &source, const QString &targetDir, const QString &newName)
{
    if (m_copyAlways)
        return false;
    const Job job = makeJob(source, targetDir, newName);
    if (job.destination.compare(job.source, Qt::CaseInsensitive) == 0)
        return false;
    const auto from = identityOf(job.source);
    const auto into = identityOf(job.folder);
    return from && into && from->volume == into->volume;
}

bool CWindowsMover::isPartFileName(const QString &name)
{
    static const QRegularExpression pattern(u"^\\.plindor-[a-z0-9]{6}\\.part$"_s);
    return pattern.match(name).hasMatch();
}

// A part file is removed only through a handle that shares nothing: while a copy still writes it, that open fails.
void CWindowsMover::removeLeftovers(const QString &folder)
{
    QDirIterator entries(folder, { u".plindor-*.part"_s }, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        const QString path = entries.next();
        if (!isPartFileName(entries.fileName()))
            continue;
        const auto part = CWindowsPath::own(CWindowsPath::openItem(path, DELETE | GENERIC_READ, 0));
        FILE_DISPOSITION_INFO dispose { TRUE };
        if (part)
            ::SetFileInformationByHandle(part.get(), FileDispositionInfo, &dispose, sizeof dispose);
    }
}
