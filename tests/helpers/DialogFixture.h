// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialog/ControlIds.h"
#include "dialog/PlindorDlg.h"
#include "helpers/FakePrompter.h"
#include "settings/PlindorSettings.h"

#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class CJournal;
class CMyButton;
class CMyComboBox;
class CMyEdit;
class CMyListBox;
class QPushButton;

/// A shown main window over a throw-away profile, with the prompter a test can read, and typed access to controls.
class CDialogFixture
{
public:
    explicit CDialogFixture(QDate today = QDate(2026, 12, 7));
    ~CDialogFixture();

    /// Closes the window through its exit path and opens a new one over the same profile;
    /// `whileClosed` runs in between, when no window holds the profile. Returns whether the new window is shown,
    /// with its journal when there is one, and whileClosed's checks passed.
    [[nodiscard]] bool restart(const std::function<void()> &whileClosed = {});

    [[nodiscard]] CPlindorDlg &dlg() const;
    [[nodiscard]] CFakePrompter &prompter() const;
    [[nodiscard]] QString profilePath() const;
    /// Journals this window's operations, and every window restart() opens, in a journal beside the profile.
    /// Returns whether the journal could be opened.
    [[nodiscard]] bool useJournal();
    [[nodiscard]] CJournal *journal() const;
    [[nodiscard]] QString journalPath() const;

    [[nodiscard]] CMyListBox *queue() const;
    [[nodiscard]] CMyEdit *edit(int id) const;
    [[nodiscard]] CMyComboBox *combo(int id) const;
    [[nodiscard]] CMyButton *dropButton(int id) const;
    [[nodiscard]] QPushButton *button(int id) const;

    /// Drops local paths on the queue through the event path.
    bool dropOnQueue(const QStringList &paths) const;
    /// Clicks a push button with the mouse.
    void click(int id) const;
    /// Texts of the prefix, name and suffix edits joined by '|'.
    [[nodiscard]] QString editorTexts() const;
    /// Texts of all messages shown so far, joined by '|'; clears the record.
    QString takeMessages() const;

private:
    bool open();

    QDate m_today;
    QTemporaryDir m_profileDir;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<CPlindorSettings> m_settings;
    CFakePrompter *m_prompter = nullptr;
    std::unique_ptr<CPlindorDlg> m_dlg;
    std::unique_ptr<CJournal> m_journal;
};
