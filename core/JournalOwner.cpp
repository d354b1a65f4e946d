// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/JournalOwner.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int kAttempts = 8;

bool isToken(const QString &token)
{
    static const QRegularExpression pattern(u"^[0-9a-f]{32}$"_s);
    return pattern.match(token).hasMatch();
}

QString newToken()
{
    quint64 words[2];
    QRandomGenerator::system()->fillRange(words);
    return u"%1%2"_s.arg(words[0], 16, 16, QChar(u'0')).arg(words[1], 16, 16, QChar(u'0'));
}

bool sameFile(int fd, const QByteArray &path)
{
    struct stat opened {
    };
    struct stat named {
    };
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

// Locks an existing lock file, if nobody else holds it; -1 when somebody does or it cannot be opened.
int lockIfFree(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return fd;
    ::close(fd);
    return -1;
}
} // namespace

CJournalOwner::~CJournalOwner()
{
    release();
}

bool CJournalOwner::claim(const QString &folder)
{
    release();
    m_folder = folder;
    if (!QDir().mkpath(folder))
        return false;
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QString token = newToken();
        const QByteArray path = QFile::encodeName(pathOf(token));
        const int fd = ::open(path.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        // Another start that cleans up ended owners may have taken the file away between its creation and the lock.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, path)) {
            m_token = token;
            m_lock = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

void CJournalOwner::release()
{
    if (m_lock < 0)
        return;
    ::unlink(QFile::encodeName(pathOf(m_token)).constData());
    ::close(m_lock);
    m_lock = -1;
    m_token.clear();
}

QString CJournalOwner::token() const
{
    // Never a null text: that binds as NULL, which the journal's column refuses.
    return m_token.isNull() ? u""_s : m_token;
}

bool CJournalOwner::hasEnded(const QString &token) const
{
    if (token == m_token && m_lock >= 0)
        return false;
    if (!isToken(token))
        return true;
    const QByteArray path = QFile::encodeName(pathOf(token));
    if (::access(path.constData(), F_OK) != 0 && errno == ENOENT)
        return true;
    const int fd = lockIfFree(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void CJournalOwner::removeEnded() const
{
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (!isToken(name) || name == m_token)
            continue;
        const QByteArray path = QFile::encodeName(pathOf(name));
        const int fd = lockIfFree(path);
        if (fd < 0)
            continue;
        if (sameFile(fd, path))
            ::unlink(path.constData());
        ::close(fd);
    }
}

QString CJournalOwner::pathOf(const QString &token) const
{
    return m_folder + u'/' + token;
}
