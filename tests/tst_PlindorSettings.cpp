// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PlindorSettings.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace
{

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The file's entries as "section/key=value", sorted, with the value exactly as written: escapes and quotes included.
QStringList rawIni(const QString &path)
{
    QStringList entries;
    QString section;
    const QStringList lines = QString::fromUtf8(fileBytes(path)).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.startsWith(u'[') && line.endsWith(u']'))
            section = line.mid(1, line.size() - 2);
        else
            entries.append(section + u'/' + line);
    }
    entries.sort();
    return entries;
}

// Every field a different value, so a mixed-up section or key cannot go unnoticed.
CProfile distinctProfile()
{
    CProfile profile;
    profile.folders = { u"D:\\学习\\2020年上期"_s, u"E:\\a b"_s, u"\\\\server\\share"_s };
    for (std::size_t i = 0; i < profile.links.size(); ++i) {
        const QString n = QString::number(i + 1);
        profile.links[i]
            = { u"F:\\目标"_s + n + u"\\文件夹"_s, u"F:\\目标"_s + n, u"文件夹.x"_s + n, u".x"_s + n, u"文件夹"_s + n };
    }
    for (std::size_t i = 0; i < profile.captions.size(); ++i)
        profile.captions[i] = u"常用"_s + QString::number(i + 1);
    return profile;
}

CProfile uniformProfile(const QString &text)
{
    CProfile profile;
    profile.folders = { text, text };
    for (CButtonLink &link : profile.links)
        link = { text, text, text, text, text };
    profile.captions.fill(text);
    return profile;
}

QStringList asideCopies(const QString &profilePath)
{
    const QFileInfo info(profilePath);
    return info.dir().entryList({ info.fileName() + u".corrupt-*"_s }, QDir::Files | QDir::Hidden);
}

#ifdef Q_OS_LINUX
/// A small tmpfs over a test folder, to make that folder full or read-only for as long as the object lives.
class CScratchVolume
{
public:
    CScratchVolume(const QString &path, int kibibytes)
        : m_path(QFile::encodeName(path))
        , m_options("size=" + QByteArray::number(kibibytes) + 'k')
    {
        if (geteuid() != 0) {
            m_failure = u"mounting needs root"_s;
            return;
        }
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, m_options.constData()) == 0;
        if (!m_mounted)
            m_failure = u"tmpfs mount: "_s + QString::fromLocal8Bit(std::strerror(errno));
    }
    ~CScratchVolume()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    CScratchVolume(const CScratchVolume &) = delete;
    CScratchVolume &operator=(const CScratchVolume &) = delete;

    [[nodiscard]] QString failure() const
    {
        return m_failure;
    }
    bool makeReadOnly()
    {
        return ::mount("tmpfs", m_path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, m_options.constData()) == 0;
    }

private:
    QByteArray m_path;
    QByteArray m_options;
    QString m_failure;
    bool m_mounted = false;
};

bool canCreateFileIn(const QString &folder)
{
    QFile probe(folder + u"/probe"_s);
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.remove();
    return true;
}
#endif

} // namespace

class tst_PlindorSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void roundTripsEveryText_data();
    void roundTripsEveryText();
    void writesHistoricalLayout();
    void placeholderOnlyListRoundTrips();
    void shorterListReplacesLonger();
    void folderCountFromNum_data();
    void folderCountFromNum();
    void handEditedCommaStaysOneValue();
    void optionsReadOnlyWhatTheyKnow_data();
    void optionsReadOnlyWhatTheyKnow();
    void optionsAreSavedAlone();
    void windowPlaceRoundTrips();
    void firstStartIsEmpty_data();
    void firstStartIsEmpty();
    void damagedProfileIsKeptAsideBeforeSave_data();
    void damagedProfileIsKeptAsideBeforeSave();
    void asideCopyNeverOverwritesAnother();
    void everyTruncationLoadsAndSaves();
    void readOnlyFolderKeepsOldProfile();
    void fullDiskKeepsOldProfile_data();
    void fullDiskKeepsOldProfile();
    void hugeJunkProfileLoadsBounded();
    void userProfileLocation();

