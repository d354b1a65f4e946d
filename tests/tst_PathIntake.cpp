// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "fuzz/FuzzChecks.h"
#include "helpers/Bytes.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"
#include "platform/PathIntake.h"
#include "platform/SingleInstance.h"

#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
// A name from an archive made where file names are not UTF-8: 0xFF begins no UTF-8 sequence.
const QByteArray kUndecodable = "a\xff.txt";
// What that name decodes to, and the name of a real file of its own.
const QString kLookalike = u"a\uFFFD.txt"_s;
const QString kRefused = u"文件名编码无法识别，未加入队列：\n"_s;

QByteArray rawContentOf(const QByteArray &path)
{
    QByteArray content(64, '\0');
    const int fd = ::open(path.constData(), O_RDONLY);
    const ssize_t length = fd < 0 ? -1 : ::read(fd, content.data(), size_t(content.size()));
    if (fd >= 0)
        ::close(fd);
    return length < 0 ? QByteArray("<missing>") : content.left(length);
}

/// real/f, real/sub/, work/f, and work/link pointing at ../real/sub: "work/link/../f" opens real/f.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void makeLinkedTree(const CTempTree &tree)
{
    tree.folder(u"real/sub"_s);
    tree.folder(u"work"_s);
    QVERIFY(writeBytes(tree.filePath(u"real/f"_s), "real", QIODevice::NewOnly));
    QVERIFY(writeBytes(tree.filePath(u"work/f"_s), "work", QIODevice::NewOnly));
    QVERIFY(QFile::link(u"../real/sub"_s, tree.filePath(u"work/link"_s)));
    QVERIFY(QFile::link(u"../real/f"_s, tree.filePath(u"work/flink"_s)));
}

void typeName(const CDialogFixture &f, const QString &name)
{
    f.edit(IDC_EDIT_NAME)->selectAll();
    QTest::keyClicks(f.edit(IDC_EDIT_NAME), name);
}
} // namespace

/// Paths entering by drop or command line name the file the system would open, and names that cannot be read are
/// refused instead of being taken for the file their decoded text names.
class tst_PathIntake : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void resolvesAsTheSystemDoes_data();
    void resolvesAsTheSystemDoes();
    void refusesWhatCannotBeRead_data();
    void refusesWhatCannotBeRead();
    void undecodableDropTouchesNothing_data();
    void undecodableDropTouchesNothing();
    void longRefusalIsCutShort();
    void dropThroughALinkRenamesWhatTheSystemOpens();
    void pickedFolderOnlyDecodingMadeIsRefused_data();
    void pickedFolderOnlyDecodingMadeIsRefused();
    void laterLaunchKeepsUndecodableNames();
    void largeDropKeepsItsOrder();
    void dragBytesReadAsQtReadsThem();
    void argumentIsAUrlOnlyWhenAbsolute_data();
    void argumentIsAUrlOnlyWhenAbsolute();
    void localhostIsThisMachine_data();
    void localhostIsThisMachine();
};

void tst_PathIntake::resolvesAsTheSystemDoes_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("expected");

    QTest::newRow("dot-dot-after-a-link") << u"work/link/../f"_s << u"real/f"_s;
    QTest::newRow("last-link-stays-a-link") << u"work/flink"_s << u"work/flink"_s;
    QTest::newRow("folder-link-stays-a-link") << u"work/link"_s << u"work/link"_s;
    QTest::newRow("missing-parent-not-folded") << u"work/none/../f"_s << u"work/none/../f"_s;
    QTest::newRow("dot-dot-last") << u"work/link/.."_s << u"real"_s;
    QTest::newRow("dot-last") << u"work/link/."_s << u"real/sub"_s;
    QTest::newRow("separators-and-dots") << u"work//./f"_s << u"work/f"_s;
    // Folders are resolved from the nearest one already known: a real folder, a link, or a missing one.
    QTest::newRow("in-a-real-folder") << u"real/sub/f"_s << u"real/sub/f"_s;
    QTest::newRow("in-a-folder-link") << u"work/link/g"_s << u"real/sub/g"_s;
    QTest::newRow("below-a-folder-link") << u"work/link/none/g"_s << u"work/link/none/g"_s;
    QTest::newRow("below-a-missing-folder") << u"work/none/sub/f"_s << u"work/none/sub/f"_s;
}

