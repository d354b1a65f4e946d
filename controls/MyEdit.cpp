// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyEdit.h"

#include "controls/DropPaths.h"
#include "controls/PathParts.h"
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
    const QString path = CDropPaths::firstLocalPath(event->mimeData());
    if (path.isEmpty() || !CDropPaths::acceptWithoutMove(event)) {
        event->ignore();
        return;
    }
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
    Q_EMIT pathDropped(this);
}
