// SPDX-License-Identifier: GPL-3.0-or-later
// The control panel's pictures: the board's face for each backlight state,
// and the ticket preview pane.
#include "panel/frmCtl.h"

#include "board/Form1.h"
#include "board/StopLampCtl.h"
#include "companion/MsgBox.h"
#include "companion/Twips.h"
#include "options/ColorButton.h"
#include "options/PanelPictureChoice.h"
#include "options/VbCheckBox.h"
#include "options/VbOptionButton.h"
#include "options/frmOption.h"
#include "panel/PanelPicture.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

namespace {

constexpr int kTwips = ltm4::kTwipsPerPixel;

} // namespace

int frmCtl::SelectedBacklight() const
{
    if (m_option4[0]->isChecked())
        return 0;
    return m_option4[1]->isChecked() ? 1 : 2;
}

void frmCtl::Option4_Click(int index)
{
    if (!m_board || !m_option || index < 0 || index > 2)
        return;
    m_board->StopLamp()->setBacklight(index);
    const quint32 color = m_option->Command5(index)->BackColor();
    const bool user = PanelPictureChoice::ShowsUserPicture(
        index, [this](int option) { return m_option->Option3(option)->Value() == -1; });
    if (!user) {
        m_board->setPicture(m_board->imgRes(index));
    } else {
        const PanelPicture::Loaded loaded =
            PanelPicture::Load(m_option->txtSelectPanel(index)->text());
        if (loaded.code == 0 && !loaded.image.isNull())
            m_board->setPicture(loaded.image);
        else if (loaded.code != PanelPicture::kMissingQuietly)
            tellPictureError(loaded.code, m_option->txtSelectPanel(index)->text());
    }
    m_board->SetSeiriNumColor(color);
}

void frmCtl::tellPictureError(int code, const QString& path)
{
    const QString told = QString::number(code) + u'\n' + path;
    if (m_pictureErrorsOnce > 0) {
        if (m_picturesTold.contains(told))
            return;
        m_picturesTold << told;
    }
    ltm4::MsgBox(this, PanelPicture::ErrorText(code), ltm4::vbCritical, QStringLiteral("エラー"));
}

frmCtl::PictureErrorsOnce::PictureErrorsOnce(frmCtl& ctl) : m_ctl(ctl)
{
    if (m_ctl.m_pictureErrorsOnce++ == 0)
        m_ctl.m_picturesTold.clear();
}

frmCtl::PictureErrorsOnce::~PictureErrorsOnce()
{
    --m_ctl.m_pictureErrorsOnce;
}

void frmCtl::Check4_Click()
{
    const bool open = m_check4->Value() == 1;
    const int width = (open ? kOpenWidthTwips : kClosedWidthTwips) / kTwips;
    // Widening to the right must not push the pane off the screen (the panel
    // starts in the bottom-right corner): move left by what would stick out,
    // and back by as much when the pane closes.
    if (open && m_previewShift == 0) {
        if (const QScreen* s = screen(); s && isVisible()) {
            const int overflow =
                frameGeometry().right() + (width - this->width()) - s->availableGeometry().right();
            if (overflow > 0) {
                m_previewShift = qMin(overflow, x() - s->availableGeometry().left());
                move(x() - m_previewShift, y());
            }
        }
    } else if (!open && m_previewShift != 0) {
        move(x() + m_previewShift, y());
        m_previewShift = 0;
    }
    setFixedWidth(width);
    m_check4->setText(open ? QStringLiteral("<<") : QStringLiteral(">>"));
    m_check4->setToolTip(open ? QStringLiteral("整理券プレビューを隠します")
                              : QStringLiteral("整理券プレビューを開きます"));
}

void frmCtl::setPreviewImage(const QImage& image)
{
    m_previewImage = image;
    m_preview->setPixmap(QPixmap::fromImage(image));
}

void frmCtl::SetPreviewSize(int widthTwips, int heightTwips)
{
    // The picture gets the plugin's size; the sunken frame goes around it.
    const int frame = 2 * m_preview->frameWidth();
    m_preview->resize(widthTwips / kTwips + frame, heightTwips / kTwips + frame);
}

void frmCtl::MnuHideCopy_Click()
{
    QClipboard* clip = QApplication::clipboard();
    clip->clear();
    clip->setImage(m_previewImage);
}
