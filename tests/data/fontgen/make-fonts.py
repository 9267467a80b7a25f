#!/usr/bin/env python3
# Writes the small fonts of the font generator's tests: a TrueType font of two
# glyphs ("A", a square, and "B", a triangle) named "Zarn Test Regular", and
# that font damaged in the ways FreeType tells apart. Run once from this folder;
# the files are kept. Only the standard library: the tables are written byte by
# byte.
import struct


def table_directory(tables, version=0x00010000):
    """An sfnt file of these tables ({tag: bytes}), tags in order."""
    tags = sorted(tables)
    n = len(tags)
    power = 1
    while power * 2 <= n:
        power *= 2
    head = struct.pack('>IHHHH', version, n, power * 16, power.bit_length() - 1, n * 16 - power * 16)
    offset = 12 + 16 * n
    records, data = b'', b''
    for tag in tags:
        body = tables[tag]
        padded = body + b'\0' * (-len(body) % 4)
        checksum = sum(struct.unpack('>%dI' % (len(padded) // 4), padded)) & 0xFFFFFFFF
        records += struct.pack('>4sIII', tag.encode('latin-1'), checksum, offset + len(data), len(body))
        data += padded
    return head + records + data


def simple_glyph(points, end_points=None):
    """One contour of on-curve points, 16-bit coordinates."""
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    ends = end_points if end_points is not None else [len(points) - 1]
    out = struct.pack('>hhhhh', len(ends), min(xs), min(ys), max(xs), max(ys))
    out += struct.pack('>%dH' % len(ends), *ends) + struct.pack('>H', 0)
    out += bytes([0x01] * len(points))
    px = py = 0
    for x, y in points:
        out += struct.pack('>h', x - px)
        px = x
    for x, y in points:
        out += struct.pack('>h', y - py)
        py = y
    return out + b'\0' * (len(out) % 2)


def cmap_format4(chars):
    """A Unicode (3, 1) map of consecutive characters from glyph 1 on."""
    first, last = chars[0], chars[-1]
    ends, starts, deltas = [last, 0xFFFF], [first, 0xFFFF], [(1 - first) & 0xFFFF, 1]
    seg2 = 4
    sub = struct.pack('>HHHHHHH', 4, 16 + 8 * 2, 0, seg2, 4, 1, 0)
    sub += struct.pack('>2H', *ends) + b'\0\0' + struct.pack('>2H', *starts)
    sub += struct.pack('>2H', *deltas) + struct.pack('>2H', 0, 0)
    return struct.pack('>HHHHI', 0, 1, 3, 1, 12) + sub


def cmap_mac_roman():
    """Only a Macintosh Roman map (1, 0): "A" and "B" at their byte values."""
    table = bytearray(256)
    table[0x41], table[0x42] = 1, 2
    return struct.pack('>HHHHI', 0, 1, 1, 0, 12) + struct.pack('>HHH', 0, 262, 0) + bytes(table)


def name_table(family, style):
    strings = [(1, family.encode('utf-16-be')), (2, style.encode('utf-16-be'))]
    out = struct.pack('>HHH', 0, len(strings), 6 + 12 * len(strings))
    data, offset = b'', 0
    for name_id, s in strings:
        out += struct.pack('>HHHHHH', 3, 1, 0x409, name_id, len(s), offset)
        data += s
        offset += len(s)
    return out + data


def os2_table():
    """Version 4: the typographic and Windows lines of 800 up and 200 down,
    which Windows needs to take a font at all."""
    return struct.pack('>HhHHHhhhhhhhhhhh10sIIII4sHHHhhhHHIIhhHHH', 4, 600, 400, 5, 0, 650, 700, 0, 140, 650, 700,
                       0, 480, 50, 250, 0, b'\0' * 10, 1, 0, 0, 0, b'ZARN', 0x40, 0x41, 0x42, 800, -200, 0, 800,
                       200, 1, 0, 500, 700, 0, 0x20, 1)


def font(glyphs=None, cmap=None, named=True, drop=(), os2=True):
    glyphs = glyphs or [b'', simple_glyph([(100, 0), (100, 700), (500, 700), (500, 0)]),
                        simple_glyph([(100, 0), (300, 700), (500, 0)])]
    glyf, loca = b'', [0]
    for g in glyphs:
        glyf += g
        loca.append(len(glyf))
    n = len(glyphs)
    tables = {
        'head': struct.pack('>IIIIHHqqhhhhHHhhh', 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0x000B, 1000, 0, 0,
                            0, 0, 600, 700, 0, 8, 2, 0, 0),
        'hhea': struct.pack('>IhhhHhhhhhh8xhH', 0x00010000, 800, -200, 0, 600, 0, 0, 500, 1, 0, 0, 0, n),
        'maxp': struct.pack('>IHHHHHHHHHHHHHH', 0x00010000, n, 4, 1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0),
        'hmtx': b''.join(struct.pack('>Hh', 600, 100) for _ in glyphs),
        'loca': struct.pack('>%dH' % len(loca), *[o // 2 for o in loca]),
        'glyf': glyf,
        'cmap': cmap if cmap is not None else cmap_format4([0x41, 0x42]),
    }
    if os2:
        tables['OS/2'] = os2_table()
    if named:
        tables['name'] = name_table('Zarn Test', 'Regular')
    for tag in drop:
        del tables[tag]
    return table_directory(tables)


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


good = font()
write('two-glyphs.ttf', good)
write('nameless.ttf', font(named=False))
write('empty.ttf', b'')
write('text.ttf', b'This is not a font, only a text saved with a font\'s name.\n' * 4)
write('cut-in-directory.ttf', good[:40])
write('cut-in-tables.ttf', good[:len(good) // 2])
write('no-head-table.ttf', font(drop=('head',)))
write('no-hhea-table.ttf', font(drop=('hhea',)))
write('no-unicode-map.ttf', font(cmap=cmap_mac_roman()))
# "B" claims a second contour ending at point 60000 of its 3.
triangle = simple_glyph([(100, 0), (300, 700), (500, 0)], end_points=[2, 60000])
square = simple_glyph([(100, 0), (100, 700), (500, 700), (500, 0)])
write('broken-glyph.ttf', font(glyphs=[b'', square, triangle]))
write('all-glyphs-broken.ttf', font(glyphs=[b'', triangle, triangle]))
write('no-fonts.ttc', b'ttcf' + struct.pack('>II', 0x00010000, 0))
write('bitmaps-only.bdf', b'''STARTFONT 2.1
FONT -zarn-test-medium-r-normal--8-80-75-75-c-80-iso10646-1
SIZE 8 75 75
FONTBOUNDINGBOX 8 8 0 0
STARTPROPERTIES 3
FAMILY_NAME "Zarn Test"
FONT_ASCENT 8
FONT_DESCENT 0
ENDPROPERTIES
CHARS 1
STARTCHAR A
ENCODING 65
SWIDTH 1000 0
DWIDTH 8 0
BBX 8 8 0 0
BITMAP
18
24
42
42
7E
42
42
00
ENDCHAR
ENDFONT
''')
