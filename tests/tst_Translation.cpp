// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyListBox.h"
#include "core/NameComposer.h"
#include "dialog/DialogTemplate.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"
#include "platform/InterfaceLanguage.h"
#include "platform/QtTranslation.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;
using Language = CInterfaceLanguage::Language;

Q_DECLARE_METATYPE(CInterfaceLanguage::Language)

/// The language the window speaks, the English window itself, and a profile that means the same in either.
class tst_Translation : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();

    void languageFollowsTheEnvironment_data();
    void languageFollowsTheEnvironment();
    void everyChineseTextHasAnEnglishOne();
    void englishWindowShowsNoChinese_data();
    void englishWindowShowsNoChinese();
    void profileMeansTheSameInBothLanguages_data();
    void profileMeansTheSameInBothLanguages();

private:
    void speak(Language language);
    static void checkWidgetTexts(const CPlindorDlg &dlg);

    QTranslator *m_translator = nullptr;
};

namespace
{
/// Han characters, CJK punctuation and full-width forms: what an English interface must not show.
bool hasChinese(const QString &text)
{
    static const QRegularExpression chinese(u"[\\p{Han}\\x{3000}-\\x{303F}\\x{FF00}-\\x{FFEF}]"_s);
    return text.contains(chinese);
}

QString describe(const QWidget *widget, const char *what, const QString &text)
{
    return widget->objectName() + u' ' + QLatin1StringView(what) + u": \""_s + text + u'"';
}

QMap<QString, QVariant> contentsOf(const QString &profile)
{
    QSettings stored(profile, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString &key : stored.allKeys())
        values.insert(key, stored.value(key));
    // Where the window stood says nothing in any language, and moves with the window.
    values.remove(u"window/geometry"_s);
    return values;
}
} // namespace

void tst_Translation::cleanup()
{
    delete m_translator;
    m_translator = nullptr;
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_Translation::speak(Language language)
{
    delete m_translator;
    m_translator = CQtTranslation::install(qApp, language);
    QVERIFY2(m_translator, "a translation is missing: the program's English, or Qt's Chinese (qt6-translations-l10n)");
}

void tst_Translation::languageFollowsTheEnvironment_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<Language>("expected");

    const Language en = Language::English;
    const Language zh = Language::Chinese;
    QTest::newRow("nothing-set") << u""_s << u""_s << u""_s << u""_s << zh;
    QTest::newRow("English-LANG") << u""_s << u""_s << u""_s << u"en_US.UTF-8"_s << en;
    QTest::newRow("English-with-a-modifier") << u""_s << u""_s << u""_s << u"en_IE.ISO-8859-15@euro"_s << en;
    QTest::newRow("Chinese-LANG") << u""_s << u""_s << u""_s << u"zh_CN.UTF-8"_s << zh;
    QTest::newRow("another-language") << u""_s << u""_s << u""_s << u"fr_FR.UTF-8"_s << zh;
    QTest::newRow("C") << u""_s << u""_s << u""_s << u"C"_s << zh;
    QTest::newRow("C.UTF-8") << u""_s << u""_s << u""_s << u"C.UTF-8"_s << zh;
    QTest::newRow("POSIX") << u""_s << u""_s << u""_s << u"POSIX"_s << zh;
    QTest::newRow("LC_MESSAGES-over-LANG") << u""_s << u""_s << u"en_GB.UTF-8"_s << u"zh_CN.UTF-8"_s << en;
    QTest::newRow("LC_ALL-over-LC_MESSAGES") << u""_s << u"zh_TW.UTF-8"_s << u"en_GB.UTF-8"_s << u"en_US.UTF-8"_s << zh;
    QTest::newRow("LANGUAGE-over-the-locale") << u"en"_s << u""_s << u""_s << u"zh_CN.UTF-8"_s << en;
    QTest::newRow("LANGUAGE-Chinese-over-English") << u"zh_CN"_s << u""_s << u""_s << u"en_US.UTF-8"_s << zh;
    QTest::newRow("LANGUAGE-ignored-under-C") << u"en"_s << u""_s << u""_s << u"C.UTF-8"_s << zh;
    QTest::newRow("LANGUAGE-ignored-under-LC_ALL=C") << u"en_US"_s << u"C"_s << u""_s << u"en_US.UTF-8"_s << zh;
    QTest::newRow("LANGUAGE-passes-over-what-it-lacks") << u"fr:de:en_GB"_s << u""_s << u""_s << u"fr_FR.UTF-8"_s << en;
    QTest::newRow("LANGUAGE-takes-the-first-it-has") << u"zh_CN:en"_s << u""_s << u""_s << u"de_DE.UTF-8"_s << zh;
    QTest::newRow("LANGUAGE-with-nothing-it-has") << u"fr"_s << u""_s << u""_s << u"en_US.UTF-8"_s << zh;
    QTest::newRow("Esperanto-is-no-English") << u""_s << u""_s << u""_s << u"eo.UTF-8"_s << zh;
}

