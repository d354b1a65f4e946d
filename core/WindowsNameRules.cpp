// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/WindowsNameRules.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

QChar CWindowsNameRules::firstForbidden(const QString &name)
{
    static const QString forbidden = u"\\:*?\"<>|"_s;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || forbidden.contains(c))
            return c;
    }
    return {};
}

bool CWindowsNameRules::endsWithDotOrSpace(const QString &name)
{
    return name.endsWith(u'.') || name.endsWith(u' ');
}

QString CWindowsNameRules::reservedDevice(const QString &name)
{
    // The console's input and output are devices too, and Windows counts the superscript digits ¹ ² ³ among the
    // port numbers, as it does 1 to 9.
    static const QStringList plain { u"CON"_s, u"PRN"_s, u"AUX"_s, u"NUL"_s, u"CONIN$"_s, u"CONOUT$"_s };
    static const QString portDigits = u"123456789\u00B9\u00B2\u00B3"_s;
    // Windows reads "nul.txt" and "NUL .tar.gz" as the device too: what counts is the part before the first dot,
    // without the spaces that end it.
    QString stem = name.left(name.indexOf(u'.'));
    while (stem.endsWith(u' '))
        stem.chop(1);
    const QString upper = stem.toUpper();
    if (plain.contains(upper))
        return stem;
    const bool numbered = upper.size() == 4 && (upper.startsWith("COM"_L1) || upper.startsWith("LPT"_L1))
        && portDigits.contains(upper.at(3));
    return numbered ? stem : QString();
}
