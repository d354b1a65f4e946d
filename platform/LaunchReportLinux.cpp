// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LaunchReport.h"

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

void CLaunchReport::say(const QString &line)
{
    std::fputs(qPrintable(u"plindor: "_s + line + u'\n'), stderr);
}
