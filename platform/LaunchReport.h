// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// What a launch has to tell its user before any window of its own is open: a hand-over that did not happen or was
/// cut short. Written where the user will see it.
class CLaunchReport
{
public:
    /// On Linux the terminal's standard error; on Windows that too where there is one (a console, or a redirection),
    /// else a message box, since a program started from Explorer or "Send to" has nowhere else to say it.
    static void say(const QString &line);
};
