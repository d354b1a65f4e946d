// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Prompter.h"

#include <QList>
#include <QStringList>

#include <functional>

/// Stands in for the message boxes and the folder picker: records every message and answers from a script.
class CFakePrompter : public IPrompter
{
public:
    struct Message {
        QString text;
        QString caption;
        QWidget *owner;
        QString informative;
    };

    void message(QWidget *owner, const QString &text, const QString &caption, const QString &informative) override;
    QString chooseFolder(QWidget *owner, const QString &title, const QString &start) override;

    /// The texts of the messages shown so far, oldest first.
    [[nodiscard]] QStringList texts() const;
    /// As texts(), and forgets the messages.
    QStringList takeTexts();

    QList<Message> messages; ///< every message shown, oldest first
    /// Runs as each message is shown, to look at the window while a real box would be open.
    std::function<void(const Message &)> whileShown;
    QStringList folderAnswers; ///< answers for the folder picker, taken from the front; empty means cancelled
    QStringList folderTitles; ///< the titles the picker was opened with
    QStringList folderStarts; ///< the folders the picker opened in
};
