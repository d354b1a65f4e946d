// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

/// The modal questions the program asks; tests replace the real dialogs through this seam.
class IPrompter
{
public:
    virtual ~IPrompter() = default;
    /// A message with a single OK button. An empty caption means the title of the owner's window. `informative`, when
    /// given, is a second, smaller line under the text: the reason a failure is known to have.
    virtual void message(QWidget *owner, const QString &text, const QString &caption = {},
                         const QString &informative = {})
        = 0;
    /// A folder chosen by the user, or an empty string when the picker was cancelled. The picker opens in `start`.
    virtual QString chooseFolder(QWidget *owner, const QString &title, const QString &start) = 0;
};
