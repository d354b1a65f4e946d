// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PathBlock.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <unordered_map>

class QUrl;

/// Turns a path that enters the program (a drop, the command line, a second launch) into the file the system
/// would open, and refuses names whose bytes are not UTF-8: their decoded text names another file.
class CPathIntake
{
public:
    /// Paths split into those the program may act on and those it must refuse.
    struct Batch {
        QStringList paths; ///< resolved, in the order given
        QStringList undecodable; ///< decoded with replacement characters: for showing only, never for acting on
    };

    /// True when the bytes decode without loss, so that the text names the same file again, and hold no NUL.
    [[nodiscard]] static bool isFileNameText(QByteArrayView raw);
    /// The name that bytes stand for, and the bytes of a name: in the locale's encoding on Linux, where names are
    /// bytes; in UTF-8 on Windows, where names are UTF-16 and the ANSI code page would lose what it cannot spell.
    [[nodiscard]] static QString nameFromBytes(const QByteArray &bytes);
    [[nodiscard]] static QByteArray bytesOfName(const QString &name);
    /// True for a file URL of this machine: without a host, or with "localhost".
    [[nodiscard]] static bool isLocalFileUrl(const QUrl &url);
    /// The bytes a local file URL names, percent-decoding undone; empty for any other URL.
    [[nodiscard]] static QByteArray localBytes(const QUrl &url);
    /// The local files of `urls` in their order; other URLs are left out.
    [[nodiscard]] static Batch fromUrls(const QList<QUrl> &urls);
    /// The local files of a drag's text/uri-list, exactly as fromUrls() takes the URLs that QMimeData::urls() reads
    /// from the same bytes, in blocks: the paths end to end, one block for each core, in the drop's order. The
    /// plain file URLs that file managers send are read without building a QUrl or a string per path.
    struct Packed {
        std::vector<CPathBlock> blocks;
        QStringList undecodable;
    };
    [[nodiscard]] static Packed packUriList(QByteArrayView list);
    /// packUriList() with each path in a string of its own.
    [[nodiscard]] static Batch fromUriList(QByteArrayView list);
    /// Whether any line of a text/uri-list is a local file URL.
    [[nodiscard]] static bool hasFileUrl(QByteArrayView list);
    /// How many URLs a text/uri-list holds at most: its lines, counted without reading them.
    [[nodiscard]] static qsizetype lineCount(QByteArrayView list);
    /// Command-line arguments as the system passed them: paths (relative to the current folder) or absolute file URLs.
    [[nodiscard]] static Batch fromArguments(const QList<QByteArray> &arguments);
    /// The absolute path of the item the system would open: the folders above it with links and ".." resolved
    /// as the system does, the last component kept, so that a link stays a link. When those folders do not
    /// exist the path is only made absolute, so that it is reported missing rather than aimed elsewhere.
    [[nodiscard]] static QString resolved(const QString &path);
    /// resolved() for many paths, asking the file system once per folder.
    [[nodiscard]] static QStringList resolved(const QStringList &paths);
    /// True for a folder name from the folder picker that only a lossy decoding produced: it holds a replacement
    /// character and no such folder exists.
    [[nodiscard]] static bool isDecodingArtefact(const QString &folder);

private:
    /// Looks folders up by a view into the path, without copying the folder out first.
    struct FolderHash {
        using is_transparent = void;
        size_t operator()(QStringView folder) const noexcept
        {
            return qHash(folder);
        }
    };
    struct FolderEqual {
        using is_transparent = void;
        bool operator()(QStringView a, QStringView b) const noexcept
        {
            return a == b;
        }
    };
    /// Folders as given, mapped to what the file system resolved them to (empty when missing), for one batch.
    using FolderCache = std::unordered_map<QString, QString, FolderHash, FolderEqual>;

public:
    /// resolved() one path at a time, asking the file system once per folder across the calls.
    class Resolver
    {
    public:
        [[nodiscard]] QString operator()(const QString &path)
        {
            return resolvedIn(path, m_folders);
        }

    private:
        FolderCache m_folders;
    };

private:
    /// Takes a local file URL whose path needs no decoding; false when it needs the full treatment of take().
    static bool takePlain(Batch &batch, const QUrl &url, FolderCache &folders);
    /// The local file URL an argument is, or an empty URL when it is a path.
    [[nodiscard]] static QUrl fileUrlIn(const QByteArray &argument);
    static void takeUrl(Batch &batch, const QUrl &url, FolderCache &folders);
    /// Takes one line of a text/uri-list, whitespace already trimmed, through QUrl.
    static void takeLine(Batch &batch, QByteArrayView line, FolderCache &folders);
    /// The path of a "file:///" line that needs no parsing by QUrl, percent escapes and all; a null view when the
    /// line needs QUrl. `escaped` tells whether it holds escapes.
    [[nodiscard]] static QByteArrayView plainPathOf(QByteArrayView line, bool &escaped);
    /// Memory kept from line to line while a slice is packed.
    struct Scratch {
        QByteArray bytes;
        QString text;
    };
    /// takeLine() into a block.
    static void packLine(CPathBlock &paths, QStringList &undecodable, QByteArrayView line, FolderCache &folders,
                         Scratch &scratch);
    /// Appends the resolved form of an absolute path.
    static void packResolved(CPathBlock &paths, QStringView path, FolderCache &folders);
    static void take(Batch &batch, const QByteArray &raw, FolderCache &folders);
    [[nodiscard]] static QString resolvedIn(const QString &path, FolderCache &folders);
    /// resolvedIn() for an absolute path: `given` itself when it is its own resolution, else a view of `changed`,
    /// which then holds the resolved path.
    [[nodiscard]] static QStringView resolvedView(QStringView given, FolderCache &folders, QString &changed);
    [[nodiscard]] static const QString &realFolder(QStringView folder, FolderCache &folders);
    [[nodiscard]] static QString realFolderUncached(QStringView folder, FolderCache &folders);
    /// Where the last component of an absolute path starts, or -1 when the path holds redundant separators or
    /// "." and so must be taken apart first.
    [[nodiscard]] static qsizetype cleanCut(QStringView path);
    /// Splits an absolute path into its folder and its last component, both without redundant separators or ".".
    static void splitCleaned(const QString &path, QString &parent, QString &last);
    [[nodiscard]] static QString absolute(const QString &path);
};
