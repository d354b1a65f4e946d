// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CandidateLists.h"

using namespace Qt::Literals::StringLiterals;

CCandidateLists::DateTexts CCandidateLists::dateTexts(QDate today)
{
    DateTexts texts;
    texts.day = QString::number(today.day()) + u"日"_s;
    texts.month = QString::number(today.month()) + u"月"_s;
    texts.year = QString::number(today.year()) + u"年"_s;
    texts.ymd = texts.year + texts.month + texts.day;
    texts.md = texts.month + texts.day;
    return texts;
}

QString CCandidateLists::termWord(QDate today, bool firstList)
{
    const bool spring = today.month() < 9;
    return spring == firstList ? u"上期"_s : u"下期"_s;
}

QStringList CCandidateLists::terms(QDate today, bool firstList)
{
    const QString word = termWord(today, firstList);
    QStringList items;
    for (int k = -3; k <= 0; ++k)
        items << QString::number(today.year() + k) + u"年"_s + word;
    return items;
}

QStringList CCandidateLists::dates(const DateTexts &texts)
{
    return { texts.year, texts.ymd, texts.month, texts.md };
}

QStringList CCandidateLists::suffixes()
{
    QStringList items;
    for (int n = 1; n <= 5; ++n)
        items << u"_"_s + QString::number(n);
    return items;
}
