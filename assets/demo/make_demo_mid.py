#!/usr/bin/env python3
"""Writes demo.mid, the bundled demo song: a Standard MIDI File, format 1.

Track 0 holds the tempo map (120 BPM, 4/4, slowing to 100 BPM for the last
bar); tracks 1-3 hold a bass line, chords and a lead over ten bars, about
20 seconds. Note-offs are written as note-ons with velocity 0 under running
status where a track allows it, as many sequencers do. Deterministic: the
same bytes on every run.

    python3 assets/demo/make_demo_mid.py [OUT.mid]
"""
import os
import struct
import sys

PPQ = 480                       # ticks per quarter note
BAR = 4 * PPQ                   # 4/4
BARS = 10
US_PER_QUARTER_120 = 500000     # 60e6 / 120 BPM
US_PER_QUARTER_100 = 600000     # 60e6 / 100 BPM

# A minor: i - VI - III - VII, twice, then VI - i.
PROGRESSION = [57, 53, 48, 55, 57, 53, 48, 55, 53, 57]  # chord roots (A3 F3 C3 G3)
MINOR = {57}


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track_chunk(events, running_status):
    """events: (tick, bytes) pairs; sorted stably by tick here."""
    events = sorted(events, key=lambda e: e[0])
    body = bytearray()
    now = 0
    status = None
    for tick, data in events:
        body += vlq(tick - now)
        now = tick
        if data[0] < 0xF0 and running_status and data[0] == status:
            body += data[1:]
        else:
            body += data
        status = data[0] if data[0] < 0xF0 else None  # meta and sysex cancel it
    body += vlq(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def meta(kind, payload):
    return bytes([0xFF, kind]) + vlq(len(payload)) + payload


def note(events, channel, start, length, key, velocity, zero_velocity_off):
    events.append((start, bytes([0x90 | channel, key, velocity])))
    if zero_velocity_off:
        events.append((start + length, bytes([0x90 | channel, key, 0])))
    else:
        events.append((start + length, bytes([0x80 | channel, key, 64])))


def tempo_track():
    ev = [(0, meta(0x03, b"tempo")),
          (0, meta(0x58, bytes([4, 2, 24, 8]))),          # 4/4, 24 clocks per click
          (0, meta(0x51, US_PER_QUARTER_120.to_bytes(3, "big"))),
          ((BARS - 1) * BAR, meta(0x51, US_PER_QUARTER_100.to_bytes(3, "big")))]
    return track_chunk(ev, running_status=False)


def bass_track():
    ev = [(0, meta(0x03, b"bass"))]
    eighth = PPQ // 2
    for bar, root in enumerate(PROGRESSION):
        low = root - 12
        last = bar == BARS - 1
        steps = [low, low, low + 12, low, low, low + 7, low + 12, low + 10]
        if last:
            note(ev, 0, bar * BAR, BAR - eighth, low, 100, True)
            continue
        for i, key in enumerate(steps):
            note(ev, 0, bar * BAR + i * eighth, eighth - 40, key, 96 if i % 2 == 0 else 80, True)
    return track_chunk(ev, running_status=True)


def chord_track():
    ev = [(0, meta(0x03, b"chords")),
          (0, bytes([0xB1, 7, 90]))]                     # channel volume
    for bar, root in enumerate(PROGRESSION):
        third = 3 if root in MINOR else 4
        keys = [root + 12, root + 12 + third, root + 19]
        halves = [0] if bar == BARS - 1 else [0, 2 * PPQ]
        for start in halves:
            length = BAR if len(halves) == 1 else 2 * PPQ - 60
            for key in keys:
                note(ev, 1, bar * BAR + start, length, key, 64, True)
    return track_chunk(ev, running_status=True)


# The lead: (start in eighths within the phrase, length in eighths, key);
# a phrase spans four bars.
PHRASE_A = [(0, 2, 76), (2, 1, 74), (3, 1, 72), (4, 4, 69), (8, 2, 72), (10, 2, 74), (12, 4, 76),
            (16, 3, 79), (19, 1, 76), (20, 2, 74), (22, 2, 72), (24, 6, 74), (30, 2, 72)]
PHRASE_B = [(0, 2, 81), (2, 2, 79), (4, 2, 76), (6, 2, 74), (8, 4, 76), (12, 2, 72), (14, 2, 74),
            (16, 3, 72), (19, 1, 71), (20, 4, 67), (24, 2, 69), (26, 2, 71), (28, 4, 72)]
PHRASE_END = [(0, 2, 77), (2, 2, 76), (4, 4, 69)]


def lead_track():
    ev = [(0, meta(0x03, b"lead")),
          (0, bytes([0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7])),  # a sysex the reader skips
          (0, bytes([0xB2, 1, 0]))]                                 # modulation wheel at rest
    eighth = PPQ // 2
    starts = [(1, PHRASE_A), (5, PHRASE_B), (9, PHRASE_END)]   # four bars each, then the coda
    for bar, phrase in starts:
        for at, length, key in phrase:
            note(ev, 2, bar * BAR + at * eighth, length * eighth - 30, key, 100, False)
    ev.append((5 * BAR, bytes([0xB2, 1, 40])))                     # a little vibrato later on
    ev.append((7 * BAR, bytes([0xB2, 1, 0])))
    return track_chunk(ev, running_status=True)


def song():
    tracks = [tempo_track(), bass_track(), chord_track(), lead_track()]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ)
    return header + b"".join(tracks)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "demo.mid")
    with open(out, "wb") as f:
        f.write(song())


if __name__ == "__main__":
    main()
