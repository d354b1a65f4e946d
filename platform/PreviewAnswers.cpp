// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PreviewAnswers.h"

#include <cstring>

namespace
{
constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;

QByteArray rawLines(const QImage &image)
{
    const QImage converted = image.convertToFormat(kFormat);
    const qsizetype line = qsizetype(converted.width()) * 4;
    QByteArray bytes(line * converted.height(), Qt::Uninitialized);
    for (int y = 0; y < converted.height(); ++y)
        std::memcpy(bytes.data() + y * line, converted.constScanLine(y), size_t(line));
    return bytes;
}

QImage fromRawLines(QSize size, const QByteArray &bytes)
{
    QImage image(size, kFormat);
    if (image.isNull())
        return image;
    const qsizetype line = qsizetype(size.width()) * 4;
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + y * line, size_t(line));
    return image;
}
} // namespace

CPreviewAnswer CPreviewAnswers::toAnswer(const CPreview &preview, quint64 generation)
{
    CPreviewAnswer answer;
    answer.generation = generation;
    answer.path = preview.path;
    if (!preview.image.isNull()) {
        answer.imageSize = preview.image.size();
        answer.imageBytes = rawLines(preview.image);
    }
    answer.iconName = preview.iconName;
    answer.genericIconName = preview.genericIconName;
    answer.folder = preview.folder;
    answer.problem = qint32(preview.problem);
    answer.reason = preview.reason;
    answer.info = preview.info;
    answer.pages = preview.pages;
    answer.pixels = preview.pixels;
    answer.entries = preview.entries;
    answer.fromCache = preview.fromCache;
    answer.pageText = preview.pageText;
    return answer;
}

std::optional<CPreview> CPreviewAnswers::toPreview(const CPreviewAnswer &answer)
{
    if (answer.problem < 0 || answer.problem > qint32(CPreview::Problem::NoHelper))
        return std::nullopt;
    CPreview preview;
    preview.path = answer.path;
    if (!answer.imageSize.isEmpty())
        preview.image = fromRawLines(answer.imageSize, answer.imageBytes);
    preview.iconName = answer.iconName;
    preview.genericIconName = answer.genericIconName;
    preview.folder = answer.folder;
    preview.problem = CPreview::Problem(answer.problem);
    preview.reason = answer.reason;
    preview.info = answer.info;
    preview.pages = answer.pages;
    preview.pixels = answer.pixels;
    preview.entries = answer.entries;
    preview.fromCache = answer.fromCache;
    preview.pageText = answer.pageText;
    return preview;
}
