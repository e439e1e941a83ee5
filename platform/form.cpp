#include "platform/form.h"

#include "platform/combobox.h"
#include "platform/commandbutton.h"
#include "platform/fonts.h"
#include "platform/label.h"
#include "platform/picturebox.h"
#include "platform/spinbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "platform/waits.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace platform
{

namespace
{

// The frame the outer measures count: borders of 3 pixels, and a title bar of 19 pixels
// (16 for tool windows), as on the classic desktop the layouts were drawn for.
constexpr int kBorderPx = 3;
constexpr int kFramePeriodMs = 40;
int titlePx(BorderStyle border)
{
    return border == BorderStyle::FixedToolWindow ? 16 : 19;
}

Qt::WindowFlags flagsFor(const FormSpec &layout)
{
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    // Every window with a dialog's or a tool window's border is a dialog here: the window
    // manager keeps it over its owner, offers it no minimise or maximise action and brings it
    // back with its owner. A tool window's type would get both buttons from some managers.
    flags |= layout.border == BorderStyle::FixedSingle ? Qt::Window : Qt::Dialog;
    if (layout.minButton)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

} // namespace

Form::Form(Services &services, const FormSpec &layout, QWidget *owner)
    : QWidget(owner, flagsFor(layout)), m_services(services), m_layout(layout)
{
    setObjectName(QString::fromLatin1(layout.name));
    setWindowTitle(QString::fromUtf8(layout.caption));
    setFixedSize(toPixels(layout.clientWidth), toPixels(layout.clientHeight));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_image.resize(size(), palette().color(QPalette::Window));
    m_image.setHeldBack(true);
    // Painting goes to the kept image at once; the screen catches up at most every 40 ms,
    // which is smooth for a slow colour sweep and spares the display a frame at every tick.
    m_frame = new QTimer(this);
    m_frame->setSingleShot(true);
    m_frame->setInterval(kFramePeriodMs);
    m_frame->setTimerType(Qt::CoarseTimer);
    connect(m_frame, &QTimer::timeout, this, [this] {
        update(m_dirty);
        m_dirty = QRegion();
    });
    build();
}

Form::~Form() = default;

QString Form::key(const char *name, int index)
{
    return index < 0 ? QString::fromLatin1(name)
                     : QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

void Form::build()
{
    std::vector<std::pair<int, QWidget *>> tabStops;
    for (const ControlSpec &c : m_layout.controls) {
        QWidget *parent = c.container ? m_controls.value(QString::fromLatin1(c.container)) : this;
        QWidget *w = makeControl(c, parent ? parent : this);
        w->setObjectName(key(c.name, c.index));
        m_controls.insert(w->objectName(), w);
        place(w, c.left, c.top, c.width, c.height);
        if (c.tabIndex >= 0)
            tabStops.emplace_back(c.tabIndex, w);
    }
    std::sort(tabStops.begin(), tabStops.end(), [](auto &a, auto &b) { return a.first < b.first; });
    for (auto &stop : tabStops)
        m_tabStops.push_back(stop.second);
    for (size_t i = 1; i < m_tabStops.size(); ++i)
        QWidget::setTabOrder(m_tabStops[i - 1], m_tabStops[i]);

    for (const TimerSpec &t : m_layout.timers)
        m_timers.emplace(t.name, std::make_unique<Timer>(m_services.timers, t.interval, false));

    if (m_layout.menuName) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(QString::fromLatin1(m_layout.menuName));
        for (const MenuItemSpec &item : m_layout.menu) {
            QAction *action = QLatin1String(item.caption) == QLatin1String("-")
                                  ? m_menu->addSeparator()
                                  : m_menu->addAction(QString::fromUtf8(item.caption));
            action->setObjectName(QString::fromLatin1(item.name));
        }
    }
}

QWidget *Form::makeControl(const ControlSpec &c, QWidget *parent)
{
    const QString text = QString::fromUtf8(c.text);
    const QString accessible = c.accessibleName               ? QString::fromUtf8(c.accessibleName)
                               : c.kind == ControlKind::Image ? QString()
                                                              : text;
    QWidget *w = nullptr;
    switch (c.kind) {
    case ControlKind::Label: {
        auto *label = new Label(parent);
        // Before anything asks a screen reader's view of it, which is then kept.
        label->setLink(c.flags & Link);
        label->setCaption(text);
        label->setWordWrap(c.flags & WordWrap);
        if (c.foreColor != kDefaultColor)
            label->setForeColor(c.foreColor);
        if (c.backColor != kDefaultColor && !(c.flags & Transparent))
            label->setBackColor(c.backColor);
        w = label;
        break;
    }
    case ControlKind::TextBox: {
        auto *box = new TextBox(parent);
        if (c.maxLength > 0)
            box->setMaxLength(c.maxLength);
        box->setText(text);
        if (c.foreColor != kDefaultColor)
            box->setForeColor(c.foreColor);
        if (c.backColor != kDefaultColor)
            box->setBackColor(c.backColor);
        w = box;
        break;
    }
    case ControlKind::CommandButton: {
        auto *button = new CommandButton(c.flags & Graphical, parent);
        button->setCaption(text);
        if (c.backColor != kDefaultColor)
            button->setBackColor(c.backColor);
        button->setProperty("defaultButton", bool(c.flags & DefaultButton));
        button->setProperty("cancelButton", bool(c.flags & CancelButton));
        w = button;
        break;
    }
    case ControlKind::SpinButton:
        w = new SpinButton(parent);
        break;
    case ControlKind::Frame:
        w = new QGroupBox(text, parent);
        break;
    case ControlKind::OptionButton: {
        // Option buttons with the same container form one exclusive group.
        auto *option = new QRadioButton(text, parent);
        option->setChecked(c.flags & Selected);
        QPalette p = option->palette();
        if (c.foreColor != kDefaultColor) {
            p.setColor(QPalette::WindowText, toQColor(c.foreColor));
            p.setColor(QPalette::ButtonText, toQColor(c.foreColor));
        }
        if (c.backColor != kDefaultColor) {
            // A button's background role is Button; Window covers styles that use it.
            p.setColor(QPalette::Window, toQColor(c.backColor));
            p.setColor(QPalette::Button, toQColor(c.backColor));
            option->setAutoFillBackground(true);
        }
        option->setPalette(p);
        w = option;
        break;
    }
    case ControlKind::CheckBox: {
        auto *check = new QCheckBox(text, parent);
        check->setChecked(c.flags & Selected);
        w = check;
        break;
    }
    case ControlKind::ComboBox:
        w = new ComboBox(parent);
        break;
    case ControlKind::PictureBox:
        w = new PictureBox(parent);
        break;
    case ControlKind::Image: {
        // An image's text names its picture in the program's resources.
        auto *image = new QLabel(parent);
        if (!text.isEmpty())
            image->setPixmap(QPixmap(text));
        w = image;
        break;
    }
    }
    w->setFont(designFont(c.font));
    // The stand-in for the designed face may be wider: captions still fit their boxes.
    if (!isDigitFace(c.font) && !text.isEmpty()) {
        QSize room(toPixels(c.width), toPixels(c.height));
        if (c.kind == ControlKind::OptionButton || c.kind == ControlKind::CheckBox) {
            const bool radio = c.kind == ControlKind::OptionButton;
            room.rwidth() -= w->style()->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth
                                                           : QStyle::PM_IndicatorWidth) +
                             w->style()->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                                           : QStyle::PM_CheckBoxLabelSpacing) +
                             2;
        }
        // A push button's face keeps a margin for its frame.
        if (c.kind == ControlKind::CommandButton)
            room -= QSize(kButtonFramePx, kButtonFramePx);
        if (c.kind == ControlKind::Label || c.kind == ControlKind::OptionButton ||
            c.kind == ControlKind::CheckBox || c.kind == ControlKind::CommandButton)
            w->setFont(fitText(w->font(), text, room, c.flags & WordWrap));
    }
    if (c.tabIndex < 0 && c.kind != ControlKind::Label)
        w->setFocusPolicy(Qt::NoFocus);
    // A button is announced by its caption, whatever the caption becomes; only a button with
    // no caption of its own gets a fixed name.
    const bool namedByCaption = c.kind == ControlKind::CommandButton && !c.accessibleName;
    if (!accessible.isEmpty() && !namedByCaption)
        w->setAccessibleName(accessible);
    if (auto *spin = qobject_cast<SpinButton *>(w); spin && !accessible.isEmpty())
        spin->setName(accessible);
    if (auto *box = qobject_cast<TextBox *>(w); box && isDigitFace(c.font)) {
        box->resize(toPixels(c.width), toPixels(c.height));
        box->fitDigits();
    }
    return w;
}

