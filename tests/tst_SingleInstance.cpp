// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include "helpers/EffectiveUser.h"
#include "platform/PathProbe.h"
#include "platform/RuntimeFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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
    void runtimeFolderChoice_data();
    void runtimeFolderChoice();
    void unusableSessionFolderIsNotUsed_data();
    void unusableSessionFolderIsNotUsed();
    void lockThatCannotBeMadeOpensALoneWindow();
    void primaryDropsAnotherUsersConnection();
    void senderRefusesAnotherUsersServer();
    void receiverStopsAtTheLimits_data();
    void receiverStopsAtTheLimits();
    void senderHandsOverOnlyWhatFits();
    void slowSenderDoesNotHoldUpAnother();
    void runningOutOfDescriptorsDoesNotSpin();

private:
    static QProcess *launch(const QString &runtimeDir, const QStringList &arguments, const QString &workingDir = {},
                            const std::function<void()> &inChild = {});
};

namespace
{
/// Writes `message` to the socket at `socketPath` as any local program could, until done or refused. Only plain
/// system calls, so that a forked child may use it.
void sendRaw(const QByteArray &socketPath, const QByteArray &message)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
        for (qsizetype sent = 0; sent < message.size();) {
            const ssize_t written = ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
            if (written <= 0)
                break;
            sent += written;
        }
    }
    ::close(fd);
}

/// Waits for `size` bytes from a pipe; false when they do not come in time.
bool readPipe(int fd, void *data, size_t size)
{
    pollfd ready = { fd, POLLIN, 0 };
    return ::poll(&ready, 1, 10000) == 1 && ::read(fd, data, size) == ssize_t(size);
}

bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

/// Makes `path` as `kind` says: a folder with a mode ("0700", "0777"), a folder of another user ("foreign"),
/// a link to a private folder ("link"), or nothing ("absent"). Returns false when it could not.
bool make(const QString &path, const QString &kind)
{
    const QByteArray native = QFile::encodeName(path);
    if (kind == u"absent")
        return true;
    if (kind == u"link")
        return make(path + u"-target"_s, u"0700"_s) && QFile::link(path + u"-target"_s, path);
    if (!QDir().mkdir(path) || !setMode(path, kind == u"foreign" ? 0700 : kind.toUInt(nullptr, 8)))
        return false;
    return kind != u"foreign" || ::chown(native.constData(), CEffectiveUser::nobody, CEffectiveUser::nobody) == 0;
}

/// A connected socket, or -1.
int connectTo(const QString &socketPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

bool answers(const QString &socketPath)
{
    const int fd = connectTo(socketPath);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}
} // namespace

QProcess *tst_SingleInstance::launch(const QString &runtimeDir, const QStringList &arguments, const QString &workingDir,
                                     const std::function<void()> &inChild)
{
    auto *process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
    environment.insert(u"XDG_CONFIG_HOME"_s, runtimeDir + u"/config"_s);
    // The journal and the saved queue go to a folder of the test's own, never into the session folder under test.
    static const QTemporaryDir state;
    environment.insert(u"XDG_STATE_HOME"_s, state.path());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process->setProcessEnvironment(environment);
    if (!workingDir.isEmpty())
        process->setWorkingDirectory(workingDir);
    if (inChild)
        process->setChildProcessModifier(inChild);
    process->start(QStringLiteral(PLINDOR_BINARY), arguments);
    return process;
}

void tst_SingleInstance::laterLaunchHandsOverItsPaths()
{
    QTemporaryDir runtime;
    QTemporaryDir work;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
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
    QCOMPARE(next.claim(), CSingleInstance::Role::Primary);
    QVERIFY(next.listen());
    QSignalSpy received(&next, &CSingleInstance::pathsReceived);
    CSingleInstance later(runtime.path());
    QCOMPARE(later.claim(), CSingleInstance::Role::Secondary);
    // The client blocks while it writes, so the primary's events are processed afterwards.
    QCOMPARE(later.sendToPrimary({ u"/a"_s }), CSingleInstance::Delivery::Delivered);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), QStringList { u"/a"_s });
}

