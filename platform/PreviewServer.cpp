// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PreviewServer.h"

#include "core/PreviewProtocol.h"
#include "platform/PreviewAnswers.h"

#include <QIODevice>
#include <QThread>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// Standard input blocks until the window writes: a short read is the window gone.
bool readExactly(QIODevice &in, QByteArray &bytes, qint64 length)
{
    bytes.resize(length);
    for (qint64 done = 0; done < length;) {
        const qint64 got = in.read(bytes.data() + done, length - done);
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool send(QIODevice &out, const CPreview &preview, quint64 generation, bool progress)
{
    CPreviewAnswer answer = CPreviewAnswers::toAnswer(preview, generation);
    answer.progress = progress;
    const QByteArray frame = CPreviewProtocol::answerFrame(answer);
    return out.write(frame) == frame.size();
}

QString keyOf(const CPreviewSource::Facts &facts, QSize box)
{
    return facts.path + u'\n' + QString::number(facts.modified.toMSecsSinceEpoch()) + u'\n'
        + QString::number(facts.size) + u'\n' + QString::number(box.width()) + u'x' + QString::number(box.height());
}
} // namespace

int CPreviewServer::serve(QIODevice &in, QIODevice &out)
{
    QByteArray header;
    QByteArray payload;
    while (readExactly(in, header, CPreviewProtocol::kHeaderBytes)) {
        const std::optional<quint32> length
            = CPreviewProtocol::payloadLength(header, CPreviewProtocol::kMostRequestBytes);
        if (!length || !readExactly(in, payload, *length))
            return 2;
        const std::optional<CPreviewRequest> request = CPreviewProtocol::parseRequest(payload);
        if (!request)
            return 2;
        try {
            if (!send(out, answer(*request, out), request->generation, false))
                return 1;
            // The CPU limit counts the helper's whole life; it retires before it nears it, between two items.
            if (std::clock() / CLOCKS_PER_SEC > kRetireAfterCpuSeconds)
                return 0;
        } catch (const std::bad_alloc &) {
            // What is left may be too little to go on with: the helper says why and ends, the next item gets a new one.
            send(out, CPreviewSource::unanswered(request->path, CPreview::Problem::TooMuchMemory), request->generation,
                 false);
            return 3;
        }
    }
    return 0;
}

CPreview CPreviewServer::answer(const CPreviewRequest &request, QIODevice &out)
{
    actOutTestMode(request.path, false);
    const CPreviewSource::Facts facts = CPreviewSource::facts(request.path);
    send(out, CPreviewSource::unanswered(request.path, CPreview::Problem::None), request.generation, true);
    actOutTestMode(request.path, true);
    const QString key = keyOf(facts, request.box);
    if (const CPreview *kept = m_kept.object(key)) {
        CPreview preview = *kept;
        preview.fromCache = true;
        return preview;
    }
    CPreview preview = CPreviewSource::read(facts, request.box);
    m_kept.insert(key, new CPreview(preview), int(preview.image.sizeInBytes() / 1024) + 1);
    return preview;
}

void CPreviewServer::actOutTestMode(const QString &path, bool metadataRead) const
{
    static const QString mode = qEnvironmentVariable(kTestModeVariable);
    const qsizetype colon = mode.indexOf(u':');
    if (colon < 0 || !path.startsWith(mode.mid(colon + 1)))
        return;
    const QStringView what = QStringView(mode).first(colon);
    if (what == u"hang" && !metadataRead) {
        for (;;)
            QThread::sleep(60);
    }
    if (what == u"allocate" && metadataRead) {
        std::vector<std::vector<char>> held;
        for (;;)
            held.emplace_back(16 * 1024 * 1024, 'x');
    }
    if (what == u"crash" && metadataRead)
        std::abort();
    if (what == u"spin" && metadataRead) {
        std::atomic<quint64> turns = 0;
        for (;;)
            ++turns;
    }
}
