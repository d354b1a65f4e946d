// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QThreadPool;

/// The threads that ask the file system what a hanging mount may never answer, so that the window's thread never
/// waits on a disk longer than it chooses to.
class CProbePool
{
public:
    /// Never deleted: a thread stuck on a hanging mount must not hold up the window's closing or the program's exit.
    [[nodiscard]] static QThreadPool *pool();

    /// How long the window's thread waits for the next answer before it goes on without it. Short, since the window
    /// stands still meanwhile; a disk that answers at all answers far sooner.
    static constexpr std::chrono::milliseconds kWindowWait { 1000 };

    /// Asks `question` about each path in turn on a pool thread and waits while answers keep coming; once a whole
    /// `patience` passes without one, it gives up. The paths without an answer by then come back empty, and so does
    /// every later path in a folder whose question is still out: it is not asked again until that answer comes back,
    /// so that a dead mount costs one thread and one wait. `question` runs on after a time-out and must own what it
    /// uses.
    template <typename Answer>
    [[nodiscard]] static QList<std::optional<Answer>> ask(const QStringList &paths,
                                                          std::function<Answer(const QString &)> question,
                                                          std::chrono::milliseconds patience = kWindowWait);

    /// Test seam: runs on the pool thread with each path before its question, as a slow disk would. It may block.
    static void setStallForTesting(std::function<void(const QString &)> stall);

private:
    template <typename Answer> struct Round {
        QMutex mutex;
        QWaitCondition answered;
        QList<std::optional<Answer>> answers;
        qsizetype done = 0; ///< how many of the asked paths have their answer
        QString givenUpOn; ///< the folder marked as hanging when the window stopped waiting
        bool abandoned = false; ///< nobody waits for the rest of the answers
    };

    [[nodiscard]] static bool isHanging(const QString &path);
    /// Marks the folder of `path` hanging; returns that folder.
    static QString markHanging(const QString &path);
    static void clearHanging(const QString &folder);
    static void stall(const QString &path);
    static void start(std::function<void()> work);
};

template <typename Answer>
QList<std::optional<Answer>> CProbePool::ask(const QStringList &paths, std::function<Answer(const QString &)> question,
                                             std::chrono::milliseconds patience)
{
    auto round = std::make_shared<Round<Answer>>();
    round->answers.resize(paths.size());
    QList<qsizetype> asked;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (!isHanging(paths.at(i)))
            asked << i;
    }
    if (asked.isEmpty())
        return round->answers;
    start([round, paths, asked, question] {
        for (const qsizetype i : asked) {
            stall(paths.at(i));
            Answer answer = question(paths.at(i));
            const QMutexLocker lock(&round->mutex);
            round->answers[i] = std::move(answer);
            ++round->done;
            clearHanging(std::exchange(round->givenUpOn, QString()));
            if (round->abandoned)
                return;
            if (round->done == asked.size())
                round->answered.wakeAll();
        }
    });
    // Woken once at the end, not for every answer: a large batch would pay a switch of threads for each path. The
    // waiting side looks at the progress each `patience` instead.
    QMutexLocker lock(&round->mutex);
    while (round->done < asked.size()) {
        const qsizetype before = round->done;
        if (!round->answered.wait(&round->mutex, QDeadlineTimer(patience)) && round->done == before) {
            round->givenUpOn = markHanging(paths.at(asked.at(round->done)));
            round->abandoned = true;
            break;
        }
    }
    return round->answers;
}
