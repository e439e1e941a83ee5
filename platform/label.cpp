#include "platform/label.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

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

void Label::paintEvent(QPaintEvent *event)
{
    if (autoFillBackground() || !pixmap().isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("%1|%2|%3|%4x%5|%6|%7")
                            .arg(text(), font().key(), palette().color(QPalette::WindowText).name())
                            .arg(width())
                            .arg(height())
                            .arg(ratio)
                            .arg(isEnabled());
    if (key != m_renderedKey) {
        m_rendered = QPixmap(size() * ratio);
        m_rendered.setDevicePixelRatio(ratio);
        m_rendered.fill(Qt::transparent);
        QPainter p(&m_rendered);
        p.setFont(font());
        style()->drawItemText(&p, contentsRect(),
                              QStyle::visualAlignment(layoutDirection(), alignment()) |
                                  (wordWrap() ? Qt::TextWordWrap : 0),
                              palette(), isEnabled(), text(), foregroundRole());
        m_renderedKey = key;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_rendered);
}

} // namespace platform
