// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Finds a folder for this user's window lock and socket that no other user can enter, fill or replace.
class CRuntimeFolder
{
public:
    /// `sessionFolder` when it is private, else `fallbackParent`/plindor-<uid>, made if need be and used only when
    /// it is a private folder of ours with mode 0700 (on Windows `fallbackParent`/Plindor). Empty when neither will
    /// do; `problem` then says why.
    [[nodiscard]] static QString choose(const QString &sessionFolder, const QString &fallbackParent,
                                        QString *problem = nullptr);
    /// choose() over the session's $XDG_RUNTIME_DIR and /tmp; on Windows %LOCALAPPDATA%/Plindor.
    [[nodiscard]] static QString forThisUser(QString *problem = nullptr);
    /// True for an absolute path naming a real folder, not a link, that the effective user owns and nobody else may
    /// read, write or enter.
    [[nodiscard]] static bool isPrivate(const QString &path);
};