void Form::place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    control->setProperty("twips", QRect(left, top, width, height));
}

QRect Form::placeOf(const QWidget *control) const
{
    return control->property("twips").toRect();
}

QList<CommandButton *> Form::commandButtons() const
{
    // Only this window's own buttons: a dialog it owns is its child as well.
    QList<CommandButton *> buttons = findChildren<CommandButton *>();
    buttons.removeIf([this](const CommandButton *b) { return b->window() != this; });
    return buttons;
}

QWidget *Form::controlNamed(const char *name, int index) const
{
    QWidget *found = m_controls.value(key(name, index));
    if (!found)
        qFatal("%s has no control %s", qPrintable(objectName()), qPrintable(key(name, index)));
    return found;
}

void Form::wrongKind(const char *name, int index) const
{
    qFatal("%s: control %s is of another kind", qPrintable(objectName()),
           qPrintable(key(name, index)));
}

Timer *Form::timer(const char *name) const
{
    auto it = m_timers.find(name);
    if (it == m_timers.end())
        qFatal("%s has no timer %s", qPrintable(objectName()), name);
    return it->second.get();
}

QAction *Form::menuItem(const char *name) const
{
    return m_menu ? m_menu->findChild<QAction *>(QString::fromLatin1(name)) : nullptr;
}

