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
    const std::optional<CPathIntake::Batch> batch = CDropPaths::acceptDrop(event);
    if (!batch)
        return;
    // One path is taken: the first that can be read. Refused names are reported only when none can.
    if (batch->paths.isEmpty()) {
        Q_EMIT undecodableDropped(batch->undecodable);
        return;
    }
    const QString path = batch->paths.constFirst();
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
