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
        part.paths.reserve(range.second - range.first);
        FolderCache folders;
        for (qsizetype i = range.first; i < range.second; ++i) {
            if (!takePlain(part, urls.at(i), folders))
                take(part, localBytes(urls.at(i)), folders);
        }
        return part;
    };
    if (slices == 1)
        return takeSlice(ranges.constFirst());
    QList<Batch> parts = QtConcurrent::blockingMapped<QList<Batch>>(ranges, takeSlice);
    // Moved, not copied: a copy would touch every path's reference count, each in memory of its own.
    Batch batch;
    batch.paths.reserve(urls.size());
    for (Batch &part : parts) {
        batch.paths.append(std::move(part.paths));
        batch.undecodable.append(std::move(part.undecodable));
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

bool CPathIntake::takePlain(Batch &batch, const QUrl &url, FolderCache &folders)
{
    // A fully encoded path is ASCII; without a percent sign it is its own bytes and its own text, which then
    // need no decoding and no check. Most paths of a large drop are like that.
    if (!url.isLocalFile() || !url.host().isEmpty())
        return false;
    const QString encoded = url.path(QUrl::FullyEncoded);
    if (encoded.contains(u'%'))
        return false;
    if (!encoded.isEmpty())
        batch.paths << resolvedIn(encoded, folders);
    return true;
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

qsizetype CPathIntake::cleanCut(const QString &path)
{
    // Doubled separators, trailing ones and inner "." never change which file a path names; ".." after a link does.
    // A file manager's paths are clean already, and a large drop should not pay for taking them apart: one pass
    // over the path finds out.
    const qsizetype size = path.size();
    if (size <= 1 || path.back() == u'/')
        return -1;
    qsizetype cut = -1;
    for (qsizetype i = 0; i < size; ++i) {
        if (path[i] != u'/')
            continue;
        if (path[i + 1] == u'/' || (path[i + 1] == u'.' && i + 2 < size && path[i + 2] == u'/'))
            return -1;
        cut = i;
    }
    return cut;
}

void CPathIntake::splitCleaned(const QString &path, QString &parent, QString &last)
{
    QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    last = parts.isEmpty() ? QString() : parts.takeLast();
    parts.removeAll(u"."_s);
    parent = u'/' + parts.join(u'/');
}

QString CPathIntake::absolute(const QString &path)
{
    // QDir::isAbsolutePath() builds a QFileInfo; most paths answer by their first character.
    return path.startsWith(u'/') || QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
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
    const QString given = absolute(path);
    const qsizetype cut = cleanCut(given);
    QString parentText;
    QString lastText;
    if (cut < 0)
        splitCleaned(given, parentText, lastText);
    // A clean path is its folder and last component joined again, and is looked at in place.
    const QStringView parent = cut < 0 ? QStringView(parentText) : cut == 0 ? u"/" : QStringView(given).first(cut);
    const QStringView last = cut < 0 ? QStringView(lastText) : QStringView(given).sliced(cut + 1);
    if (last.isEmpty())
        return parent.toString();
    const QString lexical = cut < 0 ? childOf(parentText, lastText) : given;
    if (last == u"." || last == u"..") {
        const QString whole = QFileInfo(lexical).canonicalFilePath();
        return whole.isEmpty() ? lexical : whole;
    }
    const QString &real = realFolder(parent, folders);
    // A folder that is its own resolution leaves the path as it is, without building it again.
    if (real.isEmpty() || real == parent)
        return lexical;
    return childOf(real, last.toString());
}

const QString &CPathIntake::realFolder(QStringView folder, FolderCache &folders)
{
    // A large drop holds many items of few folders.
    auto known = folders.find(folder);
    if (known == folders.end())
        known = folders.emplace(folder.toString(), QFileInfo(folder.toString()).canonicalFilePath()).first;
    return known->second;
}

bool CPathIntake::isDecodingArtefact(const QString &folder)
{
    return folder.contains(QChar::ReplacementCharacter) && !QFileInfo(folder).isDir();
}
