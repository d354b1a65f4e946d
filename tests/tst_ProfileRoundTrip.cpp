// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/WindowTest.h"

#include <QDir>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

/// What the user set up survives leaving and starting again, through the window itself.
class tst_ProfileRoundTrip : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartShowsBuiltInCaptions();
    void foldersLinksAndCaptionsSurviveARestart();
    void placeholderOnlyListIsKeptWithoutASecondPlaceholder();
    void storedDefaultLabelKeepsTheBuiltInCaption();
    void failedSaveIsReported();
    void setupIsOnDiskWithoutLeaving();

private:
    static QStringList entries(const QComboBox *combo);
    QTemporaryDir m_files;
};

QStringList tst_ProfileRoundTrip::entries(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

void tst_ProfileRoundTrip::firstStartShowsBuiltInCaptions()
{
    CDialogFixture f;
    const QStringList texts { u"示例学校"_s, u"物理备课组"_s, u"278班"_s, u"高一"_s, u"高二"_s, u"高三"_s };
    for (int k = 0; k < 6; ++k)
        QCOMPARE(f.button(IDC_BTN_TEXT1 + k)->text(), texts.at(k));
    for (int k = 0; k < 5; ++k)
        QCOMPARE(f.button(IDC_BTN_DIR1 + k)->text(), u"拖入目标文件夹%1"_s.arg(k + 1));
    QCOMPARE(entries(f.combo(IDC_COMBO_TARGET_DIR)), QStringList { u"拖入文件夹"_s });
}

void tst_ProfileRoundTrip::foldersLinksAndCaptionsSurviveARestart()
{
    const QStringList folders { u"期末 试卷"_s, u"作业=2026;#1"_s, u"Photos"_s };
    for (const QString &folder : folders)
        QVERIFY(QDir(m_files.path()).mkpath(folder));
    QVERIFY(QDir(m_files.path()).mkpath(u"班级/278班"_s));
    QFile inside(m_files.filePath(u"班级/278班/名单.xlsx"_s));
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.close();

    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ inside.fileName() }));
    for (const QString &folder : folders) {
        f.prompter().folderAnswers << m_files.filePath(folder);
        f.click(IDC_BTN_ADD_DIR);
    }
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR2), { inside.fileName() }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_TEXT4), { m_files.filePath(u"Photos"_s) }));
    const CMyButton *linked = f.dropButton(IDC_BTN_DIR2);
    const QStringList link { linked->m_filePathName, linked->m_filePath, linked->m_fileName, linked->m_Name };

    QVERIFY(f.restart());
    QStringList expected;
    for (const QString &folder : folders)
        expected << QDir::toNativeSeparators(m_files.filePath(folder));
    QCOMPARE(entries(f.combo(IDC_COMBO_TARGET_DIR)), expected);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->currentIndex(), 0);
    const CMyButton *restored = f.dropButton(IDC_BTN_DIR2);
    QCOMPARE(restored->text(), u"278班"_s);
    QCOMPARE((QStringList { restored->m_filePathName, restored->m_filePath, restored->m_fileName, restored->m_Name }),
             link);
    QCOMPARE(f.button(IDC_BTN_TEXT4)->text(), u"Photos"_s);
    QCOMPARE(f.button(IDC_BTN_DIR1)->text(), u"拖入目标文件夹1"_s);

    QSettings stored(f.profilePath(), QSettings::IniFormat);
    QCOMPARE(stored.value(u"m_cb5/num"_s).toString(), u"10003"_s);
    QCOMPARE(stored.value(u"m_BTdir2/m_Name"_s).toString(), u"278班"_s);
    QCOMPARE(stored.value(u"m_bt8/m_filePath"_s).toString(), u"Photos"_s);
}

void tst_ProfileRoundTrip::placeholderOnlyListIsKeptWithoutASecondPlaceholder()
{
    CDialogFixture f;
    QVERIFY(f.restart());
    QVERIFY(f.restart());
    QCOMPARE(entries(f.combo(IDC_COMBO_TARGET_DIR)), QStringList { u"拖入文件夹"_s });
    QSettings stored(f.profilePath(), QSettings::IniFormat);
    QCOMPARE(stored.value(u"m_cb5/num"_s).toString(), u"10001"_s);
}

void tst_ProfileRoundTrip::storedDefaultLabelKeepsTheBuiltInCaption()
{
    CDialogFixture f;
    QVERIFY(f.restart([&f, this] {
        QSettings stored(f.profilePath(), QSettings::IniFormat);
        stored.setValue(u"m_BTdir3/m_Name"_s, u"拖入目标文件夹3"_s);
        stored.setValue(u"m_BTdir4/m_Name"_s, u"Docs"_s);
        stored.setValue(u"m_BTdir4/m_filePath"_s, m_files.path());
    }));
    QCOMPARE(f.button(IDC_BTN_DIR3)->text(), u"拖入目标文件夹3"_s);
    QCOMPARE(f.button(IDC_BTN_DIR4)->text(), u"Docs"_s);
}

void tst_ProfileRoundTrip::failedSaveIsReported()
{
    CDialogFixture f;
    // A folder where the profile file should be: nothing can be written there.
    QVERIFY(QDir().mkpath(f.profilePath()));
    f.click(IDCANCEL);
    QCOMPARE(f.prompter().messages.size(), 1);
    QCOMPARE(f.prompter().messages.constFirst().caption, u"错误提示"_s);
    QVERIFY(!f.dlg().isVisible());
}

// A crash or a killed session keeps the folders, links and words: each change is on disk shortly after it.
void tst_ProfileRoundTrip::setupIsOnDiskWithoutLeaving()
{
    QVERIFY(QDir(m_files.path()).mkpath(u"班级/278班"_s));
    const QString folder = m_files.filePath(u"班级/278班"_s);
    QFile inside(folder + u"/名单.xlsx"_s);
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.close();
    CDialogFixture f;
    QVERIFY(f.dropOnQueue({ inside.fileName() }));
    f.prompter().folderAnswers << folder;
    f.click(IDC_BTN_ADD_DIR);
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR2), { folder }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_TEXT4), { folder }));
    // Read from a copy: this process's QSettings would answer from its cache what is not on disk yet.
    int copies = 0;
    const auto onDisk = [&] {
        const QString copy = m_files.filePath(u"profile-%1.ini"_s.arg(++copies));
        QFile::copy(f.profilePath(), copy);
        const QSettings stored(copy, QSettings::IniFormat);
        return QStringList { stored.value(u"m_cb5/num"_s).toString(), stored.value(u"m_cb5/0"_s).toString(),
                             stored.value(u"m_BTdir2/m_Name"_s).toString(),
                             stored.value(u"m_bt8/m_filePath"_s).toString() };
    };
    QTRY_COMPARE(onDisk(), (QStringList { u"10001"_s, folder, u"278班"_s, u"278班"_s }));
    QVERIFY(f.prompter().messages.isEmpty());
}

QTEST_MAIN(tst_ProfileRoundTrip)
#include "tst_ProfileRoundTrip.moc"
