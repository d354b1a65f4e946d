// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OperationPlanner.h"
#include "core/OperationRunner.h"
#include "dialog/ControlIds.h"
#include "platform/Prompter.h"

#include <QDate>
#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <span>

class CButtonWarnings;
class CHistoryWindow;
class CJournal;
class CMyButton;
class CMyComboBox;
class CMyEdit;
class CMyListBox;
class CPlindorSettings;
struct CProfile;
class CPreviewPane;
class CQueueKeeper;
class CWorkflowActions;
class QLabel;
class QPushButton;
class QTimer;

/// The program's only window: the queue, the three-part name editor, and the buttons that rename and move.
class CPlindorDlg : public QDialog
{
    Q_OBJECT
public:
    /// `prompter` and `today` are seams for tests; by default the real dialogs and the local date are used.
    explicit CPlindorDlg(CPlindorSettings &settings, std::unique_ptr<IPrompter> prompter = {}, QDate today = {},
                         QWidget *parent = nullptr);
    ~CPlindorDlg() override;

    /// The control with this identifier, as automation and the handlers find it.
    [[nodiscard]] QWidget *item(int id) const;

    /// Loads the queue's first item, or `stayWith` while it is queued; disables the editor when the queue is empty.
    void RefreshQueue(const QString &stayWith = {});
    void LoadItem(QString path);
    void LoadSettings();
    void SaveSettings();
    /// The folder picker, opened in the folder the list shows, else at home: never where the program was started.
    [[nodiscard]] QString BrowseForFolder();

    /// Queues paths given on the command line, exactly as if dropped on the queue;
    /// paths that do not exist are reported and left out.
    void queuePaths(const QStringList &paths);
    /// Queues paths a second launch handed over. Unlike a drop it leaves the loaded item, the queue's selection
    /// and the edits as they are, so a half-composed name is not lost; with nothing loaded it acts as a drop.
    void queueHandedOverPaths(const QStringList &paths);
    /// Sizes the window for a screen's free area: the template's own units where they fit, smaller ones down to
    /// a readable floor where they do not. Runs at start for the window's screen; tests pass made-up areas.
    void fitToScreen(const QRect &available);
    /// Tells the user that these paths were refused because their names cannot be read; the texts are decoded
    /// with replacement characters and are for showing only.
    void reportUndecodablePaths(const QStringList &paths);
    /// Shows the window on top of the others, as a second launch expects.
    void bringToFront();

    /// Records every rename and move from now on in `journal`, which must outlive the window, and makes them
    /// undoable; tells the user about a journal that is damaged or cannot be used. When `settle` is set, settles
    /// what an earlier run left unfinished, on a thread of its own, and then tells the user in one message about any
    /// item that is not where they would expect it; until then the items it concerns are not moved. Only a window
    /// that runs as the user's one window settles: a self-test or a second window must never touch what another
    /// program may still be working on.
    void useJournal(CJournal *journal, bool settle = true);
    /// `open` opens the journal and calls useJournal(), once: at the first operation, undo, redo or look at the
    /// history that comes before it has run otherwise, so that nothing is done without the journal.
    void openJournalWhenNeeded(std::function<void()> open);
    /// Runs what openJournalWhenNeeded() was given, unless it has run.
    void needJournal();
    /// Saves the queue, the loaded item and the edits in `storePath` as they change, and brings back what it holds
    /// unless the user switched that off. Only the user's one window keeps the queue.
    void keepQueue(const QString &storePath);
    /// keepQueue() with a keeper that started reading before the window was made; the window takes it over.
    void keepQueue(CQueueKeeper *started);
    /// Opens the list of past operations, or brings it to the front.
    void showHistory();

