#!/usr/bin/env python3
# Writes the pictures of the PNG, JPEG and GIF decoders' tests: the files of
# damaged/ whose names begin with "bad_", each breaking a picture in one way
# that a decoder library reports (a CRC error, a broken zlib or LZW stream, a
# missing chunk or marker, a cut); and forms/png_interlaced.png (std24.bmp's
# pixels, Adam7-interlaced), forms/gif_plain.gif and forms/gif_interlaced.gif
# (std8.bmp's indices and palette, rows in order and in four passes), and
# forms/progressive_8000x8000_cut.jpg: a progressive JPEG of 8000 x 8000
# pixels whose data stops after a few bytes (libjpeg holds the coefficients of
# a progressive file whole: 384 MB for this one, taken before any data is read).
# Run once from this folder; the files are kept.
import struct
import zlib


def read(name):
    with open(name, 'rb') as f:
        return f.read()


def write(name, data):
    with open('damaged/' + name, 'wb') as f:
        f.write(data)


def chunk(kind, body, crc=None):
    if crc is None:
        crc = zlib.crc32(kind + body)
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', crc)


SIG = b'\x89PNG\r\n\x1a\n'
ihdr = struct.pack('>IIBBBBB', 8, 4, 8, 2, 0, 0, 0)
rows = b''.join(b'\0' + bytes((x * 30 + y) % 256 for x in range(24)) for y in range(4))
idat = zlib.compress(rows)
good = SIG + chunk(b'IHDR', ihdr) + chunk(b'IDAT', idat) + chunk(b'IEND', b'')

write('bad_png_ihdr_crc.png', SIG + chunk(b'IHDR', ihdr, 0x12345678) + chunk(b'IDAT', idat) + chunk(b'IEND', b''))
write('bad_png_idat_crc.png', SIG + chunk(b'IHDR', ihdr) + chunk(b'IDAT', idat, 1) + chunk(b'IEND', b''))
write('bad_png_zlib_stream.png', SIG + chunk(b'IHDR', ihdr) + chunk(b'IDAT', idat[:2] + b'\xff' * 8 + idat[10:])
      + chunk(b'IEND', b''))
write('bad_png_pixels_short.png', SIG + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(rows[:50]))
      + chunk(b'IEND', b''))
write('bad_png_no_iend.png', SIG + chunk(b'IHDR', ihdr) + chunk(b'IDAT', idat))
write('bad_png_colour_type_5.png', SIG + chunk(b'IHDR', struct.pack('>IIBBBBB', 8, 4, 8, 5, 0, 0, 0))
      + chunk(b'IDAT', idat) + chunk(b'IEND', b''))
write('bad_png_palette_missing.png', SIG + chunk(b'IHDR', struct.pack('>IIBBBBB', 8, 4, 8, 3, 0, 0, 0))
      + chunk(b'IDAT', zlib.compress(b''.join(b'\0' + bytes(8) for _ in range(4)))) + chunk(b'IEND', b''))
write('bad_png_unknown_critical_chunk.png', SIG + chunk(b'IHDR', ihdr) + chunk(b'ZZZZ', b'x') + chunk(b'IDAT', idat)
      + chunk(b'IEND', b''))

jpeg = read('forms/jpeg.jpg')
sos = jpeg.index(b'\xff\xda')
write('bad_jpeg_no_frame.jpg', b'\xff\xd8\xff\xd9')
write('bad_jpeg_scan_before_frame.jpg', b'\xff\xd8' + jpeg[sos:])
write('bad_jpeg_zero_width.jpg', jpeg.replace(b'\xff\xc0\x00\x11\x08\x00\x1f\x00\x2d', b'\xff\xc0\x00\x11\x08\x00\x1f\x00\x00'))

gif = read('forms/gif8.gif')
start = 13 + (3 * (2 << (gif[10] & 7)) if gif[10] & 0x80 else 0)
write('bad_gif_no_image.gif', gif[:start] + b';')
while gif[start] == 0x21:  # extensions: label, then sub-blocks up to an empty one
    start += 2
    while gif[start]:
        start += gif[start] + 1
    start += 1
