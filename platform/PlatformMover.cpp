// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformMover.h"

#ifdef Q_OS_WIN
#include "platform/WindowsMover.h"
using CSystemMover = CWindowsMover;
#else
#include "platform/LinuxMover.h"
using CSystemMover = CLinuxMover;
#endif

std::unique_ptr<IMover> makeMover()
{
    return std::make_unique<CSystemMover>();
}
