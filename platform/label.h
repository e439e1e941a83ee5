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
    // A link: the pointing hand over it, a tab stop that Enter or Space clicks, and announced
    // as a link that a screen reader can follow.
    void setLink(bool link);
    bool isLink() const { return m_link; }

signals:
    void Click();
    void MouseMove();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // A transparent caption over an animated window is redrawn at every frame: its text is
    // laid out and drawn once, then only copied.
    QPixmap m_rendered;
    QString m_renderedKey;
    bool m_link = false;
};

} // namespace platform
