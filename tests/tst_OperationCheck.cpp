// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OperationCheck.h"

#include <QTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;

using Reason = COperationCheck::Reason;
using Facts = COperationCheck::Facts;
using FolderState = COperationCheck::FolderState;
using Occupant = COperationCheck::Occupant;
using Target = COperationPlanner::Target;
using Item = COperationPlanner::Item;

Q_DECLARE_METATYPE(Facts)

/// Which warning each planned operation gets from the facts a probe would report, without a window or a file.
class tst_OperationCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void warns_data();
    void warns();
};

namespace
{
constexpr qint64 kGiB = qint64(1) << 30;

/// report.txt in /d/a, renamed to `name` + ".txt".
Item file(const QString &name)
{
    return { u"/d/a/report.txt"_s, u"/d/a"_s, {}, name, {}, u".txt"_s };
}

/// The folder /d/a/photos, renamed to `name`.
Item folder(const QString &name)
{
    return { u"/d/a/photos"_s, u"/d/a"_s, {}, name, {}, {} };
}

/// A usable local folder on the source's own disk, with room to spare and nobody holding the name.
Facts local(const std::function<void(Facts &)> &change = {})
{
    Facts facts;
    facts.known = true;
    facts.sourceSize = 1000;
    facts.sourceAllocated = 4096;
    facts.nameMaxBytes = 255;
    facts.freeBytes = 10 * kGiB;
    if (change)
        change(facts);
    return facts;
}

/// As local(), on another disk.
Facts across(const std::function<void(Facts &)> &change = {})
{
    return local([&](Facts &facts) {
        facts.sameFilesystem = false;
        if (change)
            change(facts);
    });
}

/// A USB stick: exFAT or FAT, without case, on another disk.
Facts stick(const std::function<void(Facts &)> &change = {})
{
    return across([&](Facts &facts) {
        facts.windowsNames = true;
        facts.caseInsensitive = true;
        if (change)
            change(facts);
    });
}
} // namespace

