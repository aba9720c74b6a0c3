#!/usr/bin/env python3
"""Writes the benchmark corpus for the zip engine: many small text-like files, a few
incompressible files and one large mixed file. Seeded: a rerun gives the same bytes.

usage: make_corpus.py DEST [--scale S]   (S = 1.0 is about 120 MB; the default 0.25 about 30 MB)
"""
import argparse
import os
import random

WORDS = [w.encode() for w in (
    "backup archive floppy query medium folder zip data kestrave weekly label rotation copy "
    "disk restore split container settings window report error total files compressed "
    "Sunday Monday Tuesday Wednesday Thursday Friday Saturday").split()]


def text(rng, size):
    out = bytearray()
    line = 0
    while len(out) < size:
        out += rng.choice(WORDS)
        line += 1
        if line % 11 == 0:
            out += b"%d\n" % rng.randrange(100000)
        else:
            out += b" "
    return bytes(out[:size])


def noise(rng, size):
    return rng.randbytes(size)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dest")
    parser.add_argument("--scale", type=float, default=0.25)
    args = parser.parse_args()
    rng = random.Random(20261211)
    small = max(50, int(4000 * args.scale))
    for i in range(small):
        folder = "small/d%02d/e%02d" % (i % 17, i % 5)
        size = int(rng.lognormvariate(8.5, 1.0)) + 64  # a few kB, some tens of kB
        write(os.path.join(args.dest, folder, "file%05d.txt" % i), text(rng, min(size, 200000)))
    for i in range(max(2, int(8 * args.scale))):
        write(os.path.join(args.dest, "noise", "blob%02d.jpg" % i), noise(rng, 2 * 1024 * 1024))
    large = int(64 * 1024 * 1024 * args.scale)
    parts = []
    done = 0
    while done < large:
        n = min(rng.randrange(256 * 1024, 4 * 1024 * 1024), large - done)
        parts.append(noise(rng, n) if rng.random() < 0.2 else text(rng, n))
        done += n
    write(os.path.join(args.dest, "large", "mixed.dat"), b"".join(parts))


if __name__ == "__main__":
    main()
