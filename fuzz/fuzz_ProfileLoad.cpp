// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Any bytes as the profile file: loading never crashes, and what was loaded survives a save and a reload.
// See CFuzzChecks::profileLoad().
#include "fuzz/FuzzChecks.h"

#include <QDir>
#include <QMessageLogContext>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace
{
std::unique_ptr<QTemporaryDir> scratch;
std::unique_ptr<CFuzzChecks> checks;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Damaged "@Variant(" values make Qt warn on every load; thousands of lines a second would bury libFuzzer's own.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // A RAM disk keeps the file round trips fast; a folder per process lets parallel fuzzing jobs run side by side.
    // A crash leaves that folder behind, so scripts/fuzz.sh names a base folder of its own that it removes.
    const QString base
        = qEnvironmentVariable("PLINDOR_FUZZ_SCRATCH", QDir(u"/dev/shm"_s).exists() ? u"/dev/shm"_s : QDir::tempPath());
    scratch = std::make_unique<QTemporaryDir>(base + u"/plindor-fuzz-XXXXXX"_s);
    if (!scratch->isValid())
        return CFuzzChecks::abortOn(u"cannot create a scratch folder in "_s + base);
    checks = std::make_unique<CFuzzChecks>(scratch->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return CFuzzChecks::abortOn(checks->profileLoad(QByteArrayView(data, static_cast<qsizetype>(size))));
}
