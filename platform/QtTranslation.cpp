// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace
{
Q_LOGGING_CATEGORY(lcTranslation, "plindor.translation")

QTranslator *installed(QCoreApplication *app, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(app);
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator)) {
        // The program still works, in a mix of its texts and Qt's or in Chinese throughout.
        qCWarning(lcTranslation) << "the translation" << name << "was not found in" << folder;
        delete translator;
        return nullptr;
    }
    return translator;
}
} // namespace

QTranslator *CQtTranslation::install(QCoreApplication *app, CInterfaceLanguage::Language language)
{
    return language == CInterfaceLanguage::Language::English
        ? installed(app, u"plindor_en"_s, u":/i18n"_s)
        : installed(app, u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
