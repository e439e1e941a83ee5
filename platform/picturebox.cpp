#include "platform/picturebox.h"

#include <QMouseEvent>
#include <QPainter>

namespace platform
{

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::fillBox(int x1, int y1, int x2, int y2, int r, int g, int b)
{
    // A box that has not been shown yet gets its resize event only when it is shown; what
    // is painted before then must already land in a picture of the right size.
    if (m_image.image().size() != size())
        m_image.resize(size(), palette().color(QPalette::Window));
    const QRect changed = m_image.fillBox(x1, y1, x2, y2, r, g, b);
    if (!changed.isEmpty())
        update(changed);
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.drawImage(event->rect(), m_image.image(), event->rect());
}

void PictureBox::resizeEvent(QResizeEvent *)
{
    // Keep what was drawn when the size has not changed (the first showing resizes too).
    if (m_image.image().size() != size())
        m_image.resize(size(), palette().color(QPalette::Window));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

} // namespace platform
