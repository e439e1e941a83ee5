#include "platform/textbox.h"

#include "platform/fonts.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <memory>

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
    setFont(fitWidth(font(), widest, room, 6));
}

void TextBox::insertTyped(const QString &typed)
{
    if (isReadOnly())
        return;
    // Each whole character goes through KeyPress as if it had been typed, one outside the
    // basic plane as one code; half of one is no character.
    for (qsizetype i = 0; i < typed.size(); ++i) {
        char32_t c = typed.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < typed.size() && typed.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(typed.at(i), typed.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            continue;
        }
        int code = int(c);
        emit KeyPress(code);
        if (code == 8) {
            backspace();
            continue;
        }
        const char32_t replaced = char32_t(code);
        const QString character = QString::fromUcs4(&replaced, 1);
        // The field's length limit would cut a character of two units in half.
        if (code > 0 && code <= 0x10FFFF &&
            character.size() <= maxLength() - text().size() + selectedText().size())
            insert(character);
    }
}

void TextBox::pasteTyped(QClipboard::Mode mode)
{
    if (const QClipboard *clipboard = QGuiApplication::clipboard())
        insertTyped(clipboard->text(mode));
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteTyped(QClipboard::Clipboard);
        event->accept();
        return;
    }
    QString typed = event->text();
    // A character outside the basic plane may come as two keys, one half each.
    if (!m_highSurrogate.isNull() && !typed.isEmpty()) {
        typed.prepend(m_highSurrogate);
        m_highSurrogate = QChar();
    }
    if (typed.size() == 1 && typed.at(0).isHighSurrogate()) {
        m_highSurrogate = typed.at(0);
        event->accept();
        return;
    }
    // Several characters from one key, or one outside the basic plane: each whole character
    // through KeyPress.
    if (typed.size() > 1 || (typed.size() == 1 && typed.at(0).isSurrogate())) {
        insertTyped(typed);
        event->accept();
        return;
    }
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

void TextBox::inputMethodEvent(QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    if (committed.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // What the input method composed is typed in by the filter; the rest of the event (the
    // text still being composed) is shown as usual.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&rest);
    insertTyped(committed);
    event->accept();
}

void TextBox::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this,
                    [this] { pasteTyped(QClipboard::Clipboard); });
        }
    }
    menu->exec(event->globalPos());
}

void TextBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (!isReadOnly() && event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (!isReadOnly() && event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextBox::dropEvent(QDropEvent *event)
{
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    insertTyped(event->mimeData()->text());
    event->acceptProposedAction();
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection, as a person would type it.
    if (event->button() == Qt::MiddleButton) {
        if (QGuiApplication::clipboard()->supportsSelection())
            pasteTyped(QClipboard::Selection);
        event->accept();
        return;
    }
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
