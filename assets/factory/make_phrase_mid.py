#!/usr/bin/env python3
"""Writes phrase.mid, the audition phrase every factory sound is checked and
pictured with: a Standard MIDI File, format 0, 120 BPM.

  0.0 s  four eighth notes up the C major triad from C3, velocity 100
  2.0 s  a low C2 and a high C5, half a second each
  3.0 s  an eight-note chord (C3 G3 C4 E4 G4 B4 D5 G5) at velocity 127,
         held for 1.5 s; then nothing, so the tail can be watched.

With --key K every note is K and the chord is one strike: the phrase as a
drum sound in drum mode hears it (each key there selects a sound).
Deterministic: the same bytes on every run.

    python3 assets/factory/make_phrase_mid.py [--key K] [OUT.mid]
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo"))
from make_demo_mid import PPQ, meta, note, track_chunk  # noqa: E402

EIGHTH = PPQ // 2
CHORD = [48, 55, 60, 64, 67, 71, 74, 79]


def phrase_track(one_key=None):
    ev = [(0, meta(0x03, b"audition")),
          (0, meta(0x51, (500000).to_bytes(3, "big")))]   # 120 BPM
    for i, key in enumerate([48, 52, 55, 60]):
        note(ev, 0, i * EIGHTH, EIGHTH - 30, one_key or key, 100, False)
    note(ev, 0, 4 * PPQ, PPQ, one_key or 36, 100, False)
    note(ev, 0, 5 * PPQ, PPQ, one_key or 72, 100, False)
    for key in CHORD[:1] if one_key else CHORD:
        note(ev, 0, 6 * PPQ, 3 * PPQ, one_key or key, 127, False)
    return track_chunk(ev, running_status=False)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    args = sys.argv[1:]
    one_key = None
    if args[:1] == ["--key"]:
        one_key = int(args[1])
        args = args[2:]
    out = args[0] if args else os.path.join(here, "phrase.mid")
    tracks = [phrase_track(one_key)]
    with open(out, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, len(tracks), PPQ) + b"".join(tracks))


if __name__ == "__main__":
    main()
