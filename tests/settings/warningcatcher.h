#pragma once

#include <QStringList>
#include <QtMessageHandler>

// Collects the warnings the code under test prints while it lives, instead of printing them.
class WarningCatcher
{
public:
    WarningCatcher() : m_previous(qInstallMessageHandler(&handle)) { s_active = &m_warnings; }
    ~WarningCatcher()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    WarningCatcher(const WarningCatcher &) = delete;
    WarningCatcher &operator=(const WarningCatcher &) = delete;

    QStringList warnings() const { return m_warnings; }
    void clear() { m_warnings.clear(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (s_active && type == QtWarningMsg)
            s_active->append(text);
    }

    static inline QStringList *s_active = nullptr;
    QStringList m_warnings;
    QtMessageHandler m_previous = nullptr;
};
