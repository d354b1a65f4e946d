// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The desktop's file manager, as far as Plindor asks anything of it.
class CFileManager
{
public:
    /// Opens the item's folder with the item selected, through the desktop's common file-manager interface on the
    /// session bus (on Windows, Explorer's /select); where no file manager offers it, opens the folder alone. False
    /// when neither worked.
    static bool showItem(const QString &path);
};