private:
    [[nodiscard]] QString profilePath() const;
    // Loads a copy under a new name: QSettings shares parsed files within a process, so only a path it has never
    // seen shows what the file itself holds.
    [[nodiscard]] CProfile loadFromDisk(const QString &path);
    bool saveTo(const QString &path, const CProfile &profile);

    QTemporaryDir m_configHome;
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_copies = 0;
};

void tst_PlindorSettings::initTestCase()
{
    QVERIFY(m_configHome.isValid());
    // QSettings reads the configuration folder once, on its first use in the process.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
}

void tst_PlindorSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString tst_PlindorSettings::profilePath() const
{
    return m_dir->filePath(u"t.ini"_s);
}

CProfile tst_PlindorSettings::loadFromDisk(const QString &path)
{
    const QString copy = m_dir->filePath(u"copy-%1.ini"_s.arg(++m_copies));
    if (!QFile::copy(path, copy))
        return CProfile { { u"copy failed"_s }, {}, {} };
    QSettings store(copy, QSettings::IniFormat);
    return CPlindorSettings(store).load();
}

bool tst_PlindorSettings::saveTo(const QString &path, const CProfile &profile)
{
    QSettings store(path, QSettings::IniFormat);
    return CPlindorSettings(store).save(profile);
}

void tst_PlindorSettings::roundTripsEveryText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("chinese") << u"D:\\学习资料\\2020年上期"_s;
    QTest::newRow("outerSpaces") << u"  前后有空格 "_s;
    QTest::newRow("onlySpaces") << u"   "_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("equals") << u"a=b"_s;
    QTest::newRow("semicolon") << u";a;b"_s;
    QTest::newRow("hash") << u"#a#b"_s;
    QTest::newRow("comma") << u"a, b,c"_s;
    QTest::newRow("quotes") << u"\"引号\" 'single' \""_s;
    QTest::newRow("uncPath") << u"\\\\server\\share\\"_s;
    QTest::newRow("driveRoot") << u"C:\\"_s;
    QTest::newRow("escapeLookalikes") << u"\\x41\\n\\t\\0\\\\"_s;
    QTest::newRow("controlChars") << u"line1\nline2\ttab\r\x01"_s;
    QTest::newRow("sectionLookalike") << u"[m_cb5]"_s;
    QTest::newRow("keyLookalike") << u"num=10005"_s;
    QTest::newRow("atByteArray") << u"@ByteArray(x)"_s;
    QTest::newRow("atInvalid") << u"@Invalid()"_s;
    QTest::newRow("atOnly") << u"@"_s;
    QTest::newRow("percent") << u"%41%E4%"_s;
    QTest::newRow("beyondBmp") << u"😀𠀀x"_s;
    QTest::newRow("fullWidthPunctuation") << u"，；＝＃"_s;
}

void tst_PlindorSettings::roundTripsEveryText()
{
    QFETCH(QString, text);
    const CProfile profile = uniformProfile(text);
    QVERIFY(saveTo(profilePath(), profile));
    QCOMPARE(loadFromDisk(profilePath()), profile);
}

