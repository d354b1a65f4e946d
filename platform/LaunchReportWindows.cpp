// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LaunchReport.h"

#include <cstdio>

#include <windows.h>

using namespace Qt::Literals::StringLiterals;

void CLaunchReport::say(const QString &line)
{
    // A program of the GUI subsystem started from Explorer has no standard error at all; one started from a console
    // with its output redirected, as the tests do, has one.
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        std::fputs((u"plindor: "_s + line + u'\n').toUtf8().constData(), stderr);
        std::fflush(stderr);
        return;
    }
    ::MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(line.utf16()), L"Plindor",
                  MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}
