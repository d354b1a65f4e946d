// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"

#include "controls/DropPaths.h"
#include "core/PathParts.h"
#include "platform/PathProbe.h"

#include <QDir>
#include <QDropEvent>
#include <QMouseEvent>

using namespace Qt::Literals::StringLiterals;

CMyButton::CMyButton(const QString &text, QWidget *parent)
    : QPushButton(parent)
{
    setCaption(text);
}

CMyButton::~CMyButton() = default;

void CMyButton::setCaption(const QString &caption)
{
    setText(QString(caption).replace(u'&', u"&&"_s));
}

QString CMyButton::caption() const
{
    return text().replace(u"&&"_s, u"&"_s);
}

void CMyButton::dragEnterEvent(QDragEnterEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyButton::dragMoveEvent(QDragMoveEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyButton::dropEvent(QDropEvent *event)
{
    const std::optional<QString> dropped
        = CDropPaths::acceptFirstPath(event, [this](const QStringList &names) { Q_EMIT undecodableDropped(names); });
    if (!dropped)
        return;
    const QString &path = *dropped;
    link(path);
    Q_EMIT linked(this);
}

void CMyButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        Q_EMIT rightClicked(this);
    QPushButton::mousePressEvent(event);
}

void CMyButton::link(const QString &path)
{
    m_filePathName = path;
    if (CPathProbe::isDirectory(path)) {
        m_isFile = 0;
    } else {
        // A dropped file links the button to the folder that holds it.
        m_fileName = CPathParts::lastComponentOf(path);
        m_filePathName = CPathParts::directoryOf(path);
        m_isFile = 1;
    }
    m_Name = CPathParts::lastComponentOf(m_filePathName);
    m_filePath = CPathParts::directoryOf(m_filePathName);
    // Only a filesystem root has no name of its own; its path is the caption then.
    setCaption(m_Name.isEmpty() ? QDir::toNativeSeparators(m_filePathName) : m_Name);
}
