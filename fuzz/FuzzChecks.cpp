// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/FuzzChecks.h"

#include "core/NameComposer.h"
#include "core/PathParts.h"
#include "core/QueueOrder.h"
#include "core/QueueSnapshot.h"
#include "platform/PathIntake.h"
#include "settings/PlindorSettings.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace
{

// Sorting is n log n collations and the pair check n², so both stay small enough for thousands of runs a second.
constexpr qsizetype kMaxQueueItems = 200;
constexpr qsizetype kMaxPairSample = 40;
// The loader's own cap on a damaged folder count.
constexpr qsizetype kMaxFolders = 10000;
// Any fixed instant will do: only the difference between two writes matters.
constexpr qint64 kStampBase = 978307200000; // 2001-01-01

// The text in a form a terminal shows: controls, surrogates and noncharacters as \uXXXX, long texts cut.
QString shown(const QString &text)
{
    constexpr qsizetype limit = 60;
    QString out = u"\""_s;
    for (qsizetype i = 0; i < std::min(text.size(), limit); ++i) {
        const QChar c = text.at(i);
        if (c.isPrint() && c != u'"' && c != u'\\')
            out += c;
        else
            out += u"\\u"_s + QString::number(c.unicode(), 16).rightJustified(4, u'0');
    }
    out += u'"';
    if (text.size() > limit)
        out += u"… ("_s + QString::number(text.size()) + u" chars)"_s;
    return out;
}

QString failure(QStringView what, std::initializer_list<QString> values)
{
    QStringList parts;
    for (const QString &value : values)
        parts << shown(value);
    return what.toString() + u": "_s + parts.join(u", "_s);
}

QString checkName(const QString &name)
{
    const QString extension = CPathParts::extensionOf(name);
    const QString base = CPathParts::baseNameOf(name);
    if (base + extension != name)
        return failure(u"baseNameOf + extensionOf is not the name", { name, base, extension });
    // A dot after the first character starts an extension; a leading dot alone marks a hidden file.
    const bool hasDotAfterStart = name.indexOf(u'.', 1) > 0;
    if (extension.isEmpty() == hasDotAfterStart)
        return failure(u"extensionOf found an extension where there is none, or missed one", { name, extension });
    if (!extension.isEmpty() && (!extension.startsWith(u'.') || extension.count(u'.') != 1))
        return failure(u"the extension does not start at the last dot", { name, extension });
    return {};
}

QString checkPath(const QString &path)
{
    const QString directory = CPathParts::directoryOf(path);
    const QString last = CPathParts::lastComponentOf(path);
    if (last.contains(u'/'))
        return failure(u"lastComponentOf kept a separator", { path, last });
    const bool hasSeparator = path.contains(u'/');
    if (hasSeparator && CPathParts::join(directory, last) != path)
        return failure(u"join(directoryOf, lastComponentOf) is not the path", { path, directory, last });
    if (hasSeparator == directory.isEmpty())
        return failure(u"directoryOf found no folder beside a separator, or one without", { path, directory });
    // An entry directly under the root has the root as its folder, never an empty one.
    if (!hasSeparator && CPathParts::directoryOf(u'/' + path) != u"/"_s)
        return failure(u"directoryOf missed the root", { path });
    if (const QString error = checkName(last); !error.isEmpty())
        return error;
    return checkName(path);
}

QString checkJoin(const QString &folder, const QString &name)
{
    const QString joined = CPathParts::join(folder, name);
    // Only a folder that already ends in a separator goes without a new one.
    const QString separator = folder.endsWith(u'/') ? QString() : u"/"_s;
    if (joined != folder + separator + name)
        return failure(u"join did not put one separator between folder and name", { folder, name, joined });
    const bool plainName = !name.contains(u'/');
    if (plainName
        && (CPathParts::lastComponentOf(joined) != name
            || CPathParts::join(CPathParts::directoryOf(joined), name) != joined))
        return failure(u"a joined path does not split back into its parts", { folder, name, joined });
    if (plainName && !separator.isEmpty() && !folder.isEmpty() && CPathParts::directoryOf(joined) != folder)
        return failure(u"a joined path does not give its folder back", { folder, name, joined });
    if (CPathParts::join(QDir::rootPath(), name) != QDir::rootPath() + name)
        return failure(u"join doubled the root's separator", { name });
    return {};
}

QString checkCompose(const QString &prefix, const QString &name, const QString &suffix)
{
    const QString prefixHolder = CNameComposer::prefixPlaceholder();
    const QString suffixHolder = CNameComposer::suffixPlaceholder();
    const QString composed = CNameComposer::compose(prefix, name, suffix);
    const auto used = [](const QString &text) { return CNameComposer::isEditPlaceholder(text) ? QString() : text; };
    if (composed != used(prefix) + used(name) + used(suffix))
        return failure(u"compose did not strip exactly the placeholders", { prefix, name, suffix, composed });
    if (CNameComposer::compose(prefixHolder, name, suffixHolder) != used(name))
        return failure(u"compose kept a placeholder", { name });
    // A placeholder with anything typed next to it is ordinary text.
    if (!prefix.isEmpty()) {
        const QString typed = CNameComposer::compose(prefixHolder + prefix, name, prefix + suffixHolder);
        if (typed != prefixHolder + prefix + used(name) + prefix + suffixHolder)
            return failure(u"compose stripped a placeholder that had more text", { prefix, name, typed });
    }
    // No edit's placeholder is ever part of a name, whichever edit shows it.
    const QString nameHolder = CNameComposer::namePlaceholder();
    if (!CNameComposer::compose(suffixHolder, nameHolder, prefixHolder).isEmpty())
        return failure(u"compose kept the placeholders", {});
    return {};
}

QString checkInsertOnce(const QString &text, const QString &name)
{
    const QString inserted = CNameComposer::insertOnce(text, name);
    if (!inserted.contains(text) || !inserted.contains(name))
        return failure(u"insertOnce lost the text or the name", { text, name, inserted });
    if (inserted != (name.contains(text) ? name : text + name))
        return failure(u"insertOnce changed a name that held the text, or did not put it in front", { text, name });
    if (CNameComposer::insertOnce(text, inserted) != inserted)
        return failure(u"a second insertOnce changed the name again", { text, name, inserted });
    return {};
}

QString checkNoFolder(const QString &text)
{
    const QString holder = CNameComposer::folderPlaceholder();
    if (CNameComposer::isNoFolder(text) != (text.isEmpty() || text == holder))
        return failure(u"isNoFolder misjudged", { text });
    if (!text.isEmpty() && (CNameComposer::isNoFolder(text + holder) || CNameComposer::isNoFolder(holder + text)))
        return failure(u"isNoFolder took a folder name holding the placeholder for none", { text });
    return {};
}

bool hasUnpairedSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            return true;
    }
    return false;
}

