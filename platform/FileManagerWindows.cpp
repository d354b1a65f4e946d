// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileManager.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

// Explorer reads "/select," and the path as one request; as two arguments, the path keeps its own quotes when it holds
// a space.
bool CFileManager::showItem(const QString &path)
{
    if (QFileInfo::exists(path)
        && QProcess::startDetached(u"explorer.exe"_s, { u"/select,"_s, QDir::toNativeSeparators(path) }))
        return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}
