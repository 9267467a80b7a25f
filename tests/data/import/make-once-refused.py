#!/usr/bin/env python3
# Writes the small pictures of the forms that were once refused or misread:
# OS/2 bitmaps, BMP files holding a PNG or JPEG file, pictures too large, and
# pictures with transparency. Run once from this folder; the files are kept.
# Only the standard library: the pictures are written byte by byte.
import struct
import zlib


def read(name):
    with open(name, 'rb') as f:
        return f.read()


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def standard(name):
    """Size, depth, palette (4-byte entries) and rows of a standard file."""
    d = read(name)
    off = struct.unpack_from('<I', d, 10)[0]
    w, h, _, k = struct.unpack_from('<iiHH', d, 18)
    return w, h, k, d[54:off], d[off:]


def file_header(rest, off):
    return b'BM' + struct.pack('<IHHI', 14 + len(rest), 0, 0, off) + rest


def os2v1(name):
    w, h, k, pal, rows = standard(name)
    pal3 = b''.join(pal[i:i + 3] for i in range(0, len(pal), 4))
    head = struct.pack('<IHHHH', 12, w, h, 1, k)
    return file_header(head + pal3 + rows, 14 + 12 + len(pal3))


def os2v2(name, size):
    w, h, k, pal, rows = standard(name)
    head = struct.pack('<IiiHH', size, w, h, 1, k).ljust(size, b'\0')
    return file_header(head + pal + rows, 14 + size + len(pal))


def info(w, h, k, compression, image_size, size=40, extra=b''):
    return struct.pack('<IiiHHIIiiII', size, w, h, 1, k, compression, image_size, 2835, 2835, 0, 0) + extra


def embedded(blob, compression, w=45, h=31):
    return file_header(info(w, h, 0, compression, len(blob)) + blob, 54)


def png(w, h, rows, colour_type, plte=b'', trns=b''):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    raw = b''.join(b'\0' + r for r in rows)
    out = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, colour_type, 0, 0, 0))
    if plte:
        out += chunk(b'PLTE', plte)
    if trns:
        out += chunk(b'tRNS', trns)
    return out + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')


def gif(w, h, palette, indices, transparent):
    """Two-bit codes, a clear code before each pixel: no LZW table ever grows."""
    out = b'GIF89a' + struct.pack('<HHBBB', w, h, 0x81, 0, 0) + b''.join(bytes(c) for c in palette)
    out += b'\x21\xf9\x04\x01\0\0' + bytes([transparent]) + b'\0'
    out += b'\x2c' + struct.pack('<HHHHB', 0, 0, w, h, 0)
    bits, nbits, data = 0, 0, bytearray()
    for code in [c for i in indices for c in (4, i)] + [5]:
        bits |= code << nbits
        nbits += 3
        while nbits >= 8:
            data.append(bits & 255)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits)
    out += b'\x02' + bytes([len(data)]) + bytes(data) + b'\0'
    return out + b'\x3b'


# ---- forms/: the 45x31 picture of the standard files, in the other forms ----
for k in (1, 4, 8, 24):
    write(f'forms/os2v1_{k}.bmp', os2v1(f'forms/std{k}.bmp'))
write('forms/os2v2_16_8.bmp', os2v2('forms/std8.bmp', 16))
write('forms/os2v2_64_24.bmp', os2v2('forms/std24.bmp', 64))
write('forms/embedded_png.bmp', embedded(read('forms/png24.png'), 5))
write('forms/embedded_jpeg.bmp', embedded(read('forms/jpeg.jpg'), 4))
# The header's size is not the picture's: the embedded file's own size wins.
write('forms/embedded_png_other_size.bmp', embedded(read('forms/png24.png'), 5, 1000, -5))

