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
}

QTranslator *CQtTranslation::install(QCoreApplication *app)
{
    auto *translator = new QTranslator(app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(u"qtbase_zh_CN"_s, folder) || !QCoreApplication::installTranslator(translator)) {
        // The program still works; Qt's buttons and menus are English then.
        qCWarning(lcTranslation) << "Qt's Chinese translation qtbase_zh_CN.qm was not found in" << folder;
        delete translator;
        return nullptr;
    }
    return translator;
}
