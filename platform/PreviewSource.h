// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <atomic>
#include <stop_token>

/// What the preview shows for one path: a picture, or the type's icon and why there is no picture, and the line of
/// facts under it.
struct CPreview {
    /// Why the picture is missing. None also for a type that has no picture and no thumbnail: its icon is all there is.
    enum class Problem {
        None,
        Missing,
        NotRegular, ///< a pipe, a device or a socket: opening it could block or have effects
        Unreadable,
        DamagedPdf,
        EncryptedPdf,
        NoPdfSupport, ///< built without Qt PDF, or its module is missing
        ImageTooLarge,
        DamagedImage,
        NoAnswer, ///< the disk did not answer within the time limit
        Slow, ///< the disk answered, but reading took longer than the time limit
        FolderHangs, ///< an earlier question in the same folder has not come back
        Cancelled,
        TooMuchMemory, ///< drawing it needed more memory than the preview may take
        HelperFailed, ///< the preview program ended, or answered what is not an answer, while it read the item
        NoHelper, ///< the preview program is not where it was installed, or does not start
    };

    QString path;
    QImage image; ///< null when the icon is shown
    QString iconName; ///< the type's icon in the icon theme, and its generic fallback
    QString genericIconName;
    bool folder = false;
    Problem problem = Problem::None;
    QString reason; ///< the problem in the user's words
    QString info; ///< type, size, modification date, pages or pixels or entries
    int pages = -1;
    QSize pixels; ///< an image's size as shown, after its EXIF rotation
    qint64 entries = -1; ///< a folder's, up to CPreviewSource::kMostEntries + 1
    bool fromCache = false;
    QString pageText; ///< page 1's text layer, for a PDF that has one
    QSize box; ///< the box the picture was asked to fit
};

/// Reads what the preview shows, on whatever thread calls it: the facts of a path, an image through QImageReader,
/// page 1 of a PDF through Qt PDF, the system's thumbnail of other types (and of a PDF where this build has no Qt
/// PDF): the shared freedesktop cache on Linux, the shell's on Windows (CShellThumbnail); a folder's entries. It
/// reads only, never opens anything but a regular file, and never decodes an image larger than kMostPixels.
class CPreviewSource
{
public:
    /// A larger image is refused by what its header claims, before a pixel is decoded (a 40 MP photo is 160 MB).
    static constexpr qint64 kMostPixels = 40'000'000;
    /// The decoders' own ceiling, for formats whose header tells no size.
    static constexpr int kAllocationLimitMb = 200;
    static constexpr qint64 kMostEntries = 100'000;

    /// The stat of a path: what the cache keys on, and what tells whether the disk answers at all.
    struct Facts {
        QString path;
        bool exists = false;
        bool folder = false;
        bool regular = false;
        qint64 size = 0;
        QDateTime modified;
    };
    [[nodiscard]] static Facts facts(const QString &path);

    /// The preview of `facts`' path, its picture fitting `box` (device pixels). Stops early, as Cancelled, once
    /// `stop` is requested.
    [[nodiscard]] static CPreview read(const Facts &facts, QSize box, std::stop_token stop = {});

    /// What can be shown without touching the disk: the icon the name suggests, and the problem.
    [[nodiscard]] static CPreview unanswered(const QString &path, CPreview::Problem problem);

    /// Whether this build shows PDF pages.
    [[nodiscard]] static bool readsPdf();

    /// The folder where the freedesktop thumbnail cache lives (under $XDG_CACHE_HOME); Linux reads it, Windows not.
    [[nodiscard]] static QString thumbnailFolder();
    /// The name of the thumbnail of `path` in any of the cache's size folders: the MD5 of its file URI.
    [[nodiscard]] static QString thumbnailName(const QString &path);
};
