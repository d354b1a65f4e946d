// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The plindor-pdf module: all that touches Qt PDF. CPdfPage loads it when the first PDF is previewed.
#include "platform/FittedSize.h"
#include "platform/PdfPage.h"

#include <QPdfDocument>

using Outcome = CPdfPage::Outcome;

extern "C" Q_DECL_EXPORT void plindorDrawPdfPage(QIODevice *file, QSize box, CPdfPage::Result *result)
{
    QPdfDocument document;
    document.load(file);
    if (document.status() != QPdfDocument::Status::Ready) {
        const auto error = document.error();
        const bool locked = error == QPdfDocument::Error::IncorrectPassword
            || error == QPdfDocument::Error::UnsupportedSecurityScheme;
        result->outcome = locked ? Outcome::Encrypted : Outcome::Damaged;
        return;
    }
    result->pages = document.pageCount();
    const QSize size = fittedSize(document.pagePointSize(0), box);
    if (result->pages > 0 && !size.isEmpty()) {
        result->image = document.render(0, size);
        result->text = document.getAllText(0).text().left(CPdfPage::kMostTextChars);
    }
    result->outcome = result->image.isNull() ? Outcome::Damaged : Outcome::Drawn;
}
