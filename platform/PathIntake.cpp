// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathIntake.h"

#include "core/System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>
#include <QtConcurrent>

#include <algorithm>
#include <cstring>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace
{
[[maybe_unused]] char16_t unitOf(QChar c)
{
    return c.unicode();
}
[[maybe_unused]] char16_t unitOf(char c)
{
    return static_cast<unsigned char>(c);
}
[[maybe_unused]] bool isDriveLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// "C:" before a Windows path's first separator; a Linux path's root is the separator alone.
qsizetype driveLength(QStringView path)
{
#ifdef Q_OS_WIN
    return path.size() >= 2 && isDriveLetter(unitOf(path[0])) && path[1] == u':' ? 2 : 0;
#else
    Q_UNUSED(path);
    return 0;
#endif
}

// A Windows file URL's path is "/C:/folder/name"; the path is what follows the first slash.
template <typename Text> Text withoutDriveSlash(Text path)
{
#ifdef Q_OS_WIN
    if (path.size() >= 3 && unitOf(path[0]) == u'/' && isDriveLetter(unitOf(path[1])) && unitOf(path[2]) == u':')
        return path.sliced(1);
#endif
    return path;
}

/// Below this many items a batch is taken on the calling thread: starting the pool would cost more.
constexpr qsizetype kParallelFrom = 4096;

/// The list cut at line ends into `count` slices of about the same size (fewer when it has fewer lines).
QList<QByteArrayView> linesInSlices(QByteArrayView list, qsizetype count)
{
    QList<QByteArrayView> slices;
    qsizetype from = 0;
    for (qsizetype slice = 1; slice <= count && from < list.size(); ++slice) {
        qsizetype to = list.size();
        if (slice < count) {
            const qsizetype at = std::max(from, list.size() * slice / count);
            const void *end = std::memchr(list.data() + at, '\n', static_cast<size_t>(list.size() - at));
            to = end ? static_cast<const char *>(end) - list.data() + 1 : list.size();
        }
        slices.append(list.sliced(from, to - from));
        from = to;
    }
    return slices;
}

/// Calls `take` with each line of a text/uri-list that is not blank, trimmed as QMimeData trims it, until it
/// returns false.
template <typename Take> void forEachLine(QByteArrayView list, Take take)
{
    qsizetype from = 0;
    while (from < list.size()) {
        const void *found = std::memchr(list.data() + from, '\n', static_cast<size_t>(list.size() - from));
        const qsizetype end = found ? static_cast<const char *>(found) - list.data() : list.size();
        const QByteArrayView line = list.sliced(from, end - from).trimmed();
        if (!line.isEmpty() && !take(line))
            return;
        from = end + 1;
    }
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

/// `path` with its percent escapes, which must be whole, undone, in `out`'s memory.
QByteArrayView unescaped(QByteArrayView path, QByteArray &out)
{
    out.resize(path.size());
    char *next = out.data();
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == '%') {
            *next++ = static_cast<char>(hexValue(path[i + 1]) << 4 | hexValue(path[i + 2]));
            i += 2;
        } else {
            *next++ = path[i];
        }
    }
    return QByteArrayView(out.constData(), next - out.constData());
}

/// Letters, digits and the marks a URL's path holds without escaping them.
bool isKeptInUrlPath(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || (c != '\0' && std::strchr("-._~!$&'()*+,;=:@/", c) != nullptr);
}

QString childOf(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}
} // namespace

bool CPathIntake::isFileNameText(QByteArrayView raw)
{
    // Qt encodes every file name it is given back to bytes; a lossy decoding would name another file then.
    return !raw.contains('\0') && bytesOfName(nameFromBytes(raw.toByteArray())) == raw;
}

QString CPathIntake::nameFromBytes(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    return QString::fromUtf8(bytes);
#else
    return QFile::decodeName(bytes);
#endif
}

QByteArray CPathIntake::bytesOfName(const QString &name)
{
#ifdef Q_OS_WIN
    return name.toUtf8();
#else
    return QFile::encodeName(name);
#endif
}

static bool namesThisMachine(const QUrl &url)
{
    return url.host().isEmpty() || url.host() == "localhost"_L1;
}