void tst_SingleInstance::socketIsPrivateToTheUser()
{
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
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
    QCOMPARE(lonely.sendToPrimary({ u"/a"_s }, 300), CSingleInstance::Delivery::NoAnswer);
}

void tst_SingleInstance::runtimeFolderChoice_data()
{
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("private-session-folder") << u"0700"_s << u"absent"_s << u"session"_s;
    QTest::newRow("session-folder-open-to-all") << u"0777"_s << u"absent"_s << u"fallback"_s;
    QTest::newRow("session-folder-open-to-the-group") << u"0750"_s << u"absent"_s << u"fallback"_s;
    QTest::newRow("session-folder-of-another-user") << u"foreign"_s << u"absent"_s << u"fallback"_s;
    QTest::newRow("session-folder-is-a-link") << u"link"_s << u"absent"_s << u"fallback"_s;
    QTest::newRow("relative-session-folder") << u"relative"_s << u"absent"_s << u"fallback"_s;
    QTest::newRow("no-session-folder") << u"unset"_s << u"absent"_s << u"fallback"_s;
    QTest::newRow("own-fallback-is-reused") << u"unset"_s << u"0700"_s << u"fallback"_s;
    QTest::newRow("fallback-open-to-all") << u"unset"_s << u"0777"_s << u"none"_s;
    QTest::newRow("fallback-open-to-the-group") << u"0777"_s << u"0750"_s << u"none"_s;
    QTest::newRow("fallback-of-another-user") << u"unset"_s << u"foreign"_s << u"none"_s;
    QTest::newRow("fallback-is-a-link") << u"unset"_s << u"link"_s << u"none"_s;
}

void tst_SingleInstance::runtimeFolderChoice()
{
    QFETCH(QString, session);
    QFETCH(QString, fallback);
    QFETCH(QString, chosen);
    if ((session == u"foreign" || fallback == u"foreign") && ::geteuid() != 0)
        QSKIP("giving a folder to another user needs root");
    QTemporaryDir base;
    const QString parent = base.filePath(u"tmp"_s);
    QVERIFY(QDir().mkdir(parent));
    const QString own = parent + u"/plindor-"_s + QString::number(::geteuid());
    QVERIFY(make(own, fallback));
    QString sessionPath;
    if (session == u"relative") {
        // A relative name would follow whatever folder the program was started in.
        QVERIFY(make(base.filePath(u"run"_s), u"0700"_s));
        sessionPath = QDir::current().relativeFilePath(base.filePath(u"run"_s));
    } else if (session != u"unset") {
        sessionPath = base.filePath(u"run"_s);
        QVERIFY(make(sessionPath, session));
    }

    QString problem;
    const QString result = CRuntimeFolder::choose(sessionPath, parent, &problem);
    if (chosen == u"session") {
        QCOMPARE(result, sessionPath);
    } else if (chosen == u"fallback") {
        QCOMPARE(result, own);
        QCOMPARE(modeOf(own), 0700);
    } else {
        QCOMPARE(result, QString());
        QVERIFY2(problem.contains(own), qPrintable(problem));
    }
}

void tst_SingleInstance::unusableSessionFolderIsNotUsed_data()
{
    QTest::addColumn<QString>("session");
    QTest::newRow("open-folder-of-another-user") << u"open"_s;
    QTest::newRow("relative-path") << u"run"_s;
}

