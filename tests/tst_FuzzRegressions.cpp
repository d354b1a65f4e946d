// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/FuzzChecks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace
{
// Seeds first, then the inputs that once broke a target, each in a folder named after its target.
const QStringList kInputRoots { u"corpus"_s, u"regressions"_s };

QDir fuzzDir()
{
    return QDir(QStringLiteral(PLINDOR_FUZZ_DIR));
}
} // namespace

/// Replays the fuzz targets' seeds and past findings through their own checks, in the ordinary test suite.
class tst_FuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void replay_data();
    void replay();
    void everyTargetHasSeeds();
    void failuresAreReported();
    void decodeStrings_data();
    void decodeStrings();

private:
    QTemporaryDir m_scratch;
};

void tst_FuzzRegressions::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    QVERIFY2(fuzzDir().exists(), qPrintable(fuzzDir().path()));
}

void tst_FuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const QString &root : kInputRoots) {
        const QDir rootDir(fuzzDir().filePath(root));
        for (const QString &target : rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const QDir inputs(rootDir.filePath(target));
            for (const QString &file : inputs.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
                const QString row = root + u'/' + target + u'/' + file;
                QTest::newRow(qPrintable(row)) << target << inputs.filePath(file);
            }
        }
    }
}

void tst_FuzzRegressions::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    CFuzzChecks checks(m_scratch.path());
    const QString error = checks.check(target, file.readAll());
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void tst_FuzzRegressions::everyTargetHasSeeds()
{
    for (const QString &target : CFuzzChecks::targets()) {
        const QDir seeds(fuzzDir().filePath(u"corpus/"_s + target));
        QVERIFY2(!seeds.entryList(QDir::Files).isEmpty(), qPrintable(u"no seeds for "_s + target));
    }
}

void tst_FuzzRegressions::failuresAreReported()
{
    // A misnamed regression folder must fail rather than be skipped.
    CFuzzChecks checks(m_scratch.path());
    QVERIFY(!checks.check(u"NoSuchTarget"_s, "0"_ba).isEmpty());
    // The profile check cannot do its work without its scratch folder, and must say so.
    CFuzzChecks homeless(m_scratch.filePath(u"missing/folder"_s));
    QVERIFY(!homeless.profileLoad("[m_cb5]\nnum=10001\n0=a\n"_ba).isEmpty());
}

void tst_FuzzRegressions::decodeStrings_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("strings");
    QTest::newRow("nothing") << QByteArray() << QStringList();
    QTest::newRow("utf8Empty") << "\x00"_ba << QStringList { QString() };
    QTest::newRow("utf8Split") << "0a/b\xff"
                                  "c.d\xff"_ba
                               << QStringList { u"a/b"_s, u"c.d"_s, QString() };
    QTest::newRow("utf8Nul") << "2a\x00z"_ba << QStringList { QString(u"a\0z"_s) };
    QTest::newRow("utf8Chinese") << "0报告\xff.txt"_ba << QStringList { u"报告"_s, u".txt"_s };
    QTest::newRow("utf8Invalid") << "0\xc3"_ba << QStringList { QString(QChar::ReplacementCharacter) };
    // In UTF-16 a lone surrogate survives, and an odd byte at the end is dropped.
    QTest::newRow("utf16Surrogate") << "1a\x00\xff\xff\x00\xd8x"_ba
                                    << QStringList { u"a"_s, QString(QChar(char16_t(0xd800))) };
    QTest::newRow("utf16Chinese") << "\x03\xa5\x62\x4a\x54/\x00"_ba << QStringList { u"报告/"_s };
}

void tst_FuzzRegressions::decodeStrings()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, strings);
    QCOMPARE(CFuzzChecks::decodeStrings(input), strings);
}

QTEST_GUILESS_MAIN(tst_FuzzRegressions)
#include "tst_FuzzRegressions.moc"
