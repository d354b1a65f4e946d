// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/PreviewPane.h"

#include "dialog/PageWindow.h"
#include "dialog/PlindorDlg.h"
#include "platform/PreviewLoader.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{
constexpr int kMargin = 8;
/// Below the picture: the reason and the line of facts, each up to two lines.
constexpr int kTextHeight = 96;
constexpr int kIconSize = 96;

QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    // A type's name or a system message must never be read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}
} // namespace

CPreviewPane::CPreviewPane(CPlindorDlg *window)
    : QFrame(window)
    , m_loader(new CPreviewLoader(this))
    , m_action(new QAction(tr("预览"), this))
    , m_page(new CPageWindow(window, m_loader))
    , m_click(new QTimer(this))
    , m_picture(new QLabel(this))
    , m_reason(plainLabel(this))
    , m_info(plainLabel(this))
{
    setObjectName(u"PlindorPreview"_s);
    setAccessibleName(tr("预览"));
    setFrameShape(QFrame::StyledPanel);
    m_picture->setObjectName(u"previewPicture"_s);
    m_picture->setAlignment(Qt::AlignCenter);
    // The pane's layout stays as it is from item to item: a new picture or text repaints, never lays out again.
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    for (QLabel *text : { m_reason, m_info })
        text->setFixedHeight(kTextHeight / 2);
    m_info->setObjectName(u"previewInfo"_s);
    m_reason->setObjectName(u"previewReason"_s);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->addWidget(m_picture, 1);
    column->addWidget(m_reason);
    column->addWidget(m_info);
    m_action->setObjectName(u"actionPreview"_s);
    m_action->setCheckable(true);
    m_action->setChecked(true);
    m_action->setShortcut(Qt::Key_F3);
    window->addAction(m_action);
    window->item(IDC_FILE_LIST)->addAction(m_action);
    addAction(m_action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // Only the user's own toggling is a choice to keep; the pane hidden for want of room is not.
    connect(m_action, &QAction::triggered, this, &CPreviewPane::toggle);
    connect(m_loader, &CPreviewLoader::ready, this, &CPreviewPane::showPreview);
    addPageActions(window);
    connect(window, &CPlindorDlg::loadedItemChanged, this, &CPreviewPane::showItem);
    connect(window, &CPlindorDlg::operationStarting, m_loader, &CPreviewLoader::release);
}

CPreviewPane::~CPreviewPane() = default;

// F4 anywhere in the window; Space only in the queue, where it types nothing.
void CPreviewPane::addPageActions(CPlindorDlg *window)
{
    auto *anywhere = new QAction(tr("放大显示第一页"), this);
    anywhere->setObjectName(u"actionPageLarge"_s);
    anywhere->setShortcut(Qt::Key_F4);
    window->addAction(anywhere);
    auto *inQueue = new QAction(this);
    inQueue->setShortcut(Qt::Key_Space);
    inQueue->setShortcutContext(Qt::WidgetShortcut);
    window->item(IDC_FILE_LIST)->addAction(inQueue);
    for (QAction *action : { anywhere, inQueue })
        connect(action, &QAction::triggered, this, &CPreviewPane::showPageLarge);
    m_click->setSingleShot(true);
    m_click->setInterval(QApplication::doubleClickInterval());
    connect(m_click, &QTimer::timeout, this, &CPreviewPane::showPageLarge);
    // The pane's own answer may have given way to the large page's.
    connect(m_page, &QDialog::finished, this, &CPreviewPane::loadShownItem);
}

void CPreviewPane::showPageLarge()
{
    if (!m_path.isEmpty() && !m_page->isVisible())
        m_page->showPage(m_path);
}

void CPreviewPane::fitBeside(QSize room)
{
    m_base = parentWidget()->size();
    setGeometry(m_base.width(), 0, kWidth, m_base.height());
    m_room = room.width() >= m_base.width() + kWidth;
    apply(m_chosen && m_room);
}

void CPreviewPane::setChosen(bool chosen)
{
    m_chosen = chosen;
    apply(m_chosen && m_room);
}

bool CPreviewPane::isChosen() const
{
    return m_chosen;
}

QAction *CPreviewPane::toggleAction() const
{
    return m_action;
}

CPreviewLoader *CPreviewPane::loader() const
{
    return m_loader;
}

void CPreviewPane::toggle(bool shown)
{
    m_chosen = shown;
    apply(shown);
}

void CPreviewPane::apply(bool shown)
{
    m_action->setChecked(shown);
    setVisible(shown);
    if (m_base.isValid())
        parentWidget()->setFixedSize(m_base + QSize(shown ? kWidth : 0, 0));
    loadShownItem();
}

void CPreviewPane::showItem(const QString &path)
{
    m_path = path;
    loadShownItem();
}

// A hidden pane reads nothing; shown again, it reads the item loaded then.
void CPreviewPane::loadShownItem()
{
    if (m_path.isEmpty() || !isVisibleTo(parentWidget())) {
        m_loader->clear();
        m_shownPath.clear();
        m_picture->clear();
        m_reason->clear();
        m_info->clear();
        setAccessibleDescription({});
        return;
    }
    if (m_path != m_shownPath)
        showPending();
    m_shownPath = m_path;
    m_loader->load(m_path, pictureBox());
}

void CPreviewPane::showPending()
{
    m_picture->clear();
    m_reason->clear();
    m_info->setText(tr("正在读取…"));
    setAccessibleDescription(m_info->text());
}

void CPreviewPane::showPreview(const CPreview &preview)
{
    if (preview.path != m_shownPath || preview.box != pictureBox())
        return;
    QPixmap picture;
    if (!preview.image.isNull()) {
        picture = QPixmap::fromImage(preview.image);
        picture.setDevicePixelRatio(devicePixelRatioF());
    } else {
        picture = iconFor(preview);
    }
    m_picture->setPixmap(picture);
    m_reason->setText(preview.reason);
    m_info->setText(preview.info);
    setAccessibleDescription(preview.info);
}

QPixmap CPreviewPane::iconFor(const CPreview &preview)
{
    const QString key = preview.iconName + u'|' + preview.genericIconName + u'|' + QString::number(preview.folder);
    if (const auto kept = m_icons.constFind(key); kept != m_icons.constEnd())
        return *kept;
    QIcon icon = QIcon::fromTheme(preview.iconName, QIcon::fromTheme(preview.genericIconName));
    if (icon.isNull())
        icon = style()->standardIcon(preview.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon, nullptr, this);
    return *m_icons.insert(key, icon.pixmap(QSize(kIconSize, kIconSize)));
}

QSize CPreviewPane::pictureBox() const
{
    const QSize logical(kWidth - 2 * kMargin, std::max(1, m_base.height() - 2 * kMargin - kTextHeight));
    return logical * devicePixelRatioF();
}

void CPreviewPane::mouseReleaseEvent(QMouseEvent *event)
{
    // The release that ends a double click is no click of its own.
    const bool click = !std::exchange(m_doubleClicked, false) && event->button() == Qt::LeftButton;
    if (click && m_picture->geometry().contains(event->position().toPoint()) && !m_picture->pixmap().isNull())
        m_click->start();
    QFrame::mouseReleaseEvent(event);
}

void CPreviewPane::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_click->stop();
    m_doubleClicked = true;
    if (!m_path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_path));
    QFrame::mouseDoubleClickEvent(event);
}
