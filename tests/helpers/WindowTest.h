// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

/// The base of the tests that open windows: any warning fails a test, but the offscreen platform's note that it
/// cannot pass size hints on; no window outlives its test.
class CWindowTest : public QObject
{
    Q_OBJECT
protected:
    enum class Popups { None, Opened };
    explicit CWindowTest(Popups popups = Popups::None);

private Q_SLOTS:
    void init();
    void cleanup();

private:
    const Popups m_popups;
};

/// The base of the tests that open message boxes, menus or popups: the offscreen platform also says that it cannot
/// raise them or grab the keyboard for them, and that is no fault either.
class CPopupWindowTest : public CWindowTest
{
protected:
    CPopupWindowTest()
        : CWindowTest(Popups::Opened)
    {
    }
};