void tst_PlindorSettings::writesHistoricalLayout()
{
    CProfile profile;
    profile.folders = { u"D:\\学习"_s, u"E:\\a b"_s, u"F:\\x=y;z"_s };
    profile.links[0] = { u"D:\\学习\\资料"_s, u"D:\\学习"_s, u"资料"_s, QString(), u" 资料"_s };
    profile.captions[0] = u"某某学校"_s;
    profile.captions[5] = u"说\"好\""_s;
    QVERIFY(saveTo(profilePath(), profile));

    QStringList expected = {
        uR"(m_cb5/0=D:\\学习)"_s,
        uR"(m_cb5/1=E:\\a b)"_s,
        uR"(m_cb5/2="F:\\x=y;z")"_s,
        u"m_cb5/num=10003"_s,
        uR"(m_BTdir1/m_filePathName=D:\\学习\\资料)"_s,
        uR"(m_BTdir1/m_filePath=D:\\学习)"_s,
        u"m_BTdir1/m_fileName=资料"_s,
        u"m_BTdir1/m_extend="_s,
        uR"(m_BTdir1/m_Name=" 资料")"_s,
        u"m_bt5/m_filePath=某某学校"_s,
        uR"(m_bt10/m_filePath=说\"好\")"_s,
    };
    for (int n = 2; n <= 5; ++n) {
        for (const char *key : { "m_filePathName", "m_filePath", "m_fileName", "m_extend", "m_Name" })
            expected.append(u"m_BTdir%1/%2="_s.arg(n).arg(QLatin1StringView(key)));
    }
    for (int k = 6; k <= 9; ++k)
        expected.append(u"m_bt%1/m_filePath="_s.arg(k));
    expected << u"Options/keepPieces=false"_s << u"Options/numberOnClash=false"_s << u"Options/quietQuickMove=false"_s
             << u"Options/restoreQueue=true"_s;
    expected.sort();
    QCOMPARE(rawIni(profilePath()), expected);

    QVERIFY(fileBytes(profilePath()).contains(u"某某学校"_s.toUtf8()));
    // The atomic replace leaves no temporary file and a healthy profile gets no aside copy.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList { u"t.ini"_s });
    QCOMPARE(loadFromDisk(profilePath()), profile);
    // The preview's one key is there only while the user keeps the preview hidden.
    profile.previewShown = false;
    QVERIFY(saveTo(profilePath(), profile));
    QVERIFY(rawIni(profilePath()).contains(u"preview/shown=0"_s));
    QCOMPARE(loadFromDisk(profilePath()), profile);
    profile.previewShown = true;
    QVERIFY(saveTo(profilePath(), profile));
    QCOMPARE(rawIni(profilePath()), expected);
}

void tst_PlindorSettings::placeholderOnlyListRoundTrips()
{
    CProfile profile;
    profile.folders = { u"拖入文件夹"_s };
    QVERIFY(saveTo(profilePath(), profile));
    const QStringList folders = { u"m_cb5/0=拖入文件夹"_s, u"m_cb5/num=10001"_s };
    QCOMPARE(rawIni(profilePath()).filter(QRegularExpression(u"^m_cb5/"_s)), folders);
    QCOMPARE(loadFromDisk(profilePath()).folders, profile.folders);
}

void tst_PlindorSettings::shorterListReplacesLonger()
{
    CProfile longer = distinctProfile();
    longer.folders = { u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s };
    QVERIFY(saveTo(profilePath(), longer));

    CProfile shorter = distinctProfile();
    shorter.folders = { u"x"_s, u"y"_s };
    QVERIFY(saveTo(profilePath(), shorter));
    QVERIFY(rawIni(profilePath()).contains(u"m_cb5/num=10002"_s));
    QCOMPARE(loadFromDisk(profilePath()), shorter);

    shorter.folders.clear();
    QVERIFY(saveTo(profilePath(), shorter));
    QVERIFY(rawIni(profilePath()).contains(u"m_cb5/num=10000"_s));
    QCOMPARE(loadFromDisk(profilePath()), shorter);
}

void tst_PlindorSettings::folderCountFromNum_data()
{
    QTest::addColumn<QString>("num");
    QTest::addColumn<int>("count");
    QTest::newRow("missing") << QString() << 0;
    QTest::newRow("empty") << u""_s << 0;
    QTest::newRow("letters") << u"abc"_s << 0;
    QTest::newRow("blanksAndTrailingJunk") << u"  10002xyz"_s << 2;
    QTest::newRow("tabAndNewline") << u"\t\n10001"_s << 1;
    QTest::newRow("plusSign") << u"+10003"_s << 3;
    QTest::newRow("decimalPoint") << u"10002.9"_s << 2;
    QTest::newRow("innerBlank") << u"1 0002"_s << 0;
    QTest::newRow("signAfterBlank") << u"- 10002"_s << 0;
    QTest::newRow("negative") << u"-5"_s << 0;
    QTest::newRow("belowOffset") << u"9999"_s << 0;
    QTest::newRow("offsetOnly") << u"10000"_s << 0;
    QTest::newRow("fullWidthDigits") << u"１０００２"_s << 0;
    QTest::newRow("moreThanStored") << u"10005"_s << 5;
    QTest::newRow("pastIntRange") << u"2147493648"_s << 10000;
    QTest::newRow("manyDigits") << u"99999999999999999999999999"_s << 10000;
    QTest::newRow("veryNegative") << u"-99999999999999999999999999"_s << 0;
    QTest::newRow("intMinimum") << u"-2147483648"_s << 0;
}

