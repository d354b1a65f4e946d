// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RuntimeFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

// %LOCALAPPDATA% belongs to its user alone by the access rules Windows gives every profile; no link may stand in for
// a folder, as on Linux.
bool CRuntimeFolder::isPrivate(const QString &path)
{
    const QFileInfo info(path);
    return QDir::isAbsolutePath(path) && info.isDir() && !info.isSymLink() && !info.isJunction();
}

QString CRuntimeFolder::choose(const QString &sessionFolder, const QString &fallbackParent, QString *problem)
{
    if (!sessionFolder.isEmpty() && isPrivate(sessionFolder))
        return QDir::cleanPath(sessionFolder);
    const QString own = QDir(fallbackParent).filePath(u"Plindor"_s);
    if (!QDir().mkpath(own) || !isPrivate(own)) {
        if (problem)
            *problem = u"cannot use the folder %1"_s.arg(QDir::toNativeSeparators(own));
        return {};
    }
    return QDir::cleanPath(own);
}

QString CRuntimeFolder::forThisUser(QString *problem)
{
    // GenericDataLocation is %LOCALAPPDATA% on Windows, which stays on this machine.
    return choose({}, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), problem);
}
