// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyComboBox.h"

#include "controls/DropPaths.h"
#include "core/PathParts.h"
#include "platform/PathProbe.h"

#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

CMyComboBox::CMyComboBox(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!m_confirmingText)
            Q_EMIT entryChosen(index);
    });
}

CMyComboBox::~CMyComboBox() = default;

bool CMyComboBox::sortsBefore(const QString &a, const QString &b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

void CMyComboBox::setPlaceholderEntry(const QString &text)
{
    m_placeholderEntry = text;
}

void CMyComboBox::setSorted(bool sorted)
{
    m_sorted = sorted;
}

int CMyComboBox::addString(const QString &text)
{
    int index = count();
    if (m_sorted) {
        index = 0;
        while (index < count() && !sortsBefore(text, itemText(index)))
            ++index;
    }
    insertItem(index, text);
    return index;
}

int CMyComboBox::findExact(const QString &text) const
{
    return findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
}

void CMyComboBox::addAndSelect(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    const int found = findExact(shown);
    setCurrentIndex(found >= 0 ? found : addString(shown));
}

// Qt reports Return, Tab or a click elsewhere as an activation when the typed text equals an entry; the user
// typed that text, so it is used like any other typed text: only when asked for.
void CMyComboBox::keyPressEvent(QKeyEvent *event)
{
    const QScopedValueRollback confirming(m_confirmingText,
                                          event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
    QComboBox::keyPressEvent(event);
}

void CMyComboBox::focusOutEvent(QFocusEvent *event)
{
    const QScopedValueRollback confirming(m_confirmingText, true);
    QComboBox::focusOutEvent(event);
}

void CMyComboBox::dragEnterEvent(QDragEnterEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyComboBox::dragMoveEvent(QDragMoveEvent *event)
{
    CDropPaths::acceptIfLocal(event);
}

void CMyComboBox::dropEvent(QDropEvent *event)
{
    const std::optional<QString> dropped
        = CDropPaths::acceptFirstPath(event, [this](const QStringList &names) { Q_EMIT undecodableDropped(names); });
    if (!dropped)
        return;
    const QString &path = *dropped;
    takeDrop(path);
    Q_EMIT folderDropped(m_filePath);
}

void CMyComboBox::takeDrop(const QString &path)
{
    if (count() > 0 && !m_placeholderEntry.isEmpty() && itemText(0) == m_placeholderEntry)
        removeItem(0);
    m_count = count();
    // The whole control is the drop target, so a drop on the arrow counts like one on the text field.
    m_filePathName = path;
    if (CPathProbe::isDirectory(path)) {
        m_extend.clear();
        m_fileName.clear();
        m_filePath = m_filePathName;
        m_isFile = 0;
    } else {
        const QString fileName = CPathParts::lastComponentOf(path);
        m_filePath = CPathParts::directoryOf(path);
        m_extend = CPathParts::extensionOf(fileName);
        m_fileName = CPathParts::baseNameOf(fileName);
        m_isFile = 1;
    }
    addAndSelect(m_filePath);
}
