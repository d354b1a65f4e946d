// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathProbe.h"

#include <QFileInfo>

#include <climits>

bool CPathProbe::isDirectory(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool CPathProbe::isTooLong(const QString &path)
{
    return QFile::encodeName(path).size() >= PATH_MAX;
}
