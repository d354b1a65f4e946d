// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileMover.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <cerrno>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr qint64 kMiB = 1 << 20;
constexpr qint64 kFileSize = 1024 * kMiB;
constexpr int kRounds = 3;

/// Answers every progress report like a dialog that is never cancelled.
class CSilentProgress : public IMoveProgress
{
public:
    bool copied(qint64, qint64) override
    {
        return true;
    }
};

bool mountTmpfs(const QString &point)
{
    if (!QDir().mkpath(point)
        || ::mount("tmpfs", QFile::encodeName(point).constData(), "tmpfs", 0, "size=1200m") != 0) {
        std::printf("mounting a tmpfs on %s failed: %s\n", qPrintable(point), std::strerror(errno));
        return false;
    }
    return true;
}

bool writeSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(kMiB, Qt::Uninitialized);
    for (qint64 i = 0; i < kFileSize / kMiB; ++i) {
        std::fill(chunk.begin(), chunk.end(), char(i));
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timed(const std::function<bool()> &work, bool &ok)
{
    QElapsedTimer timer;
    timer.start();
    ok = work() && ok;
    return double(timer.nsecsElapsed()) / 1e6;
}

// Moves the file from `a` to `b` with the mover and back with mv, so both copy between the same two mounts.
int measure(const QString &a, const QString &b)
{
    std::vector<double> ours;
    std::vector<double> mv;
    bool ok = writeSource(a + u"/big.bin"_s);
    CSilentProgress progress;
    for (int round = 0; round < kRounds && ok; ++round) {
        ours.push_back(timed([&] { return CFileMover::move(a + u"/big.bin"_s, b, u"big.bin"_s, &progress).ok(); }, ok));
        mv.push_back(timed(
            [&] {
                return QProcess::execute(u"mv"_s, { u"-T"_s, b + u"/big.bin"_s, a + u"/big.bin"_s }) == 0;
            },
            ok));
        std::printf("round %d: CFileMover %.0f ms, mv %.0f ms\n", round + 1, ours.back(), mv.back());
    }
    if (!ok) {
        std::printf("a move failed\n");
        return 1;
    }
    const double oursMs = median(ours);
    const double mvMs = median(mv);
    std::printf("1 GiB between two tmpfs mounts, median of %d: CFileMover %.0f ms (%.0f MiB/s), mv %.0f ms "
                "(%.0f MiB/s), ours/mv %.2f\n",
                kRounds, oursMs, 1024e3 / oursMs, mvMs, 1024e3 / mvMs, oursMs / mvMs);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (::geteuid() != 0) {
        std::printf("bench_CrossFsMove needs root to mount two tmpfs file systems; skipped\n");
        return 0;
    }
    QTemporaryDir scratch(QDir::tempPath() + u"/bench_CrossFsMove-XXXXXX"_s);
    const QString a = scratch.filePath(u"a"_s);
    const QString b = scratch.filePath(u"b"_s);
    int result = 1;
    if (mountTmpfs(a)) {
        if (mountTmpfs(b)) {
            result = measure(a, b);
            ::umount2(QFile::encodeName(b).constData(), MNT_DETACH);
        }
        ::umount2(QFile::encodeName(a).constData(), MNT_DETACH);
    }
    return result;
}
