// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/MyButton.h"
#include "controls/MyComboBox.h"
#include "controls/MyEdit.h"
#include "controls/MyListBox.h"
#include "helpers/DialogFixture.h"
#include "helpers/DropSimulator.h"
#include "helpers/NameWatcher.h"
#include "helpers/NativePath.h"
#include "helpers/TempTree.h"
#include "helpers/WindowTest.h"

#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>

#include <climits>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

#if defined(__SANITIZE_ADDRESS__)
#define PLINDOR_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLINDOR_SOAK_ASAN 1
#endif
#endif

namespace
{

constexpr quint64 kDefaultSeed = 20260307;
#ifdef PLINDOR_SOAK_ASAN
constexpr qint64 kDefaultActions = 2000;
#else
constexpr qint64 kDefaultActions = 5000;
#endif
constexpr int kLogLength = 20;
// Bounds that keep the deepest path far below PATH_MAX even with 255-byte names at every level.
constexpr int kMaxFolders = 12;
constexpr int kMaxFiles = 250;
constexpr int kMaxQueue = 40;

const QString kRenameFailed = u"重命名失败"_s;
const QString kMoveFailed = u"请检查:\n1.看最上面编辑框是不是已经完成重命名和移动\n2.检查文件是否关闭!\n"
                            u"3.目标文件夹中是否存在'重名'!"_s;
const QString kQuickDone = u"重命名完成"_s;
const QString kQuickFailed = u"请检查:\n1.文件是否关闭!\n2.目标文件夹中是否重名!\n3.请确认要重命名文件存在!\n"
                             u"4.请确认当前快捷目录存在!"_s;
const QString kChooseFolder = u"请先选择文件夹"_s;
const QString kNotLinked = u"你未设置此快速移动按钮!"_s;
const QString kUndecodable = u"文件名编码无法识别，未加入队列：\n"_s;

/// Everything on disk below the scratch folder: files with their contents (a link with its target), and folders.
struct Tree {
    std::map<QString, QByteArray> files;
    std::set<QString> folders;

    bool operator==(const Tree &) const = default;
};

QByteArray linkText(const QString &path)
{
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target.data(), size_t(target.size()));
    return target.left(std::max<ssize_t>(length, 0));
}

Tree scan(const QString &root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileInfo().isSymLink()) {
            tree.files[path] = "link to " + linkText(path);
        } else if (it.fileInfo().isDir()) {
            tree.folders.insert(path);
        } else {
            QFile file(path);
            tree.files[path] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
        }
    }
    return tree;
}

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

QString relocated(const QString &path, const QString &from, const QString &to)
{
    return isInside(path, from) ? to + path.mid(from.size()) : path;
}

/// The tree after `from` (a file, or a folder with all it holds) was renamed to `to`.
Tree moved(const Tree &tree, const QString &from, const QString &to)
{
    Tree after;
    for (const auto &[path, content] : tree.files)
        after.files[relocated(path, from, to)] = content;
    for (const QString &folder : tree.folders)
        after.folders.insert(relocated(folder, from, to));
    return after;
}

// Names that are not UTF-8 carry one 0xFF byte, which reads back as one replacement character; no other name has one.
bool isUndecodable(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter);
}

QByteArray bytesOf(const QString &path)
{
    return native(path).replace(native(QString(QChar::ReplacementCharacter)), "\xff");
}

bool statPath(const QString &path, struct stat &st, bool follow)
{
    const QByteArray name = native(path);
    return (follow ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) == 0;
}

QString extensionOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot <= 0 ? QString() : fileName.mid(dot);
}

QString lastComponent(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString parentOf(const QString &path)
{
    return path.left(path.lastIndexOf(u'/'));
}

// An edit holding exactly one of the edits' placeholders, in Chinese or in English, holds no text.
QString withoutPlaceholder(const QString &text)
{
    static const QStringList placeholders { u"（添加前缀）"_s, u"（请在此处修改文件名）"_s,    u"（后缀）"_s,
                                            u"(prefix)"_s,     u"(edit the file name here)"_s, u"(suffix)"_s };
    return placeholders.contains(text) ? QString() : text;
}

/// The queued item the editor holds: the one a rename or move acts on.
struct Loaded {
    QString path;
    bool isFolder = false;

    [[nodiscard]] QString extension() const
    {
        return isFolder ? QString() : extensionOf(lastComponent(path));
    }
    [[nodiscard]] QString baseName() const
    {
        const QString name = lastComponent(path);
        return name.left(name.size() - extension().size());
    }
};

/// What one click on rename, move or a quick-move button must do.
struct Expectation {
    QString destination; ///< empty when nothing may move
    QStringList messages;
    QString why; ///< for the log
};

enum class Operation { Rename, EnterKey, Move, QuickMove };

struct CEditorSave {
    CEditorSave(QString newerPath, QByteArray newerContent, const QString &folder, const QString &name,
                const QString &source)
        : newer(std::move(newerPath))
        , content(std::move(newerContent))
        , watcher(folder, QFile::encodeName(name), CNameWatcher::Appears,
                  [from = QFile::encodeName(newer), to = QFile::encodeName(source)] {
                      ::rename(from.constData(), to.constData());
                  })
    {
    }
    QString newer;
    QByteArray content;
    CNameWatcher watcher;
};

} // namespace

