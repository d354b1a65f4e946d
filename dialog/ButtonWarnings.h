// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OperationCheck.h"
#include "core/OperationPlanner.h"
#include "platform/TargetFacts.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>

class QFileSystemWatcher;
class QPushButton;

/// Shows on each of the window's seven operation buttons, before any click, whether its rename or move would fail
/// and why: a warning icon, and the reason as tooltip and accessible description. What touches the file system runs
/// on a pool thread with a time limit, so a hanging mount costs a warning, never the window.
class CButtonWarnings : public QObject
{
    Q_OBJECT
public:
    using Probe = std::function<COperationCheck::Facts(const CTargetFacts::Question &)>;

    using TargetFor = std::function<COperationPlanner::Target(int id)>;

    /// An operation button, and the id `targetFor` knows it by.
    struct Button {
        int id = 0;
        QPushButton *widget = nullptr;
    };
    using Buttons = std::array<Button, 7>;

    /// `snapshot` gives the loaded item as a click would take it; an empty source path means nothing is loaded.
    /// `targetFor` gives the target of an operation button as its click would take it. The owner calls refresh()
    /// whenever either may have changed; a button switched on or off is noticed here.
    CButtonWarnings(const Buttons &buttons, std::function<COperationPlanner::Item()> snapshot, TargetFor targetFor,
                    QObject *parent);
    ~CButtonWarnings() override;

    /// Checks every button again in the next turn of the event loop; the calls of one turn make one round.
    void refresh();
    /// The warning the button `id` shows; None where it shows none.
    [[nodiscard]] COperationCheck::Warning shown(int id) const;
    /// Test seam: answers in place of the file system, on a pool thread. It may block, as a hanging mount does.
    void setProbe(Probe probe);
    /// Test seam: how long a button waits for the file system before it gives up on a warning (1.5 s by default).
    void setTimeout(std::chrono::milliseconds timeout);

Q_SIGNALS:
    /// No button waits for the file system any more: each shows what its last check found, or gave up.
    void settled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Slot {
        int id = 0;
        QPushButton *button = nullptr;
        quint64 generation = 0; ///< the round whose answer the button waits for or shows
        bool waiting = false;
        COperationPlanner::Item item;
        COperationPlanner::Plan plan;
        bool inFlight = false; ///< a question of this button is on a pool thread
        quint64 hungGeneration = 0; ///< a question given up on that has not come back; 0 when there is none
        quint64 askedGeneration = 0;
        QString askedFolder;
        QElapsedTimer askedAt;
        COperationCheck::Warning warning;
        QString shownTip; ///< the tooltip this class set, to tell it from one others set meanwhile
        QString normalTip;
        QString normalDescription;
        QIcon normalIcon;
        QString watchedFolder;
    };

    void watchFolderChanges();
    void runRound();
    void check(Slot &slot, const COperationPlanner::Item &item);
    void ask(int index);
    void answered(int index, quint64 generation, const QString &folder, const COperationCheck::Facts &facts);
    void giveUpOnSlowAnswers();
    void show(Slot &slot, const COperationCheck::Warning &warning);
    void watchFolders();
    void settleIfDone();

    std::function<COperationPlanner::Item()> m_snapshot;
    TargetFor m_targetFor;
    Probe m_probe;
    std::chrono::milliseconds m_timeout { 1500 };
    std::array<Slot, 7> m_slots;
    quint64 m_generation = 0; ///< the last round's
    quint64 m_requested = 0; ///< the last change's: answers to questions before it are out of date
    QSet<QString> m_hanging; ///< folders whose probe ran out of time and has not come back
    QString m_sourceFolder;
    QSet<QString> m_watched; ///< as asked of the watcher, which drops a folder by itself when it goes
    QTimer m_round;
    QTimer m_deadline;
    QFileSystemWatcher *m_watcher = nullptr;
};
