#!/usr/bin/env python3
"""Writes resources/reminder.wav: the reminder's chime, two soft bell tones (E6, then C6) with a
gentle attack and a long decay; 16-bit mono, 22050 Hz, about 1.1 s."""
import math
import os
import struct
import wave

RATE = 22050


def bell(frequency, seconds, delay):
    """Samples of one bell tone: a fundamental with two quieter partials, decaying."""
    samples = []
    for i in range(int(seconds * RATE)):
        t = i / RATE
        attack = min(1.0, t / 0.01)
        decay = math.exp(-4.0 * t)
        tone = (math.sin(2 * math.pi * frequency * t)
                + 0.35 * math.sin(2 * math.pi * 2.0 * frequency * t) * math.exp(-3.0 * t)
                + 0.15 * math.sin(2 * math.pi * 3.01 * frequency * t) * math.exp(-6.0 * t))
        samples.append(attack * decay * tone)
    return [0.0] * int(delay * RATE) + samples


def main():
    first = bell(1318.5, 0.9, 0.0)
    second = bell(1046.5, 0.9, 0.22)
    length = max(len(first), len(second))
    mixed = [(first[i] if i < len(first) else 0.0) + (second[i] if i < len(second) else 0.0)
             for i in range(length)]
    peak = max(abs(s) for s in mixed)
    frames = b"".join(struct.pack("<h", int(s / peak * 0.5 * 32767)) for s in mixed)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources",
                        "reminder.wav")
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    main()
