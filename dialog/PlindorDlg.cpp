// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/PlindorDlg.h"

#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "core/CandidateLists.h"
#include "core/Journal.h"
#include "core/JournalSettler.h"
#include "core/Logging.h"
#include "core/NameComposer.h"
#include "core/OperationRunner.h"
#include "core/PathParts.h"
#include "core/WindowPlace.h"
#include "dialog/ButtonWarnings.h"
#include "dialog/ControlFactory.h"
#include "dialog/DialogTemplate.h"
#include "dialog/HistoryWindow.h"
#include "dialog/OutcomeTexts.h"
#include "dialog/PreviewPane.h"
#include "dialog/QueueKeeper.h"
#include "dialog/WorkflowActions.h"
#include "platform/LocalDate.h"
#include "platform/MoveProgress.h"
#include "platform/PathIntake.h"
#include "platform/PathProbe.h"
#include "platform/PlatformMover.h"
#include "platform/WidgetPrompter.h"
#include "settings/PlindorSettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace
{
const QColor queueTextColour(0, 154, 97);

// The controls a drop on the queue enables, in three groups: the queue running empty disables the first and last.
constexpr std::array compositionIds { int(IDC_BTN_ADD_TERM_A), int(IDC_BTN_ADD_TERM_B), int(IDC_BTN_ADD_DATE),
                                      int(IDC_BTN_ADD_SUFFIX), int(IDC_BTN_TEXT1),      int(IDC_BTN_TEXT2),
                                      int(IDC_BTN_TEXT3),      int(IDC_BTN_TEXT4),      int(IDC_BTN_TEXT5),
                                      int(IDC_BTN_TEXT6),      int(IDC_BTN_CLEAR) };
constexpr std::array listIds { int(IDC_COMBO_TERM_A), int(IDC_COMBO_TERM_B), int(IDC_COMBO_DATE), int(IDC_COMBO_SUFFIX),
                               int(IDC_COMBO_TARGET_DIR) };
constexpr std::array operationIds { int(IDC_BTN_DIR1), int(IDC_BTN_DIR2),    int(IDC_BTN_DIR3),
                                    int(IDC_BTN_DIR4), int(IDC_BTN_DIR5),    int(IDC_BTN_RENAME),
                                    int(IDC_BTN_MOVE), int(IDC_BTN_ADD_DIR), int(IDC_BTN_DEL_DIR) };
const QColor editTextColour(255, 0, 0);
constexpr int editCellHeight = 23;
constexpr int queueCellHeight = 28;
// The window manager's frame is unknown until the window is shown; Qt, too, assumes a frame of about this size when
// it centres a dialog on the screen and keeps it inside the free area.
constexpr QSize frameAllowance(20, 50);

// Setting an edit's text lays it out and repaints it; the same text again, with no typing of the user's to forget,
// changes nothing.
void setTextUnlessSame(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text || edit->isUndoAvailable() || edit->isRedoAvailable())
        edit->setText(text);
}

// Held down, Enter and the keys that file an item are one press, whatever else takes them: the default or a focused
// button would click on each repeat, and a key shortcut is not the only way a repeat reaches the buttons on every
// platform.
bool isHeldOperationKey(const QKeyEvent &key)
{
    if (!key.isAutoRepeat())
        return false;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        return true;
    const QKeySequence pressed(key.keyCombination());
    for (int k = 0; k < 5; ++k) {
        if (pressed == CWorkflowActions::quickMoveKey(k))
            return true;
    }
    return pressed == CWorkflowActions::moveKey() || pressed == QKeySequence(Qt::CTRL | Qt::Key_Enter);
}

} // namespace

