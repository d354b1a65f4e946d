// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PartFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

// No process has this id in this namespace; a copy running in a container or sandbox may show one like it.
const QByteArray kStranger = "2147483646";
const QByteArray kOwn = QByteArray::number(::getpid());

int openPart(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
}

} // namespace

/// The cleanup of the part files that copies killed halfway leave behind.
class tst_PartFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void removesOnlyWhatNoCopyHolds();
};

// Whether a part file is stale is told by its lock alone, whatever process id its name gives.
void tst_PartFiles::removesOnlyWhatNoCopyHolds()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto part = [&](const char *letters, const QByteArray &pid) {
        return dir.filePath(QString::fromLatin1(".plindor-" + QByteArray(letters) + '-' + pid + ".part"));
    };
    const QString abandonedOwn = part("aaaaaa", kOwn);
    const QString abandoned = part("bbbbbb", kStranger);
    const QString heldHere = part("cccccc", kStranger);
    const QString linkToAbandoned = part("dddddd", kStranger);
    for (const QString &path : { abandonedOwn, abandoned, dir.filePath(u"target"_s), dir.filePath(u"notes.part"_s) })
        QVERIFY(::close(openPart(path)) == 0);
    // flock() locks belong to an open file description, so a second one of this process stands for another copy,
    // here one that runs in another pid namespace.
    const int held = openPart(heldHere);
    QCOMPARE(::flock(held, LOCK_EX), 0);
    QCOMPARE(::symlink("target", QFile::encodeName(linkToAbandoned).constData()), 0);
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QByteArray createdName;
    const int created = CPartFiles::create(folder, createdName);
    ::close(folder);
    QVERIFY(created >= 0);
    QVERIFY(CPartFiles::isPartFileName(createdName));

    CPartFiles::removeStale(dir.path());

    QStringList expected { QFileInfo(heldHere).fileName(), QFileInfo(linkToAbandoned).fileName(),
                           QString::fromLatin1(createdName), u"notes.part"_s, u"target"_s };
    expected.sort();
    QStringList left
        = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.sort();
    QCOMPARE(left, expected);
    ::close(held);
    ::close(created);
    CPartFiles::removeStale(dir.path());
    QVERIFY(!QFile::exists(heldHere));
}

QTEST_GUILESS_MAIN(tst_PartFiles)
#include "tst_PartFiles.moc"
