// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

/// What the window asks the preview helper: the picture of one path, fitting a box in device pixels. The generation
/// tells an answer to this question from a late one to an earlier question.
struct CPreviewRequest {
    quint64 generation = 0;
    QString path;
    QSize box;
};

/// What the helper answers. A progress answer only says that the item's metadata was read: the disk answers, and
/// what takes long is the drawing. The picture travels as raw premultiplied ARGB32 lines, so the window decodes no
/// file format of any kind.
struct CPreviewAnswer {
    quint64 generation = 0;
    bool progress = false;
    QString path;
    QSize imageSize; ///< empty when the icon is shown
    QByteArray imageBytes; ///< imageSize.width() * 4 bytes a line
    QString iconName;
    QString genericIconName;
    bool folder = false;
    qint32 problem = 0;
    QString reason;
    QString info;
    qint32 pages = -1;
    QSize pixels;
    qint64 entries = -1;
    bool fromCache = false;
    QString pageText; ///< page 1's text layer, where there is one
};

/// The frames the window and the preview helper exchange over the helper's standard input and output: a magic
/// number, the payload's length, and the payload in QDataStream's form. Nothing longer than a side's limit is read.
class CPreviewProtocol
{
public:
    static constexpr int kHeaderBytes = 8;
    static constexpr quint32 kMostRequestBytes = 64 * 1024;
    /// A page as large as a 4K screen, with room for its text layer.
    static constexpr quint32 kMostAnswerBytes = 80 * 1024 * 1024;
    static constexpr int kMostImageSide = 4096;
    static constexpr qsizetype kMostTextChars = 1024 * 1024;

    [[nodiscard]] static QByteArray requestFrame(const CPreviewRequest &request);
    [[nodiscard]] static QByteArray answerFrame(const CPreviewAnswer &answer);
    /// The payload length a header announces; nothing when it is not one of ours or announces more than `most`.
    [[nodiscard]] static std::optional<quint32> payloadLength(const QByteArray &header, quint32 most);
    [[nodiscard]] static std::optional<CPreviewRequest> parseRequest(const QByteArray &payload);
    /// Refuses a payload that does not read to its end exactly, or whose picture does not match its size.
    [[nodiscard]] static std::optional<CPreviewAnswer> parseAnswer(const QByteArray &payload);
};
