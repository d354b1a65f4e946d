// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

/// An editable drop-down list that can keep itself sorted and adds the folder of a path dropped on it.
class CMyComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit CMyComboBox(QWidget *parent = nullptr);
    ~CMyComboBox() override;

    /// The order of sorted lists: case-insensitive, then by code unit, so digits come before 年, 月 and 日
    /// and a text before any longer text it begins.
    [[nodiscard]] static bool sortsBefore(const QString &a, const QString &b);
    /// The entry an empty folder list shows; a drop replaces it.
    void setPlaceholderEntry(const QString &text);
    /// Sorted lists insert every new entry at its place in the text order.
    void setSorted(bool sorted);
    /// Adds an entry (at its sorted place, or at the end) and returns its index.
    int addString(const QString &text);
    /// The index of the entry equal to `text` letter for letter, or -1.
    [[nodiscard]] int findExact(const QString &text) const;
    /// Adds `folder` unless it is listed already, and selects it either way.
    void addAndSelect(const QString &folder);

    QString m_fileName; ///< base name of the last dropped file
    QString m_filePath; ///< the folder the last drop yields: the folder itself, or the file's folder
    QString m_filePathName; ///< the dropped path
    QString m_extend; ///< extension of a dropped file, with its dot
    QString m_Name; ///< unused by the list
    int m_count = 0; ///< entries before the last drop, after the placeholder was removed
    int m_isFile = 0; ///< 1 for a file, 0 for a folder

Q_SIGNALS:
    /// A dropped path's folder, `folder`, was added to the list or selected in it.
    void folderDropped(const QString &folder);
    /// Dropped names that cannot be read were refused; the text is for showing only.
    void undecodableDropped(const QStringList &paths);
    /// The user chose an entry: in the opened list, or by stepping to it with the arrow keys or the wheel.
    /// Confirming or leaving a typed text that happens to equal an entry is no choice.
    void entryChosen(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void takeDrop(const QString &path);

    bool m_sorted = false;
    bool m_confirmingText = false;
    QString m_placeholderEntry;
};
