// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// On Windows, a named mutex that says that this user runs Plindor, in any session, for as long as the process
/// lives. The installer and the uninstaller look for it: a running program holds its .exe and DLLs, which they
/// could replace or remove only in part. Its name is "Global\Plindor.Running.<user name>" (scripts/windows).
class CRunningMark
{
public:
    /// Takes the mark for the rest of the process; the system lets it go when the process ends, however it ends.
    static void hold();
};