void Form::load()
{
    if (m_loaded || m_loading)
        return;
    m_loading = true;
    for (const TimerSpec &t : m_layout.timers)
        timer(t.name)->setEnabled(t.enabled);
    Form_Load();
    m_loading = false;
    m_loaded = true;
}

void Form::Show()
{
    load();
    show();
    raise();
    activateWindow();
}

// The modal windows open at this moment, the latest last.
static std::vector<QPointer<Form>> s_modal;

void Form::showModal()
{
    load();
    keepOverOwner();
    s_modal.emplace_back(this);
    m_services.waits.runModal(*this);
    s_modal.pop_back();
}

// A dialog stays with the window it belongs to: its own owner, else the modal window it is
// opened from, else the main window in use. The window manager then keeps it over that window
// and minimises and restores the two together.
void Form::keepOverOwner()
{
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner && !s_modal.empty())
        owner = s_modal.back();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!owner && qobject_cast<Form *>(w) && w->windowType() == Qt::Window && w->isVisible())
            owner = w;
    }
    if (!owner || owner == this || !owner->windowHandle())
        return;
    winId(); // the window system's window, which the transient link belongs to
    windowHandle()->setTransientParent(owner->windowHandle());
}

void Form::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || isMinimized() ||
        !(static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized))
        return;
    // Restored: a dialog of this window that a window manager minimised comes back with it.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != this && w->isMinimized() && w->windowHandle() &&
            w->windowHandle()->transientParent() == windowHandle())
            w->showNormal();
    }
}

void Form::Hide()
{
    load();
    hide();
}

bool Form::unload(UnloadMode mode)
{
    if (!m_loaded)
        return true;
    int cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel)
        return false;
    m_loaded = false;
    for (auto &entry : m_timers)
        entry.second->setEnabled(false);
    hide();
    emit unloaded();
    return true;
}

