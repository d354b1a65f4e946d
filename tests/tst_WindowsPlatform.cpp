// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/System.h"
#include "helpers/Bytes.h"
#include "platform/PathIntake.h"
#include "platform/SingleInstance.h"
#include "platform/TargetFacts.h"
#include "settings/PlindorSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <windows.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// A string value straight from the registry, as another program would read it; "<missing>" when it is no string.
QString registryText(const QString &key, const QString &value)
{
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer;
    const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, key.toStdWString().c_str(), value.toStdWString().c_str(),
                                          RRF_RT_REG_SZ, nullptr, buffer, &size);
    return status == ERROR_SUCCESS ? QString::fromWCharArray(buffer) : u"<missing>"_s;
}
} // namespace

/// What Plindor keeps and shares through Windows itself: the profile in the registry, the window's hand-over to a
/// later launch, and the lock files of the journal's owners.
class tst_WindowsPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void profileLivesInTheRegistry();
    void handOverReachesTheWindow();
    void laterLaunchHandsOverItsPaths();
    void lockFilesShareNothing();
    void targetFactsKnowWhoHoldsAName();
    void shareDroppedFromExplorerIsTaken();
};

void tst_WindowsPlatform::profileLivesInTheRegistry()
{
    // Not the real profile's key, which the program's name ("plindor", the same key as "Plindor": the registry
    // ignores case) gives.
    QCoreApplication::setApplicationName(u"Plindor-test"_s);
    const QString key = u"Software\\Plindor\\Plindor-test"_s;
    const auto removeKey = qScopeGuard([] { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Plindor\\Plindor-test"); });
    CProfile profile;
    profile.folders = { u"D:\\作业\\2026"_s, u"C:\\Users\\学生\\文档"_s };
    profile.links[0] = { u"D:\\作业\\2026\\"_s, u"D:\\作业\\2026"_s, u"报告"_s, u".docx"_s, u"作业"_s };
    {
        const std::unique_ptr<QSettings> store = CPlindorSettings::openUserProfile();
        QCOMPARE(store->format(), QSettings::NativeFormat);
        QVERIFY(CPlindorSettings(*store).save(profile));
    }
    QCOMPARE(registryText(key + u"\\m_cb5"_s, u"num"_s), u"10002"_s);
    QCOMPARE(registryText(key + u"\\m_cb5"_s, u"1"_s), u"C:\\Users\\学生\\文档"_s);
    QCOMPARE(registryText(key + u"\\m_BTdir1"_s, u"m_fileName"_s), u"报告"_s);
    QCOMPARE(registryText(key + u"\\m_BTdir1"_s, u"m_extend"_s), u".docx"_s);
    const std::unique_ptr<QSettings> again = CPlindorSettings::openUserProfile();
    QCOMPARE(CPlindorSettings(*again).load(), profile);
}

// A pipe takes what the window has not read yet only up to its buffer: the sender runs on a thread of its own, as it
// would in a process of its own, while the window's event loop reads.
void tst_WindowsPlatform::handOverReachesTheWindow()
{
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);
    CSingleInstance later(runtime.path());
    QCOMPARE(later.claim(), CSingleInstance::Role::Secondary);
    const QStringList paths { u"C:/作业/名单 2026.xlsx"_s, u"D:/sub/dir"_s };
    CSingleInstance::Delivery delivery = CSingleInstance::Delivery::NoAnswer;
    std::thread sender([&] { delivery = later.sendToPrimary(paths); });
    const bool arrived = received.wait(10000);
    sender.join();
    QVERIFY(arrived);
    QCOMPARE(delivery, CSingleInstance::Delivery::Delivered);
    QCOMPARE(received.at(0).at(0).toStringList(), paths);
}

// The real program, launched with paths while a window runs, hands them over through the user's pipe and leaves.
void tst_WindowsPlatform::laterLaunchHandsOverItsPaths()
{
    CSingleInstance primary;
    const CSingleInstance::Role role = primary.claim();
    if (role == CSingleInstance::Role::Secondary)
        QSKIP("a Plindor window of this user is open");
    QCOMPARE(role, CSingleInstance::Role::Primary);
    QVERIFY2(primary.socketPath().startsWith(u"plindor-S-1-"_s), qPrintable(primary.socketPath()));
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);

    QTemporaryDir work;
    QProcess later;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    later.setProcessEnvironment(environment);
    later.setWorkingDirectory(work.path());
    later.start(QCoreApplication::applicationDirPath() + u"/plindor.exe"_s, { u"名单 2026.xlsx"_s, u"sub\\dir"_s });
    QVERIFY2(later.waitForStarted(30000), qPrintable(later.errorString()));
    // The window's end of the pipe answers from the event loop, which a blocking wait would stop.
    QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 30000);
    QCOMPARE(later.exitCode(), 0);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(),
             (QStringList { work.filePath(u"名单 2026.xlsx"_s), work.filePath(u"sub/dir"_s) }));
}

void tst_WindowsPlatform::lockFilesShareNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"owner.lock"_s);
    const qintptr held = CSystem::createLocked(path);
    QVERIFY(held != CSystem::kNoLock);
    QCOMPARE(CSystem::createLocked(path), CSystem::kNoLock);
    QCOMPARE(CSystem::lockIfFree(path), CSystem::kNoLock);
    // Nobody removes or replaces a held lock file.
    QVERIFY(!QFile::remove(path));
    CSystem::unlock(held);
    const qintptr taken = CSystem::lockIfFree(path);
    QVERIFY(taken != CSystem::kNoLock);
    QVERIFY(!CSystem::isAbsent(path));
    CSystem::removeAndUnlock(taken, path);
    QVERIFY(CSystem::isAbsent(path));
}

// The volume serial and file index tell the source's own new spelling from another file, as NTFS folds case.
void tst_WindowsPlatform::targetFactsKnowWhoHoldsAName()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(u"a.txt"_s), "source"));
    QVERIFY(writeBytes(dir.filePath(u"b.txt"_s), "other"));
    const auto probe = [&dir](const QString &name) {
        return CTargetFacts::probe({ dir.filePath(u"a.txt"_s), dir.path(), dir.filePath(name) });
    };
    const COperationCheck::Facts own = probe(u"A.txt"_s);
    QVERIFY(own.known && own.sourceExists && own.sameFilesystem && own.sameFolder && own.caseInsensitive);
    QCOMPARE(own.folder, COperationCheck::FolderState::Usable);
    QCOMPARE(own.sourceSize, 6);
    QVERIFY(own.freeBytes > 0);
    QCOMPARE(own.occupant, COperationCheck::Occupant::Source);
    QCOMPARE(probe(u"B.TXT"_s).occupant, COperationCheck::Occupant::Other);
    QCOMPARE(probe(u"c.txt"_s).occupant, COperationCheck::Occupant::Nobody);
    QVERIFY(!CTargetFacts::probe({ dir.filePath(u"gone.txt"_s), dir.path(), dir.filePath(u"x"_s) }).sourceExists);
}

// Explorer's drop of a file on a network share reaches the program as a URL with the server as its host.
void tst_WindowsPlatform::shareDroppedFromExplorerIsTaken()
{
    const QUrl share(u"file://server/share/a.pdf"_s);
    QVERIFY(CPathIntake::isLocalFileUrl(share));
    QCOMPARE(CPathIntake::localBytes(share), QByteArray("//server/share/a.pdf"));
}

QTEST_GUILESS_MAIN(tst_WindowsPlatform)
#include "tst_WindowsPlatform.moc"
