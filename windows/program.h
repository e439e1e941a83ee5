#pragma once

#include "windows/main/mainhost.h"

#include <functional>
#include <memory>

// The whole program: its shared state, its services and its windows. main() makes one; every
// test makes its own.
class Program final : public MainHost
{
public:
    // onEnd runs when a window ends the program (the event loop's exit, in the real program).
    Program(platform::Services services, engine::Media &media, shell::NotifyIcons &icons,
            std::function<void()> onEnd);
    ~Program() override;

    // Reads the remembered size and shows that window.
    void start();

    Form1 &form1() override;
    Form1b &form1b() override;
    void End() override;
    platform::Form &smallWindow() override;
    bool smallWindowVisible() override;
    bool largeWindowVisible() override;
    QString &fname() override;
    QByteArray &dsound() override;
    bool applyBackground(qint32 choice) override;
    void applyButtonColor(platform::ColorValue color) override;
    bool ended() const { return m_ended; }

private:
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form1b> m_form1b;
    std::function<void()> m_onEnd;
    bool m_ended = false;
};
