// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>
#endif

CTempTree::~CTempTree()
{
    removeTree(path());
}

void CTempTree::removeTree(const QString &root)
{
#ifdef Q_OS_WIN
    // Windows names are UTF-16, which QDir reads whole.
    QDir(root).removeRecursively();
#else
    const auto removeOne = [](const char *path, const struct stat *, int, struct FTW *) { return ::remove(path); };
    ::nftw(QFile::encodeName(root).constData(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
#endif
}

QString CTempTree::path() const
{
    return m_dir.path();
}

QString CTempTree::filePath(const QString &relative) const
{
    return m_dir.filePath(relative);
}

QString CTempTree::file(const QString &relative) const
{
    const QString created = filePath(relative);
    QDir().mkpath(QFileInfo(created).absolutePath());
    QFile file(created);
    // A test whose files cannot be made has nothing to check.
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(created));
    return created;
}

QByteArray CTempTree::rawFile(const QByteArray &relative, const QByteArray &content) const
{
    const QByteArray created = QFile::encodeName(path()) + '/' + relative;
#ifdef Q_OS_WIN
    QFile file(QFile::decodeName(created));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(content) != content.size())
        qFatal("cannot create %s", created.constData());
#else
    const int fd = ::open(created.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || ::write(fd, content.constData(), size_t(content.size())) != content.size() || ::close(fd) != 0)
        qFatal("cannot create %s", created.constData());
#endif
    return created;
}

QString CTempTree::folder(const QString &relative) const
{
    const QString created = filePath(relative);
    if (!QDir().mkpath(created))
        qFatal("cannot create %s", qPrintable(created));
    return created;
}
