#!/usr/bin/env python3
# Writes the damaged resource files whose items disagree with their entries,
# and those holding what other tools may write, each a small file (16 KiB of
# memory: a size no module type comes with, which the check warns about) with
# real item data. Run once from this folder; the files are kept.
import struct

MEMORY_KIB = 16


def header(count, model=2404, width=320, height=240, memory=MEMORY_KIB):
    return struct.pack('<HHHHI', count, model, width, height, memory)


def entry(address, length, width, height, kind, color=0, reserved=0):
    return struct.pack('<IIIHHBH', address, length, reserved, width, height, kind, color)


def resource_file(name, items, **head):
    """items: (entry fields without the address, data); laid out block by block."""
    image = bytearray(b'\xF0' * (head.get('memory', MEMORY_KIB) * 1024))
    directory = b''
    address = 4096
    for fields, data in items:
        directory += entry(address, len(data) if fields.get('length') is None else fields['length'],
                           fields.get('width', 0), fields.get('height', 0), fields['kind'],
                           fields.get('color', 0), fields.get('reserved', 0))
        image[address:address + len(data)] = data
        address += (len(data) + 4095) // 4096 * 4096
    count = head.pop('count', len(items))
    image[0:12 + len(directory)] = header(count, **head) + directory
    with open(name, 'wb') as f:
        f.write(image)


def bitmap8(width, height):
    palette = b''.join(struct.pack('<H', i * 257 & 0xFFFF) for i in range(256))
    return palette + bytes((x + y) & 0xFF for y in range(height) for x in range(width))


resource_file('bitmap_width_32768.zrf', [({'kind': 8, 'width': 32768, 'height': 13}, bitmap8(19, 13))])
resource_file('bitmap_height_0.zrf', [({'kind': 1, 'width': 50, 'height': 0}, bytes(4 + 7 * 31))])
resource_file('bitmap_longer.zrf', [({'kind': 16, 'width': 10, 'height': 10}, bytes(300))])
resource_file('library_short.zrf', [({'kind': 241, 'width': 8, 'height': 16}, bytes(4000))])
resource_file('library_no_size.zrf', [({'kind': 240, 'width': 0, 'height': 16}, b'')])
resource_file('kind_unknown.zrf', [({'kind': 7}, bytes(100))])
resource_file('count_raised.zrf', [({'kind': 245}, bytes(100)), ({'kind': 245}, bytes(5000))], count=190)
resource_file('screen_39321.zrf', [({'kind': 245}, bytes(10))], model=4308, width=39321, height=39321)
resource_file('bitmap_larger_than_screen.zrf', [({'kind': 1, 'width': 400, 'height': 1}, bytes(4 + 50))])
resource_file('fields_of_other_tools.zrf', [({'kind': 245, 'width': 5, 'height': 5, 'reserved': 7}, bytes(10)),
                                            ({'kind': 241, 'width': 8, 'height': 8, 'color': 0x1234},
                                             bytes(2048))])
