// Stand-in until the real implementation lands; it keeps the tree linking.
#include "platform/FileMover.h"
#include <QFile>
MoveResult CFileMover::move(const QString &s, const QString &d, const QString &n, IMoveProgress *)
{
    MoveResult r;
    r.destination = d + u'/' + n;
    if (QFile::exists(r.destination) || !QFile::rename(s, r.destination))
        r.error = MoveError::IoError;
    return r;
}
