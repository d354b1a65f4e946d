// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Prompter.h"

#include <vector>

/// Answers nothing and shows nothing, so that a failed operation costs a benchmark no modal loop.
class CSilentPrompter : public IPrompter
{
public:
    void message(QWidget *owner, const QString &text, const QString &caption, const QString &informative) override;
    QString chooseFolder(QWidget *owner, const QString &title, const QString &start) override;
};

/// The middle one of the values (the upper middle of an even count), or -1 when there are none.
double median(std::vector<double> values);
