// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/PathParts.h"

#include <QDir>

namespace
{
constexpr QChar separator = u'/';
}

QString CPathParts::directoryOf(const QString &path)
{
    const qsizetype i = path.lastIndexOf(separator);
    return i < 0 ? QString() : path.left(i);
}

QString CPathParts::folderOf(const QString &directory)
{
    return directory.isEmpty() ? QDir::rootPath() : directory;
}

QString CPathParts::lastComponentOf(const QString &path)
{
    return path.mid(path.lastIndexOf(separator) + 1);
}

QString CPathParts::extensionOf(const QString &fileName)
{
    const qsizetype j = fileName.lastIndexOf(u'.');
    return j <= 0 ? QString() : fileName.mid(j);
}

QString CPathParts::baseNameOf(const QString &fileName)
{
    return fileName.left(fileName.size() - extensionOf(fileName).size());
}

QString CPathParts::joinRootAware(const QString &folder, const QString &name)
{
    if (folder.endsWith(separator) && QDir(folder).isRoot())
        return folder + name;
    return join(folder, name);
}

QString CPathParts::join(const QString &folder, const QString &name)
{
    return folder + separator + name;
}
