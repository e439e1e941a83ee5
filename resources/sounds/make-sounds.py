#!/usr/bin/env python3
"""Makes the alarm sounds that ship with Ostrevan.

    chime.wav   a soft two-note chime (loops while the alarm sounds)
    melody.mid  a short vibraphone tune (General MIDI)
    bells.mp3   three low bell strokes (needs the `lame` encoder)

Only the standard library is used for the WAV and MIDI files; the MP3 is encoded by `lame`
from a WAV made the same way. The files are committed; run this script to remake them:

    python3 resources/sounds/make-sounds.py [output folder]
"""

import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import wave

RATE = 22050  # plenty for soft tones, and it keeps the files small


def strike(samples, start, fundamental, partials, decay, level):
    """Adds one struck tone: sine partials (ratio, amplitude), each decaying exponentially,
    faster the higher it is, with a 6 ms fade-in so the attack does not click."""
    first = int(start * RATE)
    attack = int(0.006 * RATE)
    for ratio, amplitude in partials:
        freq = fundamental * ratio
        if freq >= RATE / 2:
            continue
        tau = decay / ratio ** 0.7  # seconds to fall to 1/e
        step = 2 * math.pi * freq / RATE
        for n in range(len(samples) - first):
            t = n / RATE
            envelope = math.exp(-t / tau)
            if envelope < 1e-4:
                break
            if n < attack:
                envelope *= 0.5 - 0.5 * math.cos(math.pi * n / attack)
            samples[first + n] += level * amplitude * envelope * math.sin(step * n)


def fade_out(samples, seconds):
    count = int(seconds * RATE)
    for i in range(count):
        samples[-count + i] *= 0.5 + 0.5 * math.cos(math.pi * i / count)
    samples[-1] = 0.0


def write_wav(path, samples, peak=0.45):
    """16-bit mono PCM, scaled so the loudest sample is `peak` of full scale."""
    top = max(abs(s) for s in samples) or 1.0
    scale = peak * 32767 / top
    frames = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def check_ends(path):
    """The program strips blanks (byte 32) from both ends of a WAV file before it plays it
    from memory; make sure ours do not end in one."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:1] != b" " and data[-1:] != b" ", path + " ends in a blank"


def make_chime(path):
    # E5 then C5: a doorbell-like "ding-dong" with soft, slightly inharmonic overtones.
    samples = [0.0] * int(3.0 * RATE)
    partials = [(1.0, 1.0), (2.0, 0.30), (2.76, 0.12), (5.4, 0.03)]
    strike(samples, 0.00, 659.25, partials, 0.9, 1.0)
    strike(samples, 0.55, 523.25, partials, 1.1, 1.0)
    fade_out(samples, 0.35)  # silent at the loop point
    write_wav(path, samples)


def make_bells(path):
    # Three low bell strokes, G4 E4 C4, with the hum, tierce and quint of a tuned bell.
    samples = [0.0] * int(4.2 * RATE)
    partials = [(0.5, 0.45), (1.0, 1.0), (1.2, 0.35), (1.5, 0.25), (2.0, 0.30), (2.5, 0.06)]
    for i, freq in enumerate((392.00, 329.63, 261.63)):
        strike(samples, 0.75 * i, freq, partials, 1.3, 1.0)
    fade_out(samples, 0.5)
    write_wav(path, samples, peak=0.5)


def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def make_melody(path):
    # A short rising-and-settling tune on the vibraphone, 96 beats a minute.
    division = 480
    tempo = 625000  # microseconds per quarter note
    notes = [  # (MIDI note, length in eighths)
        (72, 1), (76, 1), (79, 1), (84, 2), (79, 1), (81, 1), (77, 1),
        (74, 1), (76, 1), (79, 1), (72, 4),
    ]
    eighth = division // 2
    events = bytearray()
    events += b"\x00\xff\x51\x03" + tempo.to_bytes(3, "big")
    events += b"\x00\xc0\x0b"      # program 11: vibraphone
    events += b"\x00\xb0\x07\x64"  # channel volume 100
    events += b"\x00\xb0\x5b\x30"  # some reverb
    gap = 0  # ticks between the last note-off and the next note-on
    for note, eighths in notes:
        events += varlen(gap) + b"\x90" + bytes([note, 80])
        events += varlen(eighths * eighth - 20) + b"\x80" + bytes([note, 64])
        gap = 20
    # Let the last note ring out before the track ends.
    events += varlen(gap + 2 * division) + b"\xff\x2f\x00"
    track = b"MTrk" + struct.pack(">I", len(events)) + bytes(events)
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, division)
    with open(path, "wb") as out:
        out.write(header + track)


def make_mp3(path, make_wav):
    lame = shutil.which("lame")
    if not lame:
        print("lame not found: " + path + " left as it is", file=sys.stderr)
        return False
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "source.wav")
        make_wav(source)
        subprocess.run([lame, "--silent", "-m", "m", "-b", "48", source, path], check=True)
    return True


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    made = []
    for name, make in (("chime.wav", make_chime), ("melody.mid", make_melody)):
        make(os.path.join(folder, name))
        made.append(name)
    check_ends(os.path.join(folder, "chime.wav"))
    if make_mp3(os.path.join(folder, "bells.mp3"), make_bells):
        made.append("bells.mp3")
    for name in made:
        print("%-10s %7d bytes" % (name, os.path.getsize(os.path.join(folder, name))))


if __name__ == "__main__":
    main()
