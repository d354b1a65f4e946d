// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIconEngine>
#include <QList>
#include <QString>

/// An icon drawn from square image files of several sizes, each read when a pixmap is asked of it and not kept.
/// QIcon's own engine decodes every file as it is added and holds them all for as long as the program runs, while a
/// window icon is asked for seldom: once by the X11 platform, which keeps its own copy, never by some others.
class CIconFiles : public QIconEngine
{
public:
    /// `pattern` names the files with %1 for the size; `sizes` are the sizes there are files of, smallest first.
    CIconFiles(QString pattern, QList<int> sizes);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    [[nodiscard]] QIconEngine *clone() const override;
    [[nodiscard]] QString key() const override;

private:
    /// The size of the file that draws `size` best: the smallest that is not smaller, else the largest.
    [[nodiscard]] int fileSizeFor(const QSize &size) const;

    QString m_pattern;
    QList<int> m_sizes;
};
