#pragma once

namespace platform
{

// A drawing surface that keeps what is painted on it, measured in twips. Forms and picture
// boxes are canvases; the gradient painter draws through this alone.
class Canvas
{
public:
    virtual ~Canvas() = default;
    // Outer size in twips: for a window, the client area plus its frame.
    virtual int heightTwips() const = 0;
    virtual int widthTwips() const = 0;
    // Fills the box from (x1, y1) to (x2, y2); channels above 255 count as 255.
    virtual void fillBox(int x1, int y1, int x2, int y2, int r, int g, int b) = 0;
};

} // namespace platform
