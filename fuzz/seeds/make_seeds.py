#!/usr/bin/env python3
"""Writes the small seed inputs of the fuzz targets into fuzz/seeds/<target>/."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


# C tables: one frame as written, two frames with CRLF, one cut inside a block.
CTABLE = ('#include "vertex.h"\n'
          'const unsigned short pic_size[]={\n    2,\n};\n'
          'const vertex pic_Data[2]={\n'
          '    //ilda_0[2]\n'
          '      // x, y , r, g, b\n'
          '        {2047,2047,255,0,0,},//0\n'
          '        {0,4094,0x0,0x0,0x0,},//1\n'
          '      //end\n'
          '};//end\n')
write('fuzz_ctable', 'one.h', CTABLE)
write('fuzz_ctable', 'crlf.h', ('      // x, y , r, g, b\n        {1,2,3,4,5,},//0\n      //end\n'
                                '      // x, y , r, g, b\n        {-7,+9,255,255,255,},//0\n      //end\n'
                                '};//end\n').replace('\n', '\r\n'))
write('fuzz_ctable', 'cut.h', '      // x, y , r, g, b\n        {4094,0,1,\n')


# Group images: CRC-32/MPEG-2 over the body fed in reversed 4-byte groups.
def crc_table():
    table = []
    for i in range(256):
        c = i << 24
        for _ in range(8):
            c = ((c << 1) ^ 0x04C11DB7) if c & 0x80000000 else (c << 1)
        table.append(c & 0xFFFFFFFF)
    return table


TABLE = crc_table()


def image_checksum(body):
    crc = 0xFFFFFFFF
    for i in range(0, len(body), 4):
        for b in reversed(body[i:i + 4]):
            crc = ((crc << 8) & 0xFFFFFFFF) ^ TABLE[(crc >> 24) ^ b]
    return crc


def group_body(groups):
    """groups: list of (name, [(file name, [vertex count per frame])])."""
    body = bytearray()
    start = 512
    file_table = start + 15 * len(groups)
    frame_table = file_table + 26 * sum(len(files) for _, files in groups)
    xyrgb = frame_table + 8 * sum(len(frames) for _, files in groups for _, frames in files)
    file_at, frame_at, vertex_at = file_table, frame_table, xyrgb
    for gi, (name, files) in enumerate(groups):
        body += name.encode().ljust(8, b'\0')[:8] + struct.pack('>BBBI', len(groups), gi, len(files), file_at)
        file_at += 26 * len(files)
    for name, files in groups:
        for fi, (fname, frames) in enumerate(files):
            body += fname.encode().ljust(16, b'\0')[:16] + struct.pack('>BHIBBB', fi, len(frames), frame_at, 1, 0, 1)
            frame_at += 8 * len(frames)
    for name, files in groups:
        for fname, frames in files:
            for k, n in enumerate(frames):
                body += struct.pack('>HHI', k, n, vertex_at)
                vertex_at += 7 * n
    for name, files in groups:
        for fname, frames in files:
            for n in frames:
                for v in range(n):
                    body += struct.pack('>HHBBB', 2047 + v, 2047 - v, 255, 0 if v % 2 else 255, 0)
    end = start + len(body)
    body += b'\0' * ((start - end) % 256)
    return bytes(body)


def group_image(body):
    header = bytearray(b'tovrim\0\0' + struct.pack('>II', 0, 0x5F000000) + b'CRCFlash')
    header += struct.pack('<II', image_checksum(body), 512 + len(body))
    header += b'\0' * (512 - len(header))
    return bytes(header) + body


small = group_body([('show', [('a.ild', [2])])])
two = group_body([('one', [('a.ild', [1, 2]), ('b.ild', [1])]), ('two', [('c.ild', [3])])])
write('fuzz_groupimage', 'small.ilg', group_image(small))
write('fuzz_groupimage', 'two.ilg', group_image(two))
# First byte odd: the fuzzer puts a valid header in front of the rest.
write('fuzz_groupimage', 'body_small', b'\x01' + small)
write('fuzz_groupimage', 'body_two', b'\x01' + two)

# Datagrams, little-endian; those this program sends start with the magic.
MAGIC = b'jo_verta'
write('fuzz_datagram', 'discovery', MAGIC + struct.pack('<HHBIHI', 100, 2, 7, 0x7F000001, 8089, 0))
write('fuzz_datagram', 'announcement', struct.pack('<HH', 100, 36) + bytes([8, 1, 2, 3, 4, 5, 6, 7])
      + struct.pack('<IH', 0x7F000002, 8089) + bytes(range(18)))
feature = (struct.pack('<HBHB', 101, 34, 192, 3) + bytes(8) + bytes([0, 255, 0, 255])
           + struct.pack('<IHIH', 0x7F000001, 8089, 0, 0)
           + b'www.example.com\0ab'.ljust(32, b'\0') + b'\x55' * 128 + bytes(4))
write('fuzz_datagram', 'feature_record', feature)
write('fuzz_datagram', 'feature_packet', MAGIC + feature)
write('fuzz_datagram', 'settings', MAGIC + struct.pack('<HHB', 111, 21, 5) + bytes([21, 0, 50, 40, 0, 255, 255, 255,
                                                                                     255, 100, 0, 50, 50, 1])
      + bytes(4))
write('fuzz_datagram', 'frame', MAGIC + struct.pack('<HHH', 110, 2, 2) + bytes(4)
      + struct.pack('<hhBBBB', -100, 200, 255, 0, 0, 0) + struct.pack('<hhBBBB', 300, -400, 0, 0, 0, 64))

# Settings files and tab lists; the first byte picks the root folder.
write('fuzz_playfiles', 'settings', b'\x01#Speed,Color,Repeater,Path\n1,0,1,a.ild\n#F2,1,3,sub/b,c.ild\n'
      b'5,2,1,/abs/d.ild\n#End')
write('fuzz_playfiles', 'settings_crlf', b'\x02#Speed,Color,Repeater,Path\r\n-3,0,2,C:/x/e.ild\r\nbad\r\n#End\r\n')
write('fuzz_playfiles', 'list', b'\x00one.csv\n#two.csv\n\n  \nthree.csv\n#end\nafter.csv\n')

# SVG documents: shapes, transforms, paint, text, <use>, images, no size, far-off coordinates.
SVG = '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" {}>{}</svg>'
write('fuzz_content', 'shapes.svg', SVG.format(
    'viewBox="0 0 100 100"',
    '<rect x="10" y="10" width="30" height="20" stroke="red" fill="none"/>'
    '<circle cx="70" cy="30" r="15" fill="#00f"/><ellipse cx="50" cy="70" rx="30" ry="10" stroke="lime"/>'
    '<polyline points="5,95 20,80 35,95" stroke="#fff" fill="none"/><polygon points="60,60 90,60 75,90" fill="yellow"/>'
    '<path d="M10 50 C 20 20, 40 20, 50 50 S 80 80, 90 50 Q 95 40 99 50 A 5 5 0 0 1 90 60 z" stroke="cyan"/>'))
write('fuzz_content', 'transforms.svg', SVG.format(
    'width="50" height="100"',
    '<g transform="translate(50,50) rotate(90) scale(2)"><line x1="0" y1="0" x2="10" y2="0" stroke="#0f0"/></g>'
    '<g transform="matrix(1e30 0 0 1e30 0 0)"><line x1="0" y1="0" x2="1" y2="1" stroke="red"/></g>'
    '<line x1="-1e20" y1="-1e20" x2="1e20" y2="1e20" stroke="white"/>'
    '<linearGradient id="g"><stop offset="0" stop-color="#f80"/></linearGradient>'
    '<rect width="10" height="10" fill="url(#g)" opacity="0.5"/>'))
write('fuzz_content', 'use.svg', SVG.format(
    '',
    '<defs><g id="a"><path d="M0 0 L10 10" stroke="red"/></g>'
    '<g id="b"><use xlink:href="#a"/><use xlink:href="#a" x="20"/></g>'
    '<g id="c"><use xlink:href="#b"/><use xlink:href="#b" y="20"/></g></defs>'
    '<use xlink:href="#c"/><use href="#c" x="40"/>'
    '<image xlink:href="/etc/passwd" width="10" height="10"/>'))
write('fuzz_content', 'text.svg', SVG.format(
    'viewBox="0 0 200 50"', '<text x="10" y="40" font-size="30" fill="white">Laser 激光</text>'
    '<style>rect { stroke: blue }</style><rect x="150" y="5" width="40" height="40"/>'))
write('fuzz_content', 'entities.svg', '<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY w "white">]>'
      + SVG.format('viewBox="0 0 10 10"', '<line x1="0" y1="0" x2="10" y2="10" stroke="&w;"/><!-- c -->'))


# Optimiser input: flags, dwell off/on, corner dwell, angle, step, budget,
# then strokes as a point count and points (kind byte, two coordinate bytes).
def point(x, y):
    return bytes([1]) + struct.pack('>h', x) + bytes([2]) + struct.pack('>h', y)


def stroke(points, colour=255):
    return bytes([len(points) - 1]) + b''.join(point(x, y) + bytes([colour]) for x, y in points)


write('fuzz_optimizer', 'lines', bytes([0, 2, 3, 2, 45, 8, 28])
      + stroke([(0, 0), (100, 0)]) + stroke([(50, 50), (-100, 20), (0, 90)]) + stroke([(-50, -50), (-10, -10)]))
write('fuzz_optimizer', 'closed_and_coincident', bytes([0, 2, 3, 2, 45, 8, 2])
      + stroke([(0, 0), (60, 0), (60, 60)]) * 4 + stroke([(10, 10), (10, 10)]))
write('fuzz_optimizer', 'far_off', bytes([2, 1, 1, 1, 90, 1, 0, 0, 0, 0, 0, 0, 0xf0, 0x7f, 1])
      + bytes([1]) + bytes([255]) + bytes([0, 0, 0, 0, 0, 0, 0xf0, 0x7f]) + bytes([255]) + bytes([0, 0, 0, 0, 0, 0, 0xf8, 0x7f]) + bytes([7])
      + bytes([255]) + bytes(8) + bytes([255]) + bytes([0, 0, 0, 0, 0, 0x88, 0xc3, 0x40]) + bytes([7]))
