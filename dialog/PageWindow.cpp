// SPDX-FileCopyrightText: 2026 Plindor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/PageWindow.h"

#include "core/PreviewProtocol.h"
#include "platform/PreviewLoader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace
{
/// What the window's frame and title take, and a margin around the page.
constexpr int kFrame = 48;
constexpr int kMargin = 4;
} // namespace

CPageWindow::CPageWindow(QWidget *parent, CPreviewLoader *loader)
    : QDialog(parent)
    , m_loader(loader)
    , m_picture(new QLabel(this))
    , m_reason(new QLabel(this))
{
    setObjectName(u"PlindorPage"_s);
    setWindowModality(Qt::WindowModal);
    m_picture->setObjectName(u"pagePicture"_s);
    m_picture->setAlignment(Qt::AlignCenter);
    m_reason->setTextFormat(Qt::PlainText);
    m_reason->setAlignment(Qt::AlignCenter);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->addWidget(m_picture, 1);
    column->addWidget(m_reason);
    connect(m_loader, &CPreviewLoader::ready, this, &CPageWindow::showPreview);
    connect(this, &QDialog::finished, this, &CPageWindow::restoreFocus);
}

void CPageWindow::showPage(const QString &path)
{
    m_focus = QApplication::focusWidget();
    m_path = path;
    m_box = pictureBox();
    setWindowTitle(path.section(u'/', -1));
    m_picture->clear();
    m_reason->setText(tr("正在读取…"));
    const QSize logical = m_box / devicePixelRatioF();
    resize(logical.width() * 3 / 4 + 2 * kMargin, logical.height() + 2 * kMargin);
    open();
    m_loader->load(path, m_box);
}

void CPageWindow::showPreview(const CPreview &preview)
{
    if (!isVisible() || preview.path != m_path || preview.box != m_box)
        return;
    m_reason->setText(preview.reason);
    if (preview.image.isNull())
        return;
    QPixmap page = QPixmap::fromImage(preview.image);
    page.setDevicePixelRatio(devicePixelRatioF());
    m_picture->setPixmap(page);
    resize(page.deviceIndependentSize().toSize() + QSize(2 * kMargin, 2 * kMargin + m_reason->sizeHint().height()));
}

void CPageWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_F4) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPageWindow::restoreFocus()
{
    if (!m_focus)
        return;
    m_focus->window()->activateWindow();
    m_focus->setFocus(Qt::OtherFocusReason);
}

// As tall as the screen allows, in device pixels, and no larger than the helper draws.
QSize CPageWindow::pictureBox() const
{
    const QScreen *shown = parentWidget() ? parentWidget()->screen() : screen();
    const QSize room = shown->availableGeometry().size() - QSize(kFrame, kFrame);
    const QSize box = room * devicePixelRatioF();
    const int most = CPreviewProtocol::kMostImageSide;
    return { std::clamp(box.width(), 1, most), std::clamp(box.height(), 1, most) };
}