CPlindorDlg::CPlindorDlg(CPlindorSettings &settings, std::unique_ptr<IPrompter> prompter, QDate today, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_settings(settings)
    , m_prompter(prompter ? std::move(prompter) : std::make_unique<CWidgetPrompter>())
    , m_today(today.isValid() ? today : CLocalDate::today())
    , m_mover(makeMover())
    , m_runner(std::make_unique<COperationRunner>(nullptr, *m_mover))
{
    setWindowTitle(u"Plindor"_s);
    m_hIcon = QApplication::windowIcon();
    setWindowIcon(m_hIcon);
    setFont(CControlFactory::dialogFont());
    createControls();
    bindControls();
    applyFontsAndColours();
    m_preview = new CPreviewPane(this);
    fitToScreen(screen()->availableGeometry());
    setPlaceholderTexts();
    fillCandidateLists();
    LoadSettings();
    applyLoadedSettings();
    connectSignals();
    createWorkflow();
    createButtonWarnings();
    keepProfileSaved();
}

// The setup is written shortly after it changes, not only when the window closes: a crash or a killed session must
// not cost the user the folders, links and words set up. One write serves a burst of changes.
void CPlindorDlg::keepProfileSaved()
{
    m_profileChanged = new QTimer(this);
    m_profileChanged->setSingleShot(true);
    m_profileChanged->setInterval(500);
    connect(m_profileChanged, &QTimer::timeout, this, [this] {
        if (!m_settings.save(currentProfile()))
            qCWarning(lcProfile) << "the profile could not be saved; leaving the window tries again";
    });
    const auto changed = [this] {
        if (!m_profileChanged->isActive())
            m_profileChanged->start();
    };
    const QAbstractItemModel *folders = m_cmbTargetDir->model();
    connect(folders, &QAbstractItemModel::rowsInserted, this, changed);
    connect(folders, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(folders, &QAbstractItemModel::dataChanged, this, changed);
    for (const auto &buttons : { std::span<CMyButton *const>(m_btnDir), std::span<CMyButton *const>(m_btnText) }) {
        for (const CMyButton *button : buttons)
            connect(button, &CMyButton::linked, this, changed);
    }
    connect(m_preview->toggleAction(), &QAction::toggled, this, changed);
}

// The switches and keys of a batch filed one keystroke per item.
void CPlindorDlg::createWorkflow()
{
    m_workflow = new CWorkflowActions(m_settings, this, m_btnDir, qobject_cast<QPushButton *>(item(IDC_BTN_MOVE)),
                                      qobject_cast<QPushButton *>(item(IDC_BTN_RENAME)));
    m_workflow->describeButtons();
    m_listFiles->setMenuActions(m_workflow->menuActions());
    connect(m_workflow, &CWorkflowActions::clearQueueRequested, this, &CPlindorDlg::OnClearQueue);
    // Whatever joins the queue after it was cleared makes the undo key undo file operations again.
    connect(m_listFiles->model(), &QAbstractItemModel::modelReset, this, [this] { m_clearedQueue.clear(); });
}

// Emptied without a question; the undo key right after brings the queue back, with the item that was loaded.
void CPlindorDlg::OnClearQueue()
{
    const QStringList queued = m_listFiles->paths();
    const QString loaded = m_strSrcPath;
    m_listFiles->clearQueue();
    RefreshQueue();
    if (m_listFiles->count() > 0)
        return;
    m_clearedQueue = queued;
    m_clearedLoaded = loaded;
}

void CPlindorDlg::bringBackClearedQueue()
{
    const QString loaded = m_clearedLoaded;
    queueExisting(std::exchange(m_clearedQueue, {}), true);
    if (const int row = m_listFiles->rowOf(loaded); row > 0)
        m_listFiles->loadRow(row);
}

void CPlindorDlg::keepQueue(const QString &storePath)
{
    auto *keeper = new CQueueKeeper;
    keeper->start(storePath, m_workflow->options().restoreQueue);
    keepQueue(keeper);
}

void CPlindorDlg::keepQueue(CQueueKeeper *started)
{
    m_keeper = started;
    started->attach(
        *m_listFiles, { m_editPrefix, m_editName, m_editSuffix }, [this] { return m_strSrcPath; }, this);
    connect(m_workflow, &CWorkflowActions::restoreQueueToggled, started, &CQueueKeeper::setSaving);
}

CPlindorDlg::~CPlindorDlg() = default;

QWidget *CPlindorDlg::item(int id) const
{
    return m_items.value(id);
}

void CPlindorDlg::createButtonWarnings()
{
    constexpr std::array ids { int(IDC_BTN_RENAME), int(IDC_BTN_MOVE), int(IDC_BTN_DIR1), int(IDC_BTN_DIR2),
                               int(IDC_BTN_DIR3),   int(IDC_BTN_DIR4), int(IDC_BTN_DIR5) };
    CButtonWarnings::Buttons buttons;
    for (std::size_t i = 0; i < ids.size(); ++i)
        buttons.at(i) = { ids.at(i), qobject_cast<QPushButton *>(item(ids.at(i))) };
    // Parented to the window, which the buttons are too, so it never outlives them.
    auto *warnings = new CButtonWarnings(
        buttons, [this] { return snapshotItem(); }, [this](int id) { return targetFor(id); }, this);
    refreshWarningsOnChange(warnings);
    connect(warnings, &CButtonWarnings::settled, m_workflow, &CWorkflowActions::describeButtons);
}

// What changes the loaded item or where a button would put it: the warnings may no longer hold.
void CPlindorDlg::refreshWarningsOnChange(CButtonWarnings *warnings)
{
    for (CMyEdit *edit : { m_editPrefix, m_editName, m_editSuffix }) {
        connect(edit, &QLineEdit::textChanged, warnings, &CButtonWarnings::refresh);
        connect(edit, &CMyEdit::pathDropped, warnings, &CButtonWarnings::refresh);
    }
    connect(m_cmbTargetDir, &QComboBox::currentTextChanged, warnings, &CButtonWarnings::refresh);
    for (CMyButton *button : m_btnDir)
        connect(button, &CMyButton::linked, warnings, &CButtonWarnings::refresh);
    connect(m_listFiles, &CMyListBox::dropLoaded, warnings, &CButtonWarnings::refresh);
    connect(m_listFiles, &CMyListBox::clickLoaded, warnings, &CButtonWarnings::refresh);
    connect(m_workflow, &CWorkflowActions::numberOnClashToggled, warnings, &CButtonWarnings::refresh);
}

void CPlindorDlg::createControls()
{
    QWidget *previous = nullptr;
    for (const CDialogTemplate::Item &control : CDialogTemplate::items()) {
        QWidget *widget = CControlFactory::create(control, this);
        if (control.kind == CDialogTemplate::Kind::GroupBox)
            widget->lower();
        m_controls << widget;
        if (control.id != IDC_STATIC)
            m_items.insert(control.id, widget);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous)
                setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

void CPlindorDlg::fitToScreen(const QRect &available)
{
    // A caption is readable while it fits inside the button's frame with a pixel of air around it.
    const int chrome = style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 1;
    const QSize smallest = CDialogTemplate::smallestUnits(fontMetrics(), chrome);
    const QSize room = available.size() - frameAllowance;
    setFixedSize(CControlFactory::place(
        m_controls, CDialogTemplate::fittedUnits(CDialogTemplate::templateUnits(), smallest, room)));
    CControlFactory::fitEditFont({ m_editPrefix, m_editName, m_editSuffix }, editCellHeight);
    m_preview->fitBeside(room);
}

void CPlindorDlg::bindControls()
{
    m_editPrefix = qobject_cast<CMyEdit *>(item(IDC_EDIT_PREFIX));
    m_editName = qobject_cast<CMyEdit *>(item(IDC_EDIT_NAME));
    m_editSuffix = qobject_cast<CMyEdit *>(item(IDC_EDIT_SUFFIX));
    m_cmbTermA = qobject_cast<CMyComboBox *>(item(IDC_COMBO_TERM_A));
    m_cmbTermB = qobject_cast<CMyComboBox *>(item(IDC_COMBO_TERM_B));
    m_cmbDate = qobject_cast<CMyComboBox *>(item(IDC_COMBO_DATE));
    m_cmbSuffix = qobject_cast<CMyComboBox *>(item(IDC_COMBO_SUFFIX));
    m_cmbTargetDir = qobject_cast<CMyComboBox *>(item(IDC_COMBO_TARGET_DIR));
    m_cmbTargetDir->setPlaceholderEntry(CNameComposer::folderPlaceholder());
    for (int k = 0; k < 5; ++k)
        m_btnDir.at(k) = qobject_cast<CMyButton *>(item(IDC_BTN_DIR1 + k));
    for (int k = 0; k < 4; ++k)
        m_btnAdd.at(k) = qobject_cast<CMyButton *>(item(IDC_BTN_ADD_TERM_A + k));
    for (int k = 0; k < 6; ++k)
        m_btnText.at(k) = qobject_cast<CMyButton *>(item(IDC_BTN_TEXT1 + k));
    m_listFiles = qobject_cast<CMyListBox *>(item(IDC_FILE_LIST));
}

void CPlindorDlg::applyFontsAndColours()
{
    m_listFiles->setFont(CControlFactory::boldFont(queueCellHeight));
    for (CMyEdit *edit : { m_editPrefix, m_editName, m_editSuffix })
        CControlFactory::setTextColour(edit, editTextColour);
    CControlFactory::setTextColour(m_listFiles, queueTextColour);
}

void CPlindorDlg::setPlaceholderTexts()
{
    m_listFiles->setHintText(tr("（请把要改名字的文件拖到此处!）"));
    m_editPrefix->setText(CNameComposer::prefixPlaceholder());
    m_editName->setText(CNameComposer::namePlaceholder());
    m_editSuffix->setText(CNameComposer::suffixPlaceholder());
    setEditorReadOnly(true);
}

void CPlindorDlg::fillCandidateLists()
{
    const CCandidateLists::DateTexts texts = CCandidateLists::dateTexts(m_today);
    m_strDay = texts.day;
    m_strMonth = texts.month;
    m_strYear = texts.year;
    m_strYMD = texts.ymd;
    m_strMD = texts.md;
    auto fill = [](CMyComboBox *combo, const QStringList &entries, int selected) {
        for (const QString &entry : entries)
            combo->addString(entry);
        combo->setCurrentIndex(selected);
    };
    m_strTerm = CCandidateLists::termWord(m_today, true);
    fill(m_cmbTermA, CCandidateLists::terms(m_today, true), 3);
    m_strTerm = CCandidateLists::termWord(m_today, false);
    fill(m_cmbTermB, CCandidateLists::terms(m_today, false), 3);
    fill(m_cmbDate, CCandidateLists::dates(texts), 0);
    fill(m_cmbSuffix, CCandidateLists::suffixes(), 0);
    // The label as written, whatever the language shown: the profile stores it, and reading it back tells that the
    // button was never linked.
    for (int k = 0; k < 5; ++k)
        m_btnDir.at(k)->m_Name = CDialogTemplate::find(IDC_BTN_DIR1 + k)->text;
}

void CPlindorDlg::LoadSettings()
{
    const CProfile profile = m_settings.load();
    for (const QString &folder : profile.folders)
        m_cmbTargetDir->addString(folder == CNameComposer::storedFolderPlaceholder()
                                      ? CNameComposer::folderPlaceholder()
                                      : QDir::toNativeSeparators(folder));
    m_cmbTargetDir->setCurrentIndex(0);
    for (int k = 0; k < 5; ++k) {
        CMyButton *button = m_btnDir.at(k);
        const CButtonLink &link = profile.links.at(k);
        button->m_filePathName = link.filePathName;
        button->m_filePath = link.filePath;
        button->m_fileName = link.fileName;
        button->m_extend = link.extend;
        button->m_Name = link.name;
        // Earlier versions saved a folder directly under the root with an empty parent, which reads as unlinked.
        if (button->m_filePath.isEmpty() && QDir::isAbsolutePath(button->m_filePathName))
            button->m_filePath = CPathParts::directoryOf(button->m_filePathName);
    }
    for (int k = 0; k < 6; ++k)
        m_btnText.at(k)->m_Name = profile.captions.at(k);
    m_preview->setChosen(profile.previewShown);
    returnToLastPlace(profile.windowGeometry);
}

// Where the platform lets a window choose its place; a screen that went, or a smaller one, moves it back inside.
void CPlindorDlg::returnToLastPlace(const QByteArray &saved)
{
    const QScreen *before = screen();
    if (saved.isEmpty() || !restoreGeometry(saved))
        return;
    // The size is the one made for this screen, never the one saved: the template decides it.
    if (screen() != before)
        fitToScreen(screen()->availableGeometry());
    // Moved only when it must: before the window is shown its frame is unknown, and a move would shift it by that.
    const QRect placed = CWindowPlace::keptOnScreen(geometry(), screen()->availableGeometry());
    if (placed != geometry())
        move(placed.topLeft());
}

void CPlindorDlg::applyLoadedSettings()
{
    if (m_cmbTargetDir->count() == 0) {
        m_cmbTargetDir->addString(CNameComposer::folderPlaceholder());
        m_cmbTargetDir->setCurrentIndex(0);
    }
    for (int k = 0; k < 5; ++k) {
        CMyButton *button = m_btnDir.at(k);
        if (!button->m_Name.isEmpty() && button->m_Name != CDialogTemplate::find(IDC_BTN_DIR1 + k)->text)
            button->setCaption(button->m_Name);
    }
    for (CMyButton *button : m_btnText) {
        if (!button->m_Name.isEmpty())
            button->setCaption(button->m_Name);
    }
}

void CPlindorDlg::SaveSettings()
{
    if (!m_settings.save(currentProfile()))
        m_prompter->message(this, tr("设置未能保存，下次启动时将沿用上次保存的设置。"), tr("错误提示"));
}

CProfile CPlindorDlg::currentProfile() const
{
    CProfile profile;
    // The list's placeholder is kept as written, so that no language's wording reads back as a folder.
    for (int i = 0; i < m_cmbTargetDir->count(); ++i) {
        const QString entry = m_cmbTargetDir->itemText(i);
        profile.folders << (entry == CNameComposer::folderPlaceholder() ? CNameComposer::storedFolderPlaceholder()
                                                                        : QDir::fromNativeSeparators(entry));
    }
    for (int k = 0; k < 5; ++k) {
        const CMyButton *button = m_btnDir.at(k);
        profile.links.at(k)
            = { button->m_filePathName, button->m_filePath, button->m_fileName, button->m_extend, button->m_Name };
    }
    for (int k = 0; k < 6; ++k)
        profile.captions.at(k) = m_btnText.at(k)->m_Name;
    profile.previewShown = m_preview->isChosen();
    profile.options = m_workflow->options();
    profile.windowGeometry = saveGeometry();
    return profile;
}

void CPlindorDlg::connectSignals()
{
    connect(m_listFiles, &CMyListBox::dropLoaded, this, &CPlindorDlg::OnQueueDropLoaded);
    connect(m_listFiles, &CMyListBox::clickLoaded, this, &CPlindorDlg::OnQueueClickLoaded);
    connect(m_listFiles, &CMyListBox::removeRequested, this, &CPlindorDlg::OnQueueRemoveRequested);
    connectUndecodableReports();
    connectUndoShortcuts();
    for (const CMyEdit *edit : { m_editPrefix, m_editName, m_editSuffix })
        connect(edit, &CMyEdit::pathDropped, this, &CPlindorDlg::OnEditPathDropped);
    connect(m_editName, &QLineEdit::textChanged, this, &CPlindorDlg::OnEnChangeName);
    connect(m_cmbTermA, &CMyComboBox::entryChosen, this, &CPlindorDlg::OnCbnSelchangeTermA);
    connect(m_cmbTermA, &CMyComboBox::folderDropped, this, &CPlindorDlg::OnComboFolderDropped);
    connect(m_cmbTermB, &CMyComboBox::entryChosen, this, &CPlindorDlg::OnCbnSelchangeTermB);
    connect(m_cmbDate, &CMyComboBox::entryChosen, this, &CPlindorDlg::OnCbnSelchangeDate);
    connect(m_cmbSuffix, &CMyComboBox::entryChosen, this, &CPlindorDlg::OnCbnSelchangeSuffix);
    connect(m_cmbTargetDir, &CMyComboBox::folderDropped, this, &CPlindorDlg::OnComboFolderDropped);
    connectButtons();
}

void CPlindorDlg::connectButtons()
{
    using D = CPlindorDlg;
    using Handler = void (D::*)();
    const auto connectRow = [this](std::span<CMyButton *const> buttons, std::initializer_list<Handler> handlers) {
        for (size_t i = 0; i < buttons.size(); ++i) {
            connect(buttons[i], &QPushButton::clicked, this, std::data(handlers)[i]);
            connect(buttons[i], &CMyButton::rightClicked, this, &CPlindorDlg::OnButtonRightClicked);
        }
    };
    connectRow(m_btnAdd,
               { &D::OnBnClickedAddTermA, &D::OnBnClickedAddTermB, &D::OnBnClickedAddDate, &D::OnBnClickedAddSuffix });
    connectRow(m_btnText,
               { &D::OnBnClickedText1, &D::OnBnClickedText2, &D::OnBnClickedText3, &D::OnBnClickedText4,
                 &D::OnBnClickedText5, &D::OnBnClickedText6 });
    connectRow(
        m_btnDir,
        { &D::OnBnClickedDir1, &D::OnBnClickedDir2, &D::OnBnClickedDir3, &D::OnBnClickedDir4, &D::OnBnClickedDir5 });
    // Typing goes on in the name after a piece or a word went in, and a key files the name just composed.
    for (const auto &buttons : { std::span<CMyButton *const>(m_btnAdd), std::span<CMyButton *const>(m_btnText) }) {
        for (CMyButton *button : buttons)
            connect(button, &QPushButton::clicked, this, &CPlindorDlg::returnToName);
    }
    const std::pair<int, Handler> single[] = {
        { IDC_BTN_CLEAR, &D::OnBnClickedClear },    { IDC_BTN_RENAME, &D::OnBnClickedRename },
        { IDC_BTN_MOVE, &D::OnBnClickedMove },      { IDC_BTN_ADD_DIR, &D::OnBnClickedAddDir },
        { IDC_BTN_DEL_DIR, &D::OnBnClickedDelDir }, { IDCANCEL, &D::OnBnClickedCancel },
    };
    for (const auto &[id, handler] : single)
        connect(qobject_cast<QPushButton *>(item(id)), &QPushButton::clicked, this, handler);
}

void CPlindorDlg::connectUndecodableReports()
{
    // Queued: a message box must not run its loop inside the drop, which the file manager is still waiting on.
    const auto report = [this](const auto *control, auto signal) {
        connect(control, signal, this, &CPlindorDlg::reportUndecodablePaths, Qt::QueuedConnection);
    };
    report(m_listFiles, &CMyListBox::undecodableDropped);
    for (const CMyEdit *edit : { m_editPrefix, m_editName, m_editSuffix })
        report(edit, &CMyEdit::undecodableDropped);
    for (const CMyComboBox *combo : { m_cmbTermA, m_cmbTermB, m_cmbDate, m_cmbSuffix, m_cmbTargetDir })
        report(combo, &CMyComboBox::undecodableDropped);
    for (const auto &buttons : { std::span<CMyButton *const>(m_btnDir), std::span<CMyButton *const>(m_btnAdd),
                                 std::span<CMyButton *const>(m_btnText) }) {
        for (const CMyButton *button : buttons)
            report(button, &CMyButton::undecodableDropped);
    }
}

void CPlindorDlg::reject()
{
    OnBnClickedCancel();
}

void CPlindorDlg::OnBnClickedCancel()
{
    if (m_leaving)
        return;
    m_leaving = true;
    m_profileChanged->stop();
    SaveSettings();
    // What the queue keeper holds back to write after a repaint is written before the window goes.
    if (m_keeper)
        m_keeper->flush();
    QDialog::reject();
}

void CPlindorDlg::RefreshQueue(const QString &stayWith)
{
    if (m_listFiles->count() != 0) {
        const int row = std::max(m_listFiles->rowOf(stayWith), 0);
        m_strSrcPath = m_listFiles->pathAt(row);
        m_listFiles->setCurrentRow(row);
        LoadItem(m_strSrcPath);
        return;
    }
    // A drop on the folder list still enables "移动文件"; with nothing queued it must find nothing to move, not the
    // item the user just took off the queue or the one just moved away.
    m_strSrcPath.clear();
    Q_EMIT loadedItemChanged({});
    // The lists stay usable when the queue runs empty; only composing and the file operations stop.
    setEnabledIds(compositionIds, false);
    setEditorReadOnly(true);
    setEnabledIds(operationIds, false);
}

void CPlindorDlg::LoadItem(QString path)
{
    splitIntoWorkingStrings(path);
    m_listFiles->setAccessibleDescription(QDir::toNativeSeparators(path));
    setTextUnlessSame(m_editPrefix, CNameComposer::prefixPlaceholder());
    setTextUnlessSame(m_editName, m_strName);
    setTextUnlessSame(m_editSuffix, CNameComposer::suffixPlaceholder());
}

// The same split as every drop target makes of what is dropped on it: a folder's own name, or a file's base name and
// extension.
void CPlindorDlg::splitIntoWorkingStrings(const QString &path)
{
    m_strDir = CPathParts::directoryOf(path);
    m_strExt.clear();
    if (CPathProbe::isDirectory(path)) {
        m_strName = CPathParts::lastComponentOf(path);
    } else {
        const QString fileName = CPathParts::lastComponentOf(path);
        m_strExt = CPathParts::extensionOf(fileName);
        m_strName = CPathParts::baseNameOf(fileName);
    }
    m_strOrigName = m_strName;
    Q_EMIT loadedItemChanged(path);
}

QString CPlindorDlg::BrowseForFolder()
{
    const QString shown = QDir::fromNativeSeparators(m_cmbTargetDir->currentText());
    const QString start = QDir::isAbsolutePath(shown) && CPathProbe::isDirectory(shown) ? shown : QDir::homePath();
    const QString folder
        = QDir::fromNativeSeparators(m_prompter->chooseFolder(this, tr("请选择处理结果存储路径"), start));
    // The picker hands over decoded text; a name it could not decode would lead moves into another folder.
    if (CPathIntake::isDecodingArtefact(folder)) {
        reportUndecodablePaths({ folder });
        return {};
    }
    return folder;
}

void CPlindorDlg::OnQueueDropLoaded(const QString &path)
{
    adoptLoadedItem(path);
    unlockEditor();
}

void CPlindorDlg::OnQueueClickLoaded(const QString &path)
{
    adoptLoadedItem(path);
}

void CPlindorDlg::OnQueueRemoveRequested(const QString &path)
{
    m_listFiles->removePath(path);
    RefreshQueue();
}

void CPlindorDlg::queuePaths(const QStringList &paths)
{
    queueExisting(paths, true);
}

void CPlindorDlg::queueHandedOverPaths(const QStringList &paths)
{
    queueExisting(paths, m_strSrcPath.isEmpty());
}

void CPlindorDlg::queueExisting(const QStringList &paths, bool loadFirst)
{
    const CPathProbe::Sorted sorted = CPathProbe::sortByPresence(paths);
    reportNotQueued(sorted.missing, sorted.tooLong);
    if (sorted.existing.isEmpty())
        return;
    if (loadFirst)
        m_listFiles->queueAndLoad(sorted.existing);
    else
        m_listFiles->queueKeepingCurrent(sorted.existing);
}

// One message at a time: paths refused while it is open, by hand-overs its loop lets in, wait for the next one
// instead of opening a box inside it, and that one tells them all.
void CPlindorDlg::reportNotQueued(QStringList missing, QStringList tooLong)
{
    if (m_notQueuedShown) {
        m_notQueuedMissing << missing;
        m_notQueuedTooLong << tooLong;
        return;
    }
    m_notQueuedShown = true;
    while (!missing.isEmpty() || !tooLong.isEmpty()) {
        m_prompter->message(this, COutcomeTexts::notQueued(missing, tooLong), tr("错误提示"));
        missing = std::exchange(m_notQueuedMissing, {});
        tooLong = std::exchange(m_notQueuedTooLong, {});
        if (const qsizetype later = missing.size() + tooLong.size(); later > 0)
            qCInfo(lcQueue) << later << "paths were refused while the message about earlier ones was open";
    }
    m_notQueuedShown = false;
}

void CPlindorDlg::reportUndecodablePaths(const QStringList &paths)
{
    if (!paths.isEmpty())
        m_prompter->message(this, tr("文件名编码无法识别，未加入队列：\n%1").arg(COutcomeTexts::pathSummary(paths)),
                            tr("错误提示"));
}

void CPlindorDlg::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

// A path dropped on an edit is taken up as a drop on the queue takes up its first path.
void CPlindorDlg::OnEditPathDropped(const QString &path)
{
    OnQueueDropLoaded(path);
}

// Only the name edit changes: the prefix and suffix keep what they showed.
void CPlindorDlg::adoptLoadedItem(const QString &path)
{
    splitIntoWorkingStrings(path);
    m_strSrcPath = path;
    m_editName->setText(m_strName);
}

void CPlindorDlg::unlockEditor()
{
    setEditorReadOnly(false);
    for (const std::span<const int> ids :
         { std::span<const int>(compositionIds), std::span<const int>(listIds), std::span<const int>(operationIds) })
        setEnabledIds(ids, true);
}

void CPlindorDlg::OnButtonRightClicked(CMyButton *button)
{
    m_prompter->message(button,
                        QDir::toNativeSeparators(button->m_filePathName) + u'\n'
                            + tr("要修改改本链接只需要拖入新的文件夹或文件^V^"),
                        tr("此按钮链接的目标文件夹:"));
}

void CPlindorDlg::OnComboFolderDropped()
{
    item(IDC_BTN_MOVE)->setEnabled(true);
}

void CPlindorDlg::setEnabledIds(std::span<const int> ids, bool enabled)
{
    for (int id : ids)
        item(id)->setEnabled(enabled);
}

void CPlindorDlg::setEditorReadOnly(bool readOnly)
{
    for (CMyEdit *edit : { m_editPrefix, m_editName, m_editSuffix })
        edit->setReadOnly(readOnly);
}

// ---- Composing the new name ----

void CPlindorDlg::copyComboToEdit(CMyComboBox *combo, CMyEdit *edit)
{
    m_strDstPath = combo->currentText();
    edit->setText(m_strDstPath);
}

void CPlindorDlg::reselectAndCopy(CMyComboBox *combo, CMyEdit *edit)
{
    combo->setCurrentIndex(combo->currentIndex());
    copyComboToEdit(combo, edit);
}

void CPlindorDlg::OnBnClickedAddTermA()
{
    copyComboToEdit(m_cmbTermA, m_editPrefix);
}

void CPlindorDlg::OnBnClickedAddTermB()
{
    copyComboToEdit(m_cmbTermB, m_editPrefix);
}

void CPlindorDlg::OnBnClickedAddDate()
{
    copyComboToEdit(m_cmbDate, m_editPrefix);
}

void CPlindorDlg::OnBnClickedAddSuffix()
{
    copyComboToEdit(m_cmbSuffix, m_editSuffix);
}

void CPlindorDlg::OnCbnSelchangeTermA()
{
    reselectAndCopy(m_cmbTermA, m_editPrefix);
}

void CPlindorDlg::OnCbnSelchangeTermB()
{
    reselectAndCopy(m_cmbTermB, m_editPrefix);
}

void CPlindorDlg::OnCbnSelchangeDate()
{
    reselectAndCopy(m_cmbDate, m_editPrefix);
}

void CPlindorDlg::OnCbnSelchangeSuffix()
{
    reselectAndCopy(m_cmbSuffix, m_editSuffix);
}

void CPlindorDlg::insertCommonText(int id)
{
    m_strDstPath = qobject_cast<CMyButton *>(item(id))->caption();
    const QString inserted = CNameComposer::insertOnce(m_strDstPath, m_strName);
    if (inserted == m_strName)
        return;
    m_strName = inserted;
    m_editName->setText(m_strName);
}

void CPlindorDlg::OnBnClickedText1()
{
    insertCommonText(IDC_BTN_TEXT1);
}

void CPlindorDlg::OnBnClickedText2()
{
    insertCommonText(IDC_BTN_TEXT2);
}

void CPlindorDlg::OnBnClickedText3()
{
    insertCommonText(IDC_BTN_TEXT3);
}

void CPlindorDlg::OnBnClickedText4()
{
    insertCommonText(IDC_BTN_TEXT4);
}

void CPlindorDlg::OnBnClickedText5()
{
    insertCommonText(IDC_BTN_TEXT5);
}

void CPlindorDlg::OnBnClickedText6()
{
    insertCommonText(IDC_BTN_TEXT6);
}

void CPlindorDlg::returnToName()
{
    m_editName->setFocus(Qt::OtherFocusReason);
    m_editName->end(false);
}

void CPlindorDlg::OnBnClickedClear()
{
    m_editPrefix->clear();
    m_editSuffix->clear();
    m_editName->setText(m_strOrigName);
    m_strName = m_strOrigName;
}

void CPlindorDlg::OnEnChangeName()
{
    m_strName = m_editName->text();
}

// ---- Renaming and moving ----

COperationPlanner::Item CPlindorDlg::snapshotItem() const
{
    return { m_strSrcPath, m_strDir, m_editPrefix->text(), m_editName->text(), m_editSuffix->text(), m_strExt };
}

// The working strings as the operation's steps leave them: the name edit's text until the destination is known.
// Nothing reads them after the click: the refresh that ends every handler loads the next item over them.
void CPlindorDlg::keepInWorkingStrings(const COperationPlanner::Item &item, const COperationPlanner::Plan &plan)
{
    m_strDstPath = plan.destination.isEmpty() ? item.name : plan.destination;
    if (!plan.composedName.isEmpty())
        m_strName = plan.composedName;
    if (!plan.folder.isEmpty())
        m_strDir = plan.folder;
}

// Everything that follows the move comes from the snapshot and the outcome, never from the working strings: a long
// copy lets events through, and a second launch may queue paths and load another item meanwhile.
COperationRunner::Outcome CPlindorDlg::carryOut(const COperationPlanner::Item &item, int id)
{
    needJournal();
    Q_EMIT operationStarting(item.sourcePath);
    CMoveProgress progress(this);
    const COperationRunner::Outcome outcome = m_runner->run(item, targetFor(id), &progress);
    keepInWorkingStrings(item, outcome.plan);
    reportItemLeftAside(item.sourcePath, outcome.leftAt);
    refreshHistory();
    return outcome;
}

COperationPlanner::Target CPlindorDlg::targetFor(int id) const
{
    const auto *button = qobject_cast<const CMyButton *>(item(id));
    COperationPlanner::Target target = id == IDC_BTN_RENAME ? COperationPlanner::Target::rename()
        : id == IDC_BTN_MOVE ? COperationPlanner::Target::move(m_cmbTargetDir->currentText())
                             : COperationPlanner::Target::quickMove(button->m_filePath, button->m_Name);
    target.numberOnClash = m_workflow->options().numberOnClash;
    return target;
}

// The queue must not keep a path that now names another program's file.
void CPlindorDlg::reportItemLeftAside(const QString &source, const QString &leftAt)
{
    if (leftAt.isEmpty())
        return;
    m_prompter->message(this, COutcomeTexts::itemLeftAside(leftAt), tr("错误提示"));
    m_listFiles->removePath(source);
}

void CPlindorDlg::finishSuccessfulMove(const QString &movedFrom, const QString &movedTo)
{
    // Remove the entry that was moved, not whatever row happens to be selected.
    m_listFiles->removePath(movedFrom);
    m_strSrcPath = movedTo;
    m_listFiles->setCurrentRow(0);
    // The next item brings its own texts; only the last one takes its texts along.
    if (m_listFiles->count() > 0)
        return;
    m_editPrefix->clear();
    m_editName->clear();
    m_editSuffix->clear();
}

// A failed item stays loaded with its base name, for the user to compose again; after a success the next item comes
// up, between the same prefix and suffix when the user keeps them. Only then may a message wait for the user: the
// buttons check what is loaded while it is open, and the item just filed is gone.
// With "保留前缀和后缀" on, a failed item also keeps the name typed for it.
void CPlindorDlg::refreshAfter(const COperationRunner::Outcome &outcome, const COperationPlanner::Item &loaded)
{
    const bool moved = outcome.kind == COperationRunner::Kind::Moved;
    RefreshQueue(moved ? QString() : loaded.sourcePath);
    if (m_workflow->options().keepPieces && (moved || m_strSrcPath == loaded.sourcePath)) {
        m_editPrefix->setText(loaded.prefix);
        m_editSuffix->setText(loaded.suffix);
        if (!moved)
            m_editName->setText(loaded.name);
    }
    if (outcome.journalJustStopped)
        m_prompter->message(this, COutcomeTexts::journalUnavailable(*m_journal), tr("操作记录"));
}

void CPlindorDlg::OnBnClickedRename()
{
    const COperationPlanner::Item loaded = snapshotItem();
    const COperationRunner::Outcome outcome = carryOut(loaded, IDC_BTN_RENAME);
    if (outcome.kind == COperationRunner::Kind::Moved)
        finishSuccessfulMove(loaded.sourcePath, outcome.plan.destination);
    else if (outcome.plan.refusal != COperationPlanner::Refusal::EmptyName)
        m_prompter->message(this, tr("重命名失败"), {}, COutcomeTexts::failureReason(outcome));
    refreshAfter(outcome, loaded);
}

void CPlindorDlg::OnBnClickedMove()
{
    const COperationPlanner::Item loaded = snapshotItem();
    const COperationRunner::Outcome outcome = carryOut(loaded, IDC_BTN_MOVE);
    if (outcome.kind == COperationRunner::Kind::Moved)
        finishSuccessfulMove(loaded.sourcePath, outcome.plan.destination);
    else if (outcome.plan.refusal == COperationPlanner::Refusal::NoFolderChosen)
        m_prompter->message(this, tr("请先选择文件夹"));
    else if (outcome.plan.refusal != COperationPlanner::Refusal::EmptyName)
        m_prompter->message(this,
                            tr("请检查:\n1.看最上面编辑框是不是已经完成重命名和移动\n2.检查文件是否关闭!\n"
                               "3.目标文件夹中是否存在'重名'!"),
                            tr("错误提示"), COutcomeTexts::failureReason(outcome));
    refreshAfter(outcome, loaded);
}

void CPlindorDlg::quickMove(int index)
{
    const COperationPlanner::Item loaded = snapshotItem();
    const COperationRunner::Outcome outcome = carryOut(loaded, IDC_BTN_DIR1 + index);
    const bool moved = outcome.kind == COperationRunner::Kind::Moved;
    if (moved) {
        finishSuccessfulMove(loaded.sourcePath, outcome.plan.destination);
    } else if (outcome.plan.refusal == COperationPlanner::Refusal::ButtonNotLinked) {
        m_prompter->message(this, tr("你未设置此快速移动按钮!"));
    } else if (outcome.plan.refusal != COperationPlanner::Refusal::EmptyName) {
        m_prompter->message(this,
                            tr("请检查:\n1.文件是否关闭!\n2.目标文件夹中是否重名!\n3.请确认要重命名文件存在!\n"
                               "4.请确认当前快捷目录存在!"),
                            tr("重命名或移动失败"), COutcomeTexts::failureReason(outcome));
    }
    refreshAfter(outcome, loaded);
    // Shown once the next item is loaded: the buttons' warnings are about that item, not the one just filed.
    if (moved && !m_workflow->options().quietQuickMove)
        m_prompter->message(this, tr("重命名完成"));
}

void CPlindorDlg::OnBnClickedDir1()
{
    quickMove(0);
}

void CPlindorDlg::OnBnClickedDir2()
{
    quickMove(1);
}

void CPlindorDlg::OnBnClickedDir3()
{
    quickMove(2);
}

void CPlindorDlg::OnBnClickedDir4()
{
    quickMove(3);
}

void CPlindorDlg::OnBnClickedDir5()
{
    quickMove(4);
}

// ---- The target-folder list ----

void CPlindorDlg::OnBnClickedAddDir()
{
    m_strDstPath = BrowseForFolder();
    if (m_strDstPath.isEmpty())
        return;
    if (m_cmbTargetDir->count() > 0 && m_cmbTargetDir->itemText(0) == CNameComposer::folderPlaceholder())
        m_cmbTargetDir->removeItem(0);
    const QString folder = CPathProbe::isDirectory(m_strDstPath) ? m_strDstPath : CPathParts::directoryOf(m_strDstPath);
    m_cmbTargetDir->addAndSelect(folder);
    item(IDC_BTN_MOVE)->setEnabled(true);
}

void CPlindorDlg::OnBnClickedDelDir()
{
    const int selected = m_cmbTargetDir->currentIndex();
    if (selected < 0)
        return;
    m_cmbTargetDir->removeItem(selected);
    m_cmbTargetDir->setCurrentIndex(0);
}

// ---- The journal: undo, redo and the history ----

void CPlindorDlg::openJournalWhenNeeded(std::function<void()> open)
{
    m_openJournal = std::move(open);
}

// A click that came before the journal was opened waits for it: its operation would be neither undoable nor
// settled after a crash.
void CPlindorDlg::needJournal()
{
    if (const std::function<void()> open = std::exchange(m_openJournal, {}))
        open();
}

void CPlindorDlg::useJournal(CJournal *journal, bool settle)
{
    m_openJournal = {};
    m_journal = journal;
    // Made before telling: a journal that is unavailable from the start is told here, not again at the first
    // operation.
    m_runner = std::make_unique<COperationRunner>(journal, *m_mover);
    if (const QString notes = COutcomeTexts::journalNotes(*journal); !notes.isEmpty())
        m_prompter->message(this, notes, tr("操作记录"));
    if (settle && journal->isAvailable())
        settleWhatACrashLeft();
}

// The window works while a crash's leftovers are settled; only the items they concern wait.
void CPlindorDlg::settleWhatACrashLeft()
{
    auto *settler = new CJournalSettler(*m_journal, makeMover(), this);
    m_runner->waitFor(settler);
    connect(settler, &CJournalSettler::slow, this, [this](const QStringList &waiting) {
        m_prompter->message(this, COutcomeTexts::stillSettling(waiting), tr("操作记录"));
    });
    connect(settler, &CJournalSettler::finished, this, [this, settler](const QList<JournalFinding> &findings) {
        m_runner->waitFor(nullptr);
        settler->deleteLater();
        if (const QString text = COutcomeTexts::settlingFindings(findings); !text.isEmpty())
            m_prompter->message(this, text, tr("操作记录"));
    });
    settler->start();
}

void CPlindorDlg::connectUndoShortcuts()
{
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    auto *redo = new QShortcut(QKeySequence::Redo, this);
    // Held down, a key undoes or redoes one operation, not one for every repeat the keyboard sends.
    for (QShortcut *key : { undo, redo })
        key->setAutoRepeat(false);
    connect(undo, &QShortcut::activated, this, &CPlindorDlg::OnUndo);
    connect(redo, &QShortcut::activated, this, &CPlindorDlg::OnRedo);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this), &QShortcut::activated, this,
            &CPlindorDlg::showHistory);
    connect(m_listFiles, &CMyListBox::historyRequested, this, &CPlindorDlg::showHistory);
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->installEventFilter(this);
    // The held Enter is caught for every window of the program: the history's buttons and the boxes this window
    // opens take Enter too, and a box closed by the first press would hand the next repeat to the rename button.
    qApp->installEventFilter(this);
}

// An edit takes the undo key for its own typing only while it has typing to take back; otherwise the keys reach the
// window and undo the last file operation. Loading an item resets an edit's own history.
bool CPlindorDlg::eventFilter(QObject *watched, QEvent *event)
{
    // One press of Enter is one click, one press of Ctrl+1 one quick-move: a repeat is dropped before any button,
    // default or focused, or any shortcut can take it for a press.
    // An accepted shortcut override keeps the repeat from every shortcut; the key press that follows is dropped.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        && isHeldOperationKey(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    // Every event of the program passes here: the cheap test first, and only this window's edits.
    auto *edit = event->type() == QEvent::ShortcutOverride ? qobject_cast<QLineEdit *>(watched) : nullptr;
    if (edit && edit->window() == this) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo))
            return edit->isReadOnly() || !edit->isUndoAvailable();
        if (key->matches(QKeySequence::Redo))
            return edit->isReadOnly() || !edit->isRedoAvailable();
    }
    return QDialog::eventFilter(watched, event);
}

