// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

void CWindowTest::init()
{
    QTest::failOnWarning(
        QRegularExpression(u"^(?!This plugin does not support (propagateSizeHints|raise|grabbing the keyboard))"_s));
}

void CWindowTest::cleanup()
{
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}
