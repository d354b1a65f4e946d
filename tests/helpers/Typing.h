// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

/// Types into `widget` as a user does: ASCII key by key, anything else as an input method commits it.
void typeLikeAUser(QWidget *widget, const QString &text);