desc = bytearray(gif[start:start + 10])
desc[5:9] = b'\0\0\0\0'
write('bad_gif_frame_without_pixels.gif', gif[:start] + bytes(desc) + gif[start + 10:])
lzw = start + 10 + (3 * (2 << (gif[start + 9] & 7)) if gif[start + 9] & 0x80 else 0)
write('bad_gif_lzw_code_size_13.gif', gif[:lzw] + b'\x0d' + gif[lzw + 1:])
write('bad_gif_cut_in_pixels.gif', gif[:lzw + 40])


def standard(name):
    """Size, depth, palette (4-byte entries) and rows (top row first) of a standard file."""
    d = read(name)
    off = struct.unpack_from('<I', d, 10)[0]
    w, h, _, k = struct.unpack_from('<iiHH', d, 18)
    stride = (w * k + 31) // 32 * 4
    rows = [d[off + stride * (h - 1 - y):off + stride * (h - 1 - y) + stride] for y in range(h)]
    return w, h, k, d[54:off], rows


def write_form(name, data):
    with open('forms/' + name, 'wb') as f:
        f.write(data)


# Adam7: seven passes of every n-th pixel of every m-th row, each row filtered with "none".
w, h, _, _, rows = standard('forms/std24.bmp')
rgb = [[bytes((r[3 * x + 2], r[3 * x + 1], r[3 * x])) for x in range(w)] for r in rows]
passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
raw = b''
for x0, y0, dx, dy in passes:
    if x0 >= w or y0 >= h:
        continue
    for y in range(y0, h, dy):
        raw += b'\0' + b''.join(rgb[y][x] for x in range(x0, w, dx))
write_form('png_interlaced.png', SIG + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 1))
           + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


def gif_of(w, h, palette, indices, interlaced):
    """Eight-bit literal codes, a clear code before the table would need nine-bit ones."""
    out = b'GIF89a' + struct.pack('<HHBBB', w, h, 0xf7, 0, 0) + palette
    out += b'\x2c' + struct.pack('<HHHHB', 0, 0, w, h, 0x40 if interlaced else 0)
    order = list(range(h))
    if interlaced:
        order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
    codes = []
    for i, v in enumerate(v for y in order for v in indices[y]):
        if i % 254 == 0:
            codes.append(256)
        codes.append(v)
    codes.append(257)
    bits, nbits, data = 0, 0, bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += 9
        while nbits >= 8:
            data.append(bits & 255)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits)
    out += b'\x08'
    for i in range(0, len(data), 255):
        out += bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255])
    return out + b'\0;'


w, h, _, pal, rows = standard('forms/std8.bmp')
palette = b''.join(bytes((pal[i + 2], pal[i + 1], pal[i])) for i in range(0, 1024, 4))
indices = [list(r[:w]) for r in rows]
write_form('gif_plain.gif', gif_of(w, h, palette, indices, False))
write_form('gif_interlaced.gif', gif_of(w, h, palette, indices, True))


def segment(marker, body):
    return bytes((0xff, marker)) + struct.pack('>H', len(body) + 2) + body


# One quantisation table, a DC Huffman table with one code (0: no difference),
# three 1x1 components, a first DC scan of a few bytes, and the end.
jpeg = b'\xff\xd8' + segment(0xdb, b'\x00' + b'\x01' * 64)
jpeg += segment(0xc2, struct.pack('>BHHB', 8, 8000, 8000, 3) + b'\x01\x11\x00\x02\x11\x00\x03\x11\x00')
jpeg += segment(0xc4, b'\x00' + bytes([1] + [0] * 15) + b'\x00')
jpeg += segment(0xda, b'\x03\x01\x00\x02\x00\x03\x00\x00\x00\x00') + b'\x00' * 16 + b'\xff\xd9'
write_form('progressive_8000x8000_cut.jpg', jpeg)
