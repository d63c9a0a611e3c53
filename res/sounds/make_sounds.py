#!/usr/bin/env python3
"""Writes the sounds TavikClient ships with.

chord.wav: the short chime that marks a message addressed to the user. A C major
triad (C5, E5, G5) with the notes struck one after another like a soft arpeggio,
each with a quick attack and an exponential fade, so it is audible without
being shrill. 16-bit mono at 22050 Hz keeps it small.

Run from anywhere: python3 res/sounds/make_sounds.py
"""

import math
import os
import struct
import wave

RATE = 22050
LENGTH = 0.4  # seconds
NOTES = [(523.25, 0.000), (659.25, 0.035), (783.99, 0.070)]  # frequency, start offset
ATTACK = 0.008
DECAY = 7.0  # per second; the chord has faded to a whisper at the end
PEAK = 0.9  # of full scale were all three notes in phase; they never quite are


def sample(t):
    value = 0.0
    for frequency, start in NOTES:
        local = t - start
        if local < 0:
            continue
        envelope = min(1.0, local / ATTACK) * math.exp(-DECAY * local)
        # A little second harmonic makes it sound like a bell rather than a beep.
        tone = math.sin(2 * math.pi * frequency * local) + 0.25 * math.sin(4 * math.pi * frequency * local)
        value += envelope * tone / 1.25
    # The last few milliseconds fade to silence so the file ends without a click.
    remaining = LENGTH - t
    if remaining < 0.02:
        value *= remaining / 0.02
    return value * PEAK / len(NOTES)


def main():
    count = int(RATE * LENGTH)
    frames = b"".join(struct.pack("<h", int(round(32767 * sample(i / RATE)))) for i in range(count))
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "chord.wav")
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    main()
