// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

struct CProfile;

/// The invariants the fuzz targets hunt for, shared with the test that replays their inputs.
class CFuzzChecks
{
public:
    /// The profile check keeps its files in `scratchFolder`, which it reuses for every input; a RAM disk keeps the
    /// fuzzer fast.
    explicit CFuzzChecks(QString scratchFolder);
    ~CFuzzChecks();

    /// The targets, named as their corpus folders are.
    [[nodiscard]] static QStringList targets();
    /// Runs the named target's check; an empty result means every invariant held.
    [[nodiscard]] QString check(const QString &target, QByteArrayView input);

    [[nodiscard]] static QString pathParts(QByteArrayView input);
    [[nodiscard]] static QString nameComposer(QByteArrayView input);
    [[nodiscard]] static QString queueOrder(QByteArrayView input);
    [[nodiscard]] QString profileLoad(QByteArrayView input);
    /// The input is a saved queue's file, as a damaged disk or another program may leave it.
    [[nodiscard]] static QString queueFile(QByteArrayView input);
    /// The input is a drag's text/uri-list.
    [[nodiscard]] static QString uriList(QByteArrayView input);

    /// The strings an input stands for. Its first byte picks the encoding of the rest: UTF-8 when even, UTF-16
    /// little-endian when odd (so lone surrogates occur). Strings are separated by the byte 0xFF in UTF-8, which
    /// never occurs in valid text, and by the noncharacter U+FFFF in UTF-16.
    [[nodiscard]] static QStringList decodeStrings(QByteArrayView input);

    /// Ends the process with the message when `error` is set, so that libFuzzer keeps the input as a crash.
    static int abortOn(const QString &error);

private:
    [[nodiscard]] QString saveIntoNewFile(const CProfile &profile, CProfile &reloaded);
    [[nodiscard]] bool writeFresh(const QString &path, QByteArrayView bytes);
    [[nodiscard]] bool touchFresh(const QString &path);
    void removeAsideCopies();

    QString m_scratch;
    qint64 m_generation = 0;
};
