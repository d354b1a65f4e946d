// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// What a screen reader says for each control: a short name and what the control does.
class CAccessibleTexts
{
public:
    /// The control's name; empty where its caption serves.
    [[nodiscard]] static QString name(int id);
    [[nodiscard]] static QString description(int id);
};