# ---- damaged/ ----
v1 = os2v1('forms/std8.bmp')
write('damaged/os2v1_cut_in_header.bmp', v1[:20])
write('damaged/os2v1_65535x65535.bmp', v1[:18] + struct.pack('<HH', 65535, 65535) + v1[22:])
write('damaged/os2v1_pixels_cut.bmp', os2v1('forms/std24.bmp')[:-100])
v2 = os2v2('forms/std8.bmp', 16)
write('damaged/os2v2_header_past_end.bmp', v2[:14] + struct.pack('<I', 0x7FFFFFF0) + v2[18:])
write('damaged/os2v2_header_13_bytes.bmp', v2[:14] + struct.pack('<I', 13) + v2[18:])
h64 = os2v2('forms/std24.bmp', 64)
write('damaged/os2v2_huffman.bmp', h64[:30] + struct.pack('<I', 3) + h64[34:])
write('damaged/embedded_offset_past_end.bmp', file_header(info(45, 31, 0, 5, 0) + b'xx', 4000))
write('damaged/embedded_png_is_text.bmp', embedded(b'This is no picture at all.\n', 5))
write('damaged/embedded_jpeg_holds_png.bmp', embedded(read('forms/png24.png'), 4))
write('damaged/embedded_png_cut.bmp', embedded(read('forms/png24.png')[:1000], 5))
write('damaged/too_large_65537x1.bmp',
      file_header(info(65537, 1, 1, 0, 0) + b'\0\0\0\0\xff\xff\xff\0' + bytes(8196), 62))
write('damaged/too_large_rle8_8193x8193.bmp',
      file_header(info(8193, 8193, 8, 1, 2) + bytes(1024) + b'\0\x01', 54 + 1024))
tiny = png(1, 1, [b'\0\0\0'], 2)
ihdr = b'IHDR' + struct.pack('>II', 70000, 70000) + tiny[24:29]
write('damaged/png_70000x70000.png', tiny[:12] + ihdr + struct.pack('>I', zlib.crc32(ihdr)) + tiny[33:])

# ---- alpha/: 4x2, rows top first. Opaque red, transparent green, white at alpha
# 128, opaque blue; the bottom row the other way round. ----
top = [(255, 0, 0, 255), (0, 255, 0, 0), (255, 255, 255, 128), (0, 0, 255, 255)]
pixels = [top, top[::-1]]


def bmp32(rows, head_size, compression, masks, top_down=False, order=(2, 1, 0, 3)):
    """`order`: which of r, g, b, a each byte of a pixel holds."""
    data = b''.join(bytes(p[i] for p in row for i in order) for row in (rows if top_down else rows[::-1]))
    extra = b''.join(struct.pack('<I', m) for m in masks)
    head = info(4, -2 if top_down else 2, 32, compression, len(data), head_size, extra if head_size > 40 else b'')
    head = head.ljust(head_size, b'\0')
    tail = b'' if head_size > 40 else extra
    return file_header(head + tail + data, 14 + head_size + len(tail))


write('alpha/bgra32.bmp', bmp32(pixels, 40, 0, []))
write('alpha/bgra32_alpha_zero.bmp', bmp32([[p[:3] + (0,) for p in row] for row in pixels], 40, 0, []))
# Bit fields in a 124-byte header, the channels in an unusual order (r g b a from the top byte), top row first.
write('alpha/v5_rgba_masks.bmp',
      bmp32(pixels, 124, 3, [0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF], True, (3, 2, 1, 0)))
# Compression 6: four masks after a 40-byte header.
write('alpha/alpha_bitfields.bmp', bmp32(pixels, 40, 6, [0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000]))
rgba = png(4, 2, [bytes(c for p in row for c in p) for row in pixels], 6)
write('alpha/rgba.png', rgba)
write('alpha/embedded_rgba_png.bmp', embedded(rgba, 5, 4, 2))
colours = [p[:3] for p in top]
index = {c: i for i, c in enumerate(colours)}
write('alpha/palette_trns.png', png(4, 2, [bytes(index[p[:3]] for p in row) for row in pixels], 3,
                                    b''.join(bytes(c) for c in colours), bytes(p[3] for p in top)))
# GIF knows only one transparent index, no half measures: the white is opaque there.
write('alpha/transparent_index.gif', gif(4, 2, colours, [index[p[:3]] for row in pixels for p in row], 1))