// Every text of the profile with a name to report it by.
QList<std::pair<QString, QString>> profileTexts(const CProfile &profile)
{
    QList<std::pair<QString, QString>> texts;
    for (qsizetype i = 0; i < profile.folders.size(); ++i)
        texts.append({ u"folder %1"_s.arg(i), profile.folders[i] });
    for (std::size_t i = 0; i < profile.links.size(); ++i) {
        const CButtonLink &link = profile.links[i];
        const QString button = u"link %1 "_s.arg(i + 1);
        texts.append({ button + u"filePathName"_s, link.filePathName });
        texts.append({ button + u"filePath"_s, link.filePath });
        texts.append({ button + u"fileName"_s, link.fileName });
        texts.append({ button + u"extend"_s, link.extend });
        texts.append({ button + u"name"_s, link.name });
    }
    for (std::size_t i = 0; i < profile.captions.size(); ++i)
        texts.append({ u"caption %1"_s.arg(i + 1), profile.captions[i] });
    return texts;
}

bool hasUnpairedSurrogate(const CProfile &profile)
{
    const QList<std::pair<QString, QString>> texts = profileTexts(profile);
    return std::any_of(texts.cbegin(), texts.cend(),
                       [](const auto &text) { return hasUnpairedSurrogate(text.second); });
}

