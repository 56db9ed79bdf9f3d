#!/usr/bin/env python3
"""Synthesises the three move sounds.

Writes resources/sounds/SIMPLE_MOVE.wav, ATTACK_MOVE.wav and PROMOTE.wav, PCM at 22050 Hz:

  SIMPLE_MOVE  16-bit mono,   10374 data bytes: a piece set down on a wooden board
  ATTACK_MOVE   8-bit stereo, 12882 data bytes: a sharper double knock, the jump and the landing
  PROMOTE      16-bit mono,   11690 data bytes: a soft tap and a short bright chime

The formats and lengths are fixed by the program's design; the sounds themselves are ours.
A wooden knock is a noise transient through a band-pass filter plus a few fast-decaying
resonances of the board; the chime is three bell-like notes. Every clip fades in over about a
millisecond and out over its last 20-30 ms, so it starts and ends on silence, and peaks well
below full scale. Standard library only; deterministic (fixed seeds). Usage:
    tools/gen_sounds.py [--out DIR]
"""
import argparse
import math
import pathlib
import random
import struct
import wave

RATE = 22050


def silence(frames):
    return [0.0] * frames


def add(buf, signal, start):
    """Mixes signal into buf from sample start on; the end is cut at the clip's length."""
    for i, v in enumerate(signal):
        if start + i >= len(buf):
            break
        buf[start + i] += v


def band_pass(x, centre, q):
    """RBJ band-pass biquad (constant 0 dB peak gain)."""
    w = 2 * math.pi * centre / RATE
    alpha = math.sin(w) / (2 * q)
    b0, b2 = alpha, -alpha
    a0, a1, a2 = 1 + alpha, -2 * math.cos(w), 1 - alpha
    y = []
    x1 = x2 = y1 = y2 = 0.0
    for v in x:
        out = (b0 * v + b2 * x2 - a1 * y1 - a2 * y2) / a0
        x2, x1 = x1, v
        y2, y1 = y1, out
        y.append(out)
    return y


def knock(rng, length, modes, click_centre, click_level, click_decay):
    """One wooden knock: a filtered noise click and damped resonances (freq, level, decay s)."""
    n = int(length * RATE)
    noise = [rng.uniform(-1, 1) * math.exp(-i / (click_decay * RATE)) for i in range(n)]
    click = band_pass(noise, click_centre, 1.2)
    out = [click_level * c for c in click]
    for freq, level, decay in modes:
        phase = rng.uniform(0, 2 * math.pi)
        for i in range(n):
            t = i / RATE
            out[i] += level * math.exp(-t / decay) * math.sin(2 * math.pi * freq * t + phase)
    # Soft onset: the felt under a piece rounds the first instant off.
    onset = int(0.0008 * RATE)
    for i in range(min(onset, n)):
        out[i] *= 0.5 - 0.5 * math.cos(math.pi * i / onset)
    return out


def bell(freq, length, level, decay, attack=0.003):
    """A short chime note: a few partials, the upper ones slightly out of tune and faster."""
    partials = ((1.0, 1.0, 1.0), (2.0, 0.35, 0.6), (3.01, 0.15, 0.4), (4.17, 0.07, 0.25))
    n = int(length * RATE)
    out = [0.0] * n
    for ratio, amp, speed in partials:
        f = freq * ratio
        if f >= RATE / 2 * 0.9:
            continue
        for i in range(n):
            t = i / RATE
            out[i] += amp * math.exp(-t / (decay * speed)) * math.sin(2 * math.pi * f * t)
    a = int(attack * RATE)
    for i in range(min(a, n)):
        out[i] *= math.sin(0.5 * math.pi * i / a)
    return [level * v for v in out]


def scaled(buf, factor):
    return [v * factor for v in buf]


def peak(*bufs):
    return max(abs(v) for buf in bufs for v in buf) or 1.0


