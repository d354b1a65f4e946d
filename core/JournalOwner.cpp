// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/JournalOwner.h"
#include "core/System.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int kAttempts = 8;

QString newToken()
{
    quint64 words[2];
    QRandomGenerator::system()->fillRange(words);
    return u"%1%2"_s.arg(words[0], 16, 16, QChar(u'0')).arg(words[1], 16, 16, QChar(u'0'));
}

} // namespace

// Checked character by character: a regular expression would load and compile the expression library at every
// start, for a check this plain.
bool CJournalOwner::isToken(QStringView token)
{
    const auto isHexDigit = [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); };
    return token.size() == 32 && std::all_of(token.begin(), token.end(), isHexDigit);
}

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
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QString token = newToken();
        m_lock = CSystem::createLocked(pathOf(token));
        if (m_lock != CSystem::kNoLock) {
            m_token = token;
            return true;
        }
    }
    return false;
}

void CJournalOwner::release()
{
    if (m_lock == CSystem::kNoLock)
        return;
    CSystem::removeAndUnlock(m_lock, pathOf(m_token));
    m_lock = CSystem::kNoLock;
    m_token.clear();
}

QString CJournalOwner::token() const
{
    // Never a null text: that binds as NULL, which the journal's column refuses.
    return m_token.isNull() ? u""_s : m_token;
}

bool CJournalOwner::hasEnded(const QString &token) const
{
    if (token == m_token && m_lock != CSystem::kNoLock)
        return false;
    if (!isToken(token) || CSystem::isAbsent(pathOf(token)))
        return true;
    const qintptr lock = CSystem::lockIfFree(pathOf(token));
    CSystem::unlock(lock);
    return lock != CSystem::kNoLock;
}

void CJournalOwner::removeEnded() const
{
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (isToken(name) && name != m_token)
            CSystem::removeAndUnlock(CSystem::lockIfFree(pathOf(name)), pathOf(name));
    }
}

QString CJournalOwner::pathOf(const QString &token) const
{
    return m_folder + u'/' + token;
}