// The profile file is UTF-8, which has no form for an unpaired surrogate. Only a hand-written escape such as
// "\\xdc00" loads one on Linux, and such a text names no file there. QSettings writes U+FFFD for it, and Qt 6.4 even
// writes that late, after the escapes that follow, so such a text may change in its first save: it only has to come
// back valid. Every other text must come back exactly.
QString profileDifference(const CProfile &expected, const CProfile &actual)
{
    if (expected == actual)
        return {};
    if (expected.folders.size() != actual.folders.size())
        return u"folder count %1 became %2"_s.arg(expected.folders.size()).arg(actual.folders.size());
    const QList<std::pair<QString, QString>> before = profileTexts(expected);
    const QList<std::pair<QString, QString>> after = profileTexts(actual);
    for (qsizetype i = 0; i < before.size(); ++i) {
        const QString &was = before[i].second;
        const QString &is = after[i].second;
        if (hasUnpairedSurrogate(was) ? hasUnpairedSurrogate(is) : was != is)
            return failure(QString(before[i].first + u" changed"_s), { was, is });
    }
    return {};
}

} // namespace

CFuzzChecks::CFuzzChecks(QString scratchFolder)
    : m_scratch(std::move(scratchFolder))
{
}

CFuzzChecks::~CFuzzChecks() = default;

QStringList CFuzzChecks::targets()
{
    return { u"PathParts"_s, u"NameComposer"_s, u"QueueOrder"_s, u"QueueFile"_s, u"ProfileLoad"_s, u"UriList"_s };
}

QString CFuzzChecks::check(const QString &target, QByteArrayView input)
{
    if (target == "PathParts"_L1)
        return pathParts(input);
    if (target == "NameComposer"_L1)
        return nameComposer(input);
    if (target == "QueueOrder"_L1)
        return queueOrder(input);
    if (target == "QueueFile"_L1)
        return queueFile(input);
    if (target == "ProfileLoad"_L1)
        return profileLoad(input);
    if (target == "UriList"_L1)
        return uriList(input);
    return u"no fuzz target is called "_s + target;
}

QStringList CFuzzChecks::decodeStrings(QByteArrayView input)
{
    if (input.isEmpty())
        return {};
    const QByteArrayView rest = input.sliced(1);
    if ((static_cast<uchar>(input.front()) & 1) == 0) {
        QStringList strings;
        qsizetype start = 0;
        for (qsizetype end; (end = rest.indexOf('\xff', start)) >= 0; start = end + 1)
            strings << QString::fromUtf8(rest.sliced(start, end - start));
        strings << QString::fromUtf8(rest.sliced(start));
        return strings;
    }
    // Built unit by unit: the bytes need not be aligned for char16_t, and a trailing odd byte is dropped.
    QString text(rest.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto low = static_cast<uchar>(rest[2 * i]);
        const auto high = static_cast<uchar>(rest[2 * i + 1]);
        text[i] = QChar(static_cast<char16_t>(low | high << 8));
    }
    return text.split(QChar(0xffff));
}

int CFuzzChecks::abortOn(const QString &error)
{
    if (error.isEmpty())
        return 0;
    std::fprintf(stderr, "invariant violated: %s\n", qUtf8Printable(error));
    std::abort();
}

QString CFuzzChecks::pathParts(QByteArrayView input)
{
    const QStringList strings = decodeStrings(input);
    for (qsizetype i = 0; i < strings.size(); ++i) {
        if (const QString error = checkPath(strings[i]); !error.isEmpty())
            return error;
        if (const QString error = checkJoin(strings[i], strings[(i + 1) % strings.size()]); !error.isEmpty())
            return error;
    }
    return {};
}

QString CFuzzChecks::nameComposer(QByteArrayView input)
{
    const QStringList strings = decodeStrings(input);
    for (qsizetype i = 0; i < strings.size(); ++i) {
        const QString &first = strings[i];
        const QString &second = strings[(i + 1) % strings.size()];
        const QString &third = strings[(i + 2) % strings.size()];
        for (const QString &error : { checkCompose(first, second, third), checkInsertOnce(first, second),
                                      checkInsertOnce(second, first), checkNoFolder(first) }) {
            if (!error.isEmpty())
                return error;
        }
    }
    return {};
}

