#include "tests/app/xvfbserver.h"

#include <QElapsedTimer>

#ifndef OSTREVAN_XVFB
#define OSTREVAN_XVFB "Xvfb"
#endif

XvfbServer::XvfbServer() = default;

XvfbServer::~XvfbServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool XvfbServer::start(int timeoutMs)
{
    // Xvfb writes the display number it chose to fd 1 once it is ready for clients.
    m_process.start(QStringLiteral(OSTREVAN_XVFB),
                    QStringLiteral("-displayfd 1 -screen 0 1024x768x24 -nolisten tcp").split(u' '));
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!out.contains('\n') && clock.elapsed() < timeoutMs &&
           m_process.waitForReadyRead(int(timeoutMs - clock.elapsed())))
        out += m_process.readAllStandardOutput();
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("%1 gave no display number (%2): %3")
                      .arg(QStringLiteral(OSTREVAN_XVFB), m_process.errorString(),
                           QString::fromLocal8Bit(out + m_process.readAllStandardError()));
        return false;
    }
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}

QProcessEnvironment XvfbServer::clientEnvironment(const QString &runtimeDir) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}
