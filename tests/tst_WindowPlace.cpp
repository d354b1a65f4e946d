// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/WindowPlace.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// The window comes back where it was closed, and on the screen it now has.
class tst_WindowPlace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keptOnScreen_data();
    void keptOnScreen();
};

void tst_WindowPlace::keptOnScreen_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("placed");
    // A 1366×768 laptop with a 32 px panel at the top.
    const QRect laptop(0, 32, 1366, 736);
    QTest::newRow("whereItWas") << QRect(200, 100, 829, 658) << laptop << QPoint(200, 100);
    QTest::newRow("pastTheBottomRight") << QRect(900, 400, 829, 658) << laptop << QPoint(537, 110);
    QTest::newRow("underThePanel") << QRect(-50, 0, 829, 658) << laptop << QPoint(0, 32);
    // Too large for the area: the title bar stays within reach.
    QTest::newRow("largerThanTheArea") << QRect(300, 300, 1500, 800) << laptop << QPoint(0, 32);
    QTest::newRow("screenLeftOfThePrimary")
        << QRect(-1500, 200, 829, 658) << QRect(-1920, 0, 1920, 1050) << QPoint(-1500, 200);
}

void tst_WindowPlace::keptOnScreen()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, placed);
    const QRect kept = CWindowPlace::keptOnScreen(frame, available);
    QCOMPARE(kept.topLeft(), placed);
    QCOMPARE(kept.size(), frame.size());
}

QTEST_GUILESS_MAIN(tst_WindowPlace)
#include "tst_WindowPlace.moc"