bool CPathIntake::isLocalFileUrl(const QUrl &url)
{
    // QUrl keeps a host in lower case. A URL QUrl could not read (a host with a NUL in it, say) shows no host at
    // all, and names nothing. On Linux another machine's file, which QUrl::toLocalFile() would turn into a path
    // beginning "//" and so into a file of this machine, is none of ours. On Windows that path is the file: a
    // share \\server\share\a.pdf dragged from Explorer arrives as file://server/share/a.pdf.
    if (!url.isValid() || !url.isLocalFile())
        return false;
#ifdef Q_OS_WIN
    return true;
#else
    return namesThisMachine(url);
#endif
}

QByteArray CPathIntake::localBytes(const QUrl &url)
{
    if (!isLocalFileUrl(url))
        return {};
    if (!namesThisMachine(url))
        return bytesOfName(url.toLocalFile());
    // The fully encoded path still holds the bytes that do not decode; QUrl::toLocalFile() would replace them.
    return withoutDriveSlash(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
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
        for (qsizetype i = range.first; i < range.second; ++i)
            takeUrl(part, urls.at(i), folders);
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

CPathIntake::Batch CPathIntake::fromUriList(QByteArrayView list)
{
    Packed packed = packUriList(list);
    Batch batch;
    for (const CPathBlock &block : packed.blocks) {
        for (qsizetype i = 0; i < block.size(); ++i)
            batch.paths << block.at(i).toString();
    }
    batch.undecodable = std::move(packed.undecodable);
    return batch;
}

bool CPathIntake::hasFileUrl(QByteArrayView list)
{
    // Qt has its own reading of a list with a NUL in it (no file manager sends one): such a list is read as Qt reads
    // it.
    if (list.contains('\0')) {
        QMimeData mime;
        mime.setData(u"text/uri-list"_s, list.toByteArray());
        const QList<QUrl> urls = mime.urls();
        return std::any_of(urls.cbegin(), urls.cend(), &CPathIntake::isLocalFileUrl);
    }
    bool found = false;
    // Only a line that begins with the scheme can be a file URL; QUrl has the last word on it.
    forEachLine(list, [&found](QByteArrayView line) {
        found = line.size() >= 5 && line.first(5).compare("file:", Qt::CaseInsensitive) == 0
            && isLocalFileUrl(QUrl::fromEncoded(line.toByteArray()));
        return !found;
    });
    return found;
}

qsizetype CPathIntake::lineCount(QByteArrayView list)
{
    return std::count(list.begin(), list.end(), '\n') + (list.isEmpty() || list.back() == '\n' ? 0 : 1);
}

CPathIntake::Batch CPathIntake::fromArguments(const QList<QByteArray> &arguments)
{
    Batch batch;
    FolderCache folders;
    for (const QByteArray &argument : arguments) {
        const QUrl url = fileUrlIn(argument);
        take(batch, url.isEmpty() ? argument : localBytes(url), folders);
    }
    return batch;
}

QUrl CPathIntake::fileUrlIn(const QByteArray &argument)
{
    // A file manager may pass file URLs instead of paths. Only an absolute one is taken for a URL: "file:notes.txt"
    // is a file of that name in the current folder, and so is any argument that names an existing file as it stands.
    if (argument.size() < 6 || QByteArrayView(argument).first(6).compare("file:/", Qt::CaseInsensitive) != 0
        || !isFileNameText(argument))
        return {};
    const QString text = nameFromBytes(argument);
    const QFileInfo relative(text);
    if (relative.exists() || relative.isSymLink())
        return {};
    const QUrl url(text);
    return url.isValid() && url.isLocalFile() ? url : QUrl();
}

void CPathIntake::takeUrl(Batch &batch, const QUrl &url, FolderCache &folders)
{
    if (!takePlain(batch, url, folders))
        take(batch, localBytes(url), folders);
}

void CPathIntake::takeLine(Batch &batch, QByteArrayView line, FolderCache &folders)
{
    takeUrl(batch, QUrl::fromEncoded(line.toByteArray()), folders);
}

QByteArrayView CPathIntake::plainPathOf(QByteArrayView line, bool &escaped)
{
    // "file:///" or "file://localhost/", and a path of characters that a URL carries as they are, and percent escapes.
    // QUrl would read the same path from it, and the bytes it names are those escapes undone. Anything else (another
    // scheme, a host, a query, a space, raw non-ASCII bytes) is left to QUrl.
    escaped = false;
    constexpr QByteArrayView noHost("file://");
    constexpr QByteArrayView localhost("file://localhost");
    const qsizetype schemeAndHost = line.startsWith(noHost) && line.sliced(noHost.size()).startsWith('/')
        ? noHost.size()
        : line.startsWith(localhost) && line.sliced(localhost.size()).startsWith('/') ? localhost.size()
                                                                                      : -1;
    if (schemeAndHost < 0)
        return {};
    bool anyEscape = false;
    const QByteArrayView path = line.sliced(schemeAndHost);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '%') {
            if (i + 2 >= path.size() || !isHexDigit(path[i + 1]) || !isHexDigit(path[i + 2]))
                return {};
            anyEscape = true;
        } else if (!isKeptInUrlPath(c)) {
            return {};
        }
    }
    escaped = anyEscape;
    return withoutDriveSlash(path);
}