/// Thousands of seeded random user actions on the real window over real files, each checked against a model.
class tst_Soak : public CWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void randomUserActions();

private:
    void setUpTree();
    QString step(const std::function<void()> &action);
    [[nodiscard]] QString checkInvariants() const;
    [[nodiscard]] QString describeDifference(const Tree &actual) const;
    void log(const QString &line);
    [[nodiscard]] QString shown(const QString &path) const;

    int pick(int count);
    bool chance(int percent);
    QString pickOf(const QStringList &texts);
    QString randomStem();
    QString longName(int bytes);
    QString randomTypedName();
    QString randomFolderText(bool forTyping);
    QStringList existingItems() const;
    QString createFile(const QString &folder);
    QString createLink(const QString &folder);
    QString createUndecodable(const QString &folder);
    void typeInto(QLineEdit *edit, const QString &text);
    void dropOnQueue(const QStringList &paths);
    void reloadFromRowZero(const QString &stayWith = {});

    // The user's actions that need more than a line; each tells the model what it must do to files and queue.
    void createAndDrop();
    void dropExisting();
    void secondLaunch();
    void clickQueueRow();
    void pressDelete();
    void clickComposer();
    void pressArrowInList();
    void dropOnControl();
    void addTargetFolder();
    void restart();

    void operate(Operation operation, int button = 0);
    std::unique_ptr<CEditorSave> saveOverWhenMoved(const QString &destination);
    void expectEditorSave(Operation operation, const Expectation &expected, const CEditorSave &editor);
    Expectation expect(Operation operation, int button) const;
    [[nodiscard]] QString refusal(const QString &folderText, const QString &name) const;

    std::mt19937_64 m_rng;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QString m_mount;
    QString m_previousCwd;
    std::unique_ptr<CDialogFixture> m_f;
    Tree m_model;
    std::set<QString> m_queue;
    std::set<QString> m_undecodable; ///< files whose names are not UTF-8, by their decoded names
    std::optional<Loaded> m_loaded;
    QStringList m_expectedMessages;
    std::deque<QString> m_log;
    std::map<QString, int> m_outcomes; ///< how often each kind of expected outcome came up
    qint64 m_serial = 0;
    int m_createdFolders = 0;
};