void tst_OperationCheck::warns_data()
{
    QTest::addColumn<Item>("item");
    QTest::addColumn<Target>("target");
    QTest::addColumn<Facts>("facts");
    QTest::addColumn<Reason>("reason");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<qint64>("limit");

    const Target rename = Target::rename();
    const Target move = Target::move(u"/e/work"_s);
    const Target quick = Target::quickMove(u"/e"_s, u"term"_s);
    Target numbering = move;
    numbering.numberOnClash = true;
    const QString cjk85 = QString(85, QChar(0x6C49)); // 255 bytes
    const Facts unknown;

    QTest::newRow("rename-ok") << file(u"new"_s) << rename << local() << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("move-ok") << file(u"new"_s) << move << across() << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("empty-name") << file({}) << quick << unknown << Reason::NameMissing << QString() << 0ll << 0ll;
    QTest::newRow("no-folder-chosen") << file(u"n"_s) << Target::move(u"拖入文件夹"_s) << local()
                                      << Reason::NoFolderChosen << QString() << 0ll << 0ll;
    QTest::newRow("button-not-linked") << file(u"n"_s) << Target::quickMove({}, u"拖入目标文件夹1"_s) << local()
                                       << Reason::ButtonNotLinked << QString() << 0ll << 0ll;
    QTest::newRow("relative-folder") << file(u"n"_s) << Target::move(u"work"_s) << local() << Reason::FolderNotAbsolute
                                     << u"work"_s << 0ll << 0ll;
    QTest::newRow("slash") << file(u"a/b"_s) << rename << unknown << Reason::NameNotAllowed << u"/"_s << 0ll << 0ll;
    QTest::newRow("nul") << file(u"a"_s + QChar(0)) << rename << unknown << Reason::NameNotAllowed << QString(QChar(0))
                         << 0ll << 0ll;
    QTest::newRow("dot-dot-folder") << folder(u".."_s) << rename << unknown << Reason::NameNotAllowed << u".."_s << 0ll
                                    << 0ll;
    QTest::newRow("dot-dot-file-is-a-name")
        << file(u".."_s) << rename << local() << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("255-bytes-fit") << folder(cjk85) << rename << local() << Reason::None << QString() << 0ll << 0ll;
    // Windows counts UTF-16 units, 255 in a name and 32,763 in a path: the mover's own test holds those limits.
#ifndef Q_OS_WIN
    QTest::newRow("256-bytes-anywhere") << folder(cjk85 + u'x') << rename << unknown << Reason::NameTooLong << QString()
                                        << 256ll << 255ll;
    QTest::newRow("disk-limit-143-bytes")
        << folder(QString(150, u'e')) << move << across([](Facts &f) { f.nameMaxBytes = 143; }) << Reason::NameTooLong
        << QString() << 150ll << 143ll;
    QTest::newRow("path-over-4095-bytes") << file(u"n"_s) << Target::move(u'/' + QString(4090, u'p')) << unknown
                                          << Reason::PathTooLong << QString() << 4097ll << 4095ll;
#endif

    QTest::newRow("probe-late-keeps-quiet")
        << file(u"new"_s) << rename << Facts() << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("source-gone") << file(u"new"_s) << rename << local([](Facts &f) { f.sourceExists = false; })
                                 << Reason::SourceGone << QString() << 0ll << 0ll;
    QTest::newRow("folder-missing") << file(u"n"_s) << move << local([](Facts &f) { f.folder = FolderState::Missing; })
                                    << Reason::FolderMissing << u"/e/work"_s << 0ll << 0ll;
    QTest::newRow("not-a-folder") << file(u"n"_s) << quick
                                  << local([](Facts &f) { f.folder = FolderState::NotAFolder; }) << Reason::NotAFolder
                                  << u"/e/term"_s << 0ll << 0ll;
    QTest::newRow("not-writable") << file(u"n"_s) << move
                                  << local([](Facts &f) { f.folder = FolderState::NotWritable; })
                                  << Reason::FolderNotWritable << u"/e/work"_s << 0ll << 0ll;
    QTest::newRow("read-only-disk") << file(u"n"_s) << move
                                    << local([](Facts &f) { f.folder = FolderState::ReadOnlyDisk; })
                                    << Reason::FolderReadOnlyDisk << u"/e/work"_s << 0ll << 0ll;

    QTest::newRow("stick-colon") << file(u"a:b"_s) << move << stick() << Reason::ForbiddenCharacter << u":"_s << 0ll
                                 << 0ll;
    QTest::newRow("stick-tab") << file(u"a\tb"_s) << move << stick() << Reason::ForbiddenCharacter << u"\t"_s << 0ll
                               << 0ll;
    QTest::newRow("stick-question-mark-first")
        << file(u"why?|"_s) << move << stick() << Reason::ForbiddenCharacter << u"?"_s << 0ll << 0ll;
    QTest::newRow("stick-trailing-dot") << folder(u"notes."_s) << move << stick() << Reason::EndsWithDotOrSpace
                                        << u"."_s << 0ll << 0ll;
    QTest::newRow("stick-trailing-space")
        << folder(u"notes "_s) << move << stick() << Reason::EndsWithDotOrSpace << u" "_s << 0ll << 0ll;
    QTest::newRow("stick-con-with-extension")
        << file(u"con"_s) << move << stick() << Reason::ReservedName << u"con"_s << 0ll << 0ll;
    QTest::newRow("stick-lpt9-space-before-dot")
        << file(u"LPT9 "_s) << move << stick() << Reason::ReservedName << u"LPT9"_s << 0ll << 0ll;
    QTest::newRow("stick-superscript-port")
        << file(u"com\u00B9"_s) << move << stick() << Reason::ReservedName << u"com\u00B9"_s << 0ll << 0ll;
    QTest::newRow("stick-console-output")
        << file(u"CONOUT$ "_s) << move << stick() << Reason::ReservedName << u"CONOUT$"_s << 0ll << 0ll;
    QTest::newRow("stick-com0-is-a-name")
        << file(u"COM0"_s) << move << stick() << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("stick-console-is-a-name")
        << file(u"console"_s) << move << stick() << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("ext4-takes-colon") << file(u"a:b"_s) << move << across() << Reason::None << QString() << 0ll << 0ll;

    QTest::newRow("name-taken") << file(u"n"_s) << move << local([](Facts &f) { f.occupant = Occupant::Other; })
                                << Reason::NameTaken << u"n.txt"_s << 0ll << 0ll;
    QTest::newRow("numbered-says-the-name") << file(u"n"_s) << numbering << local([](Facts &f) {
        f.occupant = Occupant::Other;
        f.numberedName = u"n_3.txt"_s;
    }) << Reason::NameNumbered << u"n_3.txt"_s
                                            << 0ll << 0ll;
    QTest::newRow("numbered-none-free") << file(u"n"_s) << numbering
                                        << local([](Facts &f) { f.occupant = Occupant::Other; }) << Reason::NameTaken
                                        << u"n.txt"_s << 0ll << 0ll;
    QTest::newRow("numbering-off-ignores-free-name") << file(u"n"_s) << move << local([](Facts &f) {
        f.occupant = Occupant::Other;
        f.numberedName = u"n_2.txt"_s;
    }) << Reason::NameTaken << u"n.txt"_s << 0ll << 0ll;
    QTest::newRow("same-name") << file(u"report"_s) << rename << local([](Facts &f) {
        f.occupant = Occupant::Source;
        f.sameFolder = true;
    }) << Reason::SameName << QString()
                               << 0ll << 0ll;
    QTest::newRow("case-only-without-case") << file(u"REPORT"_s) << rename << stick([](Facts &f) {
        f.sameFilesystem = true;
        f.occupant = Occupant::Source;
        f.sameFolder = true;
    }) << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("second-link-with-case") << file(u"REPORT"_s) << rename << local([](Facts &f) {
        f.occupant = Occupant::Source;
        f.sameFolder = true;
    }) << Reason::NameTaken << u"REPORT.txt"_s
                                           << 0ll << 0ll;
    QTest::newRow("into-itself") << folder(u"photos"_s) << quick << local([](Facts &f) {
        f.sourceIsFolder = true;
        f.targetInsideSource = true;
    }) << Reason::IntoItself << QString()
                                 << 0ll << 0ll;
    QTest::newRow("folder-across-disks") << folder(u"photos"_s) << move
                                         << across([](Facts &f) { f.sourceIsFolder = true; })
                                         << Reason::FolderAcrossDisks << QString() << 0ll << 0ll;
    QTest::newRow("source-folder-read-only")
        << file(u"n"_s) << move << across([](Facts &f) { f.sourceFolderWritable = false; })
        << Reason::SourceFolderNotWritable << QString() << 0ll << 0ll;

    const auto big = [](Facts &f) {
        f.sourceSize = 5 * kGiB;
        f.sourceAllocated = 5 * kGiB;
        f.maxFileSize = 4 * kGiB - 1;
    };
    QTest::newRow("too-large-for-fat32") << file(u"film"_s) << move << stick(big) << Reason::FileTooLarge << QString()
                                         << 5 * kGiB << 4 * kGiB - 1;
    QTest::newRow("large-within-one-disk")
        << file(u"film"_s) << rename << local(big) << Reason::None << QString() << 0ll << 0ll;
    QTest::newRow("no-room") << file(u"n"_s) << move << across([](Facts &f) {
        f.sourceSize = 3 * kGiB;
        f.sourceAllocated = 3 * kGiB;
        f.freeBytes = kGiB;
    }) << Reason::NotEnoughSpace
                             << QString() << 3 * kGiB << kGiB;
    QTest::newRow("sparse-fits") << file(u"disk"_s) << move << across([](Facts &f) {
        f.sourceSize = 30 * kGiB;
        f.sourceAllocated = kGiB / 2;
        f.freeBytes = kGiB;
    }) << Reason::None << QString()
                                 << 0ll << 0ll;
    QTest::newRow("room-within-one-disk") << file(u"n"_s) << rename << local([](Facts &f) { f.freeBytes = 0; })
                                          << Reason::None << QString() << 0ll << 0ll;
}

void tst_OperationCheck::warns()
{
    QFETCH(Item, item);
    QFETCH(Target, target);
    QFETCH(Facts, facts);
    QFETCH(Reason, reason);
    QFETCH(QString, detail);
    QFETCH(qint64, amount);
    QFETCH(qint64, limit);

    const COperationPlanner::Plan plan = COperationPlanner::plan(item, target);
    const COperationCheck::Warning warning = COperationCheck::check(item, plan, facts);

    QCOMPARE(warning.reason, reason);
    QCOMPARE(warning.detail, detail);
    QCOMPARE(warning.amount, amount);
    QCOMPARE(warning.limit, limit);
    // What needs no file system is known before the probe answers, and never contradicts the full check.
    const COperationCheck::Warning early = COperationCheck::checkName(item, plan);
    QVERIFY(early.ok() || early == warning);
}

QTEST_GUILESS_MAIN(tst_OperationCheck)
#include "tst_OperationCheck.moc"
