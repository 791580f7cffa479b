#!/usr/bin/env python3
"""Writes the factory demo song, two Standard MIDI Files (format 1, 120 BPM,
twelve bars in D minor, about 24 seconds):

  demo_band.mid   bass, pad, lead and an arpeggio for one instance: a program
                  change before every note picks that part's factory sound
                  (the instance follows program changes), so all four share
                  the instance's insert chain, its Reverb and mDelay
  demo_drums.mid  the drums on the General MIDI keys, for an instance in
                  drum mode (each key plays its own factory sound)

    python3 assets/factory/make_demo_song.py [OUT_DIR]
    python3 assets/factory/make_demo_song.py --parts     # "part program" lines

Deterministic: the same bytes on every run.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo"))
from make_demo_mid import PPQ, meta, note, track_chunk  # noqa: E402

BAR = 4 * PPQ
EIGHTH = PPQ // 2
SIXTEENTH = PPQ // 4
BARS = 12

# The factory programs of the band's parts (slots of Vorn Factory.vornbank).
PARTS = [("bass", 9), ("pad", 40), ("lead", 35), ("arpeggio", 94)]
PROGRAM = dict(PARTS)

# Dm - Bb - F - C, three times: roots and whether the chord is minor.
PROGRESSION = [(50, True), (46, False), (53, False), (48, False)] * 3
KIT = {"kick": 36, "snare": 38, "clap": 39, "hat": 42, "open hat": 46, "crash": 49,
       "low tom": 45, "mid tom": 47, "high tom": 50}


def triad(root, minor):
    return [root, root + (3 if minor else 4), root + 7]


def program_note(ev, part, start, length, key, velocity):
    """A note preceded by the program change that selects its part's sound."""
    ev.append((start, bytes([0xC0, PROGRAM[part]])))
    note(ev, 0, start, length, key, velocity, False)


def bass_track():
    ev = [(0, meta(0x03, b"bass"))]
    # (start, length) in sixteenths, interval above the root
    pattern = [(0, 3, 0), (3, 1, 0), (4, 2, 12), (6, 2, 0), (8, 2, 0), (10, 1, 0), (11, 2, 7), (14, 2, 10)]
    for bar in range(2, BARS):
        root, _ = PROGRESSION[bar]
        for at, length, step in pattern:
            program_note(ev, "bass", bar * BAR + at * SIXTEENTH, length * SIXTEENTH - 30,
                         root - 12 + step, 100 if at % 4 == 0 else 84)
    return track_chunk(ev, running_status=False)


def pad_track():
    ev = [(0, meta(0x03, b"pad"))]
    for bar, (root, minor) in enumerate(PROGRESSION):
        for key in triad(root + 12, minor):
            program_note(ev, "pad", bar * BAR, BAR - 20, key, 80)
    return track_chunk(ev, running_status=False)


# The lead: (start in eighths within a four-bar phrase, length in eighths, key).
MELODY = [(0, 3, 74), (3, 1, 72), (4, 2, 69), (6, 2, 72), (8, 4, 70), (12, 2, 69), (14, 2, 67),
          (16, 3, 65), (19, 1, 67), (20, 2, 69), (22, 2, 72), (24, 6, 72), (30, 1, 74), (31, 1, 76)]
ANSWER = [(0, 2, 77), (2, 2, 76), (4, 4, 74), (8, 3, 74), (11, 1, 72), (12, 4, 70),
          (16, 2, 69), (18, 2, 72), (20, 4, 77), (24, 8, 74)]


def lead_track():
    ev = [(0, meta(0x03, b"lead"))]
    for first_bar, phrase in [(4, MELODY), (8, ANSWER)]:
        for at, length, key in phrase:
            program_note(ev, "lead", first_bar * BAR + at * EIGHTH, length * EIGHTH - 30, key, 100)
    return track_chunk(ev, running_status=False)


def arpeggio_track():
    ev = [(0, meta(0x03, b"arpeggio"))]
    for bar in range(8, BARS):
        root, minor = PROGRESSION[bar]
        keys = triad(root + 24, minor)
        steps = [keys[0], keys[1], keys[2], keys[1] + 12, keys[2], keys[1], keys[0] + 12, keys[2]]
        for i in range(16):
            program_note(ev, "arpeggio", bar * BAR + i * SIXTEENTH, SIXTEENTH - 20, steps[i % 8], 90)
    return track_chunk(ev, running_status=False)


def drum_track():
    ev = [(0, meta(0x03, b"drums"))]
    hit = lambda at, piece, velocity=110: note(ev, 9, at, 60, KIT[piece], velocity, True)  # noqa: E731
    for bar in range(BARS):
        t = bar * BAR
        for i in range(8):  # hats in eighths from the start
            hit(t + i * EIGHTH, "open hat" if i == 7 and bar % 2 == 1 else "hat", 100 if i % 2 == 0 else 70)
        if bar < 2:
            continue
        if bar in (2, 8):
            hit(t, "crash", 120)
        for at in (0, 3 * EIGHTH, 2 * PPQ):  # kick on one, the and of two, three
            hit(t + at, "kick", 120)
        hit(t + PPQ, "snare", 115)
        hit(t + 3 * PPQ, "snare", 115)
        if bar % 4 == 3:
            hit(t + 3 * PPQ, "clap", 100)
        if bar == 7:  # a fill into the second half
            for i, piece in enumerate(["high tom", "high tom", "mid tom", "low tom"]):
                hit(t + 3 * PPQ + i * SIXTEENTH, piece, 105)
    hit(BARS * BAR, "crash", 120)
    hit(BARS * BAR, "kick", 120)
    return track_chunk(ev, running_status=False)


def song(tracks):
    tempo = track_chunk([(0, meta(0x03, b"tempo")), (0, meta(0x58, bytes([4, 2, 24, 8]))),
                         (0, meta(0x51, (500000).to_bytes(3, "big")))], running_status=False)
    tracks = [tempo] + tracks
    return b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ) + b"".join(tracks)


def main():
    if sys.argv[1:] == ["--parts"]:
        for part, program in PARTS:
            print(part, program)
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(out, "demo_band.mid"), "wb") as f:
        f.write(song([bass_track(), pad_track(), lead_track(), arpeggio_track()]))
    with open(os.path.join(out, "demo_drums.mid"), "wb") as f:
        f.write(song([drum_track()]))


if __name__ == "__main__":
    main()
