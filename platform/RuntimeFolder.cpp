// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RuntimeFolder.h"

#include <QDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// The permission bits of an absolute path that is a real folder of the effective user; -1 for anything else.
int ownFolderMode(const QString &path)
{
    struct stat info = {};
    // lstat, so that a link to a private folder, which its owner can point elsewhere, is refused.
    if (!QDir::isAbsolutePath(path) || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return -1;
    return int(info.st_mode & 07777);
}
} // namespace

bool CRuntimeFolder::isPrivate(const QString &path)
{
    const int mode = ownFolderMode(path);
    return mode >= 0 && (mode & 077) == 0;
}

QString CRuntimeFolder::choose(const QString &sessionFolder, const QString &fallbackParent, QString *problem)
{
    if (isPrivate(sessionFolder))
        return QDir::cleanPath(sessionFolder);
    const QString own = QDir(fallbackParent).filePath(u"plindor-%1"_s.arg(::geteuid()));
    // mkdir neither follows a link nor reuses what is there; a folder someone else made first fails the check below.
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST) {
        const int reason = errno;
        if (problem)
            *problem = u"cannot create the folder %1: %2"_s.arg(own, qt_error_string(reason));
        return {};
    }
    if (ownFolderMode(own) == 0700)
        return own;
    if (problem)
        *problem = u"%1 is not a private folder of this user (a real folder with mode 0700)"_s.arg(own);
    return {};
}

QString CRuntimeFolder::forThisUser(QString *problem)
{
    return choose(qEnvironmentVariable("XDG_RUNTIME_DIR"), u"/tmp"_s, problem);
}