void tst_SingleInstance::unusableSessionFolderIsNotUsed()
{
    // Nothing of ours may land in a folder others can write to, nor in whatever folder the window was started in.
    QFETCH(QString, session);
    QTemporaryDir open;
    QTemporaryDir work;
    QVERIFY(make(work.filePath(u"run"_s), u"0700"_s));
    QVERIFY(setMode(open.path(), 0777));
    if (::geteuid() == 0)
        QCOMPARE(::chown(QFile::encodeName(open.path()).constData(), CEffectiveUser::nobody, 0), 0);
    const QString runtime = session == u"open" ? open.path() : session;
    std::unique_ptr<QProcess> first(launch(runtime, {}, work.path()));
    QVERIFY(first->waitForStarted());
    // The window listens in its own folder under /tmp instead.
    const QString socket = u"/tmp/plindor-%1/plindor.socket"_s.arg(::geteuid());
    const QDir::Filters everything = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    const auto misplaced
        = [&] { return QDir(open.path()).entryList(everything) + QDir(work.filePath(u"run"_s)).entryList(everything); };
    QTRY_VERIFY_WITH_TIMEOUT(answers(socket) || !misplaced().isEmpty(), 10000);
    QCOMPARE(misplaced(), QStringList());
    std::unique_ptr<QProcess> second(launch(runtime, { work.filePath(u"x.txt"_s) }, work.path()));
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished();
    QCOMPARE(misplaced(), QStringList());
    QCOMPARE(QDir(work.path()).entryList(everything), QStringList { u"run"_s });
}

void tst_SingleInstance::lockThatCannotBeMadeOpensALoneWindow()
{
    if (::geteuid() != 0)
        QSKIP("root is needed to act as a user whose own runtime folder is read-only");
    // Root passes every permission check; the user "nobody" with a folder of mode 0500 cannot make the lock.
    QTemporaryDir base;
    QVERIFY(setMode(base.path(), 0711));
    const QString runtime = base.filePath(u"run"_s);
    QVERIFY(make(runtime, u"foreign"_s));
    QVERIFY(setMode(runtime, 0500));
    {
        const CEffectiveUser nobody(CEffectiveUser::nobody);
        CSingleInstance instance(runtime);
        QCOMPARE(instance.claim(), CSingleInstance::Role::Standalone);
        QVERIFY2(instance.errorString().contains(runtime), qPrintable(instance.errorString()));
        QVERIFY(!instance.listen());
    }

    std::unique_ptr<QProcess> window(launch(runtime, { u"/nowhere/x.txt"_s }, base.path(), [] {
        if (::setgid(CEffectiveUser::nobody) != 0 || ::setuid(CEffectiveUser::nobody) != 0)
            ::_exit(99);
    }));
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += window->readAllStandardError()).contains("window lock"), 10000);
    QVERIFY2(errors.contains(QFile::encodeName(runtime)), errors.constData());
    QVERIFY2(!errors.contains("another window"), errors.constData());
    // It opens its own window instead of waiting for one that does not exist and giving up.
    QVERIFY(!window->waitForFinished(2000));
    window->kill();
    window->waitForFinished();
}

void tst_SingleInstance::primaryDropsAnotherUsersConnection()
{
    if (::geteuid() != 0)
        QSKIP("root is needed to connect as another user");
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);
    // Should the folder and socket ever be open to others, the credentials still keep them out.
    QVERIFY(setMode(runtime.path(), 0777));
    QVERIFY(setMode(primary.socketPath(), 0777));
    const QByteArray socketPath = QFile::encodeName(primary.socketPath());
    const QByteArray message("/from/another/user\0", 19);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(CEffectiveUser::nobody) == 0 && ::setuid(CEffectiveUser::nobody) == 0)
            sendRaw(socketPath, message);
        ::_exit(0);
    }
    QVERIFY(child > 0);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(status, 0);

    QVERIFY(setMode(runtime.path(), 0700));
    CSingleInstance later(runtime.path());
    QCOMPARE(later.sendToPrimary({ u"/mine"_s }), CSingleInstance::Delivery::Delivered);
    QTRY_COMPARE(received.count(), 1);
    QTest::qWait(200);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), QStringList { u"/mine"_s });
}