void tst_Soak::cleanup()
{
    m_f.reset();
    if (!m_previousCwd.isEmpty())
        QDir::setCurrent(m_previousCwd);
    if (!m_mount.isEmpty())
        ::umount2(native(m_mount).constData(), MNT_DETACH);
    m_mount.clear();
    if (m_dir)
        CTempTree::removeTree(m_dir->path());
    m_dir.reset();
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_Soak::randomUserActions()
{
    bool ok = false;
    quint64 seed = qEnvironmentVariable("PLINDOR_SOAK_SEED").toULongLong(&ok);
    if (!ok)
        seed = kDefaultSeed;
    qint64 count = qEnvironmentVariable("PLINDOR_SOAK_ACTIONS").toLongLong(&ok);
    if (!ok)
        count = kDefaultActions;
    std::printf("soak: seed %llu, %lld actions\n", static_cast<unsigned long long>(seed),
                static_cast<long long>(count));
    std::fflush(stdout);
    m_rng.seed(seed);
    setUpTree();
    if (QTest::currentTestFailed())
        return;
    m_f = std::make_unique<CDialogFixture>();

    // Weights say how often a user does each thing; clicks that act on files are the most common.
    const auto typing = [this](int id, const QString &what, const QString &text) {
        log(u"type %1 "_s.arg(what) + shown(text));
        typeInto(id == IDC_COMBO_TARGET_DIR ? m_f->combo(id)->lineEdit() : m_f->edit(id), text);
    };
    const std::vector<std::pair<int, std::function<void()>>> actions = {
        { 8, [this] { createAndDrop(); } },
        { 5, [this] { dropExisting(); } },
        { 2, [this] { secondLaunch(); } },
        { 5, [this] { clickQueueRow(); } },
        { 3, [this] { pressDelete(); } },
        { 10, [=, this] { typing(IDC_EDIT_NAME, u"name"_s, randomTypedName()); } },
        { 3,
          [=, this] {
              typing(chance(50) ? IDC_EDIT_PREFIX : IDC_EDIT_SUFFIX, u"prefix or suffix"_s,
                     pickOf({ u"前缀"_s, u"/"_s, u"_v2"_s, QString(), u" "_s, u"（添加前缀）"_s, u"（后缀）"_s }));
          } },
        { 3, [=, this] { typing(IDC_COMBO_TARGET_DIR, u"target folder"_s, randomFolderText(true)); } },
        { 8, [this] { clickComposer(); } },
        { 5, [this] { pressArrowInList(); } },
        { 7, [this] { dropOnControl(); } },
        { 10, [this] { operate(Operation::Rename); } },
        { 3, [this] { operate(Operation::EnterKey); } },
        { 8, [this] { operate(Operation::Move); } },
        { 8, [this] { operate(Operation::QuickMove, pick(5)); } },
        { 3, [this] { addTargetFolder(); } },
        { 2,
          [this] {
              log(u"删除目录"_s);
              m_f->click(IDC_BTN_DEL_DIR);
          } },
        { 1, [this] { restart(); } },
    };
    std::vector<int> weights;
    for (const auto &entry : actions)
        weights.push_back(entry.first);
    std::discrete_distribution<int> which(weights.cbegin(), weights.cend());

    QElapsedTimer timer;
    timer.start();
    for (qint64 index = 0; index < count; ++index) {
        const QString problem = step(actions.at(size_t(which(m_rng))).second);
        if (problem.isEmpty())
            continue;
        QString report
            = u"soak failed at action %1 of seed %2 (replay: PLINDOR_SOAK_SEED=%2 PLINDOR_SOAK_ACTIONS=%3)\n"_s
                  .arg(index)
                  .arg(seed)
                  .arg(index + 1);
        report += u"last actions:\n"_s;
        for (const QString &line : m_log)
            report += u"  "_s + line + u'\n';
        QFAIL(qPrintable(report + problem));
    }
    std::printf("soak: %lld actions survived in %.1f s, %zu files and %zu folders at the end\n",
                static_cast<long long>(count), double(timer.elapsed()) / 1000.0, m_model.files.size(),
                m_model.folders.size());
    for (const auto &[outcome, times] : m_outcomes)
        std::printf("soak: %6d x %s\n", times, qPrintable(outcome));
}

// Two folders on the main disk, one with a space and Chinese, and (as root) a tmpfs as a second file system.
// A failed check here ends only this function: the callers look at QTest::currentTestFailed().
void tst_Soak::setUpTree()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Drops name what the system opens, with every folder link resolved; the model lists the same spelling.
    m_root = QFileInfo(m_dir->path()).canonicalFilePath();
    for (const QString &folder : { u"a"_s, u"b"_s, u"深层/目录 with spaces"_s, u"other"_s })
        QVERIFY(QDir(m_root).mkpath(folder));
    if (::geteuid() != 0) {
        std::printf("soak: not root, so no second file system; moves across file systems are not covered\n");
    } else if (const QString point = m_root + u"/other"_s;
               ::mount("tmpfs", native(point).constData(), "tmpfs", 0, "size=64m") == 0) {
        m_mount = point;
        QVERIFY(QDir(point).mkpath(u"x"_s));
    } else {
        std::printf("soak: mounting a tmpfs failed (%s); moves across file systems are not covered\n",
                    std::strerror(errno));
    }
    // A move that resolved a relative folder against the working folder would land here, inside the checked tree.
    QVERIFY(QDir(m_root).mkpath(u"cwd"_s));
    m_previousCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_root + u"/cwd"_s));
    m_model = scan(m_root);
    for (int i = 0; i < 6; ++i)
        createFile(m_root + (i % 2 ? u"/a"_s : u"/b"_s));
}

QString tst_Soak::step(const std::function<void()> &action)
{
    m_expectedMessages.clear();
    action();
    if (QTest::currentTestFailed())
        return u"a check inside the action failed"_s;
    return checkInvariants();
}

QString tst_Soak::checkInvariants() const
{
    QString problems;
    const Tree actual = scan(m_root);
    if (actual != m_model)
        problems += describeDifference(actual);
    for (const QString &path : m_undecodable) {
        struct stat st = {};
        if (::lstat(bytesOf(path).constData(), &st) != 0)
            problems += u"the file not named in UTF-8 %1 is gone\n"_s.arg(shown(path));
    }
    const QStringList messages = m_f->prompter().takeTexts();
    if (messages != m_expectedMessages)
        problems += u"messages shown: [%1], expected: [%2]\n"_s.arg(messages.join(u" | "_s),
                                                                    m_expectedMessages.join(u" | "_s));
    std::set<QString> queued;
    for (int row = 0; row < m_f->queue()->count(); ++row)
        queued.insert(m_f->queue()->pathAt(row));
    if (queued != m_queue)
        problems += u"the queue holds %1 paths, the model %2\n"_s.arg(queued.size()).arg(m_queue.size());
    // With an empty queue nothing is loaded, so nothing may be renamed: a stale source must not be reachable.
    const bool editing = m_f->button(IDC_BTN_RENAME)->isEnabled();
    if (editing != !m_queue.empty())
        problems
            += u"rename is %1 with %2 queued items\n"_s.arg(editing ? u"enabled"_s : u"disabled"_s).arg(m_queue.size());
    return problems;
}

