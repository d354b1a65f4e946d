// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

/// A path as the system calls take it: the bytes the file name has on disk.
inline QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}
