// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathProbe.h"

#include "core/Logging.h"
#include "platform/PathIntake.h"
#include "platform/ProbePool.h"

#include <QDir>
#include <QFileInfo>

#include <climits>

bool CPathProbe::isDirectory(const QString &path)
{
    if (path.isEmpty())
        return false;
    const auto answers = CProbePool::ask<bool>({ path }, [](const QString &asked) { return QFileInfo(asked).isDir(); });
    return answers.constFirst().value_or(false);
}

bool CPathProbe::isTooLong(const QString &path)
{
#ifdef Q_OS_WIN
    // UTF-16 units, through the \\?\ prefix (four of them) that the mover puts before every path.
    return path.size() + 4 >= 32767;
#else
    return QFile::encodeName(path).size() >= PATH_MAX;
#endif
}

QList<CPathProbe::Checked> CPathProbe::presenceOf(const QStringList &paths)
{
    // One resolver for the whole batch asks the file system once per folder.
    const auto answers
        = CProbePool::ask<Checked>(paths, [resolver = CPathIntake::Resolver()](const QString &given) mutable {
              const QString path = resolver(given);
              if (isTooLong(path))
                  return Checked { path, Presence::TooLong };
              const QFileInfo info(path);
              return Checked { path, info.exists() || info.isSymLink() ? Presence::Exists : Presence::Missing };
          });
    QList<Checked> checked;
    checked.reserve(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        checked << answers.at(i).value_or(Checked { QDir::current().absoluteFilePath(paths.at(i)), Presence::Unknown });
    return checked;
}

CPathProbe::Sorted CPathProbe::sortByPresence(const QStringList &paths)
{
    Sorted sorted;
    for (const Checked &checked : presenceOf(paths)) {
        if (checked.presence == Presence::Missing)
            sorted.missing << checked.path;
        else if (checked.presence == Presence::TooLong)
            sorted.tooLong << checked.path;
        else
            sorted.existing << checked.path;
        // Queued, a path the disk did not answer for costs nothing (its buttons give up on their warnings, a click
        // reports what fails); left out, it would be lost without a word and have to be found again.
        if (checked.presence == Presence::Unknown)
            qCInfo(lcFileOps) << "queued unchecked, the disk did not answer in time:" << checked.path;
    }
    return sorted;
}
