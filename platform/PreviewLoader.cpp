// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PreviewLoader.h"

#include "core/Logging.h"
#include "core/PathParts.h"
#include "platform/PreviewAnswers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using Problem = CPreview::Problem;

CPreviewLoader::CPreviewLoader(QObject *parent)
    : QObject(parent)
{
    m_deadline.setSingleShot(true);
    // A coarse timer may end the helper's time up to a twentieth early.
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &CPreviewLoader::giveUp);
}

// A helper stuck in a kernel call on a dead mount may not end even when killed: it is waited for a moment only, and
// else left to the system, which reaps it when the mount answers.
CPreviewLoader::~CPreviewLoader()
{
    if (m_helper)
        retire(false);
    for (const Dying &dying : std::as_const(m_dying)) {
        disconnect(dying.process, nullptr, this, nullptr);
        if (!dying.process->waitForFinished(200))
            dying.process->setParent(nullptr);
    }
}

QString CPreviewLoader::helperProgram()
{
#ifdef Q_OS_WIN
    const QString name = u"plindor-preview.exe"_s;
#else
    const QString name = u"plindor-preview"_s;
#endif
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString &folder :
         { programFolder.filePath(QStringLiteral(PLINDOR_PREVIEW_HELPER_DIR)), programFolder.path() }) {
        const QFileInfo helper(QDir(folder).filePath(name));
        if (helper.isFile() && helper.isExecutable())
            return helper.absoluteFilePath();
    }
    return {};
}

void CPreviewLoader::setTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

qsizetype CPreviewLoader::outstanding() const
{
    return m_dying.size() + (m_busy ? 1 : 0);
}

int CPreviewLoader::starts() const
{
    return m_starts;
}

void CPreviewLoader::clear()
{
    m_path.clear();
    m_deadline.stop();
    if (m_busy)
        retire(false);
}

void CPreviewLoader::release(const QString &path)
{
    if (!m_busy || path != m_path)
        return;
    QProcess *helper = m_helper;
    fail(Problem::Cancelled);
    // Killed, it ends as soon as the system closed what it held; a second is far more than that takes.
    if (helper && !helper->waitForFinished(1000))
        qCWarning(lcFileOps) << "the preview helper reading" << path << "did not end before the operation";
}

void CPreviewLoader::load(const QString &path, QSize box)
{
    // The window asks again for what it is being read (the pane shown, then placed): the helper goes on with it.
    if (m_busy && path == m_path && box == m_box)
        return;
    clear();
    m_path = path;
    m_box = box;
    m_folder = CPathParts::directoryOf(path);
    if (folderHangs(m_folder))
        return answer(CPreviewSource::unanswered(path, Problem::FolderHangs));
    if (!m_helper && !start())
        return answer(CPreviewSource::unanswered(path, Problem::NoHelper));
    m_busy = true;
    m_metadataRead = false;
    m_askedAgain = false;
    m_helper->write(m_channel.ask(path, box));
    m_deadline.start(m_timeout);
}

bool CPreviewLoader::start()
{
    const QString program = helperProgram();
    if (program.isEmpty())
        return false;
    m_helper = new QProcess(this);
    m_channel = {};
    // What the helper and the libraries it runs say goes where the window's own messages go.
    m_helper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_helper, &QProcess::readyReadStandardOutput, this, &CPreviewLoader::readAnswers);
    connect(m_helper, &QProcess::finished, this, &CPreviewLoader::helperEnded);
    connect(m_helper, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            helperEnded();
    });
    connect(m_helper, &QProcess::started, this, [this] { m_limits.adopt(m_helper->processId()); });
    m_helper->start(program, {});
    ++m_starts;
    return true;
}

void CPreviewLoader::readAnswers()
{
    const QList<CPreviewAnswer> answers = m_channel.feed(m_helper->readAllStandardOutput());
    for (const CPreviewAnswer &received : answers) {
        if (!m_busy)
            break;
        if (received.progress) {
            m_metadataRead = true;
            continue;
        }
        std::optional<CPreview> preview = CPreviewAnswers::toPreview(received);
        if (!preview || preview->path != m_path)
            return fail(Problem::HelperFailed);
        preview->box = m_box;
        m_busy = false;
        m_deadline.stop();
        return answer(*preview);
    }
    if (m_channel.isBroken() && m_busy)
        fail(Problem::HelperFailed);
    else if (m_channel.isBroken())
        retire(false);
}

// An answer written just before the helper ended still counts; an answer cut off does not.
void CPreviewLoader::helperEnded()
{
    if (!m_helper)
        return;
    if (m_busy)
        readAnswers();
    QProcess *ended = m_helper;
    m_helper = nullptr;
    disconnect(ended, nullptr, this, nullptr);
    ended->deleteLater();
    // A helper that retired between two items may have been asked before its end was seen: the question goes to a
    // new one, once.
    if (m_busy && !m_metadataRead && !m_askedAgain && ended->error() != QProcess::FailedToStart && start()) {
        m_askedAgain = true;
        m_helper->write(m_channel.ask(m_path, m_box));
        return;
    }
    if (m_busy) {
        m_busy = false;
        m_deadline.stop();
        const bool started = ended->error() != QProcess::FailedToStart;
        answer(CPreviewSource::unanswered(m_path, started ? Problem::HelperFailed : Problem::NoHelper));
    }
}

void CPreviewLoader::giveUp()
{
    if (!m_busy)
        return;
    const bool diskAnswered = m_metadataRead;
    const CPreview preview = CPreviewSource::unanswered(m_path, diskAnswered ? Problem::Slow : Problem::NoAnswer);
    retire(!diskAnswered);
    answer(preview);
}

void CPreviewLoader::fail(Problem problem)
{
    const CPreview preview = CPreviewSource::unanswered(m_path, problem);
    retire(false);
    answer(preview);
}

void CPreviewLoader::answer(const CPreview &preview)
{
    CPreview shown = preview;
    shown.box = m_box;
    Q_EMIT ready(shown);
}

void CPreviewLoader::retire(bool hungOnDisk)
{
    m_busy = false;
    m_deadline.stop();
    QProcess *helper = m_helper;
    m_helper = nullptr;
    if (!helper)
        return;
    disconnect(helper, nullptr, this, nullptr);
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    helper->kill();
    m_dying << Dying { helper, hungOnDisk ? m_folder : QString() };
    connect(helper, &QProcess::finished, this, [this, helper] {
        m_dying.removeIf([helper](const Dying &dying) { return dying.process == helper; });
        helper->deleteLater();
    });
}

// The folder a killed helper waited on is not asked again while that helper has not ended: the disk still holds it.
bool CPreviewLoader::folderHangs(const QString &folder) const
{
    return std::any_of(m_dying.cbegin(), m_dying.cend(), [&folder](const Dying &dying) {
        return !dying.hungFolder.isEmpty() && dying.hungFolder == folder;
    });
}
