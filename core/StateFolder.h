// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The folder of what the program keeps between runs besides the profile: the journal and the saved queue.
class CStateFolder
{
public:
    /// $XDG_STATE_HOME/Plindor, or ~/.local/state/Plindor when the variable is unset or relative.
    [[nodiscard]] static QString path();
    /// Renames a damaged SQLite file and its companions aside under one dated name; answers that name, empty when
    /// the file could not be moved.
    [[nodiscard]] static QString keepAside(const QString &file);
};
