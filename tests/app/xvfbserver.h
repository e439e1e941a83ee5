#pragma once

#include <QProcess>
#include <QString>

// A private X server for one test: Xvfb picks a free display number itself (-displayfd), so
// tests running side by side never collide, and the server goes away with this object.
class XvfbServer
{
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // Starts the server and waits until it accepts clients; false with error() set otherwise.
    bool start(int timeoutMs);
    // ":N", valid after a successful start().
    QString display() const { return m_display; }
    QString error() const { return m_error; }
    // This process's environment for a program shown on this server: X11 only, no sound card,
    // and the given runtime folder.
    QProcessEnvironment clientEnvironment(const QString &runtimeDir) const;

private:
    QProcess m_process;
    QString m_display;
    QString m_error;
};