void tst_PlindorSettings::folderCountFromNum()
{
    QFETCH(QString, num);
    QFETCH(int, count);
    const QStringList stored = { u"甲"_s, u"乙"_s, u"丙"_s };
    {
        QSettings store(profilePath(), QSettings::IniFormat);
        for (qsizetype i = 0; i < stored.size(); ++i)
            store.setValue(u"m_cb5/"_s + QString::number(i), stored[i]);
        if (!num.isNull())
            store.setValue(u"m_cb5/num"_s, num);
    }
    QStringList expected = stored.mid(0, count);
    while (expected.size() < count)
        expected.append(QString());

    QSettings store(profilePath(), QSettings::IniFormat);
    QCOMPARE(CPlindorSettings(store).load().folders, expected);
}

void tst_PlindorSettings::handEditedCommaStaysOneValue()
{
    QVERIFY(writeBytes(profilePath(), "[m_cb5]\n0=D:\\\\Photos, 2020\nnum=10001\n[m_bt5]\nm_filePath=春, 秋\n"));
    QSettings store(profilePath(), QSettings::IniFormat);
    const CProfile profile = CPlindorSettings(store).load();
    QCOMPARE(profile.folders, QStringList { u"D:\\Photos, 2020"_s });
    QCOMPARE(profile.captions[0], u"春, 秋"_s);
}

void tst_PlindorSettings::optionsReadOnlyWhatTheyKnow_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("keepPieces");
    QTest::addColumn<bool>("restoreQueue");
    QTest::newRow("absent-defaults") << QByteArray() << false << true;
    QTest::newRow("written") << QByteArray("[Options]\nkeepPieces=true\nrestoreQueue=false\n") << true << false;
    QTest::newRow("digits-and-case") << QByteArray("[Options]\nkeepPieces=1\nrestoreQueue= FALSE\n") << true << false;
    QTest::newRow("junk-keeps-defaults") << QByteArray("[Options]\nkeepPieces=yes please\nrestoreQueue=2\n") << false
                                         << true;
}

void tst_PlindorSettings::optionsReadOnlyWhatTheyKnow()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, keepPieces);
    QFETCH(bool, restoreQueue);
    QVERIFY(writeBytes(profilePath(), ini));
    QSettings store(profilePath(), QSettings::IniFormat);
    const CWorkflowOptions options = CPlindorSettings(store).load().options;
    QCOMPARE(options.keepPieces, keepPieces);
    QCOMPARE(options.restoreQueue, restoreQueue);
    QVERIFY(!options.numberOnClash);
    QVERIFY(!options.quietQuickMove);
}

// A switch is written when flipped; the rest of the profile waits for the exit, as it always did.
void tst_PlindorSettings::optionsAreSavedAlone()
{
    CProfile profile;
    profile.folders = { u"/a"_s };
    QVERIFY(saveTo(profilePath(), profile));
    {
        QSettings store(profilePath(), QSettings::IniFormat);
        CPlindorSettings settings(store);
        const CWorkflowOptions flipped { true, true, true, false };
        QVERIFY(settings.saveOptions(flipped));
        profile.options = flipped;
    }
    QCOMPARE(loadFromDisk(profilePath()), profile);
}

// The place is bytes only Qt reads; a hand-edited text in their stead is no place at all.
void tst_PlindorSettings::windowPlaceRoundTrips()
{
    CProfile profile;
    profile.windowGeometry = QByteArray::fromHex("01d9d0cb00033d5b");
    QVERIFY(saveTo(profilePath(), profile));
    QCOMPARE(loadFromDisk(profilePath()), profile);
    {
        QSettings store(profilePath(), QSettings::IniFormat);
        store.setValue(u"window/geometry"_s, u"left of the screen"_s);
    }
    QVERIFY(loadFromDisk(profilePath()).windowGeometry.isEmpty());
}