void tst_PathIntake::resolvesAsTheSystemDoes()
{
    QFETCH(QString, given);
    QFETCH(QString, expected);
    CTempTree tree;
    makeLinkedTree(tree);
    if (QTest::currentTestFailed())
        return;
    const QString root = QFileInfo(tree.path()).canonicalFilePath();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tree.path()));
    const QString relative = CPathIntake::resolved(given);
    QVERIFY(QDir::setCurrent(previous));
    const QString absolute = CPathIntake::resolved(tree.filePath(given));
    QCOMPARE(relative, root + u'/' + expected);
    QCOMPARE(absolute, relative);
    // The result is the very item the system reaches through the given spelling, or both reach nothing.
    struct stat viaSystem = {};
    struct stat viaResult = {};
    const bool reached = ::lstat(QFile::encodeName(tree.filePath(given)).constData(), &viaSystem) == 0;
    QCOMPARE(::lstat(QFile::encodeName(absolute).constData(), &viaResult) == 0, reached);
    if (reached)
        QVERIFY(viaSystem.st_ino == viaResult.st_ino && viaSystem.st_dev == viaResult.st_dev);
}

void tst_PathIntake::largeDropKeepsItsOrder()
{
    // Enough URLs to be taken in slices on several threads; the slices must join in the drop's order.
    CTempTree tree;
    makeLinkedTree(tree);
    if (QTest::currentTestFailed())
        return;
    const QStringList spellings { u"work/link/../f"_s, u"work/flink"_s, u"work//./f"_s, u"real/sub"_s };
    QList<QUrl> urls;
    QStringList expectedPaths;
    QStringList expectedRefused;
    for (int i = 0; i < 6000; ++i) {
        if (i % 7 == 3) {
            const QByteArray bytes = QFile::encodeName(tree.filePath(u"n%1-"_s.arg(i))) + kUndecodable;
            urls << CDropSimulator::urlOfBytes(bytes);
            expectedRefused << QString::fromUtf8(bytes);
        } else if (i % 11 == 5) {
            urls << QUrl(u"https://example.org/%1"_s.arg(i));
        } else {
            const QString given = tree.filePath(spellings.at(i % spellings.size()) + u"/../n%1"_s.arg(i));
            urls << QUrl::fromLocalFile(given);
            expectedPaths << CPathIntake::resolved(given);
        }
    }
    const CPathIntake::Batch batch = CPathIntake::fromUrls(urls);
    QCOMPARE(batch.paths, expectedPaths);
    QCOMPARE(batch.undecodable, expectedRefused);
}

