// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperationPlanner.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

using Refusal = COperationPlanner::Refusal;

/// Where each operation sends the loaded item, or why it refuses, without a window or a file.
class tst_OperationPlanner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void plans_data();
    void plans();
    void numbersBeforeTheExtension_data();
    void numbersBeforeTheExtension();
};

namespace
{
const QString prefixShown = u"（添加前缀）"_s;
const QString suffixShown = u"（后缀）"_s;

/// A file x.txt in /d/a whose name edit shows `name`, with the prefix and suffix edits as given.
COperationPlanner::Item fileItem(const QString &name, const QString &prefix = prefixShown,
                                 const QString &suffix = suffixShown)
{
    return { u"/d/a/x.txt"_s, u"/d/a"_s, prefix, name, suffix, u".txt"_s };
}

COperationPlanner::Target moveTo(const QString &folderText)
{
    return COperationPlanner::Target::move(folderText);
}

COperationPlanner::Target quickTo(const QString &parent, const QString &name)
{
    return COperationPlanner::Target::quickMove(parent, name);
}
} // namespace

void tst_OperationPlanner::plans_data()
{
    QTest::addColumn<COperationPlanner::Item>("item");
    QTest::addColumn<COperationPlanner::Target>("target");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<QString>("composedName");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("destination");

    const COperationPlanner::Target rename = COperationPlanner::Target::rename();
    const COperationPlanner::Item folder { u"/d/a/photos"_s, u"/d/a"_s, prefixShown, u"2020photos"_s, suffixShown, {} };
    const COperationPlanner::Item inRoot { u"/x.txt"_s, u"/"_s, prefixShown, u"new"_s, suffixShown, u".txt"_s };
    const COperationPlanner::Item relative { u"a/x.txt"_s, u"a"_s, prefixShown, u"new"_s, suffixShown, u".txt"_s };

    QTest::newRow("rename-placeholders-count-as-empty")
        << fileItem(u"new"_s) << rename << Refusal::None << u"new"_s << u"/d/a"_s << u"/d/a/new.txt"_s;
    QTest::newRow("rename-prefix-name-and-suffix")
        << fileItem(u"总结"_s, u"2019年上期"_s, u"_1"_s) << rename << Refusal::None << u"2019年上期总结_1"_s
        << u"/d/a"_s << u"/d/a/2019年上期总结_1.txt"_s;
    // Saved in English and shown in Chinese, or the other way round, and in whichever edit.
    QTest::newRow("rename-english-placeholders-count-as-empty")
        << fileItem(u"new"_s, u"(prefix)"_s, prefixShown) << rename << Refusal::None << u"new"_s << u"/d/a"_s
        << u"/d/a/new.txt"_s;
    QTest::newRow("rename-the-name-placeholder-is-no-name")
        << fileItem(u"(edit the file name here)"_s) << rename << Refusal::EmptyName << QString() << QString()
        << QString();
    QTest::newRow("rename-placeholder-plus-a-character-is-typed-text")
        << fileItem(u"n"_s, prefixShown + u'x') << rename << Refusal::None << prefixShown + u"xn"_s << u"/d/a"_s
        << u"/d/a/"_s + prefixShown + u"xn.txt"_s;
    QTest::newRow("rename-a-folder-has-no-extension")
        << folder << rename << Refusal::None << u"2020photos"_s << u"/d/a"_s << u"/d/a/2020photos"_s;
    QTest::newRow("rename-one-separator-in-the-root")
        << inRoot << rename << Refusal::None << u"new"_s << u"/"_s << u"/new.txt"_s;
    QTest::newRow("rename-empty-name") << fileItem({}) << rename << Refusal::EmptyName << QString() << QString()
                                       << QString();
    QTest::newRow("rename-relative-source")
        << relative << rename << Refusal::RelativePath << u"new"_s << u"a"_s << u"a/new.txt"_s;

    QTest::newRow("move-into-a-folder") << fileItem(u"y"_s) << moveTo(u"/e/work"_s) << Refusal::None << u"y"_s
                                        << u"/e/work"_s << u"/e/work/y.txt"_s;
    QTest::newRow("move-into-the-root-one-separator")
        << fileItem(u"y"_s) << moveTo(u"/"_s) << Refusal::None << u"y"_s << u"/"_s << u"/y.txt"_s;
    QTest::newRow("move-typed-trailing-separator")
        << fileItem(u"y"_s) << moveTo(u"/e/work/"_s) << Refusal::None << u"y"_s << u"/e/work/"_s << u"/e/work/y.txt"_s;
    QTest::newRow("move-empty-list-text")
        << fileItem(u"y"_s) << moveTo({}) << Refusal::NoFolderChosen << QString() << QString() << QString();
    QTest::newRow("move-list-placeholder") << fileItem(u"y"_s) << moveTo(u"拖入文件夹"_s) << Refusal::NoFolderChosen
                                           << QString() << QString() << QString();
    QTest::newRow("move-empty-name-before-the-folder-check")
        << fileItem({}) << moveTo({}) << Refusal::EmptyName << QString() << QString() << QString();
    QTest::newRow("move-relative-folder-typed")
        << fileItem(u"y"_s) << moveTo(u"work"_s) << Refusal::RelativePath << u"y"_s << u"work"_s << u"work/y.txt"_s;
    QTest::newRow("move-relative-source")
        << relative << moveTo(u"/e"_s) << Refusal::RelativePath << u"new"_s << u"/e"_s << u"/e/new.txt"_s;

    QTest::newRow("quick-linked-folder") << fileItem(u"y"_s) << quickTo(u"/d/work"_s, u"docs"_s) << Refusal::None
                                         << u"y"_s << u"/d/work/docs"_s << u"/d/work/docs/y.txt"_s;
    QTest::newRow("quick-linked-to-the-root")
        << fileItem(u"y"_s) << quickTo(u"/"_s, {}) << Refusal::None << u"y"_s << u"/"_s << u"/y.txt"_s;
    QTest::newRow("quick-not-linked-name-composed-first")
        << fileItem(u"y"_s, u"p"_s) << quickTo({}, u"docs"_s) << Refusal::ButtonNotLinked << u"py"_s << QString()
        << QString();
    QTest::newRow("quick-empty-name-before-the-link-check")
        << fileItem({}) << quickTo({}, {}) << Refusal::EmptyName << QString() << QString() << QString();
    QTest::newRow("quick-relative-link-read-from-a-profile")
        << fileItem(u"y"_s) << quickTo(u"d"_s, u"docs"_s) << Refusal::RelativePath << u"y"_s << u"d/docs"_s
        << u"d/docs/y.txt"_s;
}

