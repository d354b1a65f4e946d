// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NameComposer.h"

using namespace Qt::Literals::StringLiterals;

QString CNameComposer::prefixPlaceholder()
{
    return u"（添加前缀）"_s;
}

QString CNameComposer::namePlaceholder()
{
    return u"（请在此处修改文件名）"_s;
}

QString CNameComposer::suffixPlaceholder()
{
    return u"（后缀）"_s;
}

QString CNameComposer::folderPlaceholder()
{
    return u"拖入文件夹"_s;
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