QString tst_Soak::describeDifference(const Tree &actual) const
{
    QString text = u"the files differ from the model:\n"_s;
    const auto onlyIn = [&](const Tree &one, const Tree &other, const QString &what) {
        for (const auto &[path, content] : one.files) {
            if (!other.files.count(path) || other.files.at(path) != content)
                text += what + u" file "_s + shown(path) + u'\n';
        }
        for (const QString &folder : one.folders) {
            if (!other.folders.count(folder))
                text += what + u" folder "_s + shown(folder) + u'\n';
        }
    };
    onlyIn(m_model, actual, u"  missing or changed"_s);
    onlyIn(actual, m_model, u"  unexpected"_s);
    // Contents tell a lost or overwritten file from one that merely went to the wrong place.
    std::map<QByteArray, int> balance;
    for (const auto &entry : m_model.files)
        ++balance[entry.second];
    for (const auto &entry : actual.files)
        --balance[entry.second];
    for (const auto &[content, surplus] : balance) {
        if (surplus != 0)
            text += (surplus > 0 ? u"  LOST "_s : u"  DUPLICATED "_s) + QString::fromUtf8(content.left(16)) + u'\n';
    }
    return text;
}

void tst_Soak::log(const QString &line)
{
    m_log.push_back(line);
    if (m_log.size() > kLogLength)
        m_log.pop_front();
}

QString tst_Soak::shown(const QString &path) const
{
    QString text = path.startsWith(m_root) ? u"~"_s + path.mid(m_root.size()) : path;
    text.replace(QChar(0), u"\\0"_s);
    return u'"' + text + u'"';
}

// ---- Random choices ----

int tst_Soak::pick(int count)
{
    return count <= 1 ? 0 : int(std::uniform_int_distribution<int>(0, count - 1)(m_rng));
}

bool tst_Soak::chance(int percent)
{
    return pick(100) < percent;
}

QString tst_Soak::pickOf(const QStringList &texts)
{
    return texts.at(pick(int(texts.size())));
}

QString tst_Soak::randomStem()
{
    // Case variants, spaces, Chinese, leading and trailing dots, no dot, and characters that profiles and URLs escape.
    static const QStringList stems
        = u"report|Report|REPORT|总结|物理 备课组 教案|a b  c|.hidden|README|notes.tar|trailing.|"
          u"..dots|数据|x,y;z|[sec] #1 = 50%|it's \"q\"|back\\slash|2026年上期| lead and trail |"
          u"cafe\u0301|café|~tilde|line\nbreak|tab\there"_s.split(u'|');
    return chance(5) ? longName(200 + pick(56)) : pickOf(stems);
}

// Three-byte Chinese characters make the byte count, not the character count, decide.
QString tst_Soak::longName(int bytes)
{
    QString name;
    while (name.toUtf8().size() + 3 <= bytes)
        name += chance(50) ? u"长"_s : u"ab"_s.left(1 + pick(2));
    while (name.toUtf8().size() < bytes)
        name += u'x';
    return name;
}

QString tst_Soak::randomTypedName()
{
    switch (pick(12)) {
    case 0:
        return u"/"_s;
    case 1:
        return pickOf({ u"a/b"_s, u"../escape"_s, u"sub/"_s });
    case 2:
        return pickOf({ u"."_s, u".."_s, QString() });
    case 3:
        return u"nul"_s + QChar(0) + u"byte"_s;
    case 4:
        return longName(250 + pick(12));
    case 5:
    case 6: {
        // The name of a neighbour: the destination is taken.
        if (!m_loaded)
            return randomStem();
        const QString folder = parentOf(m_loaded->path);
        QStringList neighbours;
        for (const QString &path : existingItems()) {
            if (parentOf(path) == folder)
                neighbours << Loaded { path, QFileInfo(path).isDir() }.baseName();
        }
        return neighbours.isEmpty() ? randomStem() : pickOf(neighbours);
    }
    case 7:
        return m_loaded ? m_loaded->baseName() : randomStem();
    default:
        return randomStem() + (chance(30) ? u"_"_s + QString::number(pick(5)) : QString());
    }
}

QString tst_Soak::randomFolderText(bool forTyping)
{
    QStringList folders(m_model.folders.cbegin(), m_model.folders.cend());
    const int kind = pick(forTyping ? 10 : 8);
    if (kind < 5 && !folders.isEmpty())
        return pickOf(folders);
    if (kind == 5 && !m_model.files.empty())
        return std::next(m_model.files.cbegin(), pick(int(m_model.files.size())))->first;
    if (kind == 6)
        return m_root + u"/missing-"_s + QString::number(pick(3));
    if (kind == 7)
        return pickOf(folders) + u"/"_s;
    return pickOf({ u"."_s, u".."_s, u"a"_s, u"~"_s, u" "_s + m_root + u"/a"_s });
}

QStringList tst_Soak::existingItems() const
{
    QStringList items;
    for (const auto &entry : m_model.files)
        items << entry.first;
    for (const QString &folder : m_model.folders)
        items << folder;
    return items;
}

