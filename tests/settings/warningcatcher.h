#pragma once

#include <QStringList>
#include <QtMessageHandler>

// Collects the warnings the code under test prints while it lives, instead of printing them.
class WarningCatcher
{
public:
    WarningCatcher();
    ~WarningCatcher();
    WarningCatcher(const WarningCatcher &) = delete;
    WarningCatcher &operator=(const WarningCatcher &) = delete;

    QStringList warnings() const { return m_warnings; }
    void clear() { m_warnings.clear(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QStringList m_warnings;
    QtMessageHandler m_previous = nullptr;
};