void CPlindorDlg::OnUndo()
{
    if (!m_clearedQueue.isEmpty()) {
        bringBackClearedQueue();
        return;
    }
    needJournal();
    CMoveProgress progress(this);
    showUndone(m_runner->undoLatest(&progress), true);
}

void CPlindorDlg::undoOperation(qint64 id)
{
    CMoveProgress progress(this);
    showUndone(m_runner->undo(id, &progress), false);
}

// Says what an undo or a redo came to; true when it moved the item, which is then off the queue. Asked for by a
// key, undo and redo answer even when the journal stopped working, which has been said already.
bool CPlindorDlg::showUndoOrRedo(const COperationRunner::Outcome &outcome, bool redo, bool askedByKey)
{
    reportItemLeftAside(outcome.step.from, outcome.leftAt);
    if (const COutcomeTexts::Message said = COutcomeTexts::undoOrRedo(outcome, redo, askedByKey); !said.text.isEmpty())
        m_prompter->message(this, said.text, said.caption);
    if (outcome.kind != COperationRunner::Kind::Moved)
        return false;
    m_listFiles->removePath(outcome.step.from);
    refreshHistory();
    return true;
}

void CPlindorDlg::showUndone(const COperationRunner::Outcome &outcome, bool askedByKey)
{
    if (!showUndoOrRedo(outcome, false, askedByKey))
        return;
    // From the history, while another item is being edited, the undone item is queued as a hand-over is.
    if (askedByKey || m_strSrcPath.isEmpty() || m_strSrcPath == outcome.step.from)
        loadUndoneItem(outcome.step.to, outcome.entry.composedName);
    else
        m_listFiles->queueKeepingCurrent({ outcome.step.to });
}

