#!/usr/bin/env python3
"""Writes the benchmark corpus: about 100 MB of mixed, reproducible data.

    make_corpus.py DIR [--scale S]

DIR/many/ holds about 1,500 files in nested folders (prose, structured text, executable-like
binaries and data that is already compressed); DIR/single/ holds one large file of the same
mixture. The same seed always gives the same bytes, so figures from different runs compare.
--scale shrinks or grows everything (1.0 is about 100 MB).
"""

import argparse
import os
import random
import zlib

SYLLABLES = ["ar", "chi", "ve", "en", "try", "vol", "ume", "cen", "tral", "head", "er", "de",
             "fla", "te", "win", "dow", "set", "up", "in", "stall", "pro", "gram", "file",
             "da", "ta", "ta", "sk", "mpi", "ran", "k", "co", "mm", "un", "ica", "tor"]


def make_words(rng, count):
    words = []
    for _ in range(count):
        words.append("".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 4))))
    return words


def prose(rng, words, size):
    """Sentences over a fixed vocabulary with a skewed word frequency, like real text."""
    weights = [1.0 / (rank + 1) for rank in range(len(words))]
    parts = []
    total = 0
    while total < size:
        sentence = rng.choices(words, weights, k=rng.randint(5, 18))
        line = " ".join(sentence).capitalize() + (".\n" if rng.random() < 0.2 else ". ")
        parts.append(line)
        total += len(line)
    return "".join(parts).encode("ascii")[:size]


def structured(rng, words, size):
    """CSV, JSON-like and XML-like records: repetitive keys, varying values."""
    kind = rng.randrange(3)
    parts = []
    total = 0
    row = 0
    while total < size:
        row += 1
        name = rng.choice(words)
        value = rng.randint(0, 10 ** rng.randint(1, 9))
        if kind == 0:
            line = f"{row},{name},{value},{rng.random():.6f},{rng.choice(words)}\n"
        elif kind == 1:
            line = f'{{"id": {row}, "name": "{name}", "value": {value}, "tags": ["{rng.choice(words)}"]}},\n'
        else:
            line = f'  <item id="{row}" name="{name}"><value>{value}</value></item>\n'
        parts.append(line)
        total += len(line)
    return "".join(parts).encode("ascii")[:size]


def executable(rng, words, size):
    """Code-like bytes: a small alphabet of instruction patterns with addresses, a string
    table, import names and zero-filled alignment gaps."""
    opcodes = [bytes(rng.randrange(256) for _ in range(rng.randint(1, 6))) for _ in range(300)]
    out = bytearray(b"MZ\x90\x00" + bytes(60))
    while len(out) < size:
        section = rng.random()
        if section < 0.7:
            for _ in range(rng.randint(200, 2000)):
                out += rng.choice(opcodes[:rng.randint(20, 300)])
                if rng.random() < 0.3:
                    out += rng.randrange(0x401000, 0x480000).to_bytes(4, "little")
        elif section < 0.85:
            for _ in range(rng.randint(20, 200)):
                out += rng.choice(words).encode("ascii") + b"\x00"
        else:
            out += bytes(rng.choice([512, 1024, 4096]) - len(out) % 512)
    return bytes(out[:size])


def compressed(rng, words, size):
    """Data that is already compressed: deflated text, and plain random bytes (images,
    archives)."""
    if rng.random() < 0.5:
        return rng.randbytes(size)
    out = bytearray()
    while len(out) < size:
        out += zlib.compress(prose(rng, words, 200000), 9)
    return bytes(out[:size])


KINDS = [(prose, 0.35, ".txt"), (structured, 0.25, ".csv"), (executable, 0.25, ".dll"), (compressed, 0.15, ".jpg")]


def file_size(rng, scale):
    # Mostly small files, some medium, a few large ones.
    pick = rng.random()
    if pick < 0.6:
        size = rng.randint(200, 20000)
    elif pick < 0.95:
        size = rng.randint(20000, 200000)
    else:
        size = rng.randint(400000, 2000000)
    return max(1, int(size * scale))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("directory")
    parser.add_argument("--scale", type=float, default=1.0)
    args = parser.parse_args()
    rng = random.Random(4071938265)
    words = make_words(rng, 3000)

    many_target = int(70_000_000 * args.scale)
    total = 0
    index = 0
    folders = ["bin", "doc", "doc/html", "data", "data/tables", "lib", "res/img", "res/snd", "src/a/b/c"]
    while total < many_target:
        generator, _, extension = rng.choices(KINDS, [kind[1] for kind in KINDS])[0]
        size = file_size(rng, 1.0)
        data = generator(rng, words, size)
        folder = rng.choice(folders)
        write(os.path.join(args.directory, "many", folder, f"file{index:05d}{extension}"), data)
        total += size
        index += 1

    single_target = int(30_000_000 * args.scale)
    pieces = []
    single_total = 0
    while single_total < single_target:
        generator = rng.choices([kind[0] for kind in KINDS], [kind[1] for kind in KINDS])[0]
        piece = generator(rng, words, rng.randint(100000, 1000000))
        pieces.append(piece)
        single_total += len(piece)
    write(os.path.join(args.directory, "single", "big.bin"), b"".join(pieces)[:single_target])
    print(f"corpus: {index} files, {total + single_target} bytes in {args.directory}")


if __name__ == "__main__":
    main()
