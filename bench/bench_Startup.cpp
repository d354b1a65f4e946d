// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Start-up time and resident memory of the real program against a bare QDialog with the same controls,
// both launched the same way in the same run. Prints medians and ratios.
#include "bench/BenchSupport.h"
#include "core/QueueStore.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// A session's runtime folder lies in memory (tmpfs), where syncing the instance's lock file costs nothing: each
/// home's does too when /dev/shm is there.
QString runtimeFolder(const QTemporaryDir &home)
{
    static const QString root = QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm"_s : QDir::tempPath();
    return root + u"/plindor-bench-"_s + QFileInfo(home.path()).fileName();
}

QStringList &runtimeFoldersMade()
{
    static QStringList made;
    return made;
}

void makeRuntimeFolder(const QTemporaryDir &home)
{
    QDir().mkdir(runtimeFolder(home), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    runtimeFoldersMade() << runtimeFolder(home);
}

QProcessEnvironment environmentIn(const QTemporaryDir &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeFolder(home));
    environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, home.filePath(u"state"_s));
    return environment;
}

/// CPU time that ended child processes have used so far.
double childrenCpuMs()
{
    rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Launch {
    double wallMs;
    double cpuMs;
};

Launch launchToPaint(const QString &program, const QTemporaryDir &home)
{
    QProcess process;
    process.setProcessEnvironment(environmentIn(home));
    const double cpuBefore = childrenCpuMs();
    QElapsedTimer timer;
    timer.start();
    process.start(program, { u"--self-test"_s });
    process.waitForFinished(60000);
    return { static_cast<double>(timer.nsecsElapsed()) / 1e6, childrenCpuMs() - cpuBefore };
}

/// A real start (no self-test) until the window has put the saved queue back, which it does after its first
/// paint, after the journal: the whole start-up a user with a kept queue waits for.
double launchToRestoredMs(const QTemporaryDir &home)
{
    QProcess process;
    QProcessEnvironment environment = environmentIn(home);
    environment.insert(u"QT_LOGGING_RULES"_s, u"plindor.queue.debug=true"_s);
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(PLINDOR_BINARY), {});
    QByteArray said;
    while (!said.contains("queue restored") && process.waitForReadyRead(60000))
        said += process.readAll();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    process.kill();
    process.waitForFinished();
    return said.contains("queue restored") ? ms : -1;
}

long residentKb(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

/// Resident memory once it has stopped changing.
long settledResidentKb(qint64 pid)
{
    long previous = -2;
    long current = residentKb(pid);
    for (int i = 0; i < 100 && current != previous; ++i) {
        QThread::msleep(300);
        previous = current;
        current = residentKb(pid);
    }
    return current;
}

struct Memory {
    long idleKb;
    long queuedKb;
};

Memory plindorMemory(const QTemporaryDir &home, const QStringList &paths)
{
    QProcess process;
    process.setProcessEnvironment(environmentIn(home));
    process.start(QStringLiteral(PLINDOR_BINARY), {});
    process.waitForStarted();
    CSingleInstance client(runtimeFolder(home));
    while (!QFile::exists(client.socketPath()))
        QThread::msleep(20);
    Memory memory { settledResidentKb(process.processId()), 0 };
    // One hand-over carries a limited number of paths, so a long list goes over in several.
    for (qsizetype sent = 0; sent < paths.size();) {
        const QStringList rest = paths.mid(sent);
        client.sendToPrimary(rest, 60000);
        sent += CSingleInstance::fittingPaths(rest);
    }
    memory.queuedKb = settledResidentKb(process.processId());
    process.kill();
    process.waitForFinished();
    return memory;
}

Memory bareMemory(qsizetype items)
{
    Memory memory {};
    for (qsizetype count : { qsizetype(0), items }) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PLINDOR_BARE_BINARY), { u"--items"_s, QString::number(count) });
        process.waitForStarted();
        QThread::msleep(300);
        (count == 0 ? memory.idleKb : memory.queuedKb) = settledResidentKb(process.processId());
        process.kill();
        process.waitForFinished();
    }
    return memory;
}