void tst_SingleInstance::senderRefusesAnotherUsersServer()
{
    if (::geteuid() != 0)
        QSKIP("root is needed to listen as another user");
    QTemporaryDir base;
    QVERIFY(setMode(base.path(), 0711));
    const QString runtime = base.filePath(u"run"_s);
    QVERIFY(make(runtime, u"foreign"_s));
    const QByteArray socketPath = QFile::encodeName(runtime + u"/plindor.socket"_s);
    int ready[2];
    int result[2];
    QCOMPARE(::pipe(ready), 0);
    QCOMPARE(::pipe(result), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Another user's server, which reports how many bytes it was given.
        if (::setgid(CEffectiveUser::nobody) != 0 || ::setuid(CEffectiveUser::nobody) != 0)
            ::_exit(1);
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
        if (::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || ::listen(server, 1) != 0 || ::write(ready[1], "1", 1) != 1)
            ::_exit(1);
        const int peer = ::accept(server, nullptr, nullptr);
        char buffer[4096];
        long total = 0;
        for (ssize_t got; (got = ::read(peer, buffer, sizeof buffer)) > 0;)
            total += got;
        ::_exit(::write(result[1], &total, sizeof total) == sizeof total ? 0 : 1);
    }
    QVERIFY(child > 0);
    const auto reap = qScopeGuard([child] {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    });
    char byte = 0;
    QVERIFY(readPipe(ready[0], &byte, 1));
    // The folder now passes as ours, with another user's socket inside.
    QCOMPARE(::chown(QFile::encodeName(runtime).constData(), 0, 0), 0);

    CSingleInstance sender(runtime);
    QCOMPARE(sender.sendToPrimary({ u"/secret/plan.txt"_s }, 3000), CSingleInstance::Delivery::ForeignServer);
    long total = -1;
    QVERIFY(readPipe(result[0], &total, sizeof total));
    QCOMPARE(total, 0L);
    for (int fd : { ready[0], ready[1], result[0], result[1] })
        ::close(fd);
}

void tst_SingleInstance::receiverStopsAtTheLimits_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<qsizetype>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QByteArray many;
    for (int i = 0; i <= 100000; ++i)
        many += "/p/" + QByteArray::number(i).rightJustified(6, '0') + '\0';
    QTest::newRow("100001-paths") << many << qsizetype(10000) << u"/p/000000"_s << u"/p/009999"_s;

    const QByteArray huge = "/before"_ba + '\0' + QByteArray(20 * 1024 * 1024, 'x') + '\0' + "/after"_ba + '\0';
    QTest::newRow("20-MiB-path") << huge << qsizetype(1) << u"/before"_s << u"/before"_s;

    const QByteArray kilobyte = '/' + QByteArray(999, 'k') + '\0';
    QTest::newRow("5-MB-of-paths") << kilobyte.repeated(5000) << CSingleInstance::maxMessageBytes / kilobyte.size()
                                   << QString::fromLatin1(kilobyte.chopped(1))
                                   << QString::fromLatin1(kilobyte.chopped(1));

    // A launch killed while it wrote: the front of a path may name another file.
    QTest::newRow("cut-off-mid-path") << "/a/first\0/a/report 2026.pd"_ba << qsizetype(1) << u"/a/first"_s
                                      << u"/a/first"_s;

    // A path too long to name a file arrives cut, still too long, so that the window can say so.
    const QByteArray tooLong = '/' + QByteArray(6000, 'y');
    QTest::newRow("path-over-PATH_MAX") << tooLong + '\0' + "/ok"_ba + '\0' << qsizetype(2)
                                        << QString::fromLatin1(tooLong.first(4096)) << u"/ok"_s;
}