// Every file holds text no other file holds, so a lost, duplicated or overwritten file shows in the contents.
QString tst_Soak::createFile(const QString &folder)
{
    const QString path
        = folder + u'/' + randomStem() + pickOf({ u".txt"_s, u".doc"_s, u".TXT"_s, u".pdf"_s, u".gz"_s, QString() });
    if (path.toUtf8().size() >= PATH_MAX - 300 || QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return {};
    QByteArray content = "content " + QByteArray::number(++m_serial) + '\n';
    content += QByteArray(pick(2000), 'a' + char(m_serial % 26));
    QFile file(path);
    if (!file.open(QIODevice::NewOnly) || file.write(content) != content.size())
        return {};
    m_model.files[path] = content;
    return path;
}

// A link to a file or folder, absolute or relative, or one that points nowhere: moving it must move the link alone.
QString tst_Soak::createLink(const QString &folder)
{
    const QString path = folder + u'/' + randomStem() + pickOf({ u".lnk"_s, QString() });
    const QStringList items = existingItems();
    const QString target = pickOf(
        { pickOf(items), u"../"_s + lastComponent(pickOf(items)), u"nowhere-"_s + QString::number(++m_serial) });
    if (path.toUtf8().size() >= PATH_MAX - 300 || QFileInfo::exists(path) || QFileInfo(path).isSymLink()
        || ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0)
        return {};
    m_model.files[path] = "link to " + QFile::encodeName(target);
    return path;
}

// A name from an archive made where names are not UTF-8: the queue must refuse it and nothing may touch it.
QString tst_Soak::createUndecodable(const QString &folder)
{
    const QString path = folder + u"/gbk"_s + QChar(QChar::ReplacementCharacter) + QString::number(++m_serial)
        + pickOf({ u".txt"_s, QString() });
    const int fd
        = m_undecodable.size() < 20 ? ::open(bytesOf(path).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644) : -1;
    if (fd < 0 || ::close(fd) != 0)
        return {};
    // Qt lists no name it cannot decode, so the scan never sees these; checkInvariants() looks them up by their bytes.
    m_undecodable.insert(path);
    return path;
}

void tst_Soak::typeInto(QLineEdit *edit, const QString &text)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    bool printable = !text.isEmpty();
    bool ascii = true;
    for (QChar c : text) {
        printable = printable && c.isPrint();
        ascii = ascii && c.unicode() < 0x80;
    }
    if (printable && chance(50)) {
        // Text beyond ASCII arrives in one key event, as an input method commits it.
        if (ascii)
            QTest::keyClicks(edit, text);
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text, Qt::NoModifier);
    } else {
        // Text that cannot be typed can still be pasted.
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(edit, text.isEmpty() ? Qt::Key_Delete : Qt::Key_V,
                        text.isEmpty() ? Qt::NoModifier : Qt::ControlModifier);
    }
    // The name edits take text exactly as given; the folder field may complete it, as it does for a user.
    if (qobject_cast<CMyEdit *>(edit) && !edit->isReadOnly() && edit->text() != text)
        QTest::qFail(qPrintable(u"the edit shows %1 after %2 was typed"_s.arg(shown(edit->text()), shown(text))),
                     __FILE__, __LINE__);
}

void tst_Soak::dropOnQueue(const QStringList &paths)
{
    QStringList listed;
    for (const QString &path : paths)
        listed << shown(path);
    log(u"drop on queue: "_s + listed.join(u", "_s));
    QList<QUrl> urls;
    QStringList refused;
    for (const QString &path : paths) {
        urls << (isUndecodable(path) ? CDropSimulator::urlOfBytes(bytesOf(path)) : QUrl::fromLocalFile(path));
        if (isUndecodable(path))
            refused << path;
    }
    if (!CDropSimulator::dropUrls(m_f->queue(), urls)) {
        QTest::qFail("the queue refused a drop of local paths", __FILE__, __LINE__);
        return;
    }
    // The window names refused paths once the drop has returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    if (!refused.isEmpty())
        m_expectedMessages << kUndecodable + refused.join(u'\n');
    if (refused.size() == paths.size())
        return;
    for (const QString &path : paths) {
        if (!isUndecodable(path))
            m_queue.insert(path);
    }
    reloadFromRowZero();
}

// An item that failed stays loaded while it is queued; otherwise the first item comes up.
void tst_Soak::reloadFromRowZero(const QString &stayWith)
{
    if (m_f->queue()->count() == 0) {
        m_loaded.reset();
        return;
    }
    const QString path = m_f->queue()->pathAt(std::max(m_f->queue()->rowOf(stayWith), 0));
    m_loaded = Loaded { path, QFileInfo(path).isDir() };
    // The editor must show the item that a click would rename.
    if (m_f->edit(IDC_EDIT_NAME)->text() != m_loaded->baseName())
        QTest::qFail(qPrintable(u"the name edit shows %1 for %2"_s.arg(m_f->edit(IDC_EDIT_NAME)->text(), shown(path))),
                     __FILE__, __LINE__);
}

// ---- The queue ----

