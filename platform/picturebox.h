#pragma once

#include "platform/canvas.h"
#include "platform/retainedimage.h"
#include "platform/units.h"

#include <QWidget>

namespace platform
{

// A box that shows what is drawn on it and keeps it.
class PictureBox : public QWidget, public Canvas
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    int heightTwips() const override { return toTwips(height()); }
    int widthTwips() const override { return toTwips(width()); }
    void fillBox(int x1, int y1, int x2, int y2, int r, int g, int b) override;
    const QImage &image() const { return m_image.image(); }

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    RetainedImage m_image;
};

} // namespace platform