// A drop reads the drag's text/uri-list itself; whatever the bytes, it must take what reading them as QUrls takes.
void tst_PathIntake::dragBytesReadAsQtReadsThem()
{
    CTempTree tree;
    makeLinkedTree(tree);
    if (QTest::currentTestFailed())
        return;
    const QByteArray base = QUrl::fromLocalFile(tree.path()).toEncoded();
    const QList<QByteArray> starts { base + "/work/link/../f",
                                     base + "/work//./link/",
                                     base + "/work/flink",
                                     base,
                                     "file:///tmp/",
                                     "file://localhost/tmp/",
                                     "file://LocalHost/tmp/",
                                     "file://localhost",
                                     "file://elsewhere/tmp/",
                                     "FILE:///tmp/",
                                     "file:////tmp/",
                                     "file:",
                                     "http://h/",
                                     "#",
                                     "  file:///tmp/",
                                     "" };
    const QList<QByteArray> pieces { "a",        "Z9",        "-._~", "!$&'()*+,;=", ":@",  "/",   "/./",
                                     "/../",     "//",        "%41",  "%2F",         "%2f", "%20", "%00",
                                     "%FF",      "%E5%90%8D", "%",    "%4",          "%zz", "?q",  "#f",
                                     " ",        "\t",        "[",    "\"",          "<>",  "\\",  "^`{|}",
                                     "\xc3\xa9", "\xff",      "\x01", "\r",          "\x00" };
    const QList<QByteArray> ends { "\r\n", "\n", "\r\r\n", "\n\n", "\n \t" };
    std::mt19937 random(20261209);
    const auto pick = [&random](const QList<QByteArray> &from) {
        return from.at(std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random));
    };
    // Small lists, and one long enough to be read in slices on several threads.
    for (const int lines : { 1, 2, 3, 5, 8, 13, 21, 34, 55, 6000 }) {
        for (int round = 0; round < (lines > 100 ? 1 : 40); ++round) {
            QByteArray list;
            for (int i = 0; i < lines; ++i) {
                list += pick(starts);
                for (int k = std::uniform_int_distribution<int>(0, 4)(random); k > 0; --k)
                    list += pick(pieces);
                list += pick(ends);
            }
            if (round % 7 == 3)
                list.chop(std::uniform_int_distribution<int>(0, 3)(random));
            const QString error = CFuzzChecks::uriList(list);
            QVERIFY2(error.isEmpty(), qPrintable(error + u"\n"_s + QString::fromLatin1(list.toPercentEncoding())));
        }
    }
    // The plain lines a file manager sends are resolved as every other path is.
    const QString root = QFileInfo(tree.path()).canonicalFilePath();
    const QByteArray plain = base + "/work/link/../f\r\n" + base + "/work/flink\r\n";
    QCOMPARE(CPathIntake::fromUriList(plain).paths,
             (QStringList { root + u"/real/f"_s, tree.filePath(u"work/flink"_s) }));
}

void tst_PathIntake::refusesWhatCannotBeRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");

    QTest::newRow("gbk-name") << QByteArray("/x/\xd6\xd0\xce\xc4.txt") << false;
    QTest::newRow("lone-ff") << QByteArray("/x/") + kUndecodable << false;
    QTest::newRow("cut-off-sequence") << QByteArray("/x/a\xe4\xb8") << false;
    QTest::newRow("overlong-slash") << QByteArray("/x/a\xc0\xaf") << false;
    QTest::newRow("encoded-surrogate") << QByteArray("/x/a\xed\xa0\x80") << false;
    QTest::newRow("nul-byte") << QByteArray("/x/a\0b", 6) << false;
    QTest::newRow("real-replacement-character") << (QByteArray("/x/") + kLookalike.toUtf8()) << true;
    QTest::newRow("chinese") << u"/x/名单 2026.xlsx"_s.toUtf8() << true;
}

void tst_PathIntake::refusesWhatCannotBeRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    const QUrl url = CDropSimulator::urlOfBytes(bytes);
    QCOMPARE(CPathIntake::localBytes(url), bytes);
    // A file manager passes a path or a URL; both are read from their bytes.
    for (const CPathIntake::Batch &batch : { CPathIntake::fromUrls({ url }), CPathIntake::fromArguments({ bytes }),
                                             CPathIntake::fromArguments({ url.toEncoded() }) }) {
        QCOMPARE(batch.paths, readable ? QStringList { QString::fromUtf8(bytes) } : QStringList());
        QCOMPARE(batch.undecodable, readable ? QStringList() : QStringList { QString::fromUtf8(bytes) });
    }
}

void tst_PathIntake::undecodableDropTouchesNothing_data()
{
    QTest::addColumn<int>("target");
    QTest::newRow("queue") << int(IDC_FILE_LIST);
    QTest::newRow("quick-move-button") << int(IDC_BTN_DIR1);
    QTest::newRow("folder-list") << int(IDC_COMBO_TARGET_DIR);
    QTest::newRow("term-list") << int(IDC_COMBO_TERM_A);
}

