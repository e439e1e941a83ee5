#include "platform/combobox.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>

namespace platform
{

namespace
{

// As Qt tells a drop-down list, with its entries as children only while they are shown: a
// screen reader that reads the whole window would otherwise ask for every entry, one message
// on the accessibility bus each.
class ComboBoxAccessible : public QAccessibleWidget
{
public:
    explicit ComboBoxAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::ComboBox) {}

    int childCount() const override { return dropped() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && dropped() ? QAccessible::queryAccessibleInterface(combo()->view())
                                       : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return dropped() && child && child->object() == combo()->view() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return combo()->currentText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = dropped();
        s.collapsed = !dropped();
        s.hasPopup = true;
        return s;
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name != showMenuAction() && name != pressAction())
            return QAccessibleWidget::doAction(name);
        if (dropped())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

private:
    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }
    bool dropped() const { return combo()->view()->isVisible(); }
};

QAccessibleInterface *comboBoxFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("platform::ComboBox") && object && object->isWidgetType())
        return new ComboBoxAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

ComboBox::ComboBox(QWidget *parent) : QComboBox(parent)
{
    static const bool registered = [] {
        QAccessible::installFactory(comboBoxFactory);
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace platform
