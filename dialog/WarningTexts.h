// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OperationCheck.h"

#include <QString>

/// Words a warning before the click in the window's own short style, naming the character, the limit or the name.
class CWarningTexts
{
public:
    /// The reason without the warning sign; empty for no warning.
    [[nodiscard]] static QString text(const COperationCheck::Warning &warning);
    /// The reason as the button's tooltip shows it, behind the warning sign.
    [[nodiscard]] static QString toolTip(const COperationCheck::Warning &warning);
};
