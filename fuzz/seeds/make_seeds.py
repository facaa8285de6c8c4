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
