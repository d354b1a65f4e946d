// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Prompter.h"

/// The real message boxes and folder picker.
class CWidgetPrompter : public IPrompter
{
public:
    void message(QWidget *owner, const QString &text, const QString &caption, const QString &informative) override;
    QString chooseFolder(QWidget *owner, const QString &title, const QString &start) override;
};
