// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InterfaceLanguage.h"

class QCoreApplication;
class QTranslator;

/// The interface's texts in its language: the program's own, and Qt's (message box buttons, the folder picker,
/// the edits' context menu), which must not speak another language than the window around them.
class CQtTranslation
{
public:
    /// Installs on `app` what `language` needs, whatever the user's locale: Qt's Chinese translation for Chinese,
    /// the program's English translation for English, where Qt's own texts are English already. Returns the
    /// installed translator, owned by `app` (deleting it uninstalls it), or nullptr, logged, when it is missing.
    static QTranslator *install(QCoreApplication *app, CInterfaceLanguage::Language language);
};
