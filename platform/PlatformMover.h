// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Mover.h"

#include <memory>

/// The mover of the system the program runs on, so that the window and the tests never name one.
[[nodiscard]] std::unique_ptr<IMover> makeMover();