QStringList makeFiles(const QTemporaryDir &home, int count)
{
    QDir().mkpath(home.filePath(u"queue"_s));
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << home.filePath(u"queue/file-%1.txt"_s.arg(i));
        QFile(paths.last()).open(QIODevice::WriteOnly);
    }
    return paths;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = 15;
    const int items = 100000;
    const auto removeRuntimeFolders = qScopeGuard([] {
        for (const QString &folder : std::as_const(runtimeFoldersMade()))
            QDir(folder).removeRecursively();
    });
    QTemporaryDir home;
    // Like a session's runtime folder: the window and its launches meet there only when it is private.
    makeRuntimeFolder(home);

    // Pairs of launches, the order alternating, so that a slower spell of a shared machine hits both alike.
    std::vector<double> ours, bare, pairs, oursCpu, bareCpu;
    for (int i = 0; i < runs; ++i) {
        Launch plindor {};
        Launch dialog {};
        if (i % 2 == 0) {
            plindor = launchToPaint(QStringLiteral(PLINDOR_BINARY), home);
            dialog = launchToPaint(QStringLiteral(PLINDOR_BARE_BINARY), home);
        } else {
            dialog = launchToPaint(QStringLiteral(PLINDOR_BARE_BINARY), home);
            plindor = launchToPaint(QStringLiteral(PLINDOR_BINARY), home);
        }
        ours.push_back(plindor.wallMs);
        bare.push_back(dialog.wallMs);
        pairs.push_back(plindor.wallMs / dialog.wallMs);
        oursCpu.push_back(plindor.cpuMs);
        bareCpu.push_back(dialog.cpuMs);
    }
    std::printf("launch to painted window and exit (median of %d): plindor %.1f ms, bare dialog %.1f ms; "
                "median of the pairs' ratios %.2f\n",
                runs, median(ours), median(bare), median(pairs));
    std::printf("CPU time of the same launches (median): plindor %.1f ms, bare dialog %.1f ms, ratio %.2f\n",
                median(oursCpu), median(bareCpu), median(oursCpu) / median(bareCpu));

    // A real start with an empty saved queue, and with a saved queue of `items` paths that all exist, each until the
    // queue is back in the window: the window paints first, the journal and the queue follow.
    const QStringList files = makeFiles(home, items);
    QTemporaryDir restoring;
    QTemporaryDir emptyStart;
    for (const QTemporaryDir *dir : { &restoring, &emptyStart })
        makeRuntimeFolder(*dir);
    {
        CQueueStore store;
        // As the window saves it: the paths in queue order with their keys.
        const CQueueOrder order;
        if (!store.open(restoring.filePath(u"state/Plindor/queue.sqlite"_s))
            || !store.saveQueue(CQueueSnapshot::of(order.sortedEntries(files), order.keysIdentity()))
            || !store.saveEditor(files.at(items / 2), {}, u"half"_s, {}))
            return 1;
    }
    // The folder's last change is left to settle, and one start finds every path in it and notes its stamp: starts
    // after it need not list the folder while it stays as it is.
    QThread::msleep(1100);
    if (launchToRestoredMs(restoring) < 0) {
        std::printf("a start did not restore its queue\n");
        return 1;
    }
    // Then the same starts after a name came and went in the folder before each: each lists the folder again.
    const auto touchFolder = [&home] {
        QFile touched(home.filePath(u"queue/touched"_s));
        return touched.open(QIODevice::WriteOnly) && touched.remove();
    };
    for (const bool changed : { false, true }) {
        std::vector<double> empty;
        std::vector<double> restored;
        for (int i = 0; i < runs; ++i) {
            empty.push_back(launchToRestoredMs(emptyStart));
            if (changed && !touchFolder())
                return 1;
            restored.push_back(launchToRestoredMs(restoring));
            if (empty.back() < 0 || restored.back() < 0) {
                std::printf("a start did not restore its queue\n");
                return 1;
            }
        }
        std::printf("launch until the saved queue is back (median of %d), %s: empty queue %.1f ms, %d paths restored "
                    "%.1f ms, ratio %.2f\n",
                    runs, changed ? "the folder changed since the last start" : "the folder as the last start found it",
                    median(empty), items, median(restored), median(restored) / median(empty));
    }

    const Memory plindor = plindorMemory(home, files);
    const Memory baseline = bareMemory(items);
    std::printf("resident memory idle: plindor %ld KiB, bare dialog %ld KiB, ratio %.2f\n", plindor.idleKb,
                baseline.idleKb, double(plindor.idleKb) / double(baseline.idleKb));
    std::printf("resident memory with %d items queued: plindor %ld KiB, bare dialog %ld KiB, ratio %.2f\n", items,
                plindor.queuedKb, baseline.queuedKb, double(plindor.queuedKb) / double(baseline.queuedKb));
    return 0;
}
