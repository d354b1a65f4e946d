// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OperationCheck.h"

#include <QString>

#include <optional>

/// Asks the file system what a warning before the click needs to know about one planned move. Every call may block
/// as long as the disks it touches do, so the window asks from another thread.
class CTargetFacts
{
public:
    struct Question {
        QString source;
        QString folder; ///< the target folder
        QString destination; ///< the target folder and the new name
        /// Set when a taken name is to be numbered: the plan, as made before any number, and the extension.
        std::optional<COperationPlanner::Plan> numbering {};
        QString extension {};
    };

    [[nodiscard]] static COperationCheck::Facts probe(const Question &question);
};
