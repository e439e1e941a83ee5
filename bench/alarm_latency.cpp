// Measures how long an alarm sound takes to start: from the call that starts it (sndPlaySound
// for a WAV alarm, "play" for an MP3 or MIDI alarm) to the moment the first non-silent sample
// reaches the audio output. SDL's disk audio driver stands in for the sound card: it writes
// every mixed buffer to a file at the pace of a real device, and this tool watches that file.
//
//   alarm_latency [--runs N] FILE...
//
// Each run starts from a closed audio device, as the alarm does after a quiet countdown.
// Prints one line per file, times in milliseconds, median over the runs: "first sound" is the
// wall-clock delay until the output file holds the first sample louder than about -60 dBFS;
// "stream" is how much output (silence) lies between the call and that sample, which is
// what a listener would hear as the delay on a device with no latency of its own.
// The driver's pace can be changed with SDL_DISKAUDIODELAY (ms per 1024-frame buffer).
#include "engine/loadsound.h"
#include "engine/media.h"
#include "engine/sdlmedia.h"
#include "engine/soundtype.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <SDL_mixer.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

// A sample whose absolute value exceeds this (about -60 dBFS) counts as sound.
constexpr int SoundThreshold = 32;
constexpr int TimeoutMs = 5000;

struct Run {
    double openMs = -1; // "open" before "play", for MP3 and MIDI
    double callMs = -1; // how long that call kept the caller waiting
    double firstSoundMs = -1;
    double streamMs = -1; // output between the call and the first sound
    double stopMs = -1;   // the call that silences it and lets the device go
};

struct Sound {
    double ms = -1;     // elapsed when it was seen
    qint64 offset = -1; // its byte offset in the output
};

// Reads the file as it grows until a sample louder than the threshold appears at or after
// byte `from`; an empty result on timeout.
Sound waitForSound(const QString &path, qint64 from, const QElapsedTimer &clock)
{
    QFile file(path);
    QByteArray pending;
    qint64 offset = from;
    while (clock.elapsed() < TimeoutMs) {
        if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) {
            QThread::usleep(200);
            continue;
        }
        file.seek(offset);
        const QByteArray chunk = file.readAll();
        offset += chunk.size();
        pending += chunk;
        const qsizetype whole = pending.size() & ~qsizetype(1);
        for (qsizetype i = 0; i < whole; i += 2) {
            const int sample = qint16(quint8(pending[i]) | (quint8(pending[i + 1]) << 8));
            if (std::abs(sample) > SoundThreshold)
                return {clock.nsecsElapsed() / 1e6, offset - pending.size() + i};
        }
        pending.remove(0, whole);
        QThread::usleep(200);
    }
    return {};
}

// Milliseconds of output in that many bytes, in the format the audio device was opened with.
double outputMs(qint64 bytes)
{
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels) || rate <= 0)
        return -1;
    const int frameBytes = int(SDL_AUDIO_BITSIZE(format)) / 8 * channels;
    return 1000.0 * double(bytes) / frameBytes / rate;
}

Run measure(const QString &path)
{
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("output.raw"));
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));

    Run run;
    engine::SdlMedia media;
    const engine::SoundType type = engine::soundTypeOf(path);
    QElapsedTimer clock;
    if (type == engine::SoundType::Wav) {
        const QByteArray image = engine::LoadSound(path);
        clock.start();
        if (!media.sndPlaySound(&image, engine::SND_ASYNC | engine::SND_MEMORY | engine::SND_LOOP))
            return run;
        run.callMs = clock.nsecsElapsed() / 1e6;
        const Sound sound = waitForSound(output, 0, clock);
        run.firstSoundMs = sound.ms;
        run.streamMs = outputMs(sound.offset);
        QElapsedTimer stopClock;
        stopClock.start();
        media.sndPlaySound(nullptr, engine::SND_NODEFAULT);
        run.stopMs = stopClock.nsecsElapsed() / 1e6;
    } else {
        const QString device = QLatin1Char('"') + path + QLatin1Char('"');
        QElapsedTimer openClock;
        openClock.start();
        if (media.mciSendString(QStringLiteral("open ") + device) != 0)
            return run;
        run.openMs = openClock.nsecsElapsed() / 1e6;
        // The device writes silence from the moment it opens; look only at what follows play.
        const qint64 before = QFileInfo(output).size();
        clock.start();
        if (media.mciSendString(QStringLiteral("play ") + device) != 0)
            return run;
        run.callMs = clock.nsecsElapsed() / 1e6;
        const Sound sound = waitForSound(output, before, clock);
        run.firstSoundMs = sound.ms;
        run.streamMs = outputMs(sound.offset - before);
        QElapsedTimer stopClock;
        stopClock.start();
        media.mciSendString(QStringLiteral("close ") + device);
        run.stopMs = stopClock.nsecsElapsed() / 1e6;
    }
    return run;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 5;
    std::vector<QString> files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--runs") && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else
            files.push_back(arg);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: alarm_latency [--runs N] FILE...\n");
        return 2;
    }
    qputenv("SDL_AUDIODRIVER", "disk");

    int status = 0;
    for (const QString &file : files) {
        std::vector<double> open, call, first, stream, stop;
        for (int i = 0; i < runs; ++i) {
            const Run run = measure(file);
            if (run.firstSoundMs < 0) {
                status = 1;
                continue;
            }
            if (run.openMs >= 0)
                open.push_back(run.openMs);
            call.push_back(run.callMs);
            first.push_back(run.firstSoundMs);
            stream.push_back(run.streamMs);
            stop.push_back(run.stopMs);
        }
        const QByteArray name = QFileInfo(file).fileName().toLocal8Bit();
        if (first.empty()) {
            std::printf("%s: no sound\n", name.constData());
            continue;
        }
        std::printf("%s: first sound %.1f ms after the call (min %.1f, max %.1f), stream %.1f ms, "
                    "call %.1f ms",
                    name.constData(), median(first), *std::min_element(first.begin(), first.end()),
                    *std::max_element(first.begin(), first.end()), median(stream), median(call));
        if (!open.empty())
            std::printf(", open before it %.1f ms", median(open));
        std::printf(", stop %.1f ms", median(stop));
        std::printf("; median of %zu runs\n", first.size());
    }
    return status;
}
