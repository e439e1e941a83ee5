#include "platform/spinbutton.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>

namespace platform
{

namespace
{

// Announces the control as a spin box with a value; its arrows are ordinary push buttons.
class SpinButtonAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit SpinButtonAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::SpinBox) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return spin()->value(); }
    void setCurrentValue(const QVariant &value) override { spin()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return spin()->maximum(); }
    QVariant minimumValue() const override { return spin()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    SpinButton *spin() const { return static_cast<SpinButton *>(widget()); }
};

QAccessibleInterface *spinButtonFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("platform::SpinButton") && object && object->isWidgetType())
        return new SpinButtonAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

QToolButton *makeArrow(Qt::ArrowType type, QWidget *parent)
{
    auto *arrow = new QToolButton(parent);
    arrow->setArrowType(type);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setAutoRepeat(true);
    arrow->setAutoRepeatDelay(400);
    arrow->setAutoRepeatInterval(80);
    return arrow;
}

} // namespace

SpinButton::SpinButton(QWidget *parent)
    : QWidget(parent), m_up(makeArrow(Qt::UpArrow, this)), m_down(makeArrow(Qt::DownArrow, this))
{
    static const bool registered = [] {
        QAccessible::installFactory(spinButtonFactory);
        return true;
    }();
    Q_UNUSED(registered);
    setFocusPolicy(Qt::StrongFocus);
    // Fully painted by itself and its arrows: the window's animation never redraws it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A press on an arrow takes the focus first, as a click on any control does.
    connect(m_up, &QToolButton::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    connect(m_down, &QToolButton::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void SpinButton::setValue(int value)
{
    value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
    emit Change();
}

void SpinButton::setRange(int min, int max)
{
    m_min = min;
    m_max = max;
    setValue(m_value);
}

void SpinButton::setName(const QString &name)
{
    setAccessibleName(name);
    m_up->setAccessibleName(name + QStringLiteral(" up"));
    m_down->setAccessibleName(name + QStringLiteral(" down"));
}

void SpinButton::step(int delta)
{
    setValue(m_value + delta);
}

void SpinButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up) {
        step(1);
    } else if (event->key() == Qt::Key_Down) {
        step(-1);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SpinButton::resizeEvent(QResizeEvent *)
{
    // A one-pixel rim stays free to show the keyboard focus: the arrows take none themselves.
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int half = inner.height() / 2;
    m_up->setGeometry(inner.x(), inner.y(), inner.width(), half);
    m_down->setGeometry(inner.x(), inner.y() + half, inner.width(), inner.height() - half);
}

void SpinButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (hasFocus()) {
        p.setPen(palette().color(QPalette::Highlight));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void SpinButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void SpinButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace platform
