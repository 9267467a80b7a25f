#!/usr/bin/env python3
"""Hostile pictures through the real zarnres, on demand (run it with the asan
preset's zarnres to catch what the sanitizers see):

    tests/faults/hostile_pictures.py ZARNRES [COUNT] [SEED]

Mutates the pictures of tests/data/import/pictures and forms (bits flipped,
bytes overwritten, runs repeated or dropped, the file cut; PNG chunks keep a
right CRC so that the damage reaches the pixels) and adds each to a blank
file with `zarnres add`. Every run must end within 20 seconds with status 0
or 1; a refusal says one of the tool's texts, and nothing else reaches
standard error: no library's message, no sanitizer's report. The damaged
files of tests/data/import/damaged and tests/fuzz/corpus go through as well.
Prints a line per failure and a summary; status 1 when anything failed.
"""
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, '..', 'data', 'import')
FIRST_LINES = ('Reading File Error', 'Picture too large: ', 'Unsupported BMP file: ', 'The picture (')


def png_chunks(data):
    """(kind, body) of each chunk, or None when the file is no whole PNG."""
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        return None
    out, at = [], 8
    while at + 12 <= len(data):
        n = struct.unpack('>I', data[at:at + 4])[0]
        if at + 12 + n > len(data):
            return None
        out.append((data[at + 4:at + 8], data[at + 8:at + 8 + n]))
        at += 12 + n
    return out


def png_of(chunks):
    return b'\x89PNG\r\n\x1a\n' + b''.join(
        struct.pack('>I', len(b)) + k + b + struct.pack('>I', zlib.crc32(k + b)) for k, b in chunks)


def mutate_bytes(data, rnd):
    data = bytearray(data)
    for _ in range(rnd.randint(1, 4)):
        if not data:
            break
        kind = rnd.randrange(5)
        at = rnd.randrange(len(data))
        if kind == 0:
            data[at] ^= 1 << rnd.randrange(8)
        elif kind == 1:
            data[at] = rnd.choice((0, 0xff, 0x7f, 0x80, rnd.randrange(256)))
        elif kind == 2:
            data[at:at] = data[at:at + rnd.randint(1, 64)]
        elif kind == 3:
            del data[at:at + rnd.randint(1, 64)]
        else:
            del data[at:]
    return bytes(data)


def mutate(data, rnd):
    chunks = png_chunks(data)
    if chunks and rnd.random() < 0.7:
        # Damage a chunk's body (a header field, the compressed pixels) and keep its CRC right.
        if rnd.random() < 0.5 and any(k == b'IDAT' for k, _ in chunks):
            # The pixels: all IDAT chunks as one zlib stream, damaged after inflating or before.
            first = next(i for i, (k, _) in enumerate(chunks) if k == b'IDAT')
            stream = b''.join(b for k, b in chunks if k == b'IDAT')
            body = zlib.compress(mutate_bytes(zlib.decompress(stream), rnd)) if rnd.random() < 0.9 else \
                mutate_bytes(stream, rnd)
            chunks = [c for c in chunks if c[0] != b'IDAT']
            chunks.insert(first, (b'IDAT', body))
            return png_of(chunks)
        i = rnd.randrange(len(chunks))
        chunks[i] = (chunks[i][0], mutate_bytes(chunks[i][1], rnd))
        return png_of(chunks)
    return mutate_bytes(data, rnd)


def run(zarnres, blank, picture, work):
    target = os.path.join(work, 't.zrf')
    with open(blank, 'rb') as f, open(target, 'wb') as g:
        g.write(f.read())
    try:
        r = subprocess.run([zarnres, 'add', target, picture], capture_output=True, text=True, timeout=20,
                           errors='replace')
    except subprocess.TimeoutExpired:
        return 'hung'
    if r.returncode not in (0, 1):
        return 'status %d: %s' % (r.returncode, r.stderr[-400:])
    lines = r.stderr.splitlines()
    if r.returncode == 0:
        return 'standard error: ' + r.stderr[:400] if lines else None
    if not lines or not lines[0].startswith(FIRST_LINES):
        return 'first line: ' + r.stderr[:400]
    for line in lines[1:]:
        if not line.startswith(('Cannot read ', 'Not enough memory')):
            return 'stray line: ' + line
    return None


def main():
    zarnres = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    rnd = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    seeds = []
    for folder in ('pictures', 'forms'):
        for name in sorted(os.listdir(os.path.join(DATA, folder))):
            if name.lower().endswith(('.png', '.jpg', '.gif', '.bmp')) and 'progressive_8000' not in name:
                seeds.append(os.path.join(DATA, folder, name))
    fixed = [os.path.join(DATA, 'damaged', n) for n in sorted(os.listdir(os.path.join(DATA, 'damaged')))
             if not n.endswith('.txt')]
    corpus = os.path.join(HERE, '..', 'fuzz', 'corpus')
    for root, _, names in os.walk(corpus):
        fixed += [os.path.join(root, n) for n in sorted(names)]
    failures = 0
    kept = tempfile.mkdtemp(prefix='hostile-pictures-')
    with tempfile.TemporaryDirectory() as work:
        blank = os.path.join(work, 'blank.zrf')
        subprocess.run([zarnres, 'new', blank, '--model', '4'], check=True, stdout=subprocess.DEVNULL)
        cases = [(f, None) for f in fixed]
        for n in range(count):
            seed = rnd.choice(seeds)
            cases.append((seed, n))
        for source, n in cases:
            picture = source
            if n is None and not source.lower().endswith(('.png', '.jpg', '.gif', '.bmp')):
                # Its bytes say what it is; zarnres add wants a picture's extension.
                picture = os.path.join(work, 'fixed.png')
                with open(source, 'rb') as f, open(picture, 'wb') as g:
                    g.write(f.read())
            if n is not None:
                with open(source, 'rb') as f:
                    data = mutate(f.read(), rnd)
                picture = os.path.join(work, 'm%04d%s' % (n, os.path.splitext(source)[1]))
                with open(picture, 'wb') as f:
                    f.write(data)
            problem = run(zarnres, blank, picture, work)
            if problem and n is not None:
                # The mutated picture is kept to be replayed.
                picture = os.path.join(kept, os.path.basename(picture))
                os.replace(os.path.join(work, os.path.basename(picture)), picture)
            if problem:
                failures += 1
                print('%s (from %s): %s' % (picture, os.path.basename(source), problem))
            elif n is not None:
                os.remove(picture)
    print('%d damaged files and %d mutated pictures, %d failures%s' % (
        len(fixed), count, failures, ' (kept in %s)' % kept if failures else ''))
    if not failures:
        os.rmdir(kept)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
