#pragma once

#include <QWidget>

class QToolButton;

namespace platform
{

// A pair of vertical arrows that steps a whole number within a range, with no field of its
// own: the program moves the value to and from the field beside it. One stop in the tab
// order; the Up and Down keys step it. Change follows every change of the value, made by the
// arrows or by the program. The value stops at the ends of the range.
class SpinButton : public QWidget
{
    Q_OBJECT
public:
    explicit SpinButton(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setRange(int min, int max);
    // Names the control and its arrows for screen readers ("Minutes up", "Minutes down").
    void setName(const QString &name);
    QToolButton *upArrow() const { return m_up; }
    QToolButton *downArrow() const { return m_down; }

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void step(int delta);

    QToolButton *m_up;
    QToolButton *m_down;
    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
};

} // namespace platform
