// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/TreeSnapshot.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QByteArray folderEntry = "<folder>";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/// The link's own text, as the system stores it: a relative target stays relative.
QByteArray linkText(const QString &path)
{
    QByteArray text(PATH_MAX, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), text.data(), size_t(text.size()));
    return length < 0 ? QByteArray("<unreadable>") : text.left(length);
}

QByteArray metadataOf(const QString &path, bool withChangeTime)
{
    struct stat st {
    };
    ::lstat(QFile::encodeName(path).constData(), &st);
    QByteArray entry = QByteArray::number(st.st_mode, 8) + ' ';
    if (withChangeTime)
        entry += QByteArray::number(st.st_ctim.tv_sec) + '.' + QByteArray::number(st.st_ctim.tv_nsec) + ' ';
    if (S_ISLNK(st.st_mode))
        entry += linkText(path);
    else if (S_ISREG(st.st_mode))
        entry += QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha1).toHex();
    return entry;
}

QByteArray contentsOf(const QString &path, const QFileInfo &info)
{
    if (info.isSymLink())
        return "link to " + linkText(path);
    return info.isDir() ? folderEntry : readAll(path);
}
} // namespace

CTreeSnapshot::Entries CTreeSnapshot::of(const QString &root, Detail detail)
{
    Entries entries;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        entries.insert(base.relativeFilePath(path),
                       detail == Detail::Contents ? contentsOf(path, info)
                                                  : metadataOf(path, detail == Detail::MetadataAndChangeTime));
    }
    return entries;
}

CTreeSnapshot::Entries CTreeSnapshot::moved(const Entries &entries, const QString &from, const QString &to)
{
    Entries after;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QString &key = it.key();
        const bool moves = key == from || key.startsWith(from + u'/');
        after.insert(moves ? to + key.mid(from.size()) : key, it.value());
    }
    return after;
}

bool CTreeSnapshot::make(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString path = root + u'/' + entry;
        const bool isFolder = entry.endsWith(u'/');
        if (!QDir().mkpath(isFolder ? path : QFileInfo(path).absolutePath()))
            return false;
        if (isFolder)
            continue;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) != entry.toUtf8().size())
            return false;
    }
    return true;
}

QStringList CTreeSnapshot::lines(const QString &root)
{
    QStringList lines;
    const Entries entries = of(root);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        lines << (it.value() == folderEntry ? QString(it.key() + u'/')
                                            : QString(it.key() + u'=' + QString::fromUtf8(it.value())));
    lines.sort();
    return lines;
}