QString CFuzzChecks::queueFile(QByteArrayView input)
{
    static const CQueueOrder order;
    quint64 generation = 0;
    std::optional<CQueueSnapshot> read = CQueueSnapshot::read(input.toByteArray(), generation);
    if (!read)
        return {};
    // Whatever the file holds, the rows a start makes of it are in the order every merge relies on, each path once.
    const CQueueOrder::Entries entries = read->entries(order);
    for (qsizetype row = 0; row + 1 < entries.size(); ++row) {
        if (!CQueueOrder::lessThan(entries.key(row), entries.path(row), entries.key(row + 1), entries.path(row + 1)))
            return failure(u"a queue file gave rows out of order"_s,
                           { entries.path(row).toString(), entries.path(row + 1).toString() });
    }
    // Written again, it reads back as the same queue; taking a path off leaves the others.
    QBuffer again;
    quint64 generationAgain = 0;
    if (!again.open(QIODevice::WriteOnly)
        || !CQueueSnapshot::of(entries, order.keysIdentity()).write(again, generation))
        return u"a queue file could not be written again"_s;
    const std::optional<CQueueSnapshot> back = CQueueSnapshot::read(again.data(), generationAgain);
    if (!back || generationAgain != generation || back->entries(order).paths() != entries.paths())
        return u"a queue file written again reads back otherwise"_s;
    if (entries.size() > 0) {
        read->remove({ entries.path(0).toString() });
        if (read->entries(order).paths() != entries.paths().mid(1))
            return failure(u"taking a path off a queue file changed the others"_s, { entries.path(0).toString() });
    }
    return {};
}

QString CFuzzChecks::queueOrder(QByteArrayView input)
{
    // Opening a collator costs more than most checks, and the order holds no state between calls.
    static const CQueueOrder order;
    QStringList items = decodeStrings(input);
    items.removeDuplicates();
    if (items.size() > kMaxQueueItems)
        items.resize(kMaxQueueItems);
    const QStringList sorted = order.sorted(items);

    QStringList before = items;
    QStringList after = sorted;
    before.sort();
    after.sort();
    if (before != after)
        return u"sorted() is no permutation of its input"_s;
    for (qsizetype i = 0; i + 1 < sorted.size(); ++i) {
        if (!order.lessThan(sorted[i], sorted[i + 1]))
            return failure(u"sorted() disagrees with lessThan()"_s, { sorted[i], sorted[i + 1] });
    }
    // Checking every pair of a sorted sample proves lessThan() irreflexive, asymmetric, transitive and, as the
    // tie-break promises for distinct paths, total there.
    const qsizetype step = std::max<qsizetype>(1, sorted.size() / kMaxPairSample);
    QStringList sample;
    for (qsizetype i = 0; i < sorted.size(); i += step)
        sample << sorted[i];
    for (qsizetype i = 0; i < sample.size(); ++i) {
        if (order.lessThan(sample[i], sample[i]))
            return failure(u"lessThan() is not irreflexive"_s, { sample[i] });
        for (qsizetype j = i + 1; j < sample.size(); ++j) {
            if (!order.lessThan(sample[i], sample[j]) || order.lessThan(sample[j], sample[i]))
                return failure(u"lessThan() is no strict total order"_s, { sample[i], sample[j] });
        }
    }

    QStringList even;
    QStringList odd;
    for (qsizetype i = 0; i < items.size(); ++i)
        (i % 2 == 0 ? even : odd) << items[i];
    if (order.merged(order.sorted(even), order.sorted(odd)) != sorted)
        return u"merged() of two sorted halves differs from sorting them together"_s;
    return {};
}

QString CFuzzChecks::uriList(QByteArrayView input)
{
    // The drop is read from the drag's bytes directly; it must take exactly what reading them through Qt's URLs
    // takes, which QMimeData does as soon as it is given the bytes.
    QMimeData mime;
    mime.setData(u"text/uri-list"_s, input.toByteArray());
    const QList<QUrl> urls = mime.urls();
    const CPathIntake::Batch expected = CPathIntake::fromUrls(urls);
    const CPathIntake::Batch taken = CPathIntake::fromUriList(input);
    for (const auto &[what, got, wanted] : { std::tuple(u"path"_s, taken.paths, expected.paths),
                                             std::tuple(u"refused name"_s, taken.undecodable, expected.undecodable) }) {
        for (qsizetype i = 0; i < std::max(got.size(), wanted.size()); ++i) {
            if (got.value(i) != wanted.value(i))
                return failure(QString(u"fromUriList() differs from QUrl at "_s + what + u' ' + QString::number(i)),
                               { got.value(i), wanted.value(i) });
        }
    }
    const bool local = std::any_of(urls.cbegin(), urls.cend(), &CPathIntake::isLocalFileUrl);
    if (CPathIntake::hasFileUrl(input) != local)
        return u"hasFileUrl() says %1, QUrl says %2"_s.arg(!local).arg(local);
    if (CPathIntake::lineCount(input) < urls.size())
        return u"lineCount() counts fewer lines than there are URLs"_s;
    return {};
}