void Form::SetFocus()
{
    load();
    // A minimised window comes back into view first.
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    // The control that had the focus keeps it, so a keyboard user goes on where they were;
    // with none, the first control of the tab order takes it. The window itself never does.
    if (!focusWidget() || focusWidget() == this)
        focusFirstTabStop();
}

void Form::Minimize()
{
    load();
    showMinimized();
}

void Form::focusFirstTabStop()
{
    for (QWidget *w : m_tabStops) {
        if (w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

int Form::heightTwips() const
{
    return toTwips(height() + titlePx(m_layout.border) + 2 * kBorderPx);
}

int Form::widthTwips() const
{
    return toTwips(width() + 2 * kBorderPx);
}

void Form::fillBox(int x1, int y1, int x2, int y2, int r, int g, int b)
{
    const QRect changed = m_image.fillBox(x1, y1, x2, y2, r, g, b);
    if (changed.isEmpty())
        return;
    m_dirty += changed;
    if (!m_frame->isActive())
        m_frame->start();
}

void Form::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.drawImage(event->rect(), m_image.image(), event->rect());
}

void Form::closeEvent(QCloseEvent *event)
{
    event->ignore();
    unload(FromControlMenu);
}

void Form::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    Form_MouseMove(int(event->buttons()), int(event->modifiers() >> 25), toTwips(1) * at.x(),
                   toTwips(1) * at.y());
}

CommandButton *Form::buttonWith(unsigned flag) const
{
    const char *property = flag == DefaultButton ? "defaultButton" : "cancelButton";
    for (CommandButton *button : commandButtons()) {
        if (button->property(property).toBool() && button->isEnabled() && button->isVisible())
            return button;
    }
    return nullptr;
}

void Form::keyPressEvent(QKeyEvent *event)
{
    CommandButton *target = nullptr;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        target = qobject_cast<CommandButton *>(focusWidget());
        if (!target)
            target = buttonWith(DefaultButton);
    } else if (event->key() == Qt::Key_Escape) {
        target = buttonWith(CancelButton);
        // A dialog without a Cancel button closes as its close box closes it.
        if (!target && windowType() == Qt::Dialog) {
            event->accept();
            close();
            return;
        }
    }
    if (target) {
        target->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_image.setHeldBack(true);
}

void Form::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_image.setHeldBack(false);
    if (!m_placed) {
        m_placed = true;
        placeOnScreen();
        // The focus starts on the first control of the tab order that can take it.
        focusFirstTabStop();
    }
}

void Form::placeOnScreen()
{
    const QSize outer(width() + 2 * kBorderPx, height() + titlePx(m_layout.border) + 2 * kBorderPx);
    // Centred on the owner when it is on the screen, else on a window of the program that
    // is, else on the screen; and always wholly inside the screen's available area.
    const QWidget *anchor = nullptr;
    if (m_layout.startPosition == StartPosition::CenterOwner) {
        const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (owner && owner->isVisible() && !owner->isMinimized())
            anchor = owner;
        for (const QWidget *w : QApplication::topLevelWidgets()) {
            if (!anchor && w != this && qobject_cast<const Form *>(w) && w->isVisible() &&
                !w->isMinimized())
                anchor = w;
        }
    }
    QScreen *s = anchor ? anchor->screen() : screen();
    const QRect available = s ? s->availableGeometry() : QRect();
    const QRect area = anchor ? anchor->frameGeometry() : available;
    if (!area.isValid())
        return;
    QRect placed(area.center() - QPoint(outer.width() / 2, outer.height() / 2), outer);
    if (available.isValid()) {
        placed.moveRight(std::min(placed.right(), available.right()));
        placed.moveBottom(std::min(placed.bottom(), available.bottom()));
        placed.moveLeft(std::max(placed.left(), available.left()));
        placed.moveTop(std::max(placed.top(), available.top()));
    }
    QWidget::move(placed.topLeft());
}

} // namespace platform
