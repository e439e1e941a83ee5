#pragma once

#include "platform/units.h"

#include <QPushButton>

namespace platform
{

// A push button. A graphical one paints its face in its own background colour, so the
// program can colour it; it is opaque, so the window's animated painting never redraws it.
class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CommandButton(bool graphical, QWidget *parent = nullptr);

    QString caption() const { return text(); }
    // A screen reader hears the new caption and is told that it changed.
    void setCaption(const QString &caption);
    ColorValue backColor() const { return m_backColor; }
    void setBackColor(ColorValue color);
    bool isGraphical() const { return m_graphical; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_graphical;
    ColorValue m_backColor;
};

} // namespace platform
