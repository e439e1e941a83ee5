#pragma once

#include "platform/canvas.h"
#include "platform/formspec.h"
#include "platform/retainedimage.h"
#include "platform/services.h"

#include <QHash>
#include <QRegion>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QTimer;

namespace platform
{

class CommandButton;
class Timer;

// What a push button's frame takes of its width and height, in pixels.
inline constexpr int kButtonFramePx = 4;

// A top-level window built from its layout table. It is loaded on first use, shown modeless
// or modal, hidden, and unloaded (query-unload first, then discarded by its owner); it keeps
// what is painted on it, hidden or not.
class Form : public QWidget, public Canvas
{
    Q_OBJECT
public:
    enum UnloadMode { FromControlMenu = 0, FromCode = 1 };

    Form(Services &services, const FormSpec &layout, QWidget *owner = nullptr);
    ~Form() override;

    // Runs the load handler the first time; every way of touching the form goes through here.
    void load();
    bool isLoaded() const { return m_loaded; }
    void Show();
    // Shows the form modally over its owner (or, without one, over the window in use) and
    // returns once it is closed.
    void showModal();
    void Hide();
    // Asks the query-unload handler; unless it refuses, hides the form and reports it
    // unloaded to its owner. Returns false when refused.
    bool unload(UnloadMode mode = FromCode);
    void SetFocus();
    // Shows the form minimised, where its task-bar entry leads back to it.
    void Minimize();

    // The client area in twips.
    int scaleWidth() const { return m_layout.clientWidth; }
    int scaleHeight() const { return m_layout.clientHeight; }
    // Outer measures: the client area and the window frame.
    int heightTwips() const override;
    int widthTwips() const override;
    void fillBox(int x1, int y1, int x2, int y2, int r, int g, int b) override;
    const QImage &image() const { return m_image.image(); }

    // A control by its name (and index, in a control array); a name the layout does not hold,
    // or a control of another kind, stops the program with the name: it is a programming error.
    template<class T> T *control(const char *name, int index = -1) const
    {
        T *found = qobject_cast<T *>(controlNamed(name, index));
        if (!found)
            wrongKind(name, index);
        return found;
    }
    // Places a control, in twips relative to its container.
    void place(QWidget *control, int left, int top, int width, int height);
    QRect placeOf(const QWidget *control) const;
    QList<CommandButton *> commandButtons() const;
    // A timer of the layout; an unknown name stops the program, as for control().
    Timer *timer(const char *name) const;
    QMenu *popupMenu() const { return m_menu; }
    QAction *menuItem(const char *name) const;

    // A mouse move over the client area, in twips; the shell's icon callback arrives here too.
    void deliverMouseMove(int button, int shift, double x, double y)
    {
        Form_MouseMove(button, shift, x, y);
    }

signals:
    void unloaded();

protected:
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int &cancel, UnloadMode unloadMode)
    {
        Q_UNUSED(cancel);
        Q_UNUSED(unloadMode);
    }
    virtual void Form_MouseMove(int button, int shift, double x, double y)
    {
        Q_UNUSED(button);
        Q_UNUSED(shift);
        Q_UNUSED(x);
        Q_UNUSED(y);
    }

    Services &services() const { return m_services; }

    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Every caller goes through Show, Hide and SetFocus, which load the form first.
    using QWidget::hide;
    using QWidget::setFocus;
    using QWidget::show;

    static QString key(const char *name, int index);
    QWidget *controlNamed(const char *name, int index) const;
    [[noreturn]] void wrongKind(const char *name, int index) const;
    void build();
    QWidget *makeControl(const ControlSpec &c, QWidget *parent);
    void placeOnScreen();
    void keepOverOwner();
    void focusFirstTabStop();
    CommandButton *buttonWith(unsigned flag) const;

    Services &m_services;
    const FormSpec &m_layout;
    QHash<QString, QWidget *> m_controls;
    std::vector<QWidget *> m_tabStops; // in tab order
    std::map<std::string, std::unique_ptr<Timer>> m_timers;
    QMenu *m_menu = nullptr;
    RetainedImage m_image;
    // What the painting changed since the screen last showed it.
    QRegion m_dirty;
    QTimer *m_frame = nullptr;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_placed = false;
};

} // namespace platform
