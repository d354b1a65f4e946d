// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NameComposer.h"

#include <QCoreApplication>

namespace
{
const char *const folderHint = QT_TRANSLATE_NOOP("CNameComposer", "拖入文件夹");
}

QString CNameComposer::prefixPlaceholder()
{
    return QCoreApplication::translate("CNameComposer", "（添加前缀）");
}

QString CNameComposer::namePlaceholder()
{
    return QCoreApplication::translate("CNameComposer", "（请在此处修改文件名）");
}

QString CNameComposer::suffixPlaceholder()
{
    return QCoreApplication::translate("CNameComposer", "（后缀）");
}

QString CNameComposer::folderPlaceholder()
{
    return QCoreApplication::translate("CNameComposer", folderHint);
}

QString CNameComposer::storedFolderPlaceholder()
{
    return QString::fromUtf8(folderHint);
}

QString CNameComposer::compose(const QString &prefix, const QString &name, const QString &suffix)
{
    const QString usedPrefix = prefix == prefixPlaceholder() ? QString() : prefix;
    const QString usedSuffix = suffix == suffixPlaceholder() ? QString() : suffix;
    return usedPrefix + name + usedSuffix;
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
