#pragma once

#include "platform/units.h"

#include <QClipboard>
#include <QLineEdit>

namespace platform
{

// A single-line text field. Change follows every change of the text, made by the person or
// by the program, and never a setText() with the text it already holds. KeyPress gets the
// character code of a typed key; the handler may replace it, and 0 discards the key. Text
// that comes in any other way (pasted, dropped, from the middle button or an input method)
// goes through KeyPress too, one character at a time.
class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    void setText(const QString &text);
    bool isLocked() const { return isReadOnly(); }
    void setLocked(bool locked) { setReadOnly(locked); }
    ColorValue foreColor() const;
    void setForeColor(ColorValue color);
    void setBackColor(ColorValue color);
    // Shrinks the font, when needed, so that maxLength() wide digits fit the field.
    void fitDigits();

signals:
    void Change();
    void Click();
    void GotFocus();
    void LostFocus();
    void KeyPress(int &keyAscii);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void insertTyped(const QString &typed);
    void pasteTyped(QClipboard::Mode mode);

    QChar m_highSurrogate; // half of a character typed, waiting for its other half
};

} // namespace platform
