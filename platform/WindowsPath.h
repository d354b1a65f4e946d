// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>
#include <string>

#include <windows.h>

/// Paths and handles as the Windows calls of platform/ take them.
class CWindowsPath
{
public:
    /// The longest path the system takes with the \\?\ prefix, in UTF-16 units.
    static constexpr qsizetype kMaxLength = 32767;
    /// Opening an item only to look at it keeps nobody else from opening, renaming or removing it.
    static constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    /// FAT keeps a file's size in 32 bits.
    static constexpr qint64 kFatLimit = (qint64(1) << 32) - 1;

    /// `path` made absolute and clean, with backslashes and the \\?\ (or \\?\UNC\) prefix, so that paths longer than
    /// MAX_PATH work and the system does not rewrite the name (trailing dots and spaces included).
    [[nodiscard]] static std::wstring extended(const QString &path);
    /// Opens `path` itself, a link or junction and not what it points to, a folder as well as a file.
    [[nodiscard]] static HANDLE openItem(const QString &path, DWORD access, DWORD share);

    /// The file system of the volume holding `folder` ("NTFS", "FAT32", "exFAT"…) and its flags (`flags` may be
    /// null); empty when the system does not say.
    [[nodiscard]] static QString fileSystemOf(const QString &folder, DWORD *flags = nullptr);

    struct Closer {
        void operator()(HANDLE handle) const
        {
            if (handle != INVALID_HANDLE_VALUE && handle != nullptr)
                ::CloseHandle(handle);
        }
    };
    using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, Closer>;
    /// Owns `handle`; an invalid one gives an empty Handle.
    [[nodiscard]] static Handle own(HANDLE handle);
};
