// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PreviewSource.h"

#include "platform/FittedSize.h"
#include "platform/PdfPage.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include "platform/ShellThumbnail.h"

#include <QDir>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;
using Problem = CPreview::Problem;

namespace
{
QString reasonFor(Problem problem)
{
    switch (problem) {
    case Problem::None:
    case Problem::Cancelled:
        return {};
    case Problem::Missing:
        return QCoreApplication::translate("CPreviewSource", "文件不存在");
    case Problem::NotRegular:
        return QCoreApplication::translate("CPreviewSource", "不是普通文件（管道、设备或套接字），不读取");
    case Problem::Unreadable:
        return QCoreApplication::translate("CPreviewSource", "文件无法打开");
    case Problem::DamagedPdf:
        return QCoreApplication::translate("CPreviewSource", "PDF 文件已损坏，无法显示");
    case Problem::EncryptedPdf:
        return QCoreApplication::translate("CPreviewSource", "PDF 文件有密码保护，不显示内容");
    case Problem::NoPdfSupport:
        return QCoreApplication::translate("CPreviewSource", "此版本不能显示 PDF 页面");
    case Problem::ImageTooLarge:
        return QCoreApplication::translate("CPreviewSource", "图片过大，不显示");
    case Problem::DamagedImage:
        return QCoreApplication::translate("CPreviewSource", "图片已损坏，无法显示");
    case Problem::NoAnswer:
        return QCoreApplication::translate("CPreviewSource", "磁盘没有及时响应");
    case Problem::Slow:
        return QCoreApplication::translate("CPreviewSource", "读取时间过长");
    case Problem::FolderHangs:
        return QCoreApplication::translate("CPreviewSource", "所在文件夹没有响应");
    case Problem::TooMuchMemory:
        return QCoreApplication::translate("CPreviewSource", "显示它需要的内存过多");
    case Problem::HelperFailed:
        return QCoreApplication::translate("CPreviewSource", "预览程序意外退出");
    case Problem::NoHelper:
        return QCoreApplication::translate("CPreviewSource", "找不到预览程序");
    }
    return {};
}

void setProblem(CPreview &preview, Problem problem, const QString &detail = {})
{
    preview.problem = problem;
    preview.image = {};
    preview.reason = detail.isEmpty() ? reasonFor(problem) : reasonFor(problem) + u"（"_s + detail + u"）"_s;
}

void setType(CPreview &preview, const QMimeType &type)
{
    preview.iconName = type.iconName();
    preview.genericIconName = type.genericIconName();
}

#ifdef Q_OS_WIN
/// Opens a regular file for reading. Windows keeps its pipes out of the folders, so what the name shows is the kind.
/// Every kind of sharing is granted, deleting and renaming too: a move of the file never fails because the preview
/// holds it, as it would with QFile's own open.
bool openRegular(const QString &path, QFile &file, CPreview &preview)
{
    if (!QFileInfo(path).isFile()) {
        setProblem(preview, Problem::NotRegular);
        return false;
    }
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setProblem(preview, Problem::Unreadable, QString::number(GetLastError()));
        return false;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        setProblem(preview, Problem::Unreadable);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        setProblem(preview, Problem::Unreadable, file.errorString());
        return false;
    }
    return true;
}
#else
/// Opens a regular file for reading. The name is checked before and the descriptor after the open: a FIFO put in
/// the file's place meanwhile is opened without waiting for a writer, then refused.
bool openRegular(const QString &path, QFile &file, CPreview &preview)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        setProblem(preview, Problem::Unreadable, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        setProblem(preview, Problem::NotRegular);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        setProblem(preview, Problem::Unreadable, file.errorString());
        return false;
    }
    return true;
}
#endif

