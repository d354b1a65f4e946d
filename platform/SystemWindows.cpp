// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/System.h"
#include "platform/WindowsPath.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cwchar>

namespace
{
// FILETIME counts 100 ns steps from 1601; stamps count nanoseconds from 1970, as on Linux.
constexpr qint64 kEpochIn100ns = 116444736000000000LL;
constexpr DWORD kShareAll = CWindowsPath::kShareAll;

qint64 nanoseconds(qint64 fileTime)
{
    return (fileTime - kEpochIn100ns) * 100;
}

qint64 nanoseconds(const FILETIME &time)
{
    return nanoseconds(qint64(quint64(time.dwHighDateTime) << 32 | time.dwLowDateTime));
}

ItemFacts::Type typeOf(DWORD attributes)
{
    // A symbolic link or junction is a name of its own, as a link is on Linux.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return ItemFacts::Type::Other;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? ItemFacts::Type::Folder : ItemFacts::Type::File;
}

quint64 indexOf(const BY_HANDLE_FILE_INFORMATION &info)
{
    return quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
}

// A lock is a handle that shares nothing: no other program opens the file while it is held, and the system closes
// it however the program ends.
qintptr lockOf(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? CSystem::kNoLock : reinterpret_cast<qintptr>(handle);
}
} // namespace

std::optional<std::vector<size_t>> CSystem::nameHashesIn(const QString &folder)
{
    WIN32_FIND_DATAW found {};
    std::wstring pattern = CWindowsPath::extended(folder);
    if (!pattern.ends_with(L'\\'))
        pattern += L'\\';
    pattern += L'*';
    HANDLE listing = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                        FIND_FIRST_EX_LARGE_FETCH);
    if (listing == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<size_t> hashes;
    do
        hashes.push_back(qHash(QStringView(found.cFileName, qsizetype(::wcsnlen(found.cFileName, MAX_PATH))), 0));
    while (::FindNextFileW(listing, &found));
    const bool whole = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(listing);
    if (!whole)
        return std::nullopt;
    std::sort(hashes.begin(), hashes.end());
    return hashes;
}

// Not every Windows file system changes a folder's times for each name that comes or goes, and a network share may
// answer from a cache: every folder is listed at each start.
QByteArray CSystem::folderStamp(const QString &)
{
    return {};
}

// FAT and exFAT number files by where their entries lie, and not every volume says which it is: an item is known by
// its size and time alone.
bool CSystem::keepsNodeNumbers(const QString &)
{
    return false;
}

// The process heap gives large freed blocks back by itself.
void CSystem::returnFreedMemory()
{
}

ItemFacts CSystem::look(const QString &path)
{
    const auto item = CWindowsPath::own(CWindowsPath::openItem(path, FILE_READ_ATTRIBUTES, kShareAll));
    BY_HANDLE_FILE_INFORMATION info {};
    FILE_BASIC_INFO basic {};
    if (!item || !::GetFileInformationByHandle(item.get(), &info)
        || !::GetFileInformationByHandleEx(item.get(), FileBasicInfo, &basic, sizeof basic))
        return {};
    const qint64 size = qint64(quint64(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
    return { typeOf(info.dwFileAttributes),
             { size, nanoseconds(info.ftLastWriteTime), indexOf(info), info.dwVolumeSerialNumber,
               nanoseconds(basic.ChangeTime.QuadPart) },
             info.nNumberOfLinks };
}

FolderId CSystem::folderIdOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    // Without FILE_FLAG_OPEN_REPARSE_POINT: a link to a folder is the folder it leads to.
    const auto folder
        = CWindowsPath::own(::CreateFileW(CWindowsPath::extended(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info {};
    if (!folder || !::GetFileInformationByHandle(folder.get(), &info)
        || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return { info.dwVolumeSerialNumber, indexOf(info) };
}

bool CSystem::isAbsent(const QString &path)
{
    if (::GetFileAttributesW(CWindowsPath::extended(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

qintptr CSystem::createLocked(const QString &path)
{
    // The folder's inherited access rules (%LOCALAPPDATA% is the user's alone) keep others out.
    return lockOf(::CreateFileW(CWindowsPath::extended(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

qintptr CSystem::lockIfFree(const QString &path)
{
    // A program that holds the lock shares nothing, so this open fails with a sharing violation while it runs.
    return lockOf(::CreateFileW(CWindowsPath::extended(path).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

qintptr CSystem::lockOrCreate(const QString &path)
{
    return lockOf(::CreateFileW(CWindowsPath::extended(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

qint64 CSystem::bootTimeMs()
{
    return QDateTime::currentMSecsSinceEpoch() - qint64(::GetTickCount64());
}

void CSystem::removeAndUnlock(qintptr lock, const QString &path)
{
    Q_UNUSED(path)
    if (lock == kNoLock)
        return;
    // Deleted through the handle: while it is open nobody else could rename or replace the file, so what goes is
    // the file that was locked.
    const auto handle = reinterpret_cast<HANDLE>(lock);
    FILE_DISPOSITION_INFO dispose { TRUE };
    ::SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof dispose);
    ::CloseHandle(handle);
}

void CSystem::unlock(qintptr lock)
{
    if (lock != kNoLock)
        ::CloseHandle(reinterpret_cast<HANDLE>(lock));
}

void CSystem::preferHugePages(const void *data, qsizetype bytes)
{
    // Large pages on Windows need a privilege that ordinary users lack.
    Q_UNUSED(data)
    Q_UNUSED(bytes)
}
