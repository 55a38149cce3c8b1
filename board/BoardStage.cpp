// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardStage.h"

#include <QChildEvent>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include <utility>

BoardStage::BoardStage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BoardStage::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void BoardStage::RenderInto(QImage& image, const QRegion& part)
{
    m_rendering = true;
    render(&image, part.boundingRect().topLeft(), part);
    m_rendering = false;
}

QImage BoardStage::Grab(const QRect& part)
{
    QImage image(part.size(), QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    m_rendering = true;
    render(&image, QPoint(0, 0), QRegion(part));
    m_rendering = false;
    return image;
}

bool BoardStage::Changed(const QWidget* w, const QRegion& region)
{
    if (m_rendering)
        return false;
    const QRegion onStage = region.translated(w->mapTo(this, QPoint(0, 0)));
    if (m_onPainted)
        m_onPainted(onStage);
    if (!isWindow())
        return false;
    m_changed += onStage;
    return true;
}

bool BoardStage::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::ChildAdded:
        if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child()))
            w->installEventFilter(this);
        break;
    case QEvent::Paint:
        // Off screen, painting the unseen window would be wasted: the board
        // draws the part that changed into its copy instead.
        if (Changed(this, static_cast<QPaintEvent*>(e)->region()))
            return true;
        break;
    default:
        break;
    }
    const bool done = QWidget::event(e);
    // Off screen, every update of the stage or a control on it ends here,
    // after the controls have painted what changed.
    if (e->type() == QEvent::UpdateRequest && isWindow() && m_onChange)
        m_onChange(m_changed.isEmpty() ? QRegion(rect()) : std::exchange(m_changed, QRegion()));
    return done;
}

bool BoardStage::eventFilter(QObject* watched, QEvent* e)
{
    return e->type() == QEvent::Paint &&
           Changed(static_cast<QWidget*>(watched), static_cast<QPaintEvent*>(e)->region());
}

void BoardStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    p.drawImage(QPoint(0, 0), m_picture);
}
