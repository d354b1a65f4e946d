// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PdfPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace
{
#ifdef PLINDOR_PDF_MODULE_DIR
/// Where the module was installed, seen from the program's folder, and else beside the program: the preview helper
/// is installed and built beside it. Never a folder named by the environment or the current folder: code is loaded
/// from here.
PlindorDrawPdfPage loadModule()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString &folder :
         { programFolder.filePath(QStringLiteral(PLINDOR_PDF_MODULE_DIR)), programFolder.path() }) {
        QLibrary module(QDir(folder).filePath(QStringLiteral("plindor-pdf")));
        if (const auto draw = reinterpret_cast<PlindorDrawPdfPage>(module.resolve("plindorDrawPdfPage")))
            return draw;
    }
    return nullptr;
}
#else
PlindorDrawPdfPage loadModule()
{
    return nullptr;
}
#endif
} // namespace

CPdfPage::Result CPdfPage::draw(QIODevice &file, QSize box)
{
    static const PlindorDrawPdfPage drawPage = loadModule();
    Result result;
    if (drawPage)
        drawPage(&file, box, &result);
    return result;
}