void tst_PathIntake::undecodableDropTouchesNothing()
{
    QFETCH(int, target);
    CTempTree tree;
    const QByteArray raw = tree.rawFile(kUndecodable, "undecodable");
    QVERIFY(writeBytes(tree.filePath(kLookalike), "look-alike", QIODevice::NewOnly));
    QVERIFY(writeBytes(tree.filePath(u"b.txt"_s), "b", QIODevice::NewOnly));
    CDialogFixture f;
    // A first drop enables every drop target.
    QVERIFY(f.dropOnQueue({ tree.filePath(u"b.txt"_s) }));
    const auto state = [&f] {
        const CMyButton *button = f.dropButton(IDC_BTN_DIR1);
        return QStringList { f.queue()->pathAt(0),
                             QString::number(f.queue()->count()),
                             button->m_filePathName,
                             button->text(),
                             QString::number(f.combo(IDC_COMBO_TARGET_DIR)->count()),
                             QString::number(f.combo(IDC_COMBO_TERM_A)->count()),
                             f.editorTexts() };
    };
    const QStringList before = state();

    QVERIFY(CDropSimulator::dropUrls(f.dlg().item(target), { CDropSimulator::urlOfBytes(raw) }));
    QTRY_COMPARE(f.prompter().messages.size(), 1);
    QCOMPARE(f.prompter().messages.at(0).text, kRefused + QFile::decodeName(raw));
    QCOMPARE(f.prompter().messages.at(0).caption, u"错误提示"_s);
    QCOMPARE(state(), before);

    // With readable paths in the same drop, those are still queued and only the others named.
    QVERIFY(CDropSimulator::dropUrls(
        f.queue(), { CDropSimulator::urlOfBytes(raw), QUrl::fromLocalFile(tree.filePath(kLookalike)) }));
    QTRY_COMPARE(f.prompter().messages.size(), 2);
    QCOMPARE(f.prompter().messages.at(1).text, kRefused + QFile::decodeName(raw));
    QCOMPARE(f.queue()->count(), 2);
    QVERIFY(f.queue()->rowOf(tree.filePath(kLookalike)) >= 0);

    // Renaming everything queued renames the look-alike that was named, and never the undecodable file.
    while (f.queue()->count() > 0) {
        typeName(f, u"renamed-%1"_s.arg(f.queue()->count()));
        f.click(IDC_BTN_RENAME);
    }
    QByteArrayList renamed { readBytes(tree.filePath(u"renamed-1.txt"_s)),
                             readBytes(tree.filePath(u"renamed-2.txt"_s)) };
    std::sort(renamed.begin(), renamed.end());
    QCOMPARE(renamed, (QByteArrayList { "b", "look-alike" }));
    QCOMPARE(rawContentOf(raw), QByteArray("undecodable"));
    QCOMPARE(f.prompter().messages.size(), 2);
}

// An unpacked archive from elsewhere can hold hundreds of such names; the message stays short enough to read.
void tst_PathIntake::longRefusalIsCutShort()
{
    CTempTree tree;
    QList<QUrl> urls;
    QStringList shown;
    for (int i = 10; i < 35; ++i) {
        const QByteArray raw = tree.rawFile(QByteArray::number(i) + kUndecodable, {});
        urls << CDropSimulator::urlOfBytes(raw);
        shown << QFile::decodeName(raw);
    }
    CDialogFixture f;
    QVERIFY(CDropSimulator::dropUrls(f.queue(), urls));
    QTRY_COMPARE(f.prompter().messages.size(), 1);
    QCOMPARE(f.takeMessages(), kRefused + shown.first(20).join(u'\n') + u"\n…等共 25 个路径"_s);
    QCOMPARE(f.queue()->count(), 0);
    QVERIFY(!f.button(IDC_BTN_RENAME)->isEnabled());
}

