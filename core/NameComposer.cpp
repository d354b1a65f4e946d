// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NameComposer.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace
{
const char *const context = "CNameComposer";
const char *const folderHint = QT_TRANSLATE_NOOP("CNameComposer", "拖入文件夹");
const std::array editHints { QT_TRANSLATE_NOOP("CNameComposer", "（添加前缀）"),
                             QT_TRANSLATE_NOOP("CNameComposer", "（请在此处修改文件名）"),
                             QT_TRANSLATE_NOOP("CNameComposer", "（后缀）") };

// The edits' placeholders as written and in every translation the program carries, whichever is shown now: the
// saved edits of an earlier start may hold those of another language.
QStringList editPlaceholdersOfEveryLanguage()
{
    QStringList texts;
    for (const char *hint : editHints)
        texts << QString::fromUtf8(hint);
    const QDir translations(u":/i18n"_s);
    for (const QString &file : translations.entryList({ u"*.qm"_s }, QDir::Files)) {
        QTranslator translator;
        if (!translator.load(translations.filePath(file)))
            continue;
        for (const char *hint : editHints) {
            if (const QString text = translator.translate(context, hint); !text.isEmpty())
                texts << text;
        }
    }
    return texts;
}
} // namespace

QString CNameComposer::prefixPlaceholder()
{
    return QCoreApplication::translate(context, editHints.at(0));
}

QString CNameComposer::namePlaceholder()
{
    return QCoreApplication::translate(context, editHints.at(1));
}

QString CNameComposer::suffixPlaceholder()
{
    return QCoreApplication::translate(context, editHints.at(2));
}

bool CNameComposer::isEditPlaceholder(const QString &text)
{
    static const QStringList known = editPlaceholdersOfEveryLanguage();
    return known.contains(text) || text == prefixPlaceholder() || text == namePlaceholder()
        || text == suffixPlaceholder();
}

QString CNameComposer::typedText(const QString &shown)
{
    return isEditPlaceholder(shown) ? QString() : shown;
}

QString CNameComposer::folderPlaceholder()
{
    return QCoreApplication::translate(context, folderHint);
}

QString CNameComposer::storedFolderPlaceholder()
{
    return QString::fromUtf8(folderHint);
}

QString CNameComposer::compose(const QString &prefix, const QString &name, const QString &suffix)
{
    return typedText(prefix) + typedText(name) + typedText(suffix);
}

QString CNameComposer::nameBetween(const QString &composed, const QString &prefix, const QString &suffix)
{
    const QString front = typedText(prefix);
    const QString back = typedText(suffix);
    if (composed.size() <= front.size() + back.size() || !composed.startsWith(front) || !composed.endsWith(back))
        return {};
    return composed.sliced(front.size(), composed.size() - front.size() - back.size());
}

QString CNameComposer::insertOnce(const QString &text, const QString &name)
{
    // An empty text is found in every name, so it never inserts anything.
    return name.contains(text) ? name : text + name;
}

bool CNameComposer::isNoFolder(const QString &folderText)
{
    return folderText.isEmpty() || folderText == folderPlaceholder();
}
