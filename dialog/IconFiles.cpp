// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/IconFiles.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

CIconFiles::CIconFiles(QString pattern, QList<int> sizes)
    : m_pattern(std::move(pattern))
    , m_sizes(std::move(sizes))
{
}

void CIconFiles::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
}

// Read through QImageReader rather than QPixmap::load(), which would keep the picture in the pixmap cache.
QPixmap CIconFiles::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    QImageReader reader(m_pattern.arg(fileSizeFor(size)));
    QPixmap picture = QPixmap::fromImage(reader.read());
    const QSize fitting = actualSize(size, mode, state);
    if (!picture.isNull() && picture.size() != fitting)
        picture = picture.scaled(fitting, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // Disabled, active and selected looks as the style draws them from the plain picture, as for any icon.
    if (mode != QIcon::Normal && !picture.isNull()) {
        QStyleOption option;
        option.palette = QApplication::palette();
        picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
    }
    return picture;
}

QSize CIconFiles::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    const int side = fileSizeFor(size);
    return QSize(side, side).boundedTo(size);
}

QList<QSize> CIconFiles::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> all;
    for (int side : m_sizes)
        all << QSize(side, side);
    return all;
}

QIconEngine *CIconFiles::clone() const
{
    return new CIconFiles(m_pattern, m_sizes);
}

QString CIconFiles::key() const
{
    return u"CIconFiles"_s;
}

int CIconFiles::fileSizeFor(const QSize &size) const
{
    const int wanted = std::max(size.width(), size.height());
    const auto fitting = std::find_if(m_sizes.cbegin(), m_sizes.cend(), [wanted](int side) { return side >= wanted; });
    return fitting != m_sizes.cend() ? *fitting : m_sizes.constLast();
}