/// The image on `device`, refused by its claimed size before decoding, decoded no larger than `box` where the
/// format can (JPEG), and turned as its EXIF orientation says.
QImage readImage(QIODevice *device, QSize box, CPreview &preview)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(CPreviewSource::kAllocationLimitMb);
    const QSize claimed = reader.size();
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    if (claimed.isValid()) {
        preview.pixels = turned ? claimed.transposed() : claimed;
        if (qint64(claimed.width()) * claimed.height() > CPreviewSource::kMostPixels) {
            setProblem(preview, Problem::ImageTooLarge,
                       u"%1 × %2"_s.arg(preview.pixels.width()).arg(preview.pixels.height()));
            return {};
        }
        const QSize unturnedBox = turned ? box.transposed() : box;
        const bool larger = claimed.width() > unturnedBox.width() || claimed.height() > unturnedBox.height();
        if (larger && reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(fittedSize(claimed, unturnedBox));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        setProblem(preview, Problem::DamagedImage, reader.errorString());
        return {};
    }
    if (!claimed.isValid())
        preview.pixels = image.size();
    if (image.width() <= box.width() && image.height() <= box.height())
        return image;
    // The thumbnail cache's keys are text in the image, which scaling drops.
    QImage scaled = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    for (const QString &key : image.textKeys())
        scaled.setText(key, image.text(key));
    return scaled;
}

/// A file manager writes the URI escaped as GLib escapes it; Qt leaves a few more characters as they are. Both
/// spellings are looked for.
QStringList uriSpellings(const QString &path)
{
    const QString qtSpelling = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const QString glibSpelling
        = u"file://"_s + QString::fromLatin1(QFile::encodeName(path).toPercentEncoding("!$&'()*+,/:=@"));
    return qtSpelling == glibSpelling ? QStringList { qtSpelling } : QStringList { qtSpelling, glibSpelling };
}

QString md5Name(const QString &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex()) + u".png"_s;
}

#ifdef Q_OS_WIN
/// Windows keeps no thumbnails where other programs could read them: its shell draws them, with the handler of the
/// file's type.
QImage systemThumbnail(const CPreviewSource::Facts &facts, QSize box)
{
    return CShellThumbnail::of(facts.path, box);
}
#else
/// From the freedesktop cache, where the file managers keep them. A thumbnail counts only when it says it is of this
/// file as it is now: its URI and modification time match.
QImage systemThumbnail(const CPreviewSource::Facts &facts, QSize box)
{
    const QString absolute = QFileInfo(facts.path).absoluteFilePath();
    const QStringList uris = uriSpellings(absolute);
    const QString folder = CPreviewSource::thumbnailFolder();
    for (const QString &size : { u"x-large"_s, u"large"_s, u"normal"_s }) {
        for (const QString &uri : uris) {
            const QString name = folder + u'/' + size + u'/' + md5Name(uri);
            if (!QFileInfo(name).isFile())
                continue;
            QFile file;
            CPreview scratch;
            if (!openRegular(name, file, scratch))
                continue;
            QImage thumbnail = readImage(&file, box, scratch);
            if (thumbnail.text(u"Thumb::URI"_s) == uri
                && thumbnail.text(u"Thumb::MTime"_s) == QString::number(facts.modified.toSecsSinceEpoch()))
                return thumbnail;
        }
    }
    return {};
}
#endif

void readPdf(QFile &file, const CPreviewSource::Facts &facts, QSize box, CPreview &preview)
{
    CPdfPage::Result page = CPdfPage::draw(file, box);
    preview.pages = page.pages;
    preview.image = std::move(page.image);
    preview.pageText = std::move(page.text);
    switch (page.outcome) {
    case CPdfPage::Outcome::Drawn:
        return;
    case CPdfPage::Outcome::Damaged:
        return setProblem(preview, Problem::DamagedPdf);
    case CPdfPage::Outcome::Encrypted:
        return setProblem(preview, Problem::EncryptedPdf);
    case CPdfPage::Outcome::NoSupport:
        // The system may draw page 1 where this build cannot (Windows has no Qt PDF).
        preview.image = systemThumbnail(facts, box);
        if (preview.image.isNull())
            setProblem(preview, Problem::NoPdfSupport);
        return;
    }
}

