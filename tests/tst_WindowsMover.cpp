// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Bytes.h"
#include "platform/WindowsMover.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <windows.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// Runs `atEnd` at the report that the copy is complete, the last moment before the copy takes its name, and answers
/// `answer` there.
class CAtCopyEnd : public IMoveProgress
{
public:
    explicit CAtCopyEnd(std::function<void()> atEnd = {}, bool answer = true)
        : m_atEnd(std::move(atEnd))
        , m_answer(answer)
    {
    }
    bool copied(qint64 done, qint64 total) override
    {
        m_reports << done;
        if (done < total || total == 0)
            return true;
        if (m_atEnd)
            m_atEnd();
        return m_answer;
    }
    QList<qint64> m_reports;

private:
    std::function<void()> m_atEnd;
    bool m_answer;
};

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
} // namespace

/// The mover of Windows on a Wine or Windows drive. The copy to another volume runs through the test seam that copies
/// on one volume too; Wine's CopyFileExW never calls its progress routine, so the reports seen here are the mover's
/// own, before the copy and once it is complete.
class tst_WindowsMover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void renameRefusesATakenName_data();
    void renameRefusesATakenName();
    void copyAcrossVolumes();
    void readOnlyFileMovesAcrossVolumes();
    void racingCreatorKeepsItsFile();
    void cancelledOrChangedCopyLeavesNothing_data();
    void cancelledOrChangedCopyLeavesNothing();
    void caseOnlyRename();
    void longPaths();
    void refusedNamesChangeNothing_data();
    void refusedNamesChangeNothing();
    void leftoversGoButNotAHeldCopy();

private:
    QString path(const QString &relative) const
    {
        return m_dir->filePath(relative);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_WindowsMover::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(u"to"_s));
    QVERIFY(writeBytes(path(u"a.txt"_s), "source"));
}

void tst_WindowsMover::renameRefusesATakenName_data()
{
    QTest::addColumn<bool>("copy");
    QTest::newRow("same volume") << false;
    QTest::newRow("across volumes") << true;
}

void tst_WindowsMover::renameRefusesATakenName()
{
    QFETCH(bool, copy);
    QVERIFY(writeBytes(path(u"to/b.txt"_s), "taken"));
    CWindowsMover mover(copy);
    QCOMPARE(mover.move(path(u"a.txt"_s), path(u"to"_s), u"b.txt"_s, nullptr).error, MoveError::DestinationExists);
    QCOMPARE(readBytes(path(u"to/b.txt"_s)), "taken");
    QCOMPARE(readBytes(path(u"a.txt"_s)), "source");
    QCOMPARE(namesIn(path(u"to"_s)), QStringList { u"b.txt"_s });

    // Only a rename on one volume may skip waiting for the journal's intent to reach the disk.
    QCOMPARE(mover.isSingleStep(path(u"a.txt"_s), path(u"to"_s), u"c.txt"_s), !copy);
    const MoveResult moved = mover.move(path(u"a.txt"_s), path(u"to"_s), u"c.txt"_s, nullptr);
    QVERIFY2(moved.ok(), qPrintable(moved.detail));
    QCOMPARE(moved.destination, path(u"to/c.txt"_s));
    QCOMPARE(readBytes(path(u"to/c.txt"_s)), "source");
    QVERIFY(!QFile::exists(path(u"a.txt"_s)));
}

void tst_WindowsMover::copyAcrossVolumes()
{
    QVERIFY(QDir(m_dir->path()).mkpath(u"folder"_s));
    const QByteArray big(3 << 20, 'x');
    QVERIFY(writeBytes(path(u"big.bin"_s), big));
    CWindowsMover mover(true);
    CAtCopyEnd progress;
    const MoveResult result = mover.move(path(u"big.bin"_s), path(u"to"_s), u"大文件.bin"_s, &progress);
    QVERIFY2(result.ok(), qPrintable(result.detail));
    QCOMPARE(readBytes(path(u"to/大文件.bin"_s)), big);
    QVERIFY(!QFile::exists(path(u"big.bin"_s)));
    // The hidden part file took the copy's name; it keeps none of its own attributes.
    QCOMPARE(namesIn(path(u"to"_s)), QStringList { u"大文件.bin"_s });
    QVERIFY(!QFileInfo(path(u"to/大文件.bin"_s)).isHidden());
    QCOMPARE(progress.m_reports.constFirst(), 0);
    QCOMPARE(progress.m_reports.constLast(), big.size());
    QCOMPARE(mover.move(path(u"folder"_s), path(u"to"_s), u"folder"_s, nullptr).error,
             MoveError::FolderAcrossFilesystems);
}

// Files from discs, downloads and sync tools carry the read-only attribute; the copy keeps it, and the source goes.
void tst_WindowsMover::readOnlyFileMovesAcrossVolumes()
{
    const QString source = path(u"a.txt"_s);
    QVERIFY(::SetFileAttributesW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(source).utf16()),
                                 FILE_ATTRIBUTE_READONLY));
    const MoveResult result = CWindowsMover(true).move(source, path(u"to"_s), u"b.txt"_s, nullptr);
    QVERIFY2(result.ok(), qPrintable(result.detail));
    QVERIFY(!QFile::exists(source));
    QCOMPARE(readBytes(path(u"to/b.txt"_s)), "source");
    QVERIFY(!QFileInfo(path(u"to/b.txt"_s)).isWritable());
    QVERIFY(QFile::setPermissions(path(u"to/b.txt"_s), QFile::ReadOwner | QFile::WriteOwner));
}

