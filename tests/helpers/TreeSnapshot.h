// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

/// What lies below a folder, entry by entry and hidden ones included, to compare before and after an operation.
/// Keys are paths relative to the root.
class CTreeSnapshot
{
public:
    using Entries = QMap<QString, QByteArray>;

    enum class Detail {
        Contents, ///< a folder is "<folder>", a symbolic link "link to <target>", a file its bytes
        Metadata, ///< the mode in octal, then a link's target or the SHA-1 of a file's bytes
        MetadataAndChangeTime, ///< as Metadata, with the change time, which shows whether an entry was touched
    };

    [[nodiscard]] static Entries of(const QString &root, Detail detail = Detail::Contents);
    /// The entries after `from` (a file, or a folder with all it holds) was renamed to `to`.
    [[nodiscard]] static Entries moved(const Entries &entries, const QString &from, const QString &to);

    /// Makes the entries below `root`: a folder for each that ends in '/', else a file holding its own relative path,
    /// so that a swap or an overwrite shows. Returns false when one could not be made.
    static bool make(const QString &root, const QStringList &entries);
    /// The tree as make() takes it, sorted: folders as "dir/", files as "path=content".
    [[nodiscard]] static QStringList lines(const QString &root);
};
