#include "platform/label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace platform
{

namespace
{

// How a screen reader sees a link: its text, the link role, and one action that follows it.
class LinkAccessible : public QAccessibleWidget
{
public:
    explicit LinkAccessible(Label *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<Label *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            emit static_cast<Label *>(widget())->Click();
    }
};

QAccessibleInterface *linkFactory(const QString &, QObject *object)
{
    auto *label = qobject_cast<Label *>(object);
    return label && label->isLink() ? new LinkAccessible(label) : nullptr;
}

} // namespace

Label::Label(QWidget *parent) : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(linkFactory);
        return true;
    }();
    Q_UNUSED(installed);
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

void Label::setLink(bool link)
{
    m_link = link;
    setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setFocusPolicy(link ? Qt::StrongFocus : Qt::NoFocus);
}

void Label::keyPressEvent(QKeyEvent *event)
{
    if (m_link && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                   event->key() == Qt::Key_Space)) {
        emit Click();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
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
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

} // namespace platform