void tst_Translation::languageFollowsTheEnvironment()
{
    QFETCH(QString, language);
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(Language, expected);
    QCOMPARE(CInterfaceLanguage::choose(language, lcAll, lcMessages, lang), expected);
}

// A text left out of the English file would show in Chinese; a lost %1 would drop the path from a message.
void tst_Translation::everyChineseTextHasAnEnglishOne()
{
    QFile ts(QStringLiteral(PLINDOR_TS_FILE));
    QVERIFY2(ts.open(QIODevice::ReadOnly), qPrintable(ts.fileName()));
    QXmlStreamReader xml(&ts);
    QString source;
    int checked = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"source"_s) {
            source = xml.readElementText();
        } else if (xml.name() == u"translation"_s && hasChinese(source)) {
            const QString type = xml.attributes().value(u"type"_s).toString();
            // A text with a number has one form per plural, each its own element.
            const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            QVERIFY2(type.isEmpty(), qPrintable(source + u" is "_s + type));
            QVERIFY2(!translation.isEmpty() && !hasChinese(translation), qPrintable(source));
            static const QRegularExpression marker(u"%\\d"_s);
            QCOMPARE(translation.count(marker), source.count(marker));
            ++checked;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(checked > 50);
}

void tst_Translation::englishWindowShowsNoChinese_data()
{
    QTest::addColumn<bool>("loadItem");
    QTest::addColumn<bool>("showMessages");
    QTest::newRow("opened") << false << false;
    QTest::newRow("item-loaded") << true << false;
    QTest::newRow("messages-shown") << true << true;
}

void tst_Translation::englishWindowShowsNoChinese()
{
    QFETCH(bool, loadItem);
    QFETCH(bool, showMessages);
    speak(Language::English);
    CTempTree tree;
    CDialogFixture f;
    if (loadItem)
        QVERIFY(f.dropOnQueue({ tree.file(u"report.txt"_s) }));
    if (showMessages) {
        f.click(IDC_BTN_DIR1); // never linked
        f.click(IDC_BTN_MOVE); // no folder chosen
        f.click(IDC_BTN_ADD_DIR); // the picker, cancelled
        f.dlg().queuePaths({ tree.filePath(u"gone.txt"_s) });
        QCOMPARE(f.prompter().messages.size(), 3);
        QCOMPARE(f.prompter().folderTitles.size(), 1);
    }
    checkWidgetTexts(f.dlg());
    QVERIFY(!hasChinese(f.dlg().windowTitle()));
    for (const CFakePrompter::Message &message : std::as_const(f.prompter().messages)) {
        QVERIFY2(!message.text.isEmpty() && !hasChinese(message.text), qPrintable(message.text));
        QVERIFY2(!hasChinese(message.caption), qPrintable(message.caption));
    }
    for (const QString &title : std::as_const(f.prompter().folderTitles))
        QVERIFY2(!title.isEmpty() && !hasChinese(title), qPrintable(title));
}

