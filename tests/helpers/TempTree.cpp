// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString CTempTree::folder(const QString &relative) const
{
    const QString created = filePath(relative);
    if (!QDir().mkpath(created))
        qFatal("cannot create %s", qPrintable(created));
    return created;
}
