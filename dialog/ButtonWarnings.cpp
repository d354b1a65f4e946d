// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/ButtonWarnings.h"

#include "core/PathParts.h"
#include "dialog/WarningTexts.h"
#include "platform/ProbePool.h"

#include <QEvent>
#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QPushButton>
#include <QStyle>
#include <QtConcurrent>

namespace
{
using Warning = COperationCheck::Warning;
using Facts = COperationCheck::Facts;
} // namespace

CButtonWarnings::CButtonWarnings(const Buttons &buttons, std::function<COperationPlanner::Item()> snapshot,
                                 TargetFor targetFor, QObject *parent)
    : QObject(parent)
    , m_snapshot(std::move(snapshot))
    , m_targetFor(std::move(targetFor))
    , m_probe(&CTargetFacts::probe)
{
    setObjectName(QStringLiteral("buttonWarnings"));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        m_slots.at(i).id = buttons.at(i).id;
        m_slots.at(i).button = buttons.at(i).widget;
        m_slots.at(i).button->installEventFilter(this);
    }
    m_round.setSingleShot(true);
    m_round.setInterval(0);
    connect(&m_round, &QTimer::timeout, this, &CButtonWarnings::runRound);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &CButtonWarnings::giveUpOnSlowAnswers);
}

CButtonWarnings::~CButtonWarnings() = default;

// Made with the first folder to watch: a window with nothing loaded starts no file watcher.
void CButtonWarnings::watchFolderChanges()
{
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // A folder that went is no longer watched; it is watched again once it is back.
        const QStringList watched = m_watcher->directories();
        m_watched = QSet<QString>(watched.begin(), watched.end());
        refresh();
    });
}

void CButtonWarnings::refresh()
{
    ++m_requested;
    if (!m_round.isActive())
        m_round.start();
}

COperationCheck::Warning CButtonWarnings::shown(int id) const
{
    for (const Slot &slot : m_slots) {
        if (slot.id == id)
            return slot.warning;
    }
    return {};
}

void CButtonWarnings::setProbe(Probe probe)
{
    m_probe = std::move(probe);
}

void CButtonWarnings::setTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

// A button that is switched on or off has a new chance to fail: the queue ran empty, or an item arrived.
bool CButtonWarnings::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        refresh();
    return QObject::eventFilter(watched, event);
}

void CButtonWarnings::runRound()
{
    const COperationPlanner::Item item = m_snapshot();
    m_generation = ++m_requested;
    // Watched once a probe has come back from it: adding a watch reads the folder on this thread.
    if (item.sourcePath.isEmpty() || item.folder != m_sourceFolder)
        m_sourceFolder.clear();
    for (Slot &slot : m_slots)
        check(slot, item);
    watchFolders();
    settleIfDone();
}

void CButtonWarnings::check(Slot &slot, const COperationPlanner::Item &item)
{
    slot.generation = m_generation;
    slot.waiting = false;
    if (item.sourcePath.isEmpty())
        slot.watchedFolder.clear();
    if (item.sourcePath.isEmpty() || !slot.button->isEnabled()) {
        show(slot, {});
        return;
    }
    slot.item = item;
    slot.plan = COperationPlanner::plan(item, m_targetFor(slot.id));
    if (const Warning name = COperationCheck::checkName(item, slot.plan); !name.ok()) {
        show(slot, name);
        return;
    }
    // A button whose last question hangs asks nothing more until it comes back, wherever it points now: each
    // button ties up at most one pool thread, however many paths are typed on a dead mount.
    if (m_hanging.contains(slot.plan.folder) || slot.hungGeneration != 0) {
        show(slot, {});
        return;
    }
    slot.waiting = true;
    // One question per button at a time: the answer in flight asks again for the newest state when it comes back.
    if (!slot.inFlight)
        ask(int(&slot - m_slots.data()));
}

void CButtonWarnings::ask(int index)
{
    Slot &slot = m_slots.at(std::size_t(index));
    slot.inFlight = true;
    slot.askedGeneration = slot.generation;
    slot.askedFolder = slot.plan.folder;
    slot.askedAt.start();
    CTargetFacts::Question question { slot.item.sourcePath, slot.plan.folder, slot.plan.destination };
    if (slot.plan.numberOnClash) {
        question.numbering = slot.plan;
        question.extension = slot.item.extension;
    }
    auto *watcher = new QFutureWatcher<Facts>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, index, generation = slot.generation, folder = slot.plan.folder] {
                watcher->deleteLater();
                answered(index, generation, folder, watcher->result());
            });
    watcher->setFuture(QtConcurrent::run(CProbePool::pool(), [probe = m_probe, question] { return probe(question); }));
    if (!m_deadline.isActive())
        m_deadline.start(m_timeout);
}