CPathIntake::Packed CPathIntake::packUriList(QByteArrayView list)
{
    if (list.endsWith('\0'))
        list.chop(1);
    const qsizetype lines = lineCount(list);
    const QList<QByteArrayView> slices
        = linesInSlices(list, lines < kParallelFrom ? 1 : std::max(1, QThread::idealThreadCount()));
    Packed packed;
    packed.blocks.resize(static_cast<size_t>(slices.size()));
    // Each slice writes only its own entries of these vectors.
    std::vector<QStringList> refused(static_cast<size_t>(slices.size()));
    const auto packSlice = [&](qsizetype slice) {
        CPathBlock &paths = packed.blocks[static_cast<size_t>(slice)];
        const QByteArrayView part = slices.at(slice);
        // A path is never longer than the line that names it.
        paths.reserve(lineCount(part), part.size());
        FolderCache folders;
        Scratch scratch;
        forEachLine(part, [&](QByteArrayView line) {
            packLine(paths, refused[static_cast<size_t>(slice)], line, folders, scratch);
            return true;
        });
    };
    if (slices.size() == 1) {
        packSlice(0);
    } else {
        QList<qsizetype> indices(slices.size());
        std::iota(indices.begin(), indices.end(), 0);
        QtConcurrent::blockingMap(indices, packSlice);
    }
    for (const QStringList &part : refused)
        packed.undecodable += part;
    return packed;
}

void CPathIntake::packLine(CPathBlock &paths, QStringList &undecodable, QByteArrayView line, FolderCache &folders,
                           Scratch &scratch)
{
    bool escaped = false;
    const QByteArrayView plain = plainPathOf(line, escaped);
    const QByteArrayView path = escaped ? unescaped(plain, scratch.bytes) : plain;
    // Valid UTF-8 without NUL is a name the program can act on (isFileNameText() without its two conversions);
    // it is decoded into the scratch string, which keeps its memory from line to line. Every other line is
    // taken the general way and copied in.
    if (!path.isNull() && !path.contains('\0') && path.isValidUtf8()) {
        QStringDecoder utf8(QStringConverter::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        scratch.text.resize(path.size());
        const QChar *end = utf8.appendToBuffer(scratch.text.data(), path);
        scratch.text.resize(end - scratch.text.constData());
        packResolved(paths, scratch.text, folders);
        return;
    }
    Batch one;
    takeLine(one, line, folders);
    for (const QString &taken : std::as_const(one.paths))
        paths.append(taken);
    undecodable += one.undecodable;
}

void CPathIntake::packResolved(CPathBlock &paths, QStringView path, FolderCache &folders)
{
    QString changed;
    paths.append(resolvedView(path, folders, changed));
}

bool CPathIntake::takePlain(Batch &batch, const QUrl &url, FolderCache &folders)
{
    // A fully encoded path is ASCII; without a percent sign it is its own bytes and its own text, which then
    // need no decoding and no check. Most paths of a large drop are like that.
    if (!url.isLocalFile() || !url.host().isEmpty())
        return false;
    const QString encoded = withoutDriveSlash(url.path(QUrl::FullyEncoded));
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
    // A Windows command line may say "sub\dir"; on Linux a backslash is part of a name and stays one.
    const QString text = QDir::fromNativeSeparators(nameFromBytes(raw));
    if (isFileNameText(raw))
        batch.paths << resolvedIn(text, folders);
    else
        batch.undecodable << absolute(text);
}

qsizetype CPathIntake::cleanCut(QStringView path)
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
    const qsizetype drive = driveLength(path);
    QStringList parts = path.sliced(drive).split(u'/', Qt::SkipEmptyParts);
    last = parts.isEmpty() ? QString() : parts.takeLast();
    parts.removeAll(u"."_s);
    parent = path.first(drive) + u'/' + parts.join(u'/');
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
    QString changed;
    const QStringView resolved = resolvedView(given, folders, changed);
    // A path that is its own resolution is handed back as it is, without building it again.
    return resolved.data() == given.constData() && resolved.size() == given.size() ? given : changed;
}

