// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/FakePrompter.h"

void CFakePrompter::message(QWidget *owner, const QString &text, const QString &caption, const QString &informative)
{
    messages.append({ text, caption, owner, informative });
    if (whileShown)
        whileShown(messages.constLast());
}

QString CFakePrompter::chooseFolder(QWidget *, const QString &title, const QString &start)
{
    folderTitles << title;
    folderStarts << start;
    return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
}

QStringList CFakePrompter::texts() const
{
    QStringList shown;
    for (const Message &shownMessage : messages)
        shown << shownMessage.text;
    return shown;
}

QStringList CFakePrompter::takeTexts()
{
    const QStringList shown = texts();
    messages.clear();
    return shown;
}
