// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PreviewChannel.h"

QByteArray CPreviewChannel::ask(const QString &path, QSize box)
{
    return CPreviewProtocol::requestFrame({ ++m_generation, path, box });
}

QList<CPreviewAnswer> CPreviewChannel::feed(const QByteArray &output)
{
    QList<CPreviewAnswer> answers;
    if (m_broken)
        return answers;
    m_pending += output;
    QByteArray payload;
    while (takeFrame(payload)) {
        const std::optional<CPreviewAnswer> answer = CPreviewProtocol::parseAnswer(payload);
        if (!answer) {
            m_broken = true;
            break;
        }
        if (answer->generation == m_generation)
            answers << *answer;
    }
    if (m_broken)
        m_pending.clear();
    return answers;
}

// The length is checked as soon as the header is in: an oversized answer is refused before its bytes are held.
bool CPreviewChannel::takeFrame(QByteArray &payload)
{
    if (m_broken || m_pending.size() < CPreviewProtocol::kHeaderBytes)
        return false;
    const std::optional<quint32> length = CPreviewProtocol::payloadLength(
        m_pending.first(CPreviewProtocol::kHeaderBytes), CPreviewProtocol::kMostAnswerBytes);
    if (!length) {
        m_broken = true;
        return false;
    }
    const qsizetype whole = CPreviewProtocol::kHeaderBytes + qsizetype(*length);
    if (m_pending.size() < whole)
        return false;
    payload = m_pending.sliced(CPreviewProtocol::kHeaderBytes, *length);
    m_pending.remove(0, whole);
    return true;
}

bool CPreviewChannel::isBroken() const
{
    return m_broken;
}

bool CPreviewChannel::holdsPart() const
{
    return !m_pending.isEmpty();
}

quint64 CPreviewChannel::generation() const
{
    return m_generation;
}