void tst_Soak::createAndDrop()
{
    if (m_queue.size() >= size_t(kMaxQueue))
        return dropExisting();
    // Another program deletes a file now and then, which keeps long runs creating new names.
    while (m_model.files.size() + 3 > size_t(kMaxFiles)) {
        const QString gone = std::next(m_model.files.cbegin(), pick(int(m_model.files.size())))->first;
        log(u"another program deletes "_s + shown(gone));
        QVERIFY(QFile::remove(gone));
        m_model.files.erase(gone);
    }
    QStringList folders(m_model.folders.cbegin(), m_model.folders.cend());
    QStringList created;
    if (m_createdFolders < kMaxFolders && chance(20)) {
        const QString folder = pickOf(folders) + u'/' + randomStem();
        if (folder.toUtf8().size() < PATH_MAX - 600 && QDir().mkdir(folder)) {
            ++m_createdFolders;
            m_model.folders.insert(folder);
            for (int i = pick(3); i > 0; --i)
                createFile(folder);
            created << folder;
        }
    }
    for (int i = 1 + pick(3); i > 0; --i) {
        const int kind = pick(20);
        if (const QString path = kind < 2 ? createLink(pickOf(folders))
                : kind < 3                ? createUndecodable(pickOf(folders))
                                          : createFile(pickOf(folders));
            !path.isEmpty())
            created << path;
    }
    if (chance(30) && !m_queue.empty())
        created << *std::next(m_queue.cbegin(), pick(int(m_queue.size())));
    if (!created.isEmpty())
        dropOnQueue(created);
}

void tst_Soak::dropExisting()
{
    const QStringList items = existingItems();
    QStringList paths;
    for (int i = 1 + pick(3); i > 0; --i) {
        QString path = pickOf(items);
        // A spelling that differs only in case names another file here, usually one that does not exist.
        if (chance(15))
            path = parentOf(path) + u'/' + lastComponent(path).toUpper();
        paths << path;
    }
    if (chance(20))
        paths << paths.constFirst();
    dropOnQueue(paths);
}

// "plindor PATH..." while the window is open hands the paths over; those that do not exist are named in a message.
void tst_Soak::secondLaunch()
{
    QStringList paths;
    QStringList missing;
    for (int i = 1 + pick(2); i > 0; --i)
        paths << pickOf(existingItems());
    if (chance(30))
        missing << m_root + u"/gone-"_s + QString::number(pick(3));
    QStringList listed;
    for (const QString &path : paths + missing)
        listed << shown(path);
    log(u"second launch with "_s + listed.join(u", "_s));
    m_f->dlg().queuePaths(paths + missing);
    if (!missing.isEmpty())
        m_expectedMessages << u"以下路径不存在，未加入队列：\n"_s + missing.join(u'\n');
    for (const QString &path : std::as_const(paths))
        m_queue.insert(path);
    reloadFromRowZero();
}

void tst_Soak::clickQueueRow()
{
    CMyListBox *queue = m_f->queue();
    if (queue->count() == 0)
        return;
    const QModelIndex entry = queue->model()->index(pick(queue->count()), 0);
    queue->scrollTo(entry);
    const QString path = QDir::fromNativeSeparators(entry.data().toString());
    log(u"click queue row "_s + shown(path));
    QTest::mouseClick(queue->viewport(), Qt::LeftButton, {}, queue->visualRect(entry).center());
    m_loaded = Loaded { path, QFileInfo(path).isDir() };
    if (m_f->edit(IDC_EDIT_NAME)->text() != m_loaded->baseName())
        QTest::qFail("a clicked row was not loaded into the editor", __FILE__, __LINE__);
}

void tst_Soak::pressDelete()
{
    CMyListBox *queue = m_f->queue();
    if (queue->currentRow() < 0)
        return;
    const QString path = queue->pathAt(queue->currentRow());
    log(u"Delete key on "_s + shown(path));
    QTest::keyClick(queue, Qt::Key_Delete);
    m_queue.erase(path);
    reloadFromRowZero();
}

// ---- Composing the name and linking controls ----

void tst_Soak::clickComposer()
{
    static const int ids[]
        = { IDC_BTN_ADD_TERM_A, IDC_BTN_ADD_TERM_B, IDC_BTN_ADD_DATE, IDC_BTN_ADD_SUFFIX, IDC_BTN_TEXT1, IDC_BTN_TEXT2,
            IDC_BTN_TEXT3,      IDC_BTN_TEXT4,      IDC_BTN_TEXT5,    IDC_BTN_TEXT6,      IDC_BTN_CLEAR };
    const int id = ids[pick(int(std::size(ids)))];
    log(u"click "_s + m_f->button(id)->objectName());
    m_f->click(id);
}

// An arrow key picks the next entry of a candidate list (which inserts it) or of the target-folder list.
void tst_Soak::pressArrowInList()
{
    const int id = IDC_COMBO_TERM_A + pick(5);
    log(u"arrow key in "_s + m_f->combo(id)->objectName());
    QTest::keyClick(m_f->combo(id), chance(50) ? Qt::Key_Up : Qt::Key_Down);
}

