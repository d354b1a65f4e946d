// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PlindorSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace
{

constexpr auto kFolderSection = "m_cb5"_L1;
constexpr auto kFolderCountKey = "num"_L1;
constexpr auto kCaptionKey = "m_filePath"_L1;
constexpr auto kPreviewSection = "preview"_L1;
constexpr auto kPreviewShownKey = "shown"_L1;
constexpr auto kWindowSection = "window"_L1;
constexpr auto kWindowGeometryKey = "geometry"_L1;
// "num" holds the folder count plus this, so that a missing value (read as 0) gives no folders.
constexpr qint64 kFolderCountOffset = 10000;
// A damaged "num" must not make the loader append billions of empty items.
constexpr qint64 kMaxFolders = 10000;
// The six caption sections are "m_bt5" … "m_bt10", numbered after the identifiers of long ago.
constexpr int kFirstCaptionSection = 5;

struct LinkField {
    QLatin1StringView key;
    QString CButtonLink::*member;
};

constexpr auto kOptionSection = "Options"_L1;

struct OptionField {
    QLatin1StringView key;
    bool CWorkflowOptions::*member;
};

constexpr std::array<OptionField, 4> kOptionFields { {
    { "keepPieces"_L1, &CWorkflowOptions::keepPieces },
    { "numberOnClash"_L1, &CWorkflowOptions::numberOnClash },
    { "quietQuickMove"_L1, &CWorkflowOptions::quietQuickMove },
    { "restoreQueue"_L1, &CWorkflowOptions::restoreQueue },
} };

constexpr std::array<LinkField, 5> kLinkFields { {
    { "m_filePathName"_L1, &CButtonLink::filePathName },
    { "m_filePath"_L1, &CButtonLink::filePath },
    { "m_fileName"_L1, &CButtonLink::fileName },
    { "m_extend"_L1, &CButtonLink::extend },
    { "m_Name"_L1, &CButtonLink::name },
} };

QString linkSection(std::size_t button)
{
    return "m_BTdir"_L1 + QString::number(button + 1);
}

QString captionSection(std::size_t button)
{
    return "m_bt"_L1 + QString::number(button + kFirstCaptionSection);
}

QString keyPath(QAnyStringView section, QAnyStringView key)
{
    return section.toString() + u'/' + key.toString();
}

QString readText(const QSettings &store, QAnyStringView section, QAnyStringView key)
{
    const QVariant value = store.value(keyPath(section, key));
    // An unquoted comma in a hand-edited INI line makes QSettings return a list, which toString() would empty.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(", "_L1);
    return value.toString();
}

bool isCWhiteSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// Reads "num" the way the C runtime's integer conversion does: leading blanks, a sign, then digits up to the
// first non-digit, 0 when there are none. Trailing junk such as "10002xyz" still counts as 10002.
qint64 leadingInteger(QStringView text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isCWhiteSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    // Saturating keeps a long run of digits from overflowing; the count is capped far below this anyway.
    constexpr qint64 saturation = qint64(1) << 40;
    qint64 magnitude = 0;
    for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos)
        magnitude = std::min(saturation, magnitude * 10 + (text[pos].unicode() - u'0'));
    return negative ? -magnitude : magnitude;
}

// Only "true" and "false" (and 1 and 0) are read; anything else, a hand-edited typo say, keeps the default.
CWorkflowOptions readOptions(const QSettings &store)
{
    CWorkflowOptions options;
    for (const OptionField &field : kOptionFields) {
        const QString text = readText(store, kOptionSection, field.key).trimmed().toLower();
        if (text == "true"_L1 || text == "1"_L1)
            options.*field.member = true;
        else if (text == "false"_L1 || text == "0"_L1)
            options.*field.member = false;
    }
    return options;
}

void writeOptions(QSettings &store, const CWorkflowOptions &options)
{
    for (const OptionField &field : kOptionFields)
        store.setValue(keyPath(kOptionSection, field.key), options.*field.member ? u"true"_s : u"false"_s);
}

qint64 storedFolderCount(const QSettings &store)
{
    const qint64 count = leadingInteger(readText(store, kFolderSection, kFolderCountKey)) - kFolderCountOffset;
    return std::clamp(count, qint64(0), kMaxFolders);
}

bool isFileBacked(const QSettings &store)
{
#ifdef Q_OS_WIN
    return store.format() != QSettings::NativeFormat;
#else
    Q_UNUSED(store);
    return true;
#endif
}

qint64 textSize(const CProfile &profile)
{
    qint64 size = 0;
    for (const QString &folder : profile.folders)
        size += folder.size();
    for (const CButtonLink &link : profile.links) {
        for (const LinkField &field : kLinkFields)
            size += (link.*field.member).size();
    }
    for (const QString &caption : profile.captions)
        size += caption.size();
    return size;
}

// QFile counts a write as done once some of its bytes got through, so on a nearly full disk QSettings commits a
// truncated profile over the good one and reports success. Refusing while space is short is the defence left.
bool hasRoomToSave(const QString &fileName, const CProfile &profile, bool withAsideCopy)
{
    const QFileInfo file(fileName);
    // The profile's folder may not exist yet; its nearest existing ancestor is on the volume that counts.
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder)) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    const QStorageInfo volume(folder);
    if (!volume.isValid() || volume.bytesAvailable() < 0)
        return true;
    // Escaped UTF-8 takes at most four bytes per character; the rest is margin for keys, other sections and blocks.
    constexpr qint64 margin = 64 * 1024;
    const qint64 oldSize = file.exists() ? file.size() : 0;
    const qint64 needed = 4 * textSize(profile) + oldSize * (withAsideCopy ? 2 : 1) + margin;
    return volume.bytesAvailable() >= needed;
}

