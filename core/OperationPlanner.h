// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/JournalEntry.h"

#include <QString>

#include <functional>

/// Works out where a rename, a move or a quick-move sends the loaded item, or why it cannot go anywhere, from
/// copies of what the window showed when the button was clicked. It touches no file: the mover does that.
class COperationPlanner
{
public:
    /// The loaded item and the three name edits as they were at the click. Paths use '/' as Qt does.
    struct Item {
        QString sourcePath;
        QString folder; ///< the folder the item lies in
        QString prefix;
        QString name;
        QString suffix;
        QString extension; ///< with its dot; empty for a folder
    };

    /// Where the item should go. Only the fields of the plan's kind are read.
    struct Target {
        /// Rename in place, Move into the folder typed or chosen in the target-folder list, QuickMove into a
        /// quick-move button's linked folder.
        JournalEntry::Kind kind = JournalEntry::Kind::Rename;
        QString folderText; ///< Move: the target-folder list's text, as shown
        QString linkParent; ///< QuickMove: the folder the linked folder lies in; empty when never linked
        QString linkName; ///< QuickMove: the linked folder's own name
        /// A taken name becomes the first free name_2 … name_999; the mover finds out which is free.
        bool numberOnClash = false;

        [[nodiscard]] static Target rename();
        [[nodiscard]] static Target move(const QString &folderText);
        [[nodiscard]] static Target quickMove(const QString &linkParent, const QString &linkName);
    };

    /// Why nothing will be moved. The window turns each into its message.
    enum class Refusal {
        None,
        EmptyName, ///< the name edit is empty: nothing happens
        NoFolderChosen, ///< Move with the list's placeholder or an empty text
        ButtonNotLinked, ///< QuickMove with a button that was never given a folder
        RelativePath, ///< the folder or the source is relative: there is no current folder a user could see
    };

    struct Plan {
        Refusal refusal = Refusal::None;
        QString composedName; ///< prefix + name + suffix; empty where refused before composing
        QString folder; ///< the destination folder
        QString newName; ///< the composed name with the extension
        QString destination; ///< folder and new name joined
        bool numberOnClash = false; ///< copied from the target

        [[nodiscard]] bool ok() const
        {
            return refusal == Refusal::None;
        }
    };

    /// The highest number a taken name is given.
    static constexpr int kLastNumber = 999;

    [[nodiscard]] static Plan plan(const Item &item, const Target &target);
    /// `plan` (as plan() made it) with "_<number>" after the composed name, before the extension.
    [[nodiscard]] static Plan numbered(const Plan &plan, const QString &extension, int number);
    /// The first numbered name whose destination `isFree` says is free, or none: the name the mover would come to,
    /// as things stand. The warning tells it; the mover finds it out again.
    [[nodiscard]] static QString firstFreeNumbered(const Plan &plan, const QString &extension,
                                                   const std::function<bool(const QString &destination)> &isFree);
};
