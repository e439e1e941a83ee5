#pragma once

#include "platform/units.h"

#include <QLabel>
#include <QPixmap>

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
    void paintEvent(QPaintEvent *event) override;

private:
    // A transparent caption over an animated window is redrawn at every frame: its text is
    // laid out and drawn once, then only copied.
    QPixmap m_rendered;
    QString m_renderedKey;
};

} // namespace platform
