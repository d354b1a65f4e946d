// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;
class QTranslator;

/// Qt's own texts (message box buttons, the folder picker, the edits' context menu) in the interface's language.
class CQtTranslation
{
public:
    /// Installs Qt's Chinese translation on `app`, whatever the user's locale: the interface is Chinese, and its
    /// dialogs must not mix in English buttons. Returns the installed translator, owned by `app` (deleting it
    /// uninstalls it), or nullptr when the translation is not installed on this system.
    static QTranslator *install(QCoreApplication *app);
};
