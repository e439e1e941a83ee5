#pragma once

#include "engine/media.h"

#include <QStringList>

namespace engine
{

// A media backend that plays nothing and writes down every call, for tests of the windows
// that use the alarm sound. Each call becomes one line: "mci:<command text>" for a string
// command, "snd:<flags>:<byte count>" for a sound image and "snd:<flags>:null" for no sound.
class RecordingMedia : public Media
{
public:
    long mciSendString(const QString &command) override;
    bool sndPlaySound(const QByteArray *sound, unsigned flags) override;

    const QStringList &calls() const { return m_calls; }
    void clear();
    // The bytes of the last sound image handed over (empty after a call with no sound).
    const QByteArray &lastSound() const { return m_lastSound; }

    // What the calls return from now on: 0 and true unless set otherwise.
    void setMciResult(long result) { m_mciResult = result; }
    void setSndResult(bool result) { m_sndResult = result; }

private:
    QStringList m_calls;
    QByteArray m_lastSound;
    long m_mciResult = 0;
    bool m_sndResult = true;
};

} // namespace engine
