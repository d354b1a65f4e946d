// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The path splits every drop target and the name editor share. Paths use '/' as Qt does.
class CPathParts
{
public:
    /// Everything before the last separator, without it; empty when there is none. The root keeps its separator:
    /// an entry directly under it, and the root itself, give "/", never an empty parent.
    [[nodiscard]] static QString directoryOf(const QString &path);
    /// Everything after the last separator: a file's name with extension, or a folder's own name.
    [[nodiscard]] static QString lastComponentOf(const QString &path);
    /// The extension with its dot. A name without a dot, or whose only dot leads it
    /// (".profile": a hidden file), has none.
    [[nodiscard]] static QString extensionOf(const QString &fileName);
    /// The file name without its extension.
    [[nodiscard]] static QString baseNameOf(const QString &fileName);
    /// Joins a folder and a name with one separator; a folder that ends in one, as the root does, gets no second,
    /// so the root joined with an empty name is the root. The inverse of directoryOf() and lastComponentOf().
    [[nodiscard]] static QString join(const QString &folder, const QString &name);
};