QString CFuzzChecks::profileLoad(QByteArrayView input)
{
    const QString source = m_scratch + u"/profile.ini"_s;
    if (!writeFresh(source, input))
        return u"cannot write "_s + source;

    QSettings store(source, QSettings::IniFormat);
    CPlindorSettings settings(store);
    const bool damaged = store.status() != QSettings::NoError;
    const CProfile loaded = settings.load();
    if (loaded.folders.size() > kMaxFolders)
        return u"loaded %1 folders"_s.arg(loaded.folders.size());

    // Saved into a file of its own and read back, the profile must come back unchanged.
    CProfile reloaded;
    if (const QString error = saveIntoNewFile(loaded, reloaded); !error.isEmpty())
        return error;
    if (const QString difference = profileDifference(loaded, reloaded); !difference.isEmpty())
        return u"saved into a new file and loaded again, "_s + difference;
    // A text that could not be stored as it was must at least be stored faithfully from then on.
    if (hasUnpairedSurrogate(loaded)) {
        CProfile again;
        if (const QString error = saveIntoNewFile(reloaded, again); !error.isEmpty())
            return error;
        if (again != reloaded)
            return u"saved a second time and loaded again, "_s + profileDifference(reloaded, again);
    }

    // Saved over the file it came from, as the program does at exit, a damaged original must be kept aside unchanged.
    const bool saved = settings.save(loaded);
    const QStringList aside
        = QDir(m_scratch).entryList({ u"profile.ini.corrupt-*"_s }, QDir::Files | QDir::Hidden | QDir::System);
    QString asideError;
    if (aside.size() != (damaged ? 1 : 0))
        asideError
            = u"%1 copies kept aside of a %2 profile"_s.arg(aside.size()).arg(damaged ? u"damaged"_s : u"sound"_s);
    else if (damaged) {
        QFile asideFile(m_scratch + u'/' + aside.constFirst());
        if (!asideFile.open(QIODevice::ReadOnly) || asideFile.readAll() != input)
            asideError = u"the copy kept aside differs from the damaged profile"_s;
    }
    removeAsideCopies();
    if (!saved)
        return u"save() over the loaded file failed"_s;
    if (!asideError.isEmpty())
        return asideError;
    if (!touchFresh(source))
        return u"cannot touch "_s + source;
    QSettings reread(source, QSettings::IniFormat);
    if (const QString difference = profileDifference(loaded, CPlindorSettings(reread).load()); !difference.isEmpty())
        return u"saved over its file and loaded again, "_s + difference;
    return {};
}

QString CFuzzChecks::saveIntoNewFile(const CProfile &profile, CProfile &reloaded)
{
    const QString path = m_scratch + u"/saved.ini"_s;
    QFile::remove(path);
    {
        QSettings store(path, QSettings::IniFormat);
        if (!CPlindorSettings(store).save(profile))
            return u"save() into a new file failed"_s;
    }
    if (!touchFresh(path))
        return u"cannot touch "_s + path;
    QSettings store(path, QSettings::IniFormat);
    reloaded = CPlindorSettings(store).load();
    return {};
}

// QSettings keeps each parsed file in a process-wide cache and re-reads it only when its size or modification
// time changed. Input after input goes to the same path, often within one millisecond and at the same size, so
// every write gets a modification time of its own.
bool CFuzzChecks::writeFresh(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush()
        && file.setFileTime(QDateTime::fromMSecsSinceEpoch(kStampBase + ++m_generation, Qt::UTC),
                            QFileDevice::FileModificationTime);
}

bool CFuzzChecks::touchFresh(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        && file.setFileTime(QDateTime::fromMSecsSinceEpoch(kStampBase + ++m_generation, Qt::UTC),
                            QFileDevice::FileModificationTime);
}

void CFuzzChecks::removeAsideCopies()
{
    QDir scratch(m_scratch);
    const QStringList aside
        = scratch.entryList({ u"profile.ini.corrupt-*"_s }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : aside)
        scratch.remove(name);
}
