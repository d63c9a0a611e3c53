#!/usr/bin/env python3
"""Makes the demo working directory's binary files: settings.cfg (the local
chat server first in the address list) and a few word sounds of our own."""
import math
import os
import struct
import wave

HERE = os.path.dirname(os.path.abspath(__file__))


def settings_image():
    img = bytearray(48200)
    struct.pack_into('<i', img, 0, 2)                        # version
    img[4:4 + 4] = b'Gast'                                   # nick slot 0
    for offset, value in zip(range(2004, 2013), (1, 0, 0, 0, 0, 1, 0, 1, 0)):
        img[offset] = value                                  # the nine option flags
    face = b'DejaVu Sans Mono'
    struct.pack_into('<5i8B', img, 2016, -13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 49)
    img[2016 + 28:2016 + 28 + len(face)] = face
    struct.pack_into('<4i', img, 2076, 60, 60, 960, 660)     # window rectangle
    struct.pack_into('<3i', img, 2092, 130, 0, 80)           # tree width, art font count, art box width
    struct.pack_into('<4i', img, 2104, 100, 520, 50, 0)      # column widths
    struct.pack_into('<4i', img, 2120, 3, 2, 0, 1)           # column order
    img[2136] = 1                                            # announce ignoring
    for slot, server in enumerate((b'localhost:3001', b'brenn-chat.example:28', b'chat.brenn-chat.example:2001')):
        img[2137 + 255 * slot:2137 + 255 * slot + len(server)] = server
    img[7238:7240] = b'\r\n'                                 # login text of slot 0
    img[27718:27720] = b'\r\n'                               # logout text of slot 0
    return bytes(img)


def tone(path, notes, seconds=0.25, rate=22050):
    frames = bytearray()
    n = int(rate * seconds)
    for i in range(n):
        t = i / rate
        envelope = min(1.0, i / 200) * (1 - i / n)
        sample = sum(math.sin(2 * math.pi * f * t) for f in notes) / len(notes)
        frames += struct.pack('<h', int(12000 * envelope * sample))
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == '__main__':
    with open(os.path.join(HERE, 'settings.cfg'), 'wb') as f:
        f.write(settings_image())
    tone(os.path.join(HERE, 'Sounds', 'hallo.wav'), (523.25, 659.25))
    tone(os.path.join(HERE, 'Sounds', 'tschuess.wav'), (659.25, 392.0))
    tone(os.path.join(HERE, 'Sounds', 'kaffee.wav'), (440.0, 554.37, 659.25), 0.4)
