#include "tests/support/recordingmedia.h"

namespace engine
{

long RecordingMedia::mciSendString(const QString &command)
{
    m_calls.append(QStringLiteral("mci:") + command);
    return 0;
}

bool RecordingMedia::sndPlaySound(const QByteArray *sound, unsigned flags)
{
    const QString what = sound ? QString::number(sound->size()) : QStringLiteral("null");
    m_calls.append(QStringLiteral("snd:%1:%2").arg(flags).arg(what));
    m_lastSound = sound ? *sound : QByteArray();
    return true;
}

void RecordingMedia::clear()
{
    m_calls.clear();
    m_lastSound.clear();
}

} // namespace engine
