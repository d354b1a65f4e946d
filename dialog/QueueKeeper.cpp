// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/QueueKeeper.h"

#include "controls/MyListBox.h"
#include "core/Logging.h"
#include "core/System.h"

#include <QEvent>
#include <QLineEdit>

namespace
{
// A queued item is there while its name is, a link whose target went away included: one look at the name itself.
bool stillThere(const QString &path)
{
    return CSystem::look(path).exists();
}
} // namespace

CQueueKeeper::CQueueKeeper(CMyListBox &list, const Edits &edits, Loaded loaded, QWidget *window)
    : QObject(window)
    , m_list(list)
    , m_edits(edits)
    , m_loaded(std::move(loaded))
    , m_window(window)
    , m_store(std::make_unique<CQueueStore>())
{
    m_thread.setMaxThreadCount(1);
    m_thread.setExpiryTimeout(-1);
    m_editorChanged.setSingleShot(true);
    m_editorChanged.setInterval(0);
    connect(&m_editorChanged, &QTimer::timeout, this, &CQueueKeeper::saveEditor);
    window->installEventFilter(this);
    observe();
}

CQueueKeeper::~CQueueKeeper()
{
    m_stopping = true;
    // The connection is closed on the thread that opened it.
    post([](CQueueStore &store) { store.close(); });
    m_thread.waitForDone();
}

void CQueueKeeper::observe()
{
    const QAbstractItemModel *model = m_list.model();
    connect(model, &QAbstractItemModel::modelReset, this, &CQueueKeeper::saveQueue);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { saveRemovedRows(first, last); });
    connect(m_list.selectionModel(), &QItemSelectionModel::currentChanged, &m_editorChanged,
            qOverload<>(&QTimer::start));
    for (QLineEdit *edit : m_edits)
        connect(edit, &QLineEdit::textChanged, &m_editorChanged, qOverload<>(&QTimer::start));
}

void CQueueKeeper::post(std::function<void(CQueueStore &)> job)
{
    m_thread.start([this, job = std::move(job)] { job(*m_store); });
}

void CQueueKeeper::start(const QString &path, bool restore)
{
    m_saving = restore;
    post([this, path, restore](CQueueStore &store) {
        store.open(path);
        if (!restore) {
            store.clear();
            return;
        }
        Found found { store.load([this] { return bool(m_stopping); }), 0 };
        QStringList present;
        present.reserve(found.saved.paths.size());
        for (const QString &queued : std::as_const(found.saved.paths)) {
            if (m_stopping)
                return;
            if (stillThere(queued))
                present << queued;
        }
        found.missing = found.saved.paths.size() - present.size();
        found.saved.paths = std::move(present);
        QMetaObject::invokeMethod(
            this, [this, found] { loaded(found); }, Qt::QueuedConnection);
    });
    // A window that painted already paints again, and the saved queue follows that paint.
    m_window->update();
}

void CQueueKeeper::loaded(const Found &found)
{
    if (found.missing > 0)
        qCInfo(lcQueue) << found.missing << "saved queue entries no longer exist and were left out";
    m_found = found;
    applyWhenPainted();
}

bool CQueueKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // After this paint, not inside it.
        QMetaObject::invokeMethod(this, &CQueueKeeper::applyWhenPainted, Qt::QueuedConnection);
    }
    return false;
}

void CQueueKeeper::applyWhenPainted()
{
    if (!m_painted || !m_found)
        return;
    const Found found = *std::exchange(m_found, std::nullopt);
    m_window->removeEventFilter(this);
    apply(found);
    qCDebug(lcQueue) << "queue restored:" << found.saved.paths.size() << "paths";
    Q_EMIT restored(found.saved.paths.size(), found.missing);
}

// A queue filled meanwhile, by a launch's paths say, keeps its loaded item; the saved paths join it.
void CQueueKeeper::apply(const Found &found)
{
    const CQueueStore::Saved &saved = found.saved;
    const qsizetype before = m_list.count();
    m_applying = true;
    if (before > 0) {
        m_list.queueKeepingCurrent(saved.paths);
    } else {
        m_list.queueAndLoad(saved.paths);
        const int row = m_list.rowOf(saved.loaded);
        if (row > 0)
            m_list.loadRow(row);
        if (row >= 0) {
            m_edits.at(0)->setText(saved.prefix);
            m_edits.at(1)->setText(saved.name);
            m_edits.at(2)->setText(saved.suffix);
        }
    }
    m_applying = false;
    // What is shown now differs from what was saved by the paths left out or added: one write brings them level.
    if (found.missing > 0 || before > 0)
        saveQueue();
    saveEditor();
}

void CQueueKeeper::setSaving(bool on)
{
    m_saving = on;
    if (!on) {
        post([](CQueueStore &store) { store.clear(); });
        return;
    }
    saveQueue();
    saveEditor();
}

void CQueueKeeper::saveQueue()
{
    if (!m_saving || m_applying)
        return;
    post([paths = m_list.paths()](CQueueStore &store) { store.savePaths(paths); });
}

void CQueueKeeper::saveRemovedRows(int first, int last)
{
    if (!m_saving || m_applying)
        return;
    QStringList removed;
    for (int row = first; row <= last; ++row)
        removed << m_list.pathAt(row);
    post([removed](CQueueStore &store) { store.removePaths(removed); });
}

void CQueueKeeper::saveEditor()
{
    if (!m_saving || m_applying)
        return;
    post([loaded = m_loaded(), prefix = m_edits.at(0)->text(), name = m_edits.at(1)->text(),
          suffix = m_edits.at(2)->text()](CQueueStore &store) { store.saveEditor(loaded, prefix, name, suffix); });
}

void CQueueKeeper::flush()
{
    if (m_editorChanged.isActive()) {
        m_editorChanged.stop();
        saveEditor();
    }
    m_thread.waitForDone();
}
