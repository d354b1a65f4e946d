// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// One window per user: later launches hand their paths to the running one and leave.
class tst_SingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void laterLaunchHandsOverItsPaths();
    void secondRealWindowIsNotOpened();
    void lockOfACrashedInstanceIsTakenOver();
    void socketIsPrivateToTheUser();
    void noPrimaryMeansNoDelivery();

private:
    static QProcess *launch(const QString &runtimeDir, const QStringList &arguments, const QString &workingDir = {});
};

QProcess *tst_SingleInstance::launch(const QString &runtimeDir, const QStringList &arguments, const QString &workingDir)
{
    auto *process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
    environment.insert(u"XDG_CONFIG_HOME"_s, runtimeDir + u"/config"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process->setProcessEnvironment(environment);
    if (!workingDir.isEmpty())
        process->setWorkingDirectory(workingDir);
    process->start(QStringLiteral(PLINDOR_BINARY), arguments);
    return process;
}

void tst_SingleInstance::laterLaunchHandsOverItsPaths()
{
    QTemporaryDir runtime;
    QTemporaryDir work;
    CSingleInstance primary(runtime.path());
    QVERIFY(primary.becomePrimary());
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);

    std::unique_ptr<QProcess> second(
        launch(runtime.path(), { u"名单 2026.xlsx"_s, work.filePath(u"sub/dir"_s) }, work.path()));
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QTRY_COMPARE(received.count(), 1);
    // Relative paths are resolved in the launching process's folder, not the running window's.
    QCOMPARE(received.at(0).at(0).toStringList(),
             (QStringList { work.filePath(u"名单 2026.xlsx"_s), work.filePath(u"sub/dir"_s) }));
}

void tst_SingleInstance::secondRealWindowIsNotOpened()
{
    QTemporaryDir runtime;
    std::unique_ptr<QProcess> first(launch(runtime.path(), {}));
    QVERIFY(first->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(runtime.filePath(u"plindor.socket"_s)), 10000);
    std::unique_ptr<QProcess> second(launch(runtime.path(), { runtime.filePath(u"x.txt"_s) }));
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished();
}

void tst_SingleInstance::lockOfACrashedInstanceIsTakenOver()
{
    QTemporaryDir runtime;
    std::unique_ptr<QProcess> crashed(launch(runtime.path(), {}));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(runtime.filePath(u"plindor.socket"_s)), 10000);
    crashed->kill();
    QVERIFY(crashed->waitForFinished());
    QVERIFY(QFileInfo::exists(runtime.filePath(u"plindor.lock"_s)));

    CSingleInstance next(runtime.path());
    QVERIFY(next.becomePrimary());
    QVERIFY(next.listen());
    QSignalSpy received(&next, &CSingleInstance::pathsReceived);
    CSingleInstance later(runtime.path());
    QVERIFY(!later.becomePrimary());
    // The client blocks while it writes, so the primary's events are processed afterwards.
    QVERIFY(later.sendToPrimary({ u"/a"_s }));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), QStringList { u"/a"_s });
}

void tst_SingleInstance::socketIsPrivateToTheUser()
{
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QVERIFY(primary.becomePrimary());
    QVERIFY(primary.listen());
    const QFileInfo socket(primary.socketPath());
    QVERIFY(socket.exists());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(socket.permissions() & others, QFile::Permissions());
}

void tst_SingleInstance::noPrimaryMeansNoDelivery()
{
    QTemporaryDir runtime;
    CSingleInstance lonely(runtime.path());
    QVERIFY(!lonely.sendToPrimary({ u"/a"_s }, 300));
}

QTEST_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