void tst_PlindorSettings::firstStartIsEmpty_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("writable");
    QTest::newRow("noFile") << u"none"_s << true;
    QTest::newRow("noFolder") << u"folder"_s << true;
    QTest::newRow("emptyFile") << u"empty"_s << true;
    QTest::newRow("blankLines") << u"blank"_s << true;
    QTest::newRow("commentsOnly") << u"comments"_s << true;
    QTest::newRow("otherSectionsOnly") << u"other"_s << true;
    QTest::newRow("folderInItsPlace") << u"directory"_s << false;
    QTest::newRow("unreadable") << u"unreadable"_s << false;
}

void tst_PlindorSettings::firstStartIsEmpty()
{
    QFETCH(QString, kind);
    QFETCH(bool, writable);
    QString path = profilePath();
    const QByteArray unreadable = "[m_cb5]\n0=甲\nnum=10001\n";
    if (kind == u"folder"_s)
        path = m_dir->filePath(u"not/yet/t.ini"_s);
    else if (kind == u"empty"_s)
        QVERIFY(writeBytes(path, {}));
    else if (kind == u"blank"_s)
        QVERIFY(writeBytes(path, "\n\n   \n\r\n"));
    else if (kind == u"comments"_s)
        QVERIFY(writeBytes(path, "; [m_cb5]\n; num=10003\n"));
    else if (kind == u"other"_s)
        QVERIFY(writeBytes(path, "[General]\nm_cb5=x\n[m_cb6]\nnum=10002\n0=a\n"));
    else if (kind == u"directory"_s)
        QVERIFY(QDir().mkpath(path + u"/inside"_s));
    else if (kind == u"unreadable"_s) {
        QVERIFY(writeBytes(path, unreadable));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("permission bits do not stop this user (running as root)");
    }

    QSettings store(path, QSettings::IniFormat);
    CPlindorSettings settings(store);
    QCOMPARE(settings.load(), CProfile {});

    const CProfile profile = distinctProfile();
    QCOMPARE(settings.save(profile), writable);
    if (writable) {
        QCOMPARE(loadFromDisk(path), profile);
    } else if (kind == u"directory"_s) {
        QVERIFY(QFileInfo(path + u"/inside"_s).isDir());
    } else {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(fileBytes(path), unreadable);
    }
}