qint64 countEntries(const QString &path, const std::stop_token &stop)
{
    QDirIterator entries(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    qint64 count = 0;
    while (entries.hasNext() && count <= CPreviewSource::kMostEntries && !stop.stop_requested()) {
        entries.next();
        ++count;
    }
    return count;
}

QString infoLine(const CPreview &preview, const CPreviewSource::Facts &facts, const QMimeType &type)
{
    const QLocale locale;
    QStringList parts { type.comment().isEmpty() ? type.name() : type.comment() };
    if (preview.folder && preview.entries > CPreviewSource::kMostEntries)
        parts << QCoreApplication::translate("CPreviewSource", "超过 %1 项")
                     .arg(locale.toString(CPreviewSource::kMostEntries));
    else if (preview.folder && preview.entries >= 0)
        parts << QCoreApplication::translate("CPreviewSource", "%n 项", nullptr, int(preview.entries));
    if (!preview.folder)
        parts << locale.formattedDataSize(facts.size);
    if (facts.modified.isValid())
        parts << locale.toString(facts.modified, QLocale::ShortFormat);
    if (preview.pages > 0)
        parts << QCoreApplication::translate("CPreviewSource", "%n 页", nullptr, preview.pages);
    if (preview.pixels.isValid())
        parts << u"%1 × %2"_s.arg(preview.pixels.width()).arg(preview.pixels.height());
    // The line wraps between the facts, never inside one: "1200 ×" above "1600" reads as two numbers.
    for (qsizetype fact = 1; fact < parts.size(); ++fact)
        parts[fact].replace(u' ', QChar::Nbsp);
    return parts.join(u" · "_s);
}

bool isPdf(const QMimeType &type)
{
    return type.inherits(u"application/pdf"_s);
}

bool isImage(const QMimeType &type)
{
    static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QByteArray &name : readable) {
        if (type.inherits(QString::fromLatin1(name)))
            return true;
    }
    return false;
}

void readFile(const CPreviewSource::Facts &facts, QSize box, const std::stop_token &stop, CPreview &preview,
              QMimeType &type)
{
    QFile file;
    if (!openRegular(facts.path, file, preview))
        return;
    const QMimeDatabase types;
    type = types.mimeTypeForFileNameAndData(facts.path, file.peek(4096));
    setType(preview, type);
    if (stop.stop_requested())
        return setProblem(preview, Problem::Cancelled);
    if (isPdf(type))
        readPdf(file, facts, box, preview);
    else if (isImage(type))
        preview.image = readImage(&file, box, preview);
    else
        preview.image = systemThumbnail(facts, box);
}
} // namespace

CPreviewSource::Facts CPreviewSource::facts(const QString &path)
{
    const QFileInfo info(path);
    Facts facts;
    facts.path = path;
    facts.exists = info.exists();
    facts.folder = info.isDir();
    facts.regular = info.isFile();
    facts.size = info.size();
    facts.modified = info.lastModified();
    return facts;
}

CPreview CPreviewSource::read(const Facts &facts, QSize box, std::stop_token stop)
{
    CPreview preview;
    preview.path = facts.path;
    preview.folder = facts.folder;
    const QMimeDatabase types;
    QMimeType type = types.mimeTypeForFile(facts.path, QMimeDatabase::MatchExtension);
    if (!facts.exists) {
        setType(preview, type);
        setProblem(preview, Problem::Missing);
        return preview;
    }
    if (facts.folder) {
        type = types.mimeTypeForName(u"inode/directory"_s);
        setType(preview, type);
        preview.entries = countEntries(facts.path, stop);
    } else if (!facts.regular) {
        // Its kind from the name alone: asking the type database would open it.
        setType(preview, type);
        setProblem(preview, Problem::NotRegular);
    } else {
        readFile(facts, box, stop, preview, type);
    }
    if (stop.stop_requested())
        setProblem(preview, Problem::Cancelled);
    preview.info = infoLine(preview, facts, type);
    return preview;
}

CPreview CPreviewSource::unanswered(const QString &path, CPreview::Problem problem)
{
    CPreview preview;
    preview.path = path;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    setType(preview, type);
    setProblem(preview, problem);
    preview.info = type.comment();
    return preview;
}

bool CPreviewSource::readsPdf()
{
#ifdef PLINDOR_PDF_MODULE_DIR
    return true;
#else
    return false;
#endif
}

QString CPreviewSource::thumbnailFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/thumbnails"_s;
}

QString CPreviewSource::thumbnailName(const QString &path)
{
    return md5Name(uriSpellings(QFileInfo(path).absoluteFilePath()).constFirst());
}