    /// Leaving by the exit button, Esc or the window manager's close all save the settings.
    void reject() override;

Q_SIGNALS:
    /// The item the editor now works on, split into the working strings; an empty path when the queue ran empty.
    void loadedItemChanged(const QString &path);
    /// An operation on `path` starts now: whatever reads it for the window lets go of it first.
    void operationStarting(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void bindControls();
    void applyFontsAndColours();
    void setPlaceholderTexts();
    void fillCandidateLists();
    void applyLoadedSettings();
    void returnToLastPlace(const QByteArray &geometry);
    void connectSignals();
    void connectButtons();
    void connectUndecodableReports();
    void connectUndoShortcuts();
    void settleWhatACrashLeft();
    void createButtonWarnings();
    void createWorkflow();
    void refreshWarningsOnChange(CButtonWarnings *warnings);
    void keepProfileSaved();
    [[nodiscard]] CProfile currentProfile() const;

    // Composition handlers, one per control.
    void OnBnClickedAddTermA();
    void OnBnClickedAddTermB();
    void OnBnClickedAddDate();
    void OnBnClickedAddSuffix();
    void OnBnClickedText1();
    void OnBnClickedText2();
    void OnBnClickedText3();
    void OnBnClickedText4();
    void OnBnClickedText5();
    void OnBnClickedText6();
    void OnCbnSelchangeTermA();
    void OnCbnSelchangeTermB();
    void OnCbnSelchangeDate();
    void OnCbnSelchangeSuffix();
    void OnBnClickedClear();
    void OnEnChangeName();

    // File operations, one per control.
    void OnBnClickedRename();
    void OnBnClickedMove();
    void OnBnClickedDir1();
    void OnBnClickedDir2();
    void OnBnClickedDir3();
    void OnBnClickedDir4();
    void OnBnClickedDir5();
    void OnBnClickedAddDir();
    void OnBnClickedCancel();
    void OnBnClickedDelDir();

    // What the drop targets report.
    void OnQueueDropLoaded(const QString &path);
    void OnQueueClickLoaded(const QString &path);
    void OnQueueRemoveRequested(const QString &path);
    void OnButtonRightClicked(CMyButton *button);
    void OnComboFolderDropped();
    void OnEditPathDropped(const QString &path);

    // Undo and redo of journalled operations.
    void OnUndo();
    void OnRedo();
    void OnClearQueue();
    void bringBackClearedQueue();
    void undoOperation(qint64 id);
    void redoOperation(qint64 id);
    bool showUndoOrRedo(const COperationRunner::Outcome &outcome, bool redo, bool askedByKey);
    void showUndone(const COperationRunner::Outcome &outcome, bool askedByKey);
    void loadUndoneItem(const QString &path, const QString &composedName);
    void refreshHistory();
    void placeHistory();

    void copyComboToEdit(CMyComboBox *combo, CMyEdit *edit);
    void reselectAndCopy(CMyComboBox *combo, CMyEdit *edit);
    void insertCommonText(int id);
    void returnToName();
    void quickMove(int index);
    [[nodiscard]] COperationPlanner::Item snapshotItem() const;
    void keepInWorkingStrings(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan);
    COperationRunner::Outcome carryOut(const COperationPlanner::Item &item, int id);
    /// The target of the operation button `id`, as a click would take it; the button warnings ask for it too.
    [[nodiscard]] COperationPlanner::Target targetFor(int id) const;
    void reportItemLeftAside(const QString &source, const QString &leftAt);
    void finishSuccessfulMove(const QString &movedFrom, const QString &movedTo);
    void refreshAfter(const COperationRunner::Outcome &outcome, const COperationPlanner::Item &loaded);
    void queueExisting(const QStringList &paths, bool loadFirst);
    void reportNotQueued(QStringList missing, QStringList tooLong);
    void splitIntoWorkingStrings(const QString &path);
    void adoptLoadedItem(const QString &path);
    void unlockEditor();
    void setEnabledIds(std::span<const int> ids, bool enabled);
    void setEditorReadOnly(bool readOnly);

    CPlindorSettings &m_settings;
    std::unique_ptr<IPrompter> m_prompter;
    QDate m_today;
    std::unique_ptr<IMover> m_mover;
    std::unique_ptr<COperationRunner> m_runner; ///< replaced once the journal is known
    std::function<void()> m_openJournal; ///< until the journal is known
    QIcon m_hIcon;
    QHash<int, QWidget *> m_items;
    QList<QWidget *> m_controls; ///< every control in template order, the unnamed ones too
    bool m_leaving = false;
    QTimer *m_profileChanged = nullptr; ///< one write of the profile for a burst of changes to it
    bool m_notQueuedShown = false; ///< the message about paths not queued is open
    QStringList m_notQueuedMissing; ///< refused while that message is open, for the next one
    QStringList m_notQueuedTooLong;
    QStringList m_clearedQueue; ///< what "清空队列" took off, until anything is queued again
    QString m_clearedLoaded;
    CQueueKeeper *m_keeper = nullptr; ///< owned by the window as its child; none when the queue is not kept
    CJournal *m_journal = nullptr;
    QPointer<CHistoryWindow> m_history;
    CPreviewPane *m_preview = nullptr;
    CWorkflowActions *m_workflow = nullptr;

    CMyEdit *m_editPrefix = nullptr;
    CMyEdit *m_editName = nullptr;
    CMyEdit *m_editSuffix = nullptr;
    CMyComboBox *m_cmbTermA = nullptr;
    CMyComboBox *m_cmbTermB = nullptr;
    CMyComboBox *m_cmbDate = nullptr;
    CMyComboBox *m_cmbSuffix = nullptr;
    CMyComboBox *m_cmbTargetDir = nullptr;

    QString m_strYear;
    QString m_strMonth;
    QString m_strDay;
    QString m_strYMD;
    QString m_strTerm;
    QString m_strMD;
    QString m_strDir;
    QString m_strName;
    QString m_strExt;
    QString m_strSrcPath;
    QString m_strDstPath;
    QString m_strOrigName;

    std::array<CMyButton *, 5> m_btnDir {};
    std::array<CMyButton *, 4> m_btnAdd {};
    std::array<CMyButton *, 6> m_btnText {};
    CMyListBox *m_listFiles = nullptr;
};