def faded(buf, fade_in, fade_out):
    """Raised-cosine fades at both ends, so the clip starts and ends on silence."""
    buf = list(buf)
    fi, fo = int(fade_in * RATE), int(fade_out * RATE)
    for i in range(fi):
        buf[i] *= 0.5 - 0.5 * math.cos(math.pi * i / fi)
    for i in range(fo):
        buf[len(buf) - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / fo)
    return buf


def simple_move():
    rng = random.Random(1)
    frames = 10374 // 2
    buf = silence(frames)
    # A hollow "tok": the board's low body, a woody mid and a light click on top.
    tok = knock(rng, 0.2, ((190, 0.35, 0.030), (620, 0.9, 0.018), (1050, 0.55, 0.012),
                           (1710, 0.35, 0.008), (2650, 0.18, 0.005)), 2800, 0.9, 0.0025)
    add(buf, tok, int(0.004 * RATE))
    return faded(scaled(buf, 0.55 / peak(buf)), 0.001, 0.02)


def attack_move():
    """Left and right channels: the jump lands a little to the right of where it starts."""
    rng = random.Random(2)
    frames = 12882 // 2
    left, right = silence(frames), silence(frames)
    first = knock(rng, 0.14, ((300, 0.3, 0.020), (980, 0.9, 0.011), (1620, 0.6, 0.008),
                              (2750, 0.35, 0.005), (4100, 0.2, 0.003)), 3800, 1.2, 0.0018)
    second = knock(rng, 0.18, ((260, 0.35, 0.026), (900, 0.9, 0.013), (1480, 0.6, 0.009),
                               (2500, 0.35, 0.006), (3900, 0.2, 0.003)), 3400, 1.1, 0.002)
    s1, s2 = int(0.004 * RATE), int(0.092 * RATE)
    add(left, [0.85 * v for v in first], s1)
    add(right, [0.6 * v for v in first], s1)
    add(left, [0.65 * v for v in second], s2)
    add(right, [0.9 * v for v in second], s2)
    factor = 0.6 / peak(left, right)
    return (faded(scaled(left, factor), 0.001, 0.02), faded(scaled(right, factor), 0.001, 0.02))


def promote():
    rng = random.Random(3)
    frames = 11690 // 2
    buf = silence(frames)
    # The new king set down, then a rising C-E-G chime.
    tap = knock(rng, 0.08, ((700, 0.5, 0.010), (1300, 0.35, 0.006)), 3000, 0.5, 0.0015)
    add(buf, [0.5 * v for v in tap], int(0.003 * RATE))
    for k, (freq, level) in enumerate(((1046.5, 0.55), (1318.5, 0.5), (1568.0, 0.6))):
        add(buf, bell(freq, 0.26, level, 0.09 + 0.02 * k), int((0.012 + 0.045 * k) * RATE))
    return faded(scaled(buf, 0.5 / peak(buf)), 0.001, 0.03)


def write_wav(path, channels, width, samples):
    """samples: a list of frames, each a tuple of floats -1..1, one per channel."""
    data = bytearray()
    for frame in samples:
        for v in frame:
            v = max(-1.0, min(1.0, v))
            if width == 2:
                data += struct.pack("<h", int(round(v * 32767)))
            else:
                data.append(int(round(128 + v * 127)))
    with wave.open(str(path), "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(RATE)
        w.writeframes(bytes(data))
    return len(data)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", type=pathlib.Path, default=root / "resources" / "sounds")
    args = ap.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    left, right = attack_move()
    clips = (
        ("SIMPLE_MOVE", 1, 2, [(v,) for v in simple_move()], 10374),
        ("ATTACK_MOVE", 2, 1, list(zip(left, right)), 12882),
        ("PROMOTE", 1, 2, [(v,) for v in promote()], 11690),
    )
    for name, channels, width, frames, expected in clips:
        size = write_wav(args.out / f"{name}.wav", channels, width, frames)
        assert size == expected, (name, size, expected)


if __name__ == "__main__":
    main()