void tst_SingleInstance::receiverStopsAtTheLimits()
{
    QFETCH(QByteArray, message);
    QFETCH(qsizetype, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);

    // The window keeps turning its event loop while the flood comes in.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    sinceTick.start();
    tick.start(5);
    std::thread client(sendRaw, QFile::encodeName(primary.socketPath()), message);
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 30000);
    client.join();
    tick.stop();
    QVERIFY2(longestStall < 1000, qPrintable(u"event loop stalled for %1 ms"_s.arg(longestStall)));

    const QStringList paths = received.at(0).at(0).toStringList();
    QCOMPARE(paths.size(), count);
    QCOMPARE(paths.constFirst(), first);
    QCOMPARE(paths.constLast(), last);
    QCOMPARE(CPathProbe::isTooLong(paths.constFirst()), first.size() >= 4096);
}

void tst_SingleInstance::senderHandsOverOnlyWhatFits()
{
    QTemporaryDir runtime;
    QTemporaryDir work;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);
    QStringList names;
    for (int i = 1; i <= CSingleInstance::maxPaths + 1; ++i)
        names << u"f%1"_s.arg(i);

    std::unique_ptr<QProcess> second(launch(runtime.path(), names, work.path()));
    // The primary has to read while the launch writes, so wait with the event loop turning.
    QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 20000);
    QCOMPARE(second->exitCode(), 0);
    const QByteArray errors = second->readAllStandardError();
    QVERIFY2(errors.contains("only the first 10000 of 10001 paths were handed over"), errors.constData());
    QTRY_COMPARE(received.count(), 1);
    const QStringList paths = received.at(0).at(0).toStringList();
    QCOMPARE(paths.size(), CSingleInstance::maxPaths);
    QCOMPARE(paths.constLast(), work.filePath(u"f10000"_s));
}

void tst_SingleInstance::slowSenderDoesNotHoldUpAnother()
{
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);
    // A launch that stalls halfway through its paths, say one stopped in a debugger.
    const int slow = connectTo(primary.socketPath());
    QVERIFY(slow >= 0);
    const auto closeSlow = qScopeGuard([slow] { ::close(slow); });
    QCOMPARE(::write(slow, "/slow/one\0/slow/tw", 18), 18);
    QTest::qWait(50);

    CSingleInstance later(runtime.path());
    QCOMPARE(later.sendToPrimary({ u"/quick"_s }), CSingleInstance::Delivery::Delivered);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), QStringList { u"/quick"_s });

    QCOMPARE(::write(slow, "o\0", 2), 2);
    ::shutdown(slow, SHUT_WR);
    QTRY_COMPARE(received.count(), 2);
    QCOMPARE(received.at(1).at(0).toStringList(), (QStringList { u"/slow/one"_s, u"/slow/two"_s }));
}

void tst_SingleInstance::runningOutOfDescriptorsDoesNotSpin()
{
    QTemporaryDir runtime;
    CSingleInstance primary(runtime.path());
    QCOMPARE(primary.claim(), CSingleInstance::Role::Primary);
    QVERIFY(primary.listen());
    QSignalSpy received(&primary, &CSingleInstance::pathsReceived);
    const int waiting = connectTo(primary.socketPath());
    QVERIFY(waiting >= 0);
    QCOMPARE(::write(waiting, "/late\0", 6), 6);
    ::shutdown(waiting, SHUT_WR);

    // The window has no descriptor left to take the connection with.
    rlimit usual = {};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &usual), 0);
    std::vector<int> filler;
    const auto release = qScopeGuard([&] {
        for (int fd : filler)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &usual);
    });
    rlimit tight = usual;
    tight.rlim_cur = std::min<rlim_t>(usual.rlim_cur, 4096);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (int fd; (fd = ::dup(0)) >= 0;)
        filler.push_back(fd);
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(500);
    const double cpuMs = double(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;
    QCOMPARE(received.count(), 0);
    QVERIFY2(cpuMs < 250, qPrintable(u"%1 ms of CPU while waiting for a descriptor"_s.arg(cpuMs)));

    for (int fd : std::exchange(filler, {}))
        ::close(fd);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), QStringList { u"/late"_s });
    ::close(waiting);
}

QTEST_MAIN(tst_SingleInstance)
#include "tst_SingleInstance.moc"