void tst_PathIntake::dropThroughALinkRenamesWhatTheSystemOpens()
{
    CTempTree tree;
    makeLinkedTree(tree);
    if (QTest::currentTestFailed())
        return;
    const QString root = QFileInfo(tree.path()).canonicalFilePath();
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tree.filePath(u"work/link/../f"_s) }));
    QCOMPARE(f.queue()->pathAt(0), root + u"/real/f"_s);
    typeName(f, u"g"_s);
    f.click(IDC_BTN_RENAME);
    QCOMPARE(f.takeMessages(), QString());
    QCOMPARE(readBytes(tree.filePath(u"real/g"_s)), QByteArray("real"));
    QCOMPARE(readBytes(tree.filePath(u"work/f"_s)), QByteArray("work"));
}

void tst_PathIntake::pickedFolderOnlyDecodingMadeIsRefused_data()
{
    QTest::addColumn<bool>("realFolder");
    QTest::newRow("decoding-artefact") << false;
    QTest::newRow("real-replacement-character") << true;
}

void tst_PathIntake::pickedFolderOnlyDecodingMadeIsRefused()
{
    QFETCH(bool, realFolder);
    CTempTree tree;
    // The picker shows the folder named by these bytes as the text below, a folder of its own only in one row.
    const QByteArray bytes = QFile::encodeName(tree.path()) + "/d\xff";
    QCOMPARE(::mkdir(bytes.constData(), 0755), 0);
    const QString answer = tree.filePath(u"d\uFFFD"_s);
    if (realFolder)
        tree.folder(u"d\uFFFD"_s);
    QVERIFY(writeBytes(tree.filePath(u"b.txt"_s), "b", QIODevice::NewOnly));
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ tree.filePath(u"b.txt"_s) }));
    f.prompter().folderAnswers = QStringList { answer };
    f.click(IDC_BTN_ADD_DIR);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->findExact(answer) >= 0, realFolder);
    QCOMPARE(f.takeMessages(), realFolder ? QString() : kRefused + answer);
}

// A later launch hands over what it can read; the rest it names on stderr and fails, since no window can show them.
void tst_PathIntake::laterLaunchKeepsUndecodableNames()
{
    QTemporaryDir runtime;
    CTempTree tree;
    makeLinkedTree(tree);
    if (QTest::currentTestFailed())
        return;
    const QByteArray raw = tree.rawFile("work/" + kUndecodable, "undecodable");
    QVERIFY(writeBytes(tree.filePath(u"work/"_s + kLookalike), "look-alike", QIODevice::NewOnly));
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);

    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    environment.insert(u"XDG_CONFIG_HOME"_s, runtime.path() + u"/config"_s);
    environment.insert(u"XDG_STATE_HOME"_s, runtime.path() + u"/state"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    second.setProcessEnvironment(environment);
    second.setWorkingDirectory(tree.filePath(u"work"_s));
    // QProcess would encode the name as UTF-8, so the shell passes its bytes.
    const QString url = QString::fromLatin1(CDropSimulator::urlOfBytes(raw).toEncoded());
    second.start(u"/bin/sh"_s,
                 { u"-c"_s, u"exec \"$0\" \"$(printf 'a\\377.txt')\" \"$@\""_s, QStringLiteral(PLINDOR_BINARY), url,
                   u"link/../f"_s, kLookalike });
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    const QString root = QFileInfo(tree.path()).canonicalFilePath();
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(),
             (QStringList { root + u"/real/f"_s, root + u"/work/"_s + kLookalike }));
    const QString errors = QString::fromUtf8(second.readAllStandardError());
    QCOMPARE(errors.count(u"not queued: "_s), 2);
    QCOMPARE(errors.count(u"/work/a\uFFFD.txt\n"_s), 2);
    QCOMPARE(rawContentOf(raw), QByteArray("undecodable"));
}