// Drops link quick-move buttons, add to the target list, and rename common-text buttons. The term list takes
// drops too; the folder path it then offers has separators that a name must not take.
void tst_Soak::dropOnControl()
{
    static const int ids[] = { IDC_BTN_DIR1,  IDC_BTN_DIR2,  IDC_BTN_DIR3,  IDC_BTN_DIR4,         IDC_BTN_DIR5,
                               IDC_BTN_DIR1,  IDC_BTN_DIR2,  IDC_BTN_DIR3,  IDC_COMBO_TARGET_DIR, IDC_COMBO_TARGET_DIR,
                               IDC_BTN_TEXT1, IDC_BTN_TEXT4, IDC_BTN_TEXT6, IDC_COMBO_TERM_A };
    const int id = ids[pick(int(std::size(ids)))];
    const QString path = pickOf(existingItems());
    log(u"drop %1 on %2"_s.arg(shown(path), m_f->dlg().item(id)->objectName()));
    CDropSimulator::dropPaths(m_f->dlg().item(id), { path });
}

// ---- Renaming and moving ----

// Why the mover must refuse to give the loaded item this name in this folder; empty when it must succeed.
QString tst_Soak::refusal(const QString &folderText, const QString &name) const
{
    if (name.isEmpty() || name == u"."_s || name == u".."_s || name.contains(u'/') || name.contains(QChar(0)))
        return u"invalid name"_s;
    if (name.toUtf8().size() > NAME_MAX)
        return u"name too long"_s;
    // The program has no current folder of its own, so a relative folder names nothing the user could mean.
    if (!QDir::isAbsolutePath(folderText))
        return u"relative folder"_s;
    const QString folder = QDir::cleanPath(folderText);
    const QString destination = folder + u'/' + name;
    struct stat source = {};
    struct stat target = {};
    struct stat parent = {};
    struct stat taken = {};
    if (!statPath(m_loaded->path, source, false))
        return u"source missing"_s;
    if (!statPath(folder, target, true) || !S_ISDIR(target.st_mode))
        return u"no such folder"_s;
    if (statPath(destination, taken, false))
        return u"destination exists"_s;
    if (S_ISDIR(source.st_mode)) {
        if (source.st_dev != target.st_dev)
            return u"folder to another file system"_s;
        if (isInside(QFileInfo(folder).canonicalFilePath(), QFileInfo(m_loaded->path).canonicalFilePath()))
            return u"folder into itself"_s;
        if (statPath(parentOf(m_loaded->path), parent, true) && parent.st_dev != source.st_dev)
            return u"mount point"_s;
    }
    return {};
}

Expectation tst_Soak::expect(Operation operation, int button) const
{
    const QString nameText = withoutPlaceholder(m_f->edit(IDC_EDIT_NAME)->text());
    if (nameText.isEmpty())
        return { {}, {}, u"empty name: nothing happens"_s };
    QString folder = m_loaded ? parentOf(m_loaded->path) : QString();
    QString failure = kRenameFailed;
    QStringList success;
    if (operation == Operation::Move) {
        folder = QDir::fromNativeSeparators(m_f->combo(IDC_COMBO_TARGET_DIR)->currentText());
        if (folder.isEmpty() || folder == u"拖入文件夹"_s)
            return { {}, { kChooseFolder }, u"no folder chosen"_s };
        failure = kMoveFailed;
    } else if (operation == Operation::QuickMove) {
        const CMyButton *link = m_f->dropButton(IDC_BTN_DIR1 + button);
        if (link->m_filePath.isEmpty())
            return { {}, { kNotLinked }, u"button not linked"_s };
        folder = link->m_filePath + u'/' + link->m_Name;
        failure = kQuickFailed;
        success = QStringList { kQuickDone };
    }
    // A drop on the folder list enables "移动文件" even with an empty queue; the editor may still show an old name.
    if (!m_loaded)
        return { {}, { failure }, u"must fail (nothing loaded)"_s };
    const QString name = withoutPlaceholder(m_f->edit(IDC_EDIT_PREFIX)->text()) + nameText
        + withoutPlaceholder(m_f->edit(IDC_EDIT_SUFFIX)->text()) + m_loaded->extension();
    const QString why = refusal(folder, name);
    // The tree lists the item where it really is, also when the folder was reached through a link.
    const QString real = QFileInfo(folder).canonicalFilePath();
    const QString target = (real.isEmpty() ? QDir::cleanPath(folder) : real) + u'/' + name;
    if (!why.isEmpty())
        return { {}, { failure }, u"must fail (%1): %2"_s.arg(why, shown(target)) };
    struct stat from = {};
    struct stat into = {};
    const bool across
        = statPath(m_loaded->path, from, false) && statPath(folder, into, true) && from.st_dev != into.st_dev;
    return { target, success,
             u"must succeed%1: %2"_s.arg(across ? u" across file systems"_s : QString(), shown(target)) };
}

