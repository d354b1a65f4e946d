// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

/// Page 1 of a PDF, drawn for the preview. Qt PDF, and Qt Network, which it loads, live in a module of their own
/// (plindor-pdf) that the preview helper loads with the first PDF it reads: a helper that reads only images never
/// pays for their loading and about 1.7 MiB of memory.
class CPdfPage
{
public:
    enum class Outcome {
        Drawn,
        Damaged,
        Encrypted,
        NoSupport, ///< built without Qt PDF, or its module is not where it was installed
    };
    struct Result {
        Outcome outcome = Outcome::NoSupport;
        int pages = 0;
        QImage image;
        QString text; ///< page 1's text layer, at most kMostTextChars
    };
    static constexpr qsizetype kMostTextChars = 1024 * 1024;

    /// Draws page 1 of the PDF that `file` reads, as large as fits in `box`. Safe on any thread.
    [[nodiscard]] static Result draw(QIODevice &file, QSize box);
};

/// The module's one entry point, looked up by this name.
using PlindorDrawPdfPage = void (*)(QIODevice *file, QSize box, CPdfPage::Result *result);