// Every control's caption or contents, its tooltip, and what a screen reader says for it. The candidate lists and
// the common words are data that goes into Chinese file names: they stay as they are.
void tst_Translation::checkWidgetTexts(const CPlindorDlg &dlg)
{
    const int chrome = dlg.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 1;
    for (const QWidget *widget : dlg.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QString name = widget->objectName();
        if (!name.startsWith(u"ID"_s))
            continue;
        const bool data = name.startsWith(u"IDC_COMBO_TERM_"_s) || name == u"IDC_COMBO_DATE"_s
            || name.startsWith(u"IDC_BTN_TEXT"_s);
        QStringList shown;
        if (const auto *button = qobject_cast<const QPushButton *>(widget)) {
            shown << button->text();
            if (button->isVisibleTo(&dlg))
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 2 * chrome <= button->width(),
                         qPrintable(describe(widget, "caption does not fit", button->text())));
        } else if (const auto *group = qobject_cast<const QGroupBox *>(widget)) {
            shown << group->title();
        } else if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            const QImage image = label->pixmap().toImage();
            QVERIFY2(image.isNull() || image != QImage(u":/banner.png"_s), "the Chinese banner is shown");
            shown << (image.isNull() ? label->text() : label->accessibleName());
        } else if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
            shown << edit->text();
        } else if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                shown << combo->itemText(i);
        } else if (const auto *queue = qobject_cast<const CMyListBox *>(widget)) {
            shown << queue->hintText();
        }
        QVERIFY2(!shown.isEmpty(), qPrintable(name));
        for (const QString &text : std::as_const(shown)) {
            QVERIFY2(!text.isEmpty(), qPrintable(describe(widget, "text", text)));
            QVERIFY2(data || !hasChinese(text), qPrintable(describe(widget, "text", text)));
        }
        QVERIFY2(!hasChinese(widget->toolTip()), qPrintable(describe(widget, "tooltip", widget->toolTip())));
        const QString spoken = widget->accessibleName();
        QVERIFY2(!spoken.isEmpty(), qPrintable(describe(widget, "accessible name", spoken)));
        QVERIFY2(!hasChinese(spoken) || name.startsWith(u"IDC_BTN_TEXT"_s),
                 qPrintable(describe(widget, "accessible name", spoken)));
        const QString description = widget->accessibleDescription();
        QVERIFY2(!hasChinese(description), qPrintable(describe(widget, "accessible description", description)));
        if (widget->focusPolicy() != Qt::NoFocus && widget->isVisibleTo(&dlg))
            QVERIFY2(!description.isEmpty(), qPrintable(describe(widget, "accessible description", description)));
    }
}

void tst_Translation::profileMeansTheSameInBothLanguages_data()
{
    QTest::addColumn<Language>("writer");
    QTest::addColumn<Language>("reader");
    QTest::newRow("written-in-Chinese-read-in-English") << Language::Chinese << Language::English;
    QTest::newRow("written-in-English-read-in-Chinese") << Language::English << Language::Chinese;
}

void tst_Translation::profileMeansTheSameInBothLanguages()
{
    QFETCH(Language, writer);
    QFETCH(Language, reader);
    CTempTree tree;
    const QString reports = tree.folder(u"Reports"_s);
    speak(writer);
    CDialogFixture f;
    // An unlinked button may hold its default label, as the profiles of earlier versions do, or nothing.
    QVERIFY(f.restart([&f] {
        QSettings stored(f.profilePath(), QSettings::IniFormat);
        stored.setValue(u"m_BTdir1/m_Name"_s, u"拖入目标文件夹1"_s);
    }));
    // The folder list keeps only its placeholder; the second button is linked.
    QVERIFY(f.dropOnQueue({ tree.file(u"draft.txt"_s) }));
    QVERIFY(CDropSimulator::dropPaths(f.dropButton(IDC_BTN_DIR2), { reports }));
    QMap<QString, QVariant> written;
    QVERIFY(f.restart([&] {
        written = contentsOf(f.profilePath());
        speak(reader);
    }));

    // The stored labels are the ones written in the program, whichever language wrote them.
    QCOMPARE(written.value(u"m_BTdir1/m_Name"_s).toString(), u"拖入目标文件夹1"_s);
    QCOMPARE(written.value(u"m_BTdir2/m_Name"_s).toString(), u"Reports"_s);
    QCOMPARE(written.value(u"m_BTdir3/m_Name"_s).toString(), QString());
    QCOMPARE(written.value(u"m_cb5/0"_s).toString(), u"拖入文件夹"_s);

    for (int id : { IDC_BTN_DIR1, IDC_BTN_DIR3 })
        QCOMPARE(f.button(id)->text(), CDialogTemplate::find(id)->caption());
    QCOMPARE(f.button(IDC_BTN_DIR2)->text(), u"Reports"_s);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->count(), 1);
    QCOMPARE(f.combo(IDC_COMBO_TARGET_DIR)->itemText(0), CNameComposer::folderPlaceholder());
    QVERIFY(f.dropOnQueue({ tree.file(u"draft.txt"_s) }));
    f.click(IDC_BTN_DIR1);
    f.click(IDC_BTN_MOVE);
    QCOMPARE(f.prompter().texts(),
             (QStringList { QCoreApplication::translate("CPlindorDlg", "你未设置此快速移动按钮!"),
                            QCoreApplication::translate("CPlindorDlg", "请先选择文件夹") }));
    QVERIFY(QFileInfo::exists(tree.filePath(u"draft.txt"_s)));

    // Leaving in the other language writes back exactly what was read.
    QVERIFY(f.restart());
    QCOMPARE(contentsOf(f.profilePath()), written);
}

QTEST_MAIN(tst_Translation)
#include "tst_Translation.moc"
