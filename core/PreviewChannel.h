// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewProtocol.h"

#include <QList>

/// The window's end of its talk with one preview helper: it numbers each question, gathers the helper's output
/// into frames, keeps the answers to the question asked last and drops late ones. Anything that is not a frame of
/// ours, or longer than an answer may be, breaks the channel for good: the helper is not to be believed any more.
class CPreviewChannel
{
public:
    /// The frame that asks for `path`; answers to every earlier question are dropped from now on.
    [[nodiscard]] QByteArray ask(const QString &path, QSize box);
    /// Takes the helper's output as it comes, in pieces of any size, and returns the answers to the last question
    /// that it completes.
    [[nodiscard]] QList<CPreviewAnswer> feed(const QByteArray &output);
    [[nodiscard]] bool isBroken() const;
    /// Part of a frame is held: a helper that ends now ended in the middle of an answer.
    [[nodiscard]] bool holdsPart() const;
    [[nodiscard]] quint64 generation() const;

private:
    [[nodiscard]] bool takeFrame(QByteArray &payload);

    quint64 m_generation = 0;
    QByteArray m_pending;
    bool m_broken = false;
};
