#pragma once

#include "platform/services.h"
#include "shell/notifyicon.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>
#include <memory>

namespace engine
{
class Media;
}
namespace shell
{
class Help;
class Links;
class Notifications;
} // namespace shell

class Form1;
class Form1b;
class MainWindow;

// The values every window shares.
struct ProgramValues {
    // The window size chosen in the Options window and not yet applied: -1 none, 0 small, 1 large.
    qint16 newsize = -1;
    // The digit colour as stored: decimal text of a colour value.
    QString digclr;
    // A sound was started (alarm or test sound) and has not been silenced.
    bool playing = false;
    // The quoted path naming the alarm's media device.
    QString mcifile;
    // The notification-area icon's record, and whether the icon is shown.
    shell::NOTIFYICONDATA nid;
    bool intray = false;
    // The window the last size choice showed: 0 small, 1 large.
    qint16 sizeInUse = 0;
};

// What the program needs of the desktop: real services in main(), doubles in tests.
struct ProgramServices {
    platform::Services platform;
    engine::Media &media;
    shell::NotifyIcons &notifyIcons;
    shell::Help &help;
    shell::Links &links;
    shell::Notifications &notifications;
};

// The whole program: its windows, the values they share and the services they use. Windows
// reach each other through it by name (program.form1().fname). main() makes one; every test
// makes its own.
class Program
{
public:
    // onEnd runs when a window ends the program (the event loop's exit, in the real program).
    Program(ProgramServices services, std::function<void()> onEnd);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Reads the remembered size and shows that window.
    void start();

    // The main windows, each created and loaded the first time it is asked for.
    Form1 &form1();
    Form1b &form1b();
    // Both main windows, the small one first, as every change of state is applied.
    std::array<MainWindow *, 2> mainWindows();

    // Ends the program at once, from whatever handler calls it; the desktop's notification
    // goes with it.
    void End();
    bool ended() const { return m_ended; }

    // What a closing window does to a sound that is still playing: closes the media device,
    // and with stopWav also the looping WAV, which belongs to the whole program.
    enum class Wav { Keep, Stop };
    void silence(const QString &device, Wav wav);

    platform::Services &services() { return m_services.platform; }
    engine::Media &media() { return m_services.media; }
    shell::NotifyIcons &notifyIcons() { return m_services.notifyIcons; }
    shell::Help &help() { return m_services.help; }
    shell::Links &links() { return m_services.links; }
    shell::Notifications &notifications() { return m_services.notifications; }

    ProgramValues values;

private:
    ProgramServices m_services;
    std::function<void()> m_onEnd;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form1b> m_form1b;
    bool m_ended = false;
};