void tst_PathIntake::argumentIsAUrlOnlyWhenAbsolute_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<QString>("expected"); ///< relative to the scratch folder; empty when nothing is taken

    // "%1" stands for the scratch folder's absolute path.
    QTest::newRow("relative-name-with-scheme") << QByteArray("file:notes.txt") << u"file:notes.txt"_s;
    QTest::newRow("missing-relative-with-scheme") << QByteArray("file:draft.txt") << u"file:draft.txt"_s;
    QTest::newRow("existing-relative-beats-url") << QByteArray("file:/notes.txt") << u"file:/notes.txt"_s;
    QTest::newRow("bare-scheme") << QByteArray("file:") << u"file:"_s;
    QTest::newRow("plain-relative") << QByteArray("notes.txt") << u"notes.txt"_s;
    QTest::newRow("url-no-host") << QByteArray("file://%1/notes.txt") << u"notes.txt"_s;
    QTest::newRow("url-one-slash") << QByteArray("file:%1/notes.txt") << u"notes.txt"_s;
    QTest::newRow("url-escapes") << QByteArray("file://%1/a%20b.txt") << u"a b.txt"_s;
    QTest::newRow("url-localhost") << QByteArray("file://localhost%1/notes.txt") << u"notes.txt"_s;
    QTest::newRow("url-localhost-capitals") << QByteArray("FILE://LocalHost%1/notes.txt") << u"notes.txt"_s;
    QTest::newRow("url-other-host") << QByteArray("file://elsewhere%1/notes.txt") << QString();
}

// A file manager may pass file URLs; anything else, "file:" in front or not, names a file in the current folder.
void tst_PathIntake::argumentIsAUrlOnlyWhenAbsolute()
{
    QFETCH(QByteArray, argument);
    QFETCH(QString, expected);
    CTempTree tree;
    for (const QString &name : { u"notes.txt"_s, u"file:notes.txt"_s, u"a b.txt"_s, u"file:/notes.txt"_s })
        tree.file(name);
    const QString root = QFileInfo(tree.path()).canonicalFilePath();
    argument.replace("%1", QFile::encodeName(root));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root));
    const CPathIntake::Batch batch = CPathIntake::fromArguments({ argument });
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(batch.paths, expected.isEmpty() ? QStringList() : QStringList { root + u'/' + expected });
    QCOMPARE(batch.undecodable, QStringList());
}

void tst_PathIntake::localhostIsThisMachine_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<bool>("local");

    QTest::newRow("none") << QByteArray() << true;
    QTest::newRow("localhost") << QByteArray("localhost") << true;
    QTest::newRow("capitals") << QByteArray("LOCALHOST") << true;
    QTest::newRow("other-host") << QByteArray("elsewhere") << false;
    QTest::newRow("localhost-lookalike") << QByteArray("localhost.example") << false;
}

// A drag names this machine's files with no host or with "localhost"; another machine's file is not one of ours.
void tst_PathIntake::localhostIsThisMachine()
{
    QFETCH(QByteArray, host);
    QFETCH(bool, local);
    CTempTree tree;
    tree.file(u"x.txt"_s);
    const QString root = QFileInfo(tree.path()).canonicalFilePath();
    // Plain, and with an escape, so that both the quick reading and the one through QUrl are used.
    for (const QByteArray &name : { QByteArray("/x.txt"), QByteArray("/%78.txt") }) {
        const QByteArray line = "file://" + host + QFile::encodeName(root) + name;
        const QStringList expected = local ? QStringList { root + u"/x.txt"_s } : QStringList();
        QCOMPARE(CPathIntake::fromUriList(QByteArray(line + "\r\n")).paths, expected);
        QCOMPARE(CPathIntake::fromUrls({ QUrl::fromEncoded(line) }).paths, expected);
        QVERIFY2(CFuzzChecks::uriList(line).isEmpty(), line.constData());
    }
}

QTEST_MAIN(tst_PathIntake)
#include "tst_PathIntake.moc"
