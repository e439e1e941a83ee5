#include "platform/label.h"

#include <QMouseEvent>

namespace platform
{

Label::Label(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
}

void Label::setCaption(const QString &caption)
{
    setText(caption);
    setAccessibleName(caption);
}

void Label::setForeColor(ColorValue color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, toQColor(color));
    setPalette(p);
}

void Label::setBackColor(ColorValue color)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, toQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

void Label::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void Label::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    emit MouseMove();
}

} // namespace platform
