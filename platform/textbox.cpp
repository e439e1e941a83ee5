#include "platform/textbox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace platform
{

namespace
{

// A focus change that only opens a context menu or switches to another program is no
// focus change for the field: editing goes on when the person comes back.
bool isRealFocusChange(const QFocusEvent *event)
{
    return event->reason() != Qt::PopupFocusReason &&
           event->reason() != Qt::ActiveWindowFocusReason;
}

// Keys that produce no character even where the platform attaches a code to them.
bool isEditingKey(int key)
{
    return key == Qt::Key_Delete || key == Qt::Key_Left || key == Qt::Key_Right ||
           key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Up || key == Qt::Key_Down ||
           key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

} // namespace

TextBox::TextBox(QWidget *parent) : QLineEdit(parent)
{
    // The field paints all of itself, so the window's animated painting behind it need not
    // redraw it at every frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QLineEdit::textChanged, this, &TextBox::Change);
}

void TextBox::setText(const QString &text)
{
    if (text == QLineEdit::text())
        return;
    QLineEdit::setText(text);
}

ColorValue TextBox::foreColor() const
{
    return fromQColor(palette().color(QPalette::Text));
}

void TextBox::setForeColor(ColorValue color)
{
    QPalette p = palette();
    p.setColor(QPalette::Text, toQColor(color));
    setPalette(p);
}

void TextBox::setBackColor(ColorValue color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, toQColor(color));
    setPalette(p);
}

void TextBox::fitDigits()
{
    if (maxLength() <= 0 || maxLength() > 8)
        return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    // QLineEdit keeps a fixed inner margin of 2 pixels each side and room for the cursor.
    const int room = contents.width() - 5;
    const QString widest(maxLength(), QLatin1Char('8'));
    QFont f = font();
    while (f.pixelSize() > 6 && QFontMetrics(f).horizontalAdvance(widest) > room)
        f.setPixelSize(f.pixelSize() - 1);
    setFont(f);
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    if (typed.size() == 1 && !isEditingKey(event->key())) {
        const int original = typed.at(0).unicode();
        int code = original;
        emit KeyPress(code);
        if (code == 0) {
            event->accept();
            return;
        }
        if (code != original) {
            if (!isReadOnly())
                insert(QString(QChar(code)));
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void TextBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (isRealFocusChange(event))
        emit GotFocus();
}

void TextBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (isRealFocusChange(event))
        emit LostFocus();
}

} // namespace platform
