// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/Typing.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

void typeLikeAUser(QWidget *widget, const QString &text)
{
    static const QRegularExpression runs(u"[\\x20-\\x7e]+|[^\\x20-\\x7e]+"_s);
    for (const QRegularExpressionMatch &run : runs.globalMatch(text)) {
        const QString piece = run.captured();
        // Control characters, NUL among them, have no key to type: they arrive as a commit too.
        if (piece.at(0).unicode() >= 0x20 && piece.at(0).unicode() < 0x7f) {
            QTest::keyClicks(widget, piece);
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(piece);
        QApplication::sendEvent(widget, &commit);
    }
}
