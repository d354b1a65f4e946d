// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowsPath.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

std::wstring CWindowsPath::extended(const QString &path)
{
    QString native = QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    if (native.startsWith(R"(\\?\)"_L1))
        return native.toStdWString();
    if (native.startsWith(R"(\\)"_L1))
        return QString(R"(\\?\UNC\)"_L1 + QStringView(native).mid(2)).toStdWString();
    return QString(R"(\\?\)"_L1 + native).toStdWString();
}

HANDLE CWindowsPath::openItem(const QString &path, DWORD access, DWORD share)
{
    return ::CreateFileW(extended(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

CWindowsPath::Handle CWindowsPath::own(HANDLE handle)
{
    return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

QString CWindowsPath::fileSystemOf(const QString &folder, DWORD *flags)
{
    wchar_t root[MAX_PATH + 1] = {};
    wchar_t type[MAX_PATH + 1] = {};
    DWORD volumeFlags = 0;
    if (!::GetVolumePathNameW(extended(folder).c_str(), root, MAX_PATH)
        || !::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &volumeFlags, type, MAX_PATH))
        return {};
    if (flags)
        *flags = volumeFlags;
    return QString::fromWCharArray(type);
}
