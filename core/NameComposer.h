// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// How the prefix, name and suffix edits become a new name.
class CNameComposer
{
public:
    // The placeholders are in the interface's language: what the edits and the list show.
    [[nodiscard]] static QString prefixPlaceholder();
    [[nodiscard]] static QString namePlaceholder();
    [[nodiscard]] static QString suffixPlaceholder();
    /// The entry an empty target-folder list shows.
    [[nodiscard]] static QString folderPlaceholder();
    /// The same entry as the profile keeps it: as written, in Chinese, whatever the language shown.
    [[nodiscard]] static QString storedFolderPlaceholder();

    /// True when `text` is exactly one of the three edits' placeholders, in any language the program speaks.
    [[nodiscard]] static bool isEditPlaceholder(const QString &text);
    /// What an edit showing `shown` holds of the user's own: nothing while it shows a placeholder.
    [[nodiscard]] static QString typedText(const QString &shown);

    /// Prefix + name + suffix, where an edit showing exactly a placeholder, of any language, counts as empty.
    [[nodiscard]] static QString compose(const QString &prefix, const QString &name, const QString &suffix);
    /// The name that, between `prefix` and `suffix` as the edits show them, composes `composed`; empty when
    /// `composed` does not begin and end with them, or nothing is left between them.
    [[nodiscard]] static QString nameBetween(const QString &composed, const QString &prefix, const QString &suffix);
    /// The name with `text` put in front, unless the name already contains it anywhere.
    [[nodiscard]] static QString insertOnce(const QString &text, const QString &name);
    /// True when the target-folder field names no folder.
    [[nodiscard]] static bool isNoFolder(const QString &folderText);
};
