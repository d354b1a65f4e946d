// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/DialogFixture.h"

#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "core/Journal.h"
#include "core/JournalSettler.h"
#include "helpers/DropSimulator.h"

#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

CDialogFixture::CDialogFixture(QDate today)
    : m_today(today)
{
    // A constructor cannot end the test; the failure is recorded, and the test's next check of the window fails.
    if (!open())
        QTest::qFail("the window was not shown", __FILE__, __LINE__);
}

CDialogFixture::~CDialogFixture()
{
    m_dlg.reset();
    m_journal.reset();
    m_settings.reset();
    m_store.reset();
}

bool CDialogFixture::open()
{
    m_store = std::make_unique<QSettings>(profilePath(), QSettings::IniFormat);
    m_settings = std::make_unique<CPlindorSettings>(*m_store);
    auto prompter = std::make_unique<CFakePrompter>();
    m_prompter = prompter.get();
    m_dlg = std::make_unique<CPlindorDlg>(*m_settings, std::move(prompter), m_today);
    m_dlg->show();
    if (!QTest::qWaitForWindowExposed(m_dlg.get()))
        return false;
    return !m_journal || useJournal();
}

bool CDialogFixture::useJournal()
{
    m_journal = std::make_unique<CJournal>();
    if (!m_journal->open(journalPath()))
        return false;
    m_dlg->useJournal(m_journal.get());
    // What a crash left is settled beside the window; the tests look at the window once it is.
    return QTest::qWaitFor([this] { return !m_dlg->findChild<CJournalSettler *>(); }, 10000);
}

CJournal *CDialogFixture::journal() const
{
    return m_journal.get();
}

QString CDialogFixture::journalPath() const
{
    return m_profileDir.filePath(u"journal.sqlite"_s);
}

bool CDialogFixture::restart(const std::function<void()> &whileClosed)
{
    m_dlg->reject();
    m_dlg.reset();
    if (m_journal)
        m_journal->close();
    m_settings.reset();
    m_store.reset();
    // A failed check inside whileClosed ends only that function; the window still opens, so the fixture stays whole.
    bool closedStepsPassed = true;
    if (whileClosed) {
        whileClosed();
        closedStepsPassed = !QTest::currentTestFailed();
    }
    return open() && closedStepsPassed;
}

CPlindorDlg &CDialogFixture::dlg() const
{
    return *m_dlg;
}

CFakePrompter &CDialogFixture::prompter() const
{
    return *m_prompter;
}

QString CDialogFixture::profilePath() const
{
    return m_profileDir.filePath(u"plindor.ini"_s);
}

CMyListBox *CDialogFixture::queue() const
{
    return qobject_cast<CMyListBox *>(m_dlg->item(IDC_FILE_LIST));
}

CMyEdit *CDialogFixture::edit(int id) const
{
    return qobject_cast<CMyEdit *>(m_dlg->item(id));
}

CMyComboBox *CDialogFixture::combo(int id) const
{
    return qobject_cast<CMyComboBox *>(m_dlg->item(id));
}

CMyButton *CDialogFixture::dropButton(int id) const
{
    return qobject_cast<CMyButton *>(m_dlg->item(id));
}

QPushButton *CDialogFixture::button(int id) const
{
    return qobject_cast<QPushButton *>(m_dlg->item(id));
}

bool CDialogFixture::dropOnQueue(const QStringList &paths) const
{
    return CDropSimulator::dropPaths(queue(), paths);
}

void CDialogFixture::click(int id) const
{
    QTest::mouseClick(button(id), Qt::LeftButton);
}

QString CDialogFixture::editorTexts() const
{
    return edit(IDC_EDIT_PREFIX)->text() + u'|' + edit(IDC_EDIT_NAME)->text() + u'|' + edit(IDC_EDIT_SUFFIX)->text();
}

QString CDialogFixture::takeMessages() const
{
    return m_prompter->takeTexts().join(u'|');
}
