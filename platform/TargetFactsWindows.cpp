// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TargetFacts.h"

#include "core/PathParts.h"
#include "platform/WindowsPath.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace
{
using Facts = COperationCheck::Facts;
using FolderState = COperationCheck::FolderState;

struct Item {
    BY_HANDLE_FILE_INFORMATION info {};

    [[nodiscard]] bool sameItem(const Item &other) const
    {
        return info.dwVolumeSerialNumber == other.info.dwVolumeSerialNumber
            && info.nFileIndexHigh == other.info.nFileIndexHigh && info.nFileIndexLow == other.info.nFileIndexLow;
    }
};

std::optional<Item> itemAt(const QString &path)
{
    const auto handle = CWindowsPath::own(CWindowsPath::openItem(path, FILE_READ_ATTRIBUTES, CWindowsPath::kShareAll));
    Item item;
    if (!handle || !::GetFileInformationByHandle(handle.get(), &item.info))
        return std::nullopt;
    return item;
}

// Free means nothing at all has the name; a name that cannot be looked at counts as taken.
bool isFreeName(const QString &path)
{
    return ::GetFileAttributesW(CWindowsPath::extended(path).c_str()) == INVALID_FILE_ATTRIBUTES
        && ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

struct Volume {
    QString type; ///< "NTFS", "FAT32", "exFAT"…
    DWORD flags = 0;
};

std::optional<Volume> volumeOf(const QString &folder)
{
    Volume volume;
    volume.type = CWindowsPath::fileSystemOf(folder, &volume.flags);
    return volume.type.isEmpty() ? std::nullopt : std::optional<Volume>(volume);
}

FolderState folderState(const QString &folder, const std::optional<Volume> &volume)
{
    const DWORD attributes = ::GetFileAttributesW(CWindowsPath::extended(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? FolderState::NotWritable : FolderState::Missing;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FolderState::NotAFolder;
    return volume && (volume->flags & FILE_READ_ONLY_VOLUME) ? FolderState::ReadOnlyDisk : FolderState::Usable;
}

bool inside(const QString &folder, const QString &source)
{
    const QString target = QFileInfo(folder).canonicalFilePath();
    const QString item = QFileInfo(source).canonicalFilePath();
    return !target.isEmpty() && !item.isEmpty()
        && (target.compare(item, Qt::CaseInsensitive) == 0 || target.startsWith(item + u'/', Qt::CaseInsensitive));
}

void learnFilesystem(Facts &facts, const QString &folder, const std::optional<Volume> &volume)
{
    // Every disk Windows mounts keeps to its naming rules and folds case, NTFS included.
    facts.windowsNames = true;
    facts.caseInsensitive = true;
    // The limit on names is 255 UTF-16 units, not bytes; the mover refuses a longer name before any call.
    facts.nameMaxBytes = 0;
    facts.maxFileSize = volume && volume->type.startsWith("FAT"_L1) ? CWindowsPath::kFatLimit : 0;
    ULARGE_INTEGER available {};
    // What this user may still write, quotas included.
    if (::GetDiskFreeSpaceExW(CWindowsPath::extended(folder + u'/').c_str(), &available, nullptr, nullptr))
        facts.freeBytes = qint64(available.QuadPart);
}
} // namespace

COperationCheck::Facts CTargetFacts::probe(const Question &question)
{
    Facts facts;
    facts.known = true;
    WIN32_FILE_ATTRIBUTE_DATA data {};
    const std::optional<Item> source = itemAt(question.source);
    if (!source
        || !::GetFileAttributesExW(CWindowsPath::extended(question.source).c_str(), GetFileExInfoStandard, &data)) {
        facts.sourceExists = false;
        return facts;
    }
    facts.sourceIsFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    facts.sourceSize = qint64(quint64(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    facts.sourceAllocated = facts.sourceSize;
    const std::optional<Volume> volume = volumeOf(question.folder);
    facts.folder = folderState(question.folder, volume);
    if (facts.folder != FolderState::Usable)
        return facts;
    const std::optional<Item> folder = itemAt(question.folder);
    const std::optional<Item> parent = itemAt(CPathParts::directoryOf(question.source));
    facts.sameFilesystem = folder && folder->info.dwVolumeSerialNumber == source->info.dwVolumeSerialNumber;
    facts.sameFolder = folder && parent && folder->sameItem(*parent);
    // A read-only file moves to another disk too: the mover lifts the attribute just before it removes the source.
    facts.sourceFolderWritable = true;
    learnFilesystem(facts, question.folder, volume);
    // On a disk that folds case, the new spelling of the source's own name finds the source.
    if (const std::optional<Item> found = itemAt(question.destination))
        facts.occupant
            = found->sameItem(*source) ? COperationCheck::Occupant::Source : COperationCheck::Occupant::Other;
    facts.targetInsideSource = facts.sourceIsFolder && inside(question.folder, question.source);
    if (facts.occupant != COperationCheck::Occupant::Nobody && question.numbering)
        facts.numberedName = COperationPlanner::firstFreeNumbered(*question.numbering, question.extension, isFreeName);
    return facts;
}