void tst_PlindorSettings::damagedProfileIsKeptAsideBeforeSave_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<QStringList>("folders");
    QTest::newRow("unclosedSection") << QByteArray("[m_cb5]\n0=甲\nnum=10001\n[m_bt5\nm_filePath=x\n")
                                     << QStringList { u"甲"_s };
    QTest::newRow("strayLineInFolders") << QByteArray("[m_cb5]\n0=甲\nstray line\nnum=10001\n")
                                        << QStringList { u"甲"_s };
    QTest::newRow("strayLineElsewhere") << QByteArray("[m_cb5]\n0=甲\nnum=10001\n[unrelated]\nno equals sign\n")
                                        << QStringList { u"甲"_s };
    static constexpr char binaryJunk[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe[\n";
    QTest::newRow("binaryJunk") << QByteArray(binaryJunk, sizeof binaryJunk - 1) << QStringList();
}

void tst_PlindorSettings::damagedProfileIsKeptAsideBeforeSave()
{
    QFETCH(QByteArray, damaged);
    QFETCH(QStringList, folders);
    QVERIFY(writeBytes(profilePath(), damaged));

    QSettings store(profilePath(), QSettings::IniFormat);
    CPlindorSettings settings(store);
    QCOMPARE(settings.load().folders, folders);
    QVERIFY(asideCopies(profilePath()).isEmpty());

    CProfile profile = distinctProfile();
    QVERIFY(settings.save(profile));
    const QStringList aside = asideCopies(profilePath());
    QCOMPARE(aside.size(), 1);
    QVERIFY2(aside[0].contains(QRegularExpression(u"^t\\.ini\\.corrupt-\\d{8}-\\d{6}$"_s)), qPrintable(aside[0]));
    QCOMPARE(fileBytes(m_dir->filePath(aside[0])), damaged);
    QCOMPARE(loadFromDisk(profilePath()), profile);
    QCOMPARE(CPlindorSettings(store).load(), profile);

    // The store stays in its error state, yet a later save must still report success and make no second copy.
    profile.folders = { u"乙"_s };
    QVERIFY(settings.save(profile));
    QCOMPARE(asideCopies(profilePath()).size(), 1);
    QCOMPARE(loadFromDisk(profilePath()), profile);
}

void tst_PlindorSettings::asideCopyNeverOverwritesAnother()
{
    // Occupy the names of the coming seconds, so the copy is made while its first-choice name is taken.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList decoys;
    for (int s = 0; s < 10; ++s) {
        decoys.append(profilePath() + u".corrupt-"_s + now.addSecs(s).toString(u"yyyyMMdd-hhmmss"_s));
        QVERIFY(writeBytes(decoys.last(), "decoy"));
    }
    const QByteArray damaged = "[m_cb5\n0=甲\n";
    QVERIFY(writeBytes(profilePath(), damaged));

    QSettings store(profilePath(), QSettings::IniFormat);
    CPlindorSettings settings(store);
    QVERIFY(settings.save(distinctProfile()));
    for (const QString &decoy : std::as_const(decoys))
        QCOMPARE(fileBytes(decoy), QByteArray("decoy"));
    QStringList copies = asideCopies(profilePath());
    QCOMPARE(copies.size(), decoys.size() + 1);
    for (const QString &decoy : std::as_const(decoys))
        copies.removeOne(QFileInfo(decoy).fileName());
    QCOMPARE(fileBytes(m_dir->filePath(copies.value(0))), damaged);
}

void tst_PlindorSettings::everyTruncationLoadsAndSaves()
{
    const CProfile full = distinctProfile();
    QVERIFY(saveTo(profilePath(), full));
    const QByteArray bytes = fileBytes(profilePath());
    QVERIFY(bytes.size() > 500);

    // Cuts fall inside headers, keys, escapes and multi-byte characters alike.
    for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
        const QString context = u"cut at byte %1"_s.arg(cut);
        const QString path = m_dir->filePath(u"cut-%1.ini"_s.arg(cut));
        const QByteArray truncated = bytes.left(cut);
        QVERIFY(writeBytes(path, truncated));

        QSettings store(path, QSettings::IniFormat);
        CPlindorSettings settings(store);
        const CProfile loaded = settings.load();
        QVERIFY2(loaded.folders.size() <= full.folders.size(), qPrintable(context));
        QVERIFY2(settings.save(loaded), qPrintable(context));
        QVERIFY2(loadFromDisk(path) == loaded, qPrintable(context));
        const QStringList aside = asideCopies(path);
        QVERIFY2(aside.size() <= 1, qPrintable(context));
        if (!aside.isEmpty())
            QVERIFY2(fileBytes(m_dir->filePath(aside[0])) == truncated, qPrintable(context));
    }
}

void tst_PlindorSettings::readOnlyFolderKeepsOldProfile()
{
#ifdef Q_OS_LINUX
    const QString folder = m_dir->filePath(u"ro"_s);
    QVERIFY(QDir().mkpath(folder));
    // Mode bits do not stop root, a read-only mount does.
    std::unique_ptr<CScratchVolume> volume;
    if (geteuid() == 0) {
        volume = std::make_unique<CScratchVolume>(folder, 1024);
        if (!volume->failure().isEmpty())
            QSKIP(qPrintable(u"cannot make a read-only folder as root: "_s + volume->failure()));
    }
    const QString path = folder + u"/t.ini"_s;
    const CProfile old = distinctProfile();
    QVERIFY(saveTo(path, old));
    const QByteArray before = fileBytes(path);
    if (volume)
        QVERIFY(volume->makeReadOnly());
    else
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto restore
        = qScopeGuard([&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
    if (canCreateFileIn(folder))
        QSKIP("the folder stayed writable");

    QSettings store(path, QSettings::IniFormat);
    CPlindorSettings settings(store);
    QCOMPARE(settings.load(), old);
    CProfile changed = old;
    changed.folders.append(u"新"_s);
    QVERIFY(!settings.save(changed));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { u"t.ini"_s });
#else
    QSKIP("needs Linux mounts or mode bits");
#endif
}

void tst_PlindorSettings::fullDiskKeepsOldProfile_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::newRow("healthy") << QByteArray("[m_cb5]\n0=甲\nnum=10001\n");
    QTest::newRow("damaged") << QByteArray("[m_cb5]\n0=甲\nnum=10001\nstray line\n");
}

