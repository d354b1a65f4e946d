// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <windows.h>

/// The thumbnail Windows's shell draws of a file with the handler installed for its type: page 1 of a PDF where a
/// PDF handler is installed, a frame of a video, the first page of a document. Only the preview helper asks, on
/// whatever thread reads the item; the handler may keep the file open while it draws, so the window never asks.
class CShellThumbnail
{
public:
    /// The thumbnail of `path`, no larger than `box`; a null image where the shell has none, never the type's icon
    /// in its place: the preview shows its own icon then, as for every other type.
    [[nodiscard]] static QImage of(const QString &path, QSize box);
    /// `bitmap` as Qt holds it, its top line first whichever order the bitmap stores its lines in, opaque where the
    /// bitmap has no alpha; a null image for a bitmap with nothing drawn in it. The caller keeps the bitmap.
    [[nodiscard]] static QImage toImage(HBITMAP bitmap);
};
