#include "platform/commandbutton.h"

#include <QAccessible>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace platform
{

CommandButton::CommandButton(bool graphical, QWidget *parent)
    : QPushButton(parent), m_graphical(graphical),
      m_backColor(fromQColor(palette().color(QPalette::Button)))
{
    setAutoDefault(false);
    if (m_graphical)
        setAttribute(Qt::WA_OpaquePaintEvent);
}

void CommandButton::setCaption(const QString &caption)
{
    if (caption == text())
        return;
    setText(caption);
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void CommandButton::setBackColor(ColorValue color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    if (!m_graphical) {
        QPalette p = palette();
        p.setColor(QPalette::Button, toQColor(color));
        setPalette(p);
    }
    update();
}

void CommandButton::paintEvent(QPaintEvent *event)
{
    if (!m_graphical) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QRect r = rect();
    const QColor face = toQColor(m_backColor);
    p.fillRect(r, face);

    // A raised bevel, sunken while pressed.
    const bool down = isDown() || isChecked();
    const QColor light = down ? QColor(64, 64, 64) : QColor(255, 255, 255);
    const QColor dark = down ? QColor(255, 255, 255) : QColor(64, 64, 64);
    const QColor shade = face.darker(150);
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight() - QPoint(1, 0));
    p.drawLine(r.topLeft(), r.bottomLeft() - QPoint(0, 1));
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (!down) {
        p.setPen(shade);
        p.drawLine(r.bottomLeft() + QPoint(1, -1), r.bottomRight() - QPoint(1, 1));
        p.drawLine(r.topRight() + QPoint(-1, 1), r.bottomRight() - QPoint(1, 1));
    }

    QRect textRect = r.adjusted(3, 3, -3, -3);
    if (down)
        textRect.translate(1, 1);
    p.setFont(font());
    if (isEnabled()) {
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    } else {
        // Disabled captions are embossed, as on the classic desktop.
        p.setPen(QColor(255, 255, 255));
        p.drawText(textRect.translated(1, 1), Qt::AlignCenter | Qt::TextShowMnemonic, text());
        p.setPen(shade);
        p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r.adjusted(4, 4, -4, -4);
        option.backgroundColor = face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

} // namespace platform