void CPlindorDlg::OnRedo()
{
    needJournal();
    CMoveProgress progress(this);
    if (showUndoOrRedo(m_runner->redo(&progress), true, true))
        RefreshQueue();
}

// From the history, the item the user is editing stays loaded with its edits, unless it is the one filed again.
void CPlindorDlg::redoOperation(qint64 id)
{
    CMoveProgress progress(this);
    const COperationRunner::Outcome outcome = m_runner->redo(id, &progress);
    const bool wasLoaded = m_strSrcPath.isEmpty() || m_strSrcPath == outcome.step.from;
    if (showUndoOrRedo(outcome, true, false) && wasLoaded)
        RefreshQueue();
}

// The item comes up as it was before the click, with the name it was given, so one click files it again. The pieces
// the user keeps stay, with the name between them, when the name was composed with them.
void CPlindorDlg::loadUndoneItem(const QString &path, const QString &composedName)
{
    m_listFiles->queueKeepingCurrent({ path });
    const int row = m_listFiles->rowOf(path);
    if (row < 0)
        return;
    const QString prefix = m_editPrefix->text();
    const QString suffix = m_editSuffix->text();
    const QString between = CNameComposer::nameBetween(composedName, prefix, suffix);
    m_listFiles->setCurrentRow(row);
    m_strSrcPath = path;
    LoadItem(path);
    if (m_workflow->options().keepPieces && !between.isEmpty()) {
        m_editPrefix->setText(prefix);
        m_editSuffix->setText(suffix);
        m_editName->setText(between);
    } else if (!composedName.isEmpty()) {
        m_editName->setText(composedName);
    }
    unlockEditor();
}

void CPlindorDlg::showHistory()
{
    needJournal();
    if (!m_journal)
        return;
    if (!m_history) {
        m_history = new CHistoryWindow(*m_journal, this);
        m_history->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_history, &CHistoryWindow::undoRequested, this, &CPlindorDlg::undoOperation);
        connect(m_history, &CHistoryWindow::redoRequested, this, &CPlindorDlg::redoOperation);
        placeHistory();
    }
    m_history->refresh();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

// Over the window, whole on its screen: the list's default size is more than a small screen's free height.
void CPlindorDlg::placeHistory()
{
    const QRect available = screen()->availableGeometry();
    m_history->resize(m_history->size().boundedTo(available.size() - frameAllowance));
    QRect frame(QPoint(), m_history->size() + frameAllowance);
    frame.moveCenter(frameGeometry().center());
    m_history->move(CWindowPlace::keptOnScreen(frame, available).topLeft());
}

void CPlindorDlg::refreshHistory()
{
    if (m_history)
        m_history->refresh();
}
