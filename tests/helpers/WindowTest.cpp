// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

CWindowTest::CWindowTest(Popups popups)
    : m_popups(popups)
{
}

void CWindowTest::init()
{
    const QString notes
        = m_popups == Popups::Opened ? u"propagateSizeHints|raise|grabbing the keyboard"_s : u"propagateSizeHints"_s;
    QTest::failOnWarning(QRegularExpression(u"^(?!This plugin does not support (%1))"_s.arg(notes)));
}

void CWindowTest::cleanup()
{
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}