// Copies rather than renames, so that the store's parsed view still matches the file it replaces.
bool keepAside(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return true;
    const QString stem = fileName + ".corrupt-"_L1 + QDateTime::currentDateTime().toString(u"yyyyMMdd-hhmmss"_s);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString aside = attempt == 1 ? stem : stem + u'-' + QString::number(attempt);
        if (QFile::copy(fileName, aside))
            return true;
        // QFile::copy never overwrites; only a name already taken is worth another attempt.
        if (!QFileInfo::exists(aside))
            return false;
    }
    return false;
}

bool writeProfile(QSettings &store, const CProfile &profile)
{
    for (qsizetype i = 0; i < profile.folders.size(); ++i)
        store.setValue(keyPath(kFolderSection, QString::number(i)), profile.folders[i]);
    store.setValue(keyPath(kFolderSection, kFolderCountKey),
                   QString::number(profile.folders.size() + kFolderCountOffset));
    for (std::size_t button = 0; button < profile.links.size(); ++button) {
        const QString section = linkSection(button);
        for (const LinkField &field : kLinkFields)
            store.setValue(keyPath(section, field.key), profile.links[button].*field.member);
    }
    for (std::size_t button = 0; button < profile.captions.size(); ++button)
        store.setValue(keyPath(captionSection(button), kCaptionKey), profile.captions[button]);
    // Written only while the preview is hidden: a profile otherwise keeps the sections it always had.
    if (profile.previewShown)
        store.remove(keyPath(kPreviewSection, kPreviewShownKey));
    else
        store.setValue(keyPath(kPreviewSection, kPreviewShownKey), u"0"_s);
    writeOptions(store, profile.options);
    if (!profile.windowGeometry.isEmpty())
        store.setValue(keyPath(kWindowSection, kWindowGeometryKey), profile.windowGeometry);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace

CPlindorSettings::CPlindorSettings(QSettings &store)
    : m_store(store)
{
    // QSettings parses sections lazily and silently drops unparsable lines on its next write; parsing them all now
    // makes any damage show in status() while the original file is still there to be kept.
    m_store.childGroups();
    m_keepAsideBeforeSave = isFileBacked(m_store) && m_store.status() != QSettings::NoError;
}

CPlindorSettings::~CPlindorSettings() = default;

std::unique_ptr<QSettings> CPlindorSettings::openUserProfile()
{
#ifdef Q_OS_WIN
    constexpr auto format = QSettings::NativeFormat;
#else
    constexpr auto format = QSettings::IniFormat;
#endif
    auto store
        = std::make_unique<QSettings>(format, QSettings::UserScope, u"Plindor"_s, QCoreApplication::applicationName());
    // Only the user's own profile counts; organisation-wide or system defaults were never part of it.
    store->setFallbacksEnabled(false);
    // Each save writes a new file and renames it over the old one: a crash in the middle of a save, which now comes
    // with every change, leaves the whole profile before it, never half of one. (Qt's default, required here.)
    store->setAtomicSyncRequired(true);
    return store;
}

CProfile CPlindorSettings::load()
{
    CProfile profile;
    const qint64 count = storedFolderCount(m_store);
    profile.folders.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        profile.folders.append(readText(m_store, kFolderSection, QString::number(i)));
    for (std::size_t button = 0; button < profile.links.size(); ++button) {
        const QString section = linkSection(button);
        for (const LinkField &field : kLinkFields)
            profile.links[button].*field.member = readText(m_store, section, field.key);
    }
    for (std::size_t button = 0; button < profile.captions.size(); ++button)
        profile.captions[button] = readText(m_store, captionSection(button), kCaptionKey);
    // Shown unless the user hid it: a profile from before the preview shows it.
    profile.previewShown = readText(m_store, kPreviewSection, kPreviewShownKey).trimmed() != u"0"_s;
    profile.options = readOptions(m_store);
    // A hand-edited text instead of the saved bytes reads as no place, which restoreGeometry() refuses.
    const QVariant geometry = m_store.value(keyPath(kWindowSection, kWindowGeometryKey));
    if (geometry.typeId() == QMetaType::QByteArray)
        profile.windowGeometry = geometry.toByteArray();
    return profile;
}

bool CPlindorSettings::save(const CProfile &profile)
{
    if (isFileBacked(m_store) && !hasRoomToSave(m_store.fileName(), profile, m_keepAsideBeforeSave))
        return false;
    if (m_keepAsideBeforeSave) {
        if (!keepAside(m_store.fileName()))
            return false;
        m_keepAsideBeforeSave = false;
    }
    if (m_store.status() == QSettings::NoError)
        return writeProfile(m_store, profile);
    // status() keeps the first error for the store's whole life, so only a store of its own can tell whether this
    // write worked. Both share QSettings' per-file cache, so the caller's store sees the new values too.
    QSettings writer(m_store.fileName(), m_store.format());
    return writeProfile(writer, profile);
}

bool CPlindorSettings::saveOptions(const CWorkflowOptions &options)
{
    // A damaged file is kept aside by the full save at exit; until then it is not written piecemeal.
    if (m_keepAsideBeforeSave || m_store.status() != QSettings::NoError)
        return false;
    writeOptions(m_store, options);
    m_store.sync();
    return m_store.status() == QSettings::NoError;
}
