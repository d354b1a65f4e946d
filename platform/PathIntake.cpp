// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathIntake.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <QtConcurrent>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// Below this many URLs a drop is taken on the calling thread: starting the pool would cost more.
constexpr qsizetype kParallelFrom = 4096;

QString childOf(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}
} // namespace

bool CPathIntake::isFileNameText(QByteArrayView raw)
{
    // Qt encodes every file name it is given back to bytes; a lossy decoding would name another file then.
    return !raw.contains('\0') && QFile::encodeName(QFile::decodeName(raw.toByteArray())) == raw;
}

QByteArray CPathIntake::localBytes(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    // The fully encoded path still holds the bytes that do not decode; QUrl::toLocalFile() would replace them.
    QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!url.host().isEmpty() && !bytes.isEmpty())
        bytes.prepend("//" + url.host(QUrl::FullyEncoded).toLatin1());
    return bytes;
}

CPathIntake::Batch CPathIntake::fromUrls(const QList<QUrl> &urls)
{
    // Slices are taken on every core, each with a folder cache of its own, and joined in their order.
    const qsizetype slices = urls.size() < kParallelFrom ? 1 : 2 * std::max(1, QThread::idealThreadCount());
    QList<std::pair<qsizetype, qsizetype>> ranges;
    for (qsizetype i = 0; i < slices; ++i)
        ranges.append({ urls.size() * i / slices, urls.size() * (i + 1) / slices });
    const auto takeSlice = [&urls](const std::pair<qsizetype, qsizetype> &range) {
        Batch part;
        FolderCache folders;
        for (qsizetype i = range.first; i < range.second; ++i)
            take(part, localBytes(urls.at(i)), folders);
        return part;
    };
    if (slices == 1)
        return takeSlice(ranges.constFirst());
    const QList<Batch> parts = QtConcurrent::blockingMapped<QList<Batch>>(ranges, takeSlice);
    Batch batch;
    for (const Batch &part : parts) {
        batch.paths += part.paths;
        batch.undecodable += part.undecodable;
    }
    return batch;
}

CPathIntake::Batch CPathIntake::fromArguments(const QList<QByteArray> &arguments)
{
    Batch batch;
    FolderCache folders;
    for (const QByteArray &argument : arguments) {
        // A file manager may pass file URLs instead of paths.
        const QUrl url = isFileNameText(argument) ? QUrl(QFile::decodeName(argument)) : QUrl();
        take(batch, url.isLocalFile() ? localBytes(url) : argument, folders);
    }
    return batch;
}

void CPathIntake::take(Batch &batch, const QByteArray &raw, FolderCache &folders)
{
    if (raw.isEmpty())
        return;
    const QString text = QFile::decodeName(raw);
    if (isFileNameText(raw))
        batch.paths << resolvedIn(text, folders);
    else
        batch.undecodable << absolute(text);
}

void CPathIntake::splitCleaned(const QString &path, QString &parent, QString &last)
{
    // Doubled separators, trailing ones and inner "." never change which file a path names; ".." after a link does.
    // A file manager's paths are clean already, and a large drop should not pay for taking them apart.
    const bool clean = !path.contains(u"//"_s) && !path.contains(u"/./"_s) && !path.endsWith(u'/');
    if (clean && path.size() > 1) {
        const qsizetype cut = path.lastIndexOf(u'/');
        parent = cut == 0 ? u"/"_s : path.left(cut);
        last = path.mid(cut + 1);
        return;
    }
    QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    last = parts.isEmpty() ? QString() : parts.takeLast();
    parts.removeAll(u"."_s);
    parent = u'/' + parts.join(u'/');
}

QString CPathIntake::absolute(const QString &path)
{
    return QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
}

QString CPathIntake::resolved(const QString &path)
{
    FolderCache folders;
    return resolvedIn(path, folders);
}

QStringList CPathIntake::resolved(const QStringList &paths)
{
    FolderCache folders;
    QStringList result;
    result.reserve(paths.size());
    for (const QString &path : paths)
        result << resolvedIn(path, folders);
    return result;
}

QString CPathIntake::resolvedIn(const QString &path, FolderCache &folders)
{
    if (path.isEmpty())
        return {};
    QString parent;
    QString last;
    splitCleaned(absolute(path), parent, last);
    if (last.isEmpty())
        return parent;
    const QString lexical = childOf(parent, last);
    if (last == u"."_s || last == u".."_s) {
        const QString whole = QFileInfo(lexical).canonicalFilePath();
        return whole.isEmpty() ? lexical : whole;
    }
    // A large drop holds many items of few folders.
    auto known = folders.constFind(parent);
    if (known == folders.constEnd())
        known = folders.insert(parent, QFileInfo(parent).canonicalFilePath());
    const QString &real = *known;
    if (real.isEmpty())
        return lexical;
    return childOf(real, last);
}

bool CPathIntake::isDecodingArtefact(const QString &folder)
{
    return folder.contains(QChar::ReplacementCharacter) && !QFileInfo(folder).isDir();
}
