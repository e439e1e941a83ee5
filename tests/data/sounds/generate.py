#!/usr/bin/env python3
"""Writes the bad and odd sound files the engine tests ring, next to this script.

Each is small and made from nothing but ../tone-1s.mp3 and arithmetic, so the set can be
made again byte for byte: python3 generate.py
"""
import math
import random
import struct
from pathlib import Path

here = Path(__file__).resolve().parent


def tone(seconds, rate=44100):
    """16-bit mono samples of a 440 Hz sine peaking near 12000."""
    frames = round(seconds * rate)
    return b"".join(struct.pack("<h", round(12000 * math.sin(2 * math.pi * 440 * i / rate)))
                    for i in range(frames))


def chunk(name, body, declared=None):
    size = len(body) if declared is None else declared
    return name + struct.pack("<I", size) + body + (b"\0" if len(body) % 2 else b"")


def pcm_format(channels=1, rate=44100, bits=16):
    align = channels * bits // 8
    return struct.pack("<HHIIHH", 1, channels, rate, rate * align, align, bits)


def riff(chunks, declared=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if declared is None else declared) + body


files = {}

# The first half of an MP3 sound, cut inside a frame.
mp3 = (here.parent / "tone-1s.mp3").read_bytes()
files["truncated.mp3"] = mp3[: len(mp3) // 2 + 7]

# No bytes at all.
files["empty.mp3"] = b""

# An ID3v2.3 tag holding a title, and no audio after it.
title = b"\0Alarm"
frame = b"TIT2" + struct.pack(">I", len(title)) + b"\0\0" + title
files["id3-only.mp3"] = b"ID3\3\0\0" + bytes([0, 0, 0, len(frame)]) + frame

# Sizes that promise far more than the file holds: the RIFF size and the data size.
files["lying-header.wav"] = riff(
    [chunk(b"fmt ", pcm_format()), chunk(b"data", tone(0.1), 0x7FFFFFF0)], 0xFFFFFFF0)

# A sampler chunk that claims sixteen million loops in its 36 bytes, before the samples.
sampler = struct.pack("<9I", 0, 0, 22675, 60, 0, 0, 0, 0xFFFFFF, 0)
files["smpl-loops.wav"] = riff(
    [chunk(b"fmt ", pcm_format()), chunk(b"smpl", sampler), chunk(b"data", tone(0.1))])

# A format of no channels: every frame is zero bytes long.
files["zero-channels.wav"] = riff(
    [chunk(b"fmt ", struct.pack("<HHIIHH", 1, 0, 44100, 0, 0, 16)), chunk(b"data", tone(0.1))])

# A MIDI header promising two tracks; the first is data bytes without status, a system
# exclusive message running past its end, and a length beyond the file; the second is missing.
track = bytes([0x00, 0x40, 0x7F, 0x00, 0x90, 0x3C, 0x00, 0xF0, 0x7F, 0x01, 0x02, 0x83, 0xFF])
files["garbage-tracks.mid"] = (b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480)
                               + b"MTrk" + struct.pack(">I", 0x00FFFFFF) + track)

# Random bytes under a MIDI name.
files["random.mid"] = random.Random(1234).randbytes(2048)

for name, data in files.items():
    (here / name).write_bytes(data)
