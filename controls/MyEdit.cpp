// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyEdit.h"

#include "controls/DropPaths.h"
#include "core/PathParts.h"
#include "platform/PathProbe.h"

#include <QDropEvent>

CMyEdit::CMyEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

CMyEdit::~CMyEdit() = default;

void CMyEdit::dragEnterEvent(QDragEnterEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyEdit::dragMoveEvent(QDragMoveEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyEdit::dropEvent(QDropEvent *event)
{
    const std::optional<QString> dropped
        = CDropPaths::acceptFirstPath(event, [this](const QStringList &names) { Q_EMIT undecodableDropped(names); });
    if (!dropped)
        return;
    const QString &path = *dropped;
    m_filePathName = path;
    m_filePath = CPathParts::directoryOf(path);
    if (CPathProbe::isDirectory(path)) {
        m_Name = CPathParts::lastComponentOf(path);
        m_extend.clear();
        m_isFile = 0;
    } else {
        m_fileName = CPathParts::lastComponentOf(path);
        m_extend = CPathParts::extensionOf(m_fileName);
        m_Name = CPathParts::baseNameOf(m_fileName);
        m_isFile = 1;
    }
    Q_EMIT pathDropped(path);
}
