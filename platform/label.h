#pragma once

#include "platform/units.h"

#include <QLabel>

namespace platform
{

// A caption on the window; transparent ones show the window's painting behind them.
class Label : public QLabel
{
    Q_OBJECT
public:
    explicit Label(QWidget *parent = nullptr);
    void setCaption(const QString &caption);
    void setForeColor(ColorValue color);
    void setBackColor(ColorValue color);

signals:
    void Click();
    void MouseMove();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
};

} // namespace platform
