// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathProbe.h"

#include <QFileInfo>

bool CPathProbe::isDirectory(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}
