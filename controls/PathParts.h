// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The path splits every drop target and the name editor share. Paths use '/' as Qt does.
class CPathParts
{
public:
    /// Everything before the last separator, without it; empty when there is none.
    [[nodiscard]] static QString directoryOf(const QString &path);
    /// A directory part as a folder to list: an empty one is the filesystem root.
    [[nodiscard]] static QString folderOf(const QString &directory);
    /// Everything after the last separator: a file's name with extension, or a folder's own name.
    [[nodiscard]] static QString lastComponentOf(const QString &path);
    /// The extension with its dot. A name without a dot, or whose only dot leads it
    /// (".profile": a hidden file), has none.
    [[nodiscard]] static QString extensionOf(const QString &fileName);
    /// The file name without its extension.
    [[nodiscard]] static QString baseNameOf(const QString &fileName);
    /// Joins a folder and a name with exactly one separator when the folder is a filesystem root
    /// that already ends in one, otherwise with one inserted.
    [[nodiscard]] static QString joinRootAware(const QString &folder, const QString &name);
    /// Always inserts one separator, as the quick-move buttons do.
    [[nodiscard]] static QString join(const QString &folder, const QString &name);
};