void tst_Soak::operate(Operation operation, int button)
{
    static const char *const names[] = { "rename", "Enter", "move", "quick-move" };
    const int id = operation == Operation::Move ? IDC_BTN_MOVE
        : operation == Operation::QuickMove     ? IDC_BTN_DIR1 + button
                                                : IDC_BTN_RENAME;
    const bool enabled = m_f->button(id)->isEnabled();
    const Expectation expected = expect(operation, button);
    log(u"%1%2 %3: %4"_s.arg(QString::fromLatin1(names[int(operation)]),
                             operation == Operation::QuickMove ? QString::number(button + 1) : QString(),
                             m_loaded ? shown(m_loaded->path) : u"(nothing loaded)"_s,
                             enabled ? expected.why : u"disabled"_s));
    std::unique_ptr<CEditorSave> editor;
    if (enabled && !expected.destination.isEmpty() && chance(10))
        editor = saveOverWhenMoved(expected.destination);
    if (operation == Operation::EnterKey) {
        m_f->edit(IDC_EDIT_NAME)->setFocus();
        QTest::keyClick(m_f->edit(IDC_EDIT_NAME), Qt::Key_Return);
    } else {
        m_f->click(id);
    }
    if (!enabled)
        return;
    ++m_outcomes[expected.why.section(u':', 0, 0)];
    m_expectedMessages = expected.messages;
    if (editor && editor->watcher.finish()) {
        expectEditorSave(operation, expected, *editor);
    } else if (!expected.destination.isEmpty()) {
        m_model = moved(m_model, m_loaded->path, expected.destination);
        std::set<QString> undecodable;
        for (const QString &path : m_undecodable)
            undecodable.insert(relocated(path, m_loaded->path, expected.destination));
        m_undecodable = undecodable;
        m_queue.erase(m_loaded->path);
    }
    if (editor && !editor->watcher.finish())
        m_model.files[editor->newer] = editor->content;
    reloadFromRowZero(m_loaded && m_queue.count(m_loaded->path) != 0 ? m_loaded->path : QString());
}

// An editor that saves by renaming a new version over the item the moment the item's new name shows: the new
// version must survive, and the move either finishes with the version it took or steps back as a failure.
std::unique_ptr<CEditorSave> tst_Soak::saveOverWhenMoved(const QString &destination)
{
    struct stat item = {};
    if (!statPath(m_loaded->path, item, false) || !S_ISREG(item.st_mode))
        return {};
    const QString source = m_loaded->path;
    const QString newer = parentOf(source) + u"/.editor-save"_s;
    const QByteArray content = "saved by an editor " + QByteArray::number(++m_serial) + '\n';
    QFile file(newer);
    if (!file.open(QIODevice::NewOnly) || file.write(content) != content.size())
        return {};
    file.close();
    log(u"an editor will save over "_s + shown(source));
    return std::make_unique<CEditorSave>(newer, content, parentOf(destination), lastComponent(destination), source);
}

void tst_Soak::expectEditorSave(Operation operation, const Expectation &expected, const CEditorSave &editor)
{
    const QStringList shown = m_f->prompter().texts();
    const QString failure = operation == Operation::Move ? kMoveFailed
        : operation == Operation::QuickMove              ? kQuickFailed
                                                         : kRenameFailed;
    if (shown == QStringList { failure }) {
        log(u"the move stepped back for the editor's new version"_s);
        ++m_outcomes[u"an editor saved over the item: the move stepped back"_s];
        m_expectedMessages = shown;
        m_model.files.erase(m_loaded->path);
    } else {
        log(u"the editor's new version arrived after the move"_s);
        ++m_outcomes[u"an editor saved over the item: after the move"_s];
        m_model = moved(m_model, m_loaded->path, expected.destination);
        m_queue.erase(m_loaded->path);
    }
    m_model.files[m_loaded->path] = editor.content;
}

// ---- The target-folder list ----

void tst_Soak::addTargetFolder()
{
    const QString answer = chance(15) ? QString() : randomFolderText(false);
    log(u"添加目录, the picker answers "_s + shown(answer));
    m_f->prompter().folderAnswers = QStringList { answer };
    m_f->click(IDC_BTN_ADD_DIR);
    m_f->prompter().folderAnswers.clear();
}

// Leaving saves the list, the links and the captions; the next window must show exactly them.
void tst_Soak::restart()
{
    log(u"exit and start again"_s);
    const auto saved = [this] {
        QStringList texts;
        const CMyComboBox *targets = m_f->combo(IDC_COMBO_TARGET_DIR);
        for (int i = 0; i < targets->count(); ++i)
            texts << targets->itemText(i);
        // An emptied list comes back as its placeholder.
        if (texts.isEmpty())
            texts << u"拖入文件夹"_s;
        for (int k = 0; k < 5; ++k) {
            const CMyButton *button = m_f->dropButton(IDC_BTN_DIR1 + k);
            texts << button->m_filePathName << button->m_filePath << button->m_Name << button->text();
        }
        for (int k = 0; k < 6; ++k)
            texts << m_f->button(IDC_BTN_TEXT1 + k)->text();
        return texts;
    };
    const QStringList before = saved();
    if (!m_f->restart()) {
        QTest::qFail("the window did not open again", __FILE__, __LINE__);
        return;
    }
    m_queue.clear();
    m_loaded.reset();
    if (saved() != before)
        QTest::qFail("the folder list, links or captions did not survive a restart", __FILE__, __LINE__);
}

QTEST_MAIN(tst_Soak)
#include "tst_Soak.moc"
