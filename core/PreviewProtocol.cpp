// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PreviewProtocol.h"

#include <QDataStream>
#include <QIODevice>

namespace
{
constexpr quint32 kMagic = 0x504c5056; // "PLPV"
constexpr auto kVersion = QDataStream::Qt_6_4;

QByteArray framed(const QByteArray &payload)
{
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out << kMagic << quint32(payload.size());
    frame += payload;
    return frame;
}

template <typename Fill> QByteArray payloadOf(Fill fill)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(kVersion);
    fill(out);
    return payload;
}

bool fitsPicture(const CPreviewAnswer &answer)
{
    const QSize size = answer.imageSize;
    if (size.isEmpty())
        return answer.imageBytes.isEmpty();
    if (size.width() > CPreviewProtocol::kMostImageSide || size.height() > CPreviewProtocol::kMostImageSide)
        return false;
    return answer.imageBytes.size() == qsizetype(size.width()) * size.height() * 4;
}
} // namespace

QByteArray CPreviewProtocol::requestFrame(const CPreviewRequest &request)
{
    return framed(payloadOf([&](QDataStream &out) { out << request.generation << request.path << request.box; }));
}

QByteArray CPreviewProtocol::answerFrame(const CPreviewAnswer &a)
{
    return framed(payloadOf([&](QDataStream &out) {
        out << a.generation << a.progress << a.path << a.imageSize << a.imageBytes << a.iconName << a.genericIconName
            << a.folder << a.problem << a.reason << a.info << a.pages << a.pixels << a.entries << a.fromCache
            << a.pageText;
    }));
}

std::optional<quint32> CPreviewProtocol::payloadLength(const QByteArray &header, quint32 most)
{
    if (header.size() != kHeaderBytes)
        return std::nullopt;
    QDataStream in(header);
    quint32 magic = 0;
    quint32 length = 0;
    in >> magic >> length;
    if (magic != kMagic || length > most)
        return std::nullopt;
    return length;
}

std::optional<CPreviewRequest> CPreviewProtocol::parseRequest(const QByteArray &payload)
{
    QDataStream in(payload);
    in.setVersion(kVersion);
    CPreviewRequest request;
    in >> request.generation >> request.path >> request.box;
    const bool boxFits = request.box.width() > 0 && request.box.height() > 0 && request.box.width() <= kMostImageSide
        && request.box.height() <= kMostImageSide;
    if (in.status() != QDataStream::Ok || !in.atEnd() || request.path.isEmpty() || !boxFits)
        return std::nullopt;
    return request;
}

std::optional<CPreviewAnswer> CPreviewProtocol::parseAnswer(const QByteArray &payload)
{
    QDataStream in(payload);
    in.setVersion(kVersion);
    CPreviewAnswer a;
    in >> a.generation >> a.progress >> a.path >> a.imageSize >> a.imageBytes >> a.iconName >> a.genericIconName
        >> a.folder >> a.problem >> a.reason >> a.info >> a.pages >> a.pixels >> a.entries >> a.fromCache >> a.pageText;
    if (in.status() != QDataStream::Ok || !in.atEnd() || !fitsPicture(a) || a.pageText.size() > kMostTextChars)
        return std::nullopt;
    return a;
}
