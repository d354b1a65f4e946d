// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PathParts.h"

namespace
{
constexpr QChar separator = u'/';
}

QString CPathParts::directoryOf(const QString &path)
{
    const qsizetype i = path.lastIndexOf(separator);
    if (i < 0)
        return QString();
    // Cut before the root's own separator, the parent would be empty, which reads as "not linked" and "no folder".
    // Keeping a separator that nothing or another separator stands before also keeps join() the exact inverse.
    const bool keepSeparator = i == 0 || path.at(i - 1) == separator;
    return path.left(keepSeparator ? i + 1 : i);
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

QString CPathParts::join(const QString &folder, const QString &name)
{
    if (folder.endsWith(separator))
        return folder + name;
    return folder + separator + name;
}
