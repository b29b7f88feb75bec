#!/usr/bin/env python3
"""Changes the raw entries of a payload archive for the end-to-end scenarios.

  payload_entries.py add-methods PAYLOAD LEGACY_DIR EXPECTED_OUT PASSWORD
      appends one entry per compression method (stored, shrink, reduce 1-4, implode, deflate)
      under METHODS/, each encrypted with PASSWORD; the shrink, reduce and implode data are
      copied as they are from the legacy sample archives (nothing here writes those methods),
      the stored and deflated ones are made here. The original contents go to EXPECTED_OUT
      under the same file names, for the installed files to be compared with.
  payload_entries.py damage-last PAYLOAD
      flips bytes inside the compressed data of the entry that lies last in the file (after
      the 12-byte encryption header when it has one), so that its CRC check fails; headers,
      sizes and the central directory stay intact.
  payload_entries.py damage-first PAYLOAD
      the same for the first entry in the file that has data (directory entries have none).
"""
import os
import shutil
import struct
import sys
import zlib

LOCAL = struct.Struct('<IHHHHHIIIHH')
CENTRAL = struct.Struct('<IHHHHHHIIIHHHHHII')
END = struct.Struct('<IHHHHIIH')


def read_catalogue(data):
    end = data.rfind(b'PK\x05\x06')
    if end < 0:
        raise SystemExit('no end of central directory record')
    _, _, _, _, count, size, offset, _ = END.unpack_from(data, end)
    entries = []
    position = offset
    for _ in range(count):
        fields = CENTRAL.unpack_from(data, position)
        name_length, extra_length, comment_length = fields[10], fields[11], fields[12]
        record_end = position + CENTRAL.size + name_length + extra_length + comment_length
        entries.append({
            'record': data[position:record_end],
            'flags': fields[3], 'method': fields[4], 'time': fields[5], 'date': fields[6],
            'crc': fields[7], 'compressed': fields[8], 'size': fields[9],
            'name': data[position + CENTRAL.size:position + CENTRAL.size + name_length],
            'offset': fields[16],
        })
        position = record_end
    return entries, offset, data[end + END.size - 2:]


def data_start(data, entry):
    fields = LOCAL.unpack_from(data, entry['offset'])
    return entry['offset'] + LOCAL.size + fields[9] + fields[10]


CRC_TABLE = []
for n in range(256):
    c = n
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    CRC_TABLE.append(c)


def encrypt(payload, password, crc):
    """The traditional stream cipher of the format, with its 12-byte header."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(byte):
        keys[0] = CRC_TABLE[(keys[0] ^ byte) & 0xFF] ^ (keys[0] >> 8)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = CRC_TABLE[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8)

    for byte in password:
        update(byte)
    header = bytearray(os.urandom(11)) + bytes([crc >> 24])
    out = bytearray()
    for byte in bytes(header) + payload:
        temp = (keys[2] | 2) & 0xFFFF
        out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
        update(byte)
    return bytes(out)


def write_archive(path, head, new_entries, old_entries, comment_tail):
    """head: everything before the central directory; new_entries: (local bytes, central fields)."""
    body = bytearray(head)
    records = [entry['record'] for entry in old_entries]
    for name, flags, method, time, date, crc, raw, size in new_entries:
        offset = len(body)
        body += LOCAL.pack(0x04034B50, 20, flags, method, time, date, crc, len(raw), size, len(name), 0)
        body += name + raw
        records.append(CENTRAL.pack(0x02014B50, 20, 20, flags, method, time, date, crc, len(raw), size,
                                    len(name), 0, 0, 0, 0, 0x20, offset) + name)
    directory_offset = len(body)
    directory = b''.join(records)
    body += directory
    body += struct.pack('<IHHHHII', 0x06054B50, 0, 0, len(records), len(records), len(directory),
                        directory_offset) + comment_tail
    with open(path, 'wb') as out:
        out.write(body)


# (entry name in the payload, legacy archive or None for a made one, entry inside it, method)
METHODS = [
    ('m0_stored_small.txt', None, 'small.txt', 0),
    ('m1_shrink_window.bin', 'shrink', 'window.bin', 1),
    ('m2_reduce1_runs.bin', 'reduce1', 'runs.bin', 2),
    ('m3_reduce2_esc90.bin', 'reduce2', 'esc90.bin', 3),
    ('m4_reduce3_words.txt', 'reduce3', 'words.txt', 4),
    ('m5_reduce4_random.bin', 'reduce4', 'random.bin', 5),
    ('m6_implode_8k_3t_words.txt', 'implode_8k_3t', 'words.txt', 6),
    ('m6_implode_4k_2t_window.bin', 'implode_4k_2t', 'window.bin', 6),
    ('m8_deflate_exact32k.bin', None, 'exact32k.bin', 8),
]


def add_methods(payload, legacy, expected_out, password):
    with open(payload, 'rb') as f:
        data = f.read()
    entries, directory_offset, comment_tail = read_catalogue(data)
    os.makedirs(expected_out, exist_ok=True)
    new_entries = []
    time, date = entries[-1]['time'], entries[-1]['date']
    for name, archive, member, method in METHODS:
        source = os.path.join(legacy, 'expected', archive or 'shrink', member)
        with open(source, 'rb') as f:
            original = f.read()
        shutil.copyfile(source, os.path.join(expected_out, name))
        crc = zlib.crc32(original)
        if archive is None:
            flags = 0
            if method == 0:
                raw = original
            else:
                compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
                raw = compressor.compress(original) + compressor.flush()
        else:
            with open(os.path.join(legacy, archive + '.zip'), 'rb') as f:
                legacy_data = f.read()
            legacy_entries, _, _ = read_catalogue(legacy_data)
            entry = next(e for e in legacy_entries if e['name'] == member.encode())
            if entry['method'] != method or entry['crc'] != crc:
                raise SystemExit(f'{archive}.zip {member}: method {entry["method"]}, not {method}')
            start = data_start(legacy_data, entry)
            raw = legacy_data[start:start + entry['compressed']]
            flags = entry['flags'] & 0x0006  # implode's dictionary and tree bits
        new_entries.append((b'METHODS/' + name.encode(), flags | 1, method, time, date, crc,
                            encrypt(raw, password.encode(), crc), len(original)))
    write_archive(payload, data[:directory_offset], new_entries, entries, comment_tail)


def damage(payload, which):
    with open(payload, 'rb') as f:
        data = bytearray(f.read())
    entries, _, _ = read_catalogue(bytes(data))
    with_data = [e for e in entries if e['compressed'] > (12 if e['flags'] & 1 else 0)]
    if not with_data:
        raise SystemExit('no entry has data to damage')
    entry = (max if which == 'last' else min)(with_data, key=lambda e: e['offset'])
    start = data_start(data, entry)
    skip = 12 if entry['flags'] & 1 else 0
    first = start + skip + (entry['compressed'] - skip) // 2
    for position in range(first, min(first + 4, start + entry['compressed'])):
        data[position] ^= 0xFF
    with open(payload, 'wb') as f:
        f.write(data)
    print(entry['name'].decode())


if __name__ == '__main__':
    if len(sys.argv) == 6 and sys.argv[1] == 'add-methods':
        add_methods(*sys.argv[2:])
    elif len(sys.argv) == 3 and sys.argv[1] in ('damage-last', 'damage-first'):
        damage(sys.argv[2], sys.argv[1].split('-')[1])
    else:
        raise SystemExit(__doc__)
