// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

/// The base of the tests that open windows: any warning fails a test, but the offscreen platform's notes on what it
/// cannot do (size hints, raising a box or a menu, grabbing the keyboard for a popup); no window outlives its test.
class CWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
};
