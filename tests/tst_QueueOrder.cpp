// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/QueueOrder.h"

#include <QLocale>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// The queue's order on each system: Linux sorts with ICU, Windows with its own collation (digits by value, as
/// Explorer sorts). Both ignore case and read numbers by value; they differ in punctuation, which the rows say.
class tst_QueueOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sortsAsAFileManager_data();
    void sortsAsAFileManager();
    void keepsOrderWhileRowsGo();
};

void tst_QueueOrder::sortsAsAFileManager_data()
{
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("numbers by value") << QStringList { u"C:/作业/a2.txt"_s, u"C:/作业/a10.txt"_s,
                                                       u"C:/作业/a100.txt"_s };
    QTest::newRow("numbers in Chinese names")
        << QStringList { u"/home/u/第2章.docx"_s, u"/home/u/第9章.docx"_s, u"/home/u/第10章.docx"_s };
    QTest::newRow("case ignored") << QStringList { u"/d/apple"_s, u"/d/Banana"_s, u"/d/cherry"_s, u"/d/DATE"_s };
    // Names that differ only in case stay apart, in the order of their code units.
    QTest::newRow("case only") << QStringList { u"/d/Report.txt"_s, u"/d/report.txt"_s, u"/d/reports.txt"_s };
#ifdef Q_OS_WIN
    // Windows's word sort reads a hyphen as (almost) nothing, as Explorer does.
    QTest::newRow("hyphen") << QStringList { u"/d/ab.txt"_s, u"/d/a-b.txt"_s, u"/d/ac.txt"_s };
#else
    // ICU, with punctuation not ignorable: a hyphen sorts before every letter.
    QTest::newRow("hyphen") << QStringList { u"/d/a-b.txt"_s, u"/d/ab.txt"_s, u"/d/ac.txt"_s };
#endif
}

void tst_QueueOrder::sortsAsAFileManager()
{
    QFETCH(QStringList, expected);
    const QLocale usual;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&usual] { QLocale::setDefault(usual); });
    const CQueueOrder order;
    const QStringList reversed(expected.crbegin(), expected.crend());
    // The comparison and the keys the queue sorts by must agree.
    QCOMPARE(order.sorted(reversed), expected);
    for (qsizetype i = 1; i < expected.size(); ++i)
        QVERIFY2(order.lessThan(expected.at(i - 1), expected.at(i)), qPrintable(expected.at(i)));
}

// Rows taken out at the front, in the back half and at the end leave the rest in order: found where they are,
// listed in order, and merged in order with a drop that comes after.
void tst_QueueOrder::keepsOrderWhileRowsGo()
{
    const CQueueOrder order;
    QStringList paths;
    for (int i = 1; i <= 9; ++i)
        paths << u"/d/f%1"_s.arg(i);
    CQueueOrder::Entries entries = order.sortedEntries(paths);
    for (const qsizetype row : { 0, 0, 4, 1, 4 })
        entries.erase(row);
    const QStringList left { u"/d/f3"_s, u"/d/f5"_s, u"/d/f6"_s, u"/d/f8"_s };
    QCOMPARE(entries.paths(), left);
    for (qsizetype row = 0; row < left.size(); ++row)
        QCOMPARE(entries.indexOf(left.at(row), order.keyOf(left.at(row))), row);
    QCOMPARE(entries.indexOf(u"/d/f1"_s, order.keyOf(u"/d/f1")), -1);
    const CQueueOrder::Entries merged = order.withPaths(entries, { u"/d/f10"_s, u"/d/f1"_s, u"/d/f5"_s });
    QCOMPARE(merged.paths(), (QStringList { u"/d/f1"_s, u"/d/f3"_s, u"/d/f5"_s, u"/d/f6"_s, u"/d/f8"_s, u"/d/f10"_s }));
}

QTEST_GUILESS_MAIN(tst_QueueOrder)
#include "tst_QueueOrder.moc"