void CButtonWarnings::answered(int index, quint64 generation, const QString &folder, const Facts &facts)
{
    Slot &slot = m_slots.at(std::size_t(index));
    if (m_hanging.remove(folder) || slot.hungGeneration == generation) {
        slot.hungGeneration = 0;
        refresh(); // the folder answers again
    }
    if (!slot.inFlight || slot.askedGeneration != generation)
        return; // a question given up on long ago
    slot.inFlight = false;
    if (!slot.waiting)
        return settleIfDone();
    // Something changed since the question: the round to come, or the one that ran meanwhile, asks anew.
    if (generation != m_requested) {
        if (!m_round.isActive())
            ask(index);
        return;
    }
    slot.waiting = false;
    show(slot, COperationCheck::check(slot.item, slot.plan, facts));
    // A missing folder's parent tells when it is made.
    slot.watchedFolder = facts.folder == COperationCheck::FolderState::Missing
        ? CPathParts::directoryOf(slot.plan.folder)
        : slot.plan.folder;
    if (facts.known && facts.sourceExists)
        m_sourceFolder = slot.item.folder;
    watchFolders();
    settleIfDone();
}

// The buttons whose answers are late show no warning; their folders get no question until the late answer comes.
void CButtonWarnings::giveUpOnSlowAnswers()
{
    qint64 soonest = -1;
    for (Slot &slot : m_slots) {
        if (!slot.inFlight)
            continue;
        const qint64 left = m_timeout.count() - slot.askedAt.elapsed();
        if (left > 0) {
            soonest = soonest < 0 ? left : std::min(soonest, left);
            continue;
        }
        m_hanging.insert(slot.askedFolder);
        slot.hungGeneration = slot.askedGeneration;
        slot.inFlight = false;
        if (slot.waiting) {
            slot.waiting = false;
            show(slot, {});
        }
    }
    if (soonest >= 0)
        m_deadline.start(std::chrono::milliseconds(soonest));
    settleIfDone();
}

void CButtonWarnings::show(Slot &slot, const Warning &warning)
{
    QPushButton *button = slot.button;
    if (warning.ok()) {
        if (slot.warning.ok())
            return;
        // Leave what another part of the window set meanwhile, such as a link shown on a new drop.
        if (button->toolTip() == slot.shownTip) {
            button->setToolTip(slot.normalTip);
            button->setAccessibleDescription(slot.normalDescription);
        }
        button->setIcon(slot.normalIcon);
        slot.warning = {};
        return;
    }
    // The same warning again changes nothing on the button; setting its icon anew would lay out and repaint it.
    if (warning == slot.warning && button->toolTip() == slot.shownTip)
        return;
    if (slot.warning.ok()) {
        slot.normalTip = button->toolTip();
        slot.normalDescription = button->accessibleDescription();
        slot.normalIcon = button->icon();
    }
    slot.warning = warning;
    // The button's own text, its key say, stays below the warning.
    slot.shownTip = CWarningTexts::toolTip(warning) + (slot.normalTip.isEmpty() ? QString() : u'\n' + slot.normalTip);
    button->setToolTip(slot.shownTip);
    button->setAccessibleDescription(slot.shownTip);
    button->setIcon(button->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, button));
}

// Another program creating, removing or renaming something in these folders may change a button's answer.
void CButtonWarnings::watchFolders()
{
    QSet<QString> wanted { m_sourceFolder };
    for (const Slot &slot : m_slots)
        wanted.insert(slot.watchedFolder);
    wanted.remove(QString());
    wanted -= m_hanging;
    if (wanted == m_watched)
        return;
    if (!m_watcher)
        watchFolderChanges();
    for (const QString &folder : std::as_const(m_watched)) {
        if (!wanted.contains(folder))
            m_watcher->removePath(folder);
    }
    for (const QString &folder : std::as_const(wanted)) {
        if (!m_watched.contains(folder))
            m_watcher->addPath(folder);
    }
    m_watched = wanted;
}

void CButtonWarnings::settleIfDone()
{
    for (const Slot &slot : m_slots) {
        if (slot.waiting)
            return;
    }
    Q_EMIT settled();
}