void tst_OperationPlanner::plans()
{
    QFETCH(COperationPlanner::Item, item);
    QFETCH(COperationPlanner::Target, target);
    QFETCH(Refusal, refusal);
    QFETCH(QString, composedName);
    QFETCH(QString, folder);
    QFETCH(QString, destination);

    const COperationPlanner::Plan plan = COperationPlanner::plan(item, target);
    QCOMPARE(plan.refusal, refusal);
    QCOMPARE(plan.composedName, composedName);
    QCOMPARE(plan.folder, folder);
    QCOMPARE(plan.destination, destination);
}

void tst_OperationPlanner::numbersBeforeTheExtension_data()
{
    QTest::addColumn<COperationPlanner::Item>("item");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("destination");
    const COperationPlanner::Item folder { u"/d/a/photos"_s, u"/d/a"_s, {}, u"photos"_s, {}, {} };
    const COperationPlanner::Item twoDots { u"/d/a/x.tar.gz"_s, u"/d/a"_s, u"p-"_s, u"x.tar"_s, u"-s"_s, u".gz"_s };
    QTest::newRow("file-2") << fileItem(u"y"_s) << 2 << u"/d/a/y_2.txt"_s;
    QTest::newRow("file-999") << fileItem(u"y"_s) << 999 << u"/d/a/y_999.txt"_s;
    QTest::newRow("folder-no-extension") << folder << 3 << u"/d/a/photos_3"_s;
    QTest::newRow("last-dot-only") << twoDots << 2 << u"/d/a/p-x.tar-s_2.gz"_s;
}

// A taken name's numbers go after the composed name and before the extension; the number is the only change.
void tst_OperationPlanner::numbersBeforeTheExtension()
{
    QFETCH(COperationPlanner::Item, item);
    QFETCH(int, number);
    QFETCH(QString, destination);
    COperationPlanner::Target target = COperationPlanner::Target::rename();
    target.numberOnClash = true;
    const COperationPlanner::Plan plan = COperationPlanner::plan(item, target);
    QVERIFY(plan.numberOnClash);
    const COperationPlanner::Plan numbered = COperationPlanner::numbered(plan, item.extension, number);
    QCOMPARE(numbered.destination, destination);
    QCOMPARE(numbered.folder, plan.folder);
    QCOMPARE(numbered.newName, numbered.composedName + item.extension);
    QCOMPARE(numbered.composedName, plan.composedName + u'_' + QString::number(number));
}

QTEST_GUILESS_MAIN(tst_OperationPlanner)
#include "tst_OperationPlanner.moc"