QStringView CPathIntake::resolvedView(QStringView given, FolderCache &folders, QString &changed)
{
    const qsizetype cut = cleanCut(given);
    QString parentText;
    QString lastText;
    if (cut < 0)
        splitCleaned(given.toString(), parentText, lastText);
    // A clean path is its folder and last component joined again, and is looked at in place.
    const QStringView parent = cut < 0 ? QStringView(parentText)
        : cut == driveLength(given)    ? given.first(cut + 1)
                                       : given.first(cut);
    const QStringView last = cut < 0 ? QStringView(lastText) : given.sliced(cut + 1);
    if (last.isEmpty())
        return changed = parent.toString();
    if (cut < 0)
        changed = childOf(parentText, lastText);
    const QStringView lexical = cut < 0 ? QStringView(changed) : given;
    if (last == u"." || last == u"..") {
        const QString whole = QFileInfo(lexical.toString()).canonicalFilePath();
        if (whole.isEmpty())
            return lexical;
        return changed = whole;
    }
    const QString &real = realFolder(parent, folders);
    if (real.isEmpty() || real == parent)
        return lexical;
    return changed = childOf(real, last.toString());
}

const QString &CPathIntake::realFolder(QStringView folder, FolderCache &folders)
{
    // A large drop holds many items of few folders.
    auto known = folders.find(folder);
    if (known == folders.end())
        known = folders.emplace(folder.toString(), realFolderUncached(folder, folders)).first;
    return known->second;
}

// A folder in a real folder (its own resolution) is real itself unless it is a link: one look at it, instead of the
// system resolving every folder above it again. In a folder that is missing, nothing exists. Anything else, a link
// or a path that is not absolute, is left to the system.
QString CPathIntake::realFolderUncached(QStringView folder, FolderCache &folders)
{
    const qsizetype slash = folder.lastIndexOf(u'/');
    const QStringView name = folder.sliced(slash + 1);
    if (!folder.startsWith(u'/') || folder.startsWith(u"//") || slash <= 0 || name.isEmpty() || name == u"."
        || name == u"..")
        return QFileInfo(folder.toString()).canonicalFilePath();
    const QStringView parent = folder.first(slash);
    const QString &realParent = realFolder(parent, folders);
    if (realParent.isEmpty())
        return {};
    if (realParent != parent)
        return QFileInfo(folder.toString()).canonicalFilePath();
    const QString whole = folder.toString();
    switch (CSystem::look(whole).type) {
    case ItemFacts::Type::Folder:
    case ItemFacts::Type::File:
        return whole;
    case ItemFacts::Type::Missing:
        return {};
    case ItemFacts::Type::Other:
        break;
    }
    return QFileInfo(whole).canonicalFilePath();
}

bool CPathIntake::isDecodingArtefact(const QString &folder)
{
    return folder.contains(QChar::ReplacementCharacter) && !QFileInfo(folder).isDir();
}