void tst_PlindorSettings::fullDiskKeepsOldProfile()
{
#ifdef Q_OS_LINUX
    QFETCH(QByteArray, old);
    const QString folder = m_dir->filePath(u"full"_s);
    QVERIFY(QDir().mkpath(folder));
    CScratchVolume volume(folder, 256);
    if (!volume.failure().isEmpty())
        QSKIP(qPrintable(u"cannot make a full disk: "_s + volume.failure()));
    const QString path = folder + u"/t.ini"_s;
    QVERIFY(writeBytes(path, old));
    // Fill the volume, then free one page: a profile larger than that gets only partly written.
    QFile filler(folder + u"/filler"_s);
    QVERIFY(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(256 * 1024, 'x'));
    filler.close();
    QVERIFY(filler.resize(filler.size() - 4096));

    QSettings store(path, QSettings::IniFormat);
    CPlindorSettings settings(store);
    QCOMPARE(settings.load().folders, QStringList { u"甲"_s });
    CProfile profile = distinctProfile();
    profile.folders.append(QString(4000, u'长'));
    QVERIFY(!settings.save(profile));
    QCOMPARE(fileBytes(path), old);

    // Once there is room again the same store saves.
    QVERIFY(filler.remove());
    QVERIFY(settings.save(profile));
    QCOMPARE(loadFromDisk(path), profile);
#else
    QSKIP("needs Linux mounts");
#endif
}

void tst_PlindorSettings::hugeJunkProfileLoadsBounded()
{
    constexpr qint64 size = 50 * 1024 * 1024;
    {
        std::vector<quint32> junk(size / sizeof(quint32));
        QRandomGenerator(20260101).fillRange(junk.data(), qsizetype(junk.size()));
        QFile file(profilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(reinterpret_cast<const char *>(junk.data()), size), size);
    }

    QElapsedTimer timer;
    timer.start();
    QSettings store(profilePath(), QSettings::IniFormat);
    CPlindorSettings settings(store);
    QCOMPARE(settings.load(), CProfile {});
    QVERIFY2(timer.elapsed() < 60000, qPrintable(u"took %1 ms"_s.arg(timer.elapsed())));

    const CProfile profile = distinctProfile();
    QVERIFY(settings.save(profile));
    QCOMPARE(QFileInfo(m_dir->filePath(asideCopies(profilePath()).value(0))).size(), size);
    QCOMPARE(loadFromDisk(profilePath()), profile);
}

void tst_PlindorSettings::userProfileLocation()
{
    const QString home = m_configHome.path();
    // Organisation-wide values must not leak into the user's own profile.
    QVERIFY(writeBytes(home + u"/Plindor.ini"_s, "[m_bt5]\nm_filePath=fallback\n"));
    QSettings withFallbacks(QSettings::IniFormat, QSettings::UserScope, u"Plindor"_s,
                            QCoreApplication::applicationName());
    QCOMPARE(withFallbacks.value(u"m_bt5/m_filePath"_s).toString(), u"fallback"_s);

    const QString expectedPath = home + u"/Plindor/"_s + QCoreApplication::applicationName() + u".ini"_s;
    QCOMPARE(QCoreApplication::applicationName(), u"tst_PlindorSettings"_s);
    const CProfile profile = distinctProfile();
    {
        const std::unique_ptr<QSettings> store = CPlindorSettings::openUserProfile();
        QCOMPARE(store->fileName(), expectedPath);
        QCOMPARE(store->format(), QSettings::IniFormat);
        QVERIFY(store->isAtomicSyncRequired());
        CPlindorSettings settings(*store);
        QCOMPARE(settings.load(), CProfile {});
        QVERIFY(settings.save(profile));
    }
    QCOMPARE(loadFromDisk(expectedPath), profile);
    const std::unique_ptr<QSettings> reopened = CPlindorSettings::openUserProfile();
    QCOMPARE(CPlindorSettings(*reopened).load(), profile);
}

QTEST_GUILESS_MAIN(tst_PlindorSettings)

#include "tst_PlindorSettings.moc"
