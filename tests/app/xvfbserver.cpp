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
    m_process.setProgram(QStringLiteral(OSTREVAN_XVFB));
    m_process.setArguments(
        QStringLiteral("-displayfd 1 -screen 0 1024x768x24 -nolisten tcp").split(u' '));
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2")
                      .arg(QStringLiteral(OSTREVAN_XVFB), m_process.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!out.contains('\n')) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || m_process.state() == QProcess::NotRunning) {
            m_error = QStringLiteral("Xvfb gave no display number: %1")
                          .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            return false;
        }
        m_process.waitForReadyRead(int(left));
        out += m_process.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("Xvfb printed %1 instead of a display number")
                      .arg(QString::fromLocal8Bit(out));
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
