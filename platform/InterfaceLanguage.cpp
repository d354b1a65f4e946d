// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InterfaceLanguage.h"

#include <QLocale>
#include <QStringList>
#include <QtGlobal>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace
{
using Language = CInterfaceLanguage::Language;

/// The language a locale name such as "en_GB.UTF-8@euro" or "zh" stands for; none for one the program lacks.
std::optional<Language> languageOf(const QString &locale)
{
    const QString code = locale.section(u'_', 0, 0).section(u'.', 0, 0).section(u'@', 0, 0);
    if (code == u"en"_s)
        return Language::English;
    if (code == u"zh"_s)
        return Language::Chinese;
    return std::nullopt;
}

bool isPlainC(const QString &locale)
{
    return locale == u"C"_s || locale == u"POSIX"_s || locale.startsWith(u"C."_s);
}
} // namespace

CInterfaceLanguage::Language CInterfaceLanguage::fromEnvironment()
{
#ifdef Q_OS_WIN
    // Windows has no such variables; its display language is what QLocale reads first.
    return fromUiLanguages(QLocale::system().uiLanguages());
#else
    return choose(qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                  qEnvironmentVariable("LANG"));
#endif
}

CInterfaceLanguage::Language CInterfaceLanguage::fromUiLanguages(const QStringList &languages)
{
    // Like the list in LANGUAGE: the first language the program speaks wins.
    for (const QString &entry : languages) {
        if (const std::optional<Language> found = languageOf(QString(entry).replace(u'-', u'_')))
            return *found;
    }
    return Language::Chinese;
}

CInterfaceLanguage::Language CInterfaceLanguage::choose(const QString &language, const QString &lcAll,
                                                        const QString &lcMessages, const QString &lang)
{
    QString locale = u"C"_s;
    for (const QString &value : { lcAll, lcMessages, lang }) {
        if (!value.isEmpty()) {
            locale = value;
            break;
        }
    }
    // gettext ignores LANGUAGE under the C locale, where programs must keep their own texts.
    if (isPlainC(locale))
        return Language::Chinese;
    if (language.isEmpty())
        return languageOf(locale).value_or(Language::Chinese);
    // The list's languages without a catalogue are passed over; when none has one, the texts stay as written.
    for (const QString &entry : language.split(u':', Qt::SkipEmptyParts)) {
        if (isPlainC(entry))
            return Language::Chinese;
        if (const std::optional<Language> found = languageOf(entry))
            return *found;
    }
    return Language::Chinese;
}
