// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

/// The language the window speaks. Its texts are written in Chinese; English is the one translation.
class CInterfaceLanguage
{
public:
    enum class Language { Chinese, English };

    /// The language the user's environment asks for: on Windows, the display language.
    [[nodiscard]] static Language fromEnvironment();
    /// The first language the program speaks in a list of BCP 47 names such as QLocale::uiLanguages() gives
    /// ("en-GB", "zh-Hans-CN"); Chinese when none is one of them.
    [[nodiscard]] static Language fromUiLanguages(const QStringList &languages);
    /// The language for these values of LANGUAGE, LC_ALL, LC_MESSAGES and LANG, chosen as gettext chooses a
    /// message catalogue: the first of LC_ALL, LC_MESSAGES and LANG that is set names the locale; unless that
    /// locale is C or POSIX, LANGUAGE's list comes first and its first language the program speaks wins. Chinese
    /// for everything else, since the texts are written in it.
    [[nodiscard]] static Language choose(const QString &language, const QString &lcAll, const QString &lcMessages,
                                         const QString &lang);
};
