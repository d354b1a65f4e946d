// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RunningMark.h"

#include <QString>

#include <iterator>

#include <windows.h>

using namespace Qt::Literals::StringLiterals;

void CRunningMark::hold()
{
    wchar_t user[256 + 1] = {};
    DWORD size = DWORD(std::size(user));
    if (!::GetUserNameW(user, &size))
        return;
    const QString name = u"Global\\Plindor.Running."_s + QString::fromWCharArray(user);
    // Never closed: the handle is the mark, and it goes with the process. Every start holds one of its own.
    ::CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t *>(name.utf16()));
}
