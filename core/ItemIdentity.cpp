// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ItemIdentity.h"

#include "core/System.h"

#include <QtEndian>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace
{
enum Part { Kind, Device, Node, Size, Time, Parts };
using Numbers = std::array<qint64, Parts>;

Numbers numbersOf(const ItemFacts &facts)
{
    const FileStamp &stamp = facts.stamp;
    return { qint64(facts.type), qint64(stamp.device), qint64(stamp.inode), stamp.size, stamp.mtimeNs };
}
} // namespace

QByteArray CItemIdentity::of(const QString &path)
{
    const ItemFacts facts = CSystem::look(path);
    if (!facts.exists())
        return {};
    QByteArray bytes;
    for (const qint64 number : numbersOf(facts)) {
        const qint64 little = qToLittleEndian(number);
        bytes.append(reinterpret_cast<const char *>(&little), sizeof little);
    }
    return bytes;
}

QString CItemIdentity::difference(const QByteArray &saved, const QString &path)
{
    if (saved.size() != qsizetype(Parts * sizeof(qint64)))
        return u"nothing was noted of the item then"_s;
    Numbers then {};
    for (int part = 0; part < Parts; ++part)
        then.at(part) = qFromLittleEndian<qint64>(saved.constData() + part * sizeof(qint64));
    const ItemFacts facts = CSystem::look(path);
    if (!facts.exists())
        return u"nothing has the name now"_s;
    const Numbers now = numbersOf(facts);
    if (now.at(Kind) != then.at(Kind))
        return u"an item of another kind has the name now"_s;
    if ((now.at(Device) != then.at(Device) || now.at(Node) != then.at(Node)) && CSystem::keepsNodeNumbers(path))
        return u"another item has the name now"_s;
    if (now.at(Size) != then.at(Size))
        return u"its size changed"_s;
    if (now.at(Time) != then.at(Time))
        return u"it was modified since"_s;
    return {};
}
