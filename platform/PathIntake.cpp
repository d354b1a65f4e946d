// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathIntake.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace
{
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
    Batch batch;
    for (const QUrl &url : urls)
        take(batch, localBytes(url));
    return batch;
}

CPathIntake::Batch CPathIntake::fromArguments(const QList<QByteArray> &arguments)
{
    Batch batch;
    for (const QByteArray &argument : arguments) {
        // A file manager may pass file URLs instead of paths.
        const QUrl url = isFileNameText(argument) ? QUrl(QFile::decodeName(argument)) : QUrl();
        take(batch, url.isLocalFile() ? localBytes(url) : argument);
    }
    return batch;
}

void CPathIntake::take(Batch &batch, const QByteArray &raw)
{
    if (raw.isEmpty())
        return;
    const QString text = QFile::decodeName(raw);
    if (isFileNameText(raw))
        batch.paths << resolved(text);
    else
        batch.undecodable << absolute(text);
}

QString CPathIntake::absolute(const QString &path)
{
    return QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
}

QString CPathIntake::resolved(const QString &path)
{
    if (path.isEmpty())
        return {};
    // Doubled separators, trailing ones and inner "." never change which file a path names; ".." after a link does.
    QStringList parts = absolute(path).split(u'/', Qt::SkipEmptyParts);
    const QString last = parts.isEmpty() ? QString() : parts.takeLast();
    parts.removeAll(u"."_s);
    const QString parent = u'/' + parts.join(u'/');
    if (last.isEmpty())
        return parent;
    const QString lexical = childOf(parent, last);
    if (last == u"."_s || last == u".."_s) {
        const QString whole = QFileInfo(lexical).canonicalFilePath();
        return whole.isEmpty() ? lexical : whole;
    }
    const QString real = QFileInfo(parent).canonicalFilePath();
    if (real.isEmpty())
        return lexical;
    return childOf(real, last);
}

bool CPathIntake::isDecodingArtefact(const QString &folder)
{
    return folder.contains(QChar::ReplacementCharacter) && !QFileInfo(folder).isDir();
}
