#pragma once

#include "engine/media.h"

#include <QStringList>

namespace engine
{

// A media backend that plays nothing and writes down every call, for tests of the windows
// that use the alarm sound; every call succeeds. Each call becomes one line: "mci:<command text>"
// for a string command, "snd:<flags>:<byte count>" for a sound image and "snd:<flags>:null" for no
// sound.
class RecordingMedia : public Media
{
public:
    long mciSendString(const QString &command) override
    {
        m_calls.append(QStringLiteral("mci:") + command);
        return 0;
    }
    bool sndPlaySound(const QByteArray *sound, unsigned flags) override
    {
        const QString what = sound ? QString::number(sound->size()) : QStringLiteral("null");
        m_calls.append(QStringLiteral("snd:%1:%2").arg(flags).arg(what));
        m_lastSound = sound ? *sound : QByteArray();
        return true;
    }

    const QStringList &calls() const { return m_calls; }
    void clear()
    {
        m_calls.clear();
        m_lastSound.clear();
    }
    // The bytes of the last sound image handed over (empty after a call with no sound).
    const QByteArray &lastSound() const { return m_lastSound; }

private:
    QStringList m_calls;
    QByteArray m_lastSound;
};

} // namespace engine
