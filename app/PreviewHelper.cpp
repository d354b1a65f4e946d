// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// plindor-preview: reads the items the window previews, one at a time, in a process of its own under limits, so
// that no document can cost the window its memory, its time or its files. The window starts it and talks to it over
// its standard input and output (CPreviewProtocol).
#include "platform/HelperLimits.h"
#include "platform/InterfaceLanguage.h"
#include "platform/PreviewServer.h"
#include "platform/QtTranslation.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#ifdef Q_OS_WIN
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
// The address-space limit cannot hold under AddressSanitizer (see CHelperLimits); its own limit on resident memory
// ends a helper that allocates without end all the same.
extern "C" const char *__asan_default_options()
{
    return "hard_rss_limit_mb=1024";
}
#endif

int main(int argc, char *argv[])
{
    const QString kept = CHelperLimits::confineSelf();
#ifdef Q_OS_WIN
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QCoreApplication app(argc, argv);
    if (!kept.isEmpty())
        std::fprintf(stderr, "plindor-preview: runs without these limits: %s\n", qPrintable(kept));
    CQtTranslation::install(&app, CInterfaceLanguage::fromEnvironment());
    QFile in;
    QFile out;
    // By descriptor: written straight through, with no buffer of the C library's to hold an answer back.
    if (!in.open(0, QIODevice::ReadOnly | QIODevice::Unbuffered)
        || !out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    return CPreviewServer().serve(in, out);
}
