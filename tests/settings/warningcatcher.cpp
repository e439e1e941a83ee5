#include "warningcatcher.h"

namespace
{
QStringList *activeList = nullptr;
} // namespace

WarningCatcher::WarningCatcher()
{
    activeList = &m_warnings;
    m_previous = qInstallMessageHandler(&WarningCatcher::handle);
}

WarningCatcher::~WarningCatcher()
{
    qInstallMessageHandler(m_previous);
    activeList = nullptr;
}

void WarningCatcher::handle(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (activeList && type == QtWarningMsg)
        activeList->append(text);
}
