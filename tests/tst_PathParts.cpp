// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DropPaths.h"
#include "core/PathParts.h"

#include <QMimeData>
#include <QTest>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

/// The one split rule every drop target and the name editor use, and the paths a drag delivers to it.
class tst_PathParts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void split_data();
    void split();
    void joins_data();
    void joins();
    void dropPaths_data();
    void dropPaths();
};

void tst_PathParts::split_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("extension");

    QTest::newRow("last-dot-of-last-component")
        << u"a/b.c/d.tar.gz"_s << u"a/b.c"_s << u"d.tar.gz"_s << u"d.tar"_s << u".gz"_s;
    QTest::newRow("dotted-folder-no-dot-in-name")
        << u"/x/b.c/README"_s << u"/x/b.c"_s << u"README"_s << u"README"_s << QString();
    QTest::newRow("leading-dot-only") << u"/home/u/.profile"_s << u"/home/u"_s << u".profile"_s << u".profile"_s
                                      << QString();
    QTest::newRow("leading-dot-and-extension")
        << u"/home/u/.config.bak"_s << u"/home/u"_s << u".config.bak"_s << u".config"_s << u".bak"_s;
    QTest::newRow("trailing-dot") << u"/d/name."_s << u"/d"_s << u"name."_s << u"name"_s << u"."_s;
    // The root is a folder like any other: its entries' folder is "/", and so is its own.
    QTest::newRow("file-in-root") << u"/x.txt"_s << u"/"_s << u"x.txt"_s << u"x"_s << u".txt"_s;
    QTest::newRow("folder-in-root") << u"/data"_s << u"/"_s << u"data"_s << u"data"_s << QString();
    QTest::newRow("root-itself") << u"/"_s << u"/"_s << QString() << QString() << QString();
    QTest::newRow("no-separator") << u"plain.md"_s << QString() << u"plain.md"_s << u"plain"_s << u".md"_s;
    QTest::newRow("chinese-name") << u"/文档/报告.final.docx"_s << u"/文档"_s << u"报告.final.docx"_s << u"报告.final"_s
                                  << u".docx"_s;
}

void tst_PathParts::split()
{
    QFETCH(QString, path);
    QFETCH(QString, directory);
    QFETCH(QString, fileName);
    QFETCH(QString, baseName);
    QFETCH(QString, extension);
    QCOMPARE(CPathParts::directoryOf(path), directory);
    QCOMPARE(CPathParts::lastComponentOf(path), fileName);
    QCOMPARE(CPathParts::baseNameOf(fileName), baseName);
    QCOMPARE(CPathParts::extensionOf(fileName), extension);
    // Nothing is lost: the parts put back together give the path again.
    QCOMPARE(CPathParts::baseNameOf(fileName) + CPathParts::extensionOf(fileName), CPathParts::lastComponentOf(path));
    if (!directory.isEmpty())
        QCOMPARE(CPathParts::join(directory, fileName), path);
}

void tst_PathParts::joins_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("joined");

    QTest::newRow("plain-folder") << u"/a/b"_s << u"n.txt"_s << u"/a/b/n.txt"_s;
    QTest::newRow("root-keeps-one-separator") << u"/"_s << u"n.txt"_s << u"/n.txt"_s;
    QTest::newRow("directory-of-a-root-entry-is-root") << CPathParts::directoryOf(u"/x"_s) << u"n"_s << u"/n"_s;
    QTest::newRow("root-with-no-name-is-the-root") << u"/"_s << QString() << u"/"_s;
    QTest::newRow("typed-trailing-separator") << u"/a/b/"_s << u"n"_s << u"/a/b/n"_s;
}

void tst_PathParts::joins()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, joined);
    QCOMPARE(CPathParts::join(folder, name), joined);
}

void tst_PathParts::dropPaths_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QStringList>("local");

#ifdef Q_OS_WIN
    // The path of a Windows file URL is "/C:/…": the drive comes first.
    QTest::newRow("drive-letter") << QList<QUrl> { QUrl(u"file:///C:/windows/"_s) } << QStringList { u"C:/windows"_s };
#else
    QTest::newRow("trailing-separator") << QList<QUrl> { QUrl::fromLocalFile(u"/tmp/a/"_s) }
                                        << QStringList { u"/tmp/a"_s };
#endif
    // Not "//tmp//…": a URL of that path names the host "tmp", and another machine's file is not queued.
    QTest::newRow("doubled-separators") << QList<QUrl> { QUrl::fromLocalFile(u"/tmp//a//b.txt"_s) }
                                        << QStringList { u"/tmp/a/b.txt"_s };
    // ".." is resolved by the file system, never folded by text: where nothing exists, nothing is folded.
    QTest::newRow("dot-dot-of-missing-kept")
        << QList<QUrl> { QUrl::fromLocalFile(u"/plindor-none/a/b/.."_s) } << QStringList { u"/plindor-none/a/b/.."_s };
    QTest::newRow("root-stays-root") << QList<QUrl> { QUrl::fromLocalFile(u"/"_s) } << QStringList { u"/"_s };
    QTest::newRow("remote-and-local-keep-drag-order")
        << QList<QUrl> { QUrl(u"https://example.org/z.txt"_s), QUrl::fromLocalFile(u"/b/z"_s),
                         QUrl::fromLocalFile(u"/a/y"_s) }
        << QStringList { u"/b/z"_s, u"/a/y"_s };
    QTest::newRow("only-remote") << QList<QUrl> { QUrl(u"http://example.org/"_s) } << QStringList();
    QTest::newRow("spaces-and-percent") << QList<QUrl> { QUrl::fromLocalFile(u"/tmp/a b/100%.txt"_s) }
                                        << QStringList { u"/tmp/a b/100%.txt"_s };
}

void tst_PathParts::dropPaths()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QStringList, local);
    QMimeData mime;
    mime.setUrls(urls);
    QCOMPARE(CDropPaths::localPaths(&mime), local);
    QCOMPARE(CDropPaths::hasLocalPaths(&mime), !local.isEmpty());
    QCOMPARE(CDropPaths::firstLocalPath(&mime), local.value(0));
}

QTEST_GUILESS_MAIN(tst_PathParts)
#include "tst_PathParts.moc"