// Another program creates the name while the copy runs: its file stays, and so does the source.
void tst_WindowsMover::racingCreatorKeepsItsFile()
{
    const QString target = path(u"to/b.txt"_s);
    bool created = false;
    CAtCopyEnd racer([&] { created = writeBytes(target, "theirs", QIODevice::NewOnly); });
    const MoveResult result = CWindowsMover(true).move(path(u"a.txt"_s), path(u"to"_s), u"b.txt"_s, &racer);
    QVERIFY(created);
    QCOMPARE(result.error, MoveError::DestinationExists);
    QCOMPARE(readBytes(target), "theirs");
    QCOMPARE(readBytes(path(u"a.txt"_s)), "source");
    QCOMPARE(namesIn(path(u"to"_s)), QStringList { u"b.txt"_s });
}

void tst_WindowsMover::cancelledOrChangedCopyLeavesNothing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QByteArray>("sourceAfter");
    QTest::addColumn<MoveError>("error");
    QTest::newRow("cancelled") << true << QByteArray("source") << MoveError::Cancelled;
    QTest::newRow("source written meanwhile") << false << QByteArray("source, and more") << MoveError::SourceChanged;
}

void tst_WindowsMover::cancelledOrChangedCopyLeavesNothing()
{
    QFETCH(bool, cancel);
    QFETCH(QByteArray, sourceAfter);
    QFETCH(MoveError, error);
    const QString source = path(u"a.txt"_s);
    bool written = false;
    CAtCopyEnd progress(
        [&] {
            if (!cancel)
                written = writeBytes(source, sourceAfter);
        },
        !cancel);
    QCOMPARE(CWindowsMover(true).move(source, path(u"to"_s), u"b.txt"_s, &progress).error, error);
    QCOMPARE(written, !cancel);
    QCOMPARE(readBytes(source), sourceAfter);
    QCOMPARE(namesIn(path(u"to"_s)), QStringList());
}

// NTFS holds one name for both spellings, so the new one goes through a temporary name.
void tst_WindowsMover::caseOnlyRename()
{
    CWindowsMover mover;
    QVERIFY(!mover.isSingleStep(path(u"a.txt"_s), m_dir->path(), u"A.txt"_s));
    const MoveResult result = mover.move(path(u"a.txt"_s), m_dir->path(), u"A.txt"_s, nullptr);
    QVERIFY2(result.ok(), qPrintable(result.detail));
    QCOMPARE(namesIn(m_dir->path()), (QStringList { u"A.txt"_s, u"to"_s }));
    QCOMPARE(readBytes(path(u"A.txt"_s)), "source");
    QCOMPARE(mover.move(path(u"A.txt"_s), m_dir->path(), u"A.txt"_s, nullptr).error, MoveError::SameFile);
}

void tst_WindowsMover::longPaths()
{
    QString deep = path(u"to"_s);
    for (int level = 0; level < 6; ++level)
        deep += u"/一个很长的文件夹名字_%1_abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz"_s.arg(level);
    QVERIFY(deep.size() > 260);
    QVERIFY(QDir().mkpath(deep));
    for (const bool copy : { false, true }) {
        QVERIFY(writeBytes(path(u"a.txt"_s), "source"));
        const QString name = copy ? u"copied.txt"_s : u"renamed.txt"_s;
        const MoveResult result = CWindowsMover(copy).move(path(u"a.txt"_s), deep, name, nullptr);
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QCOMPARE(readBytes(deep + u'/' + name), "source");
        QVERIFY(!QFile::exists(path(u"a.txt"_s)));
    }
}

void tst_WindowsMover::refusedNamesChangeNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<MoveError>("error");
    QTest::newRow("colon") << u"a:b.txt"_s << MoveError::UnsupportedName;
    QTest::newRow("question mark") << u"what?.txt"_s << MoveError::UnsupportedName;
    QTest::newRow("device") << u"con.txt"_s << MoveError::UnsupportedName;
    QTest::newRow("trailing dot") << u"b."_s << MoveError::UnsupportedName;
    QTest::newRow("trailing space") << u"b "_s << MoveError::UnsupportedName;
    QTest::newRow("backslash") << u"x\\b.txt"_s << MoveError::InvalidName;
    QTest::newRow("too long") << QString(256, u'名') << MoveError::NameTooLong;
}

void tst_WindowsMover::refusedNamesChangeNothing()
{
    QFETCH(QString, name);
    QFETCH(MoveError, error);
    QCOMPARE(CWindowsMover().move(path(u"a.txt"_s), path(u"to"_s), name, nullptr).error, error);
    QCOMPARE(readBytes(path(u"a.txt"_s)), "source");
    QCOMPARE(namesIn(path(u"to"_s)), QStringList());
}

void tst_WindowsMover::leftoversGoButNotAHeldCopy()
{
    QVERIFY(writeBytes(path(u"to/.plindor-abc123.part"_s), "stale"));
    QVERIFY(writeBytes(path(u"to/.plindor-def456.part"_s), "being written"));
    QVERIFY(writeBytes(path(u"to/.plindor-notours.part"_s), "someone else's"));
    QFile held(path(u"to/.plindor-def456.part"_s));
    QVERIFY(held.open(QIODevice::ReadWrite));
    CWindowsMover().removeLeftovers(path(u"to"_s));
    QCOMPARE(namesIn(path(u"to"_s)), (QStringList { u".plindor-def456.part"_s, u".plindor-notours.part"_s }));
}

QTEST_GUILESS_MAIN(tst_WindowsMover)
#include "tst_WindowsMover.moc"
