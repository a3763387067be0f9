#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (corpus/<target>/) from nothing but
this script: small, hand-made samples of each input a parser meets."""
import binascii, hashlib, os, struct, zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def dot_stuff(text):
    lines = text.split(b'\r\n')
    out = b'\r\n'.join(b'.' + l if l.startswith(b'.') else l for l in lines)
    if not out.endswith(b'\r\n'):
        out += b'\r\n'
    return out + b'.\r\n'


def yenc_encode(data, line=128):
    out, col = bytearray(), 0
    for i, b in enumerate(data):
        c = (b + 42) % 256
        if c in (0, 10, 13, 61) or (col == 0 and c in (9, 32, 46)) or (i == len(data) - 1 and c in (9, 32)):
            out += bytes([61, (c + 64) % 256])
            col += 2
        else:
            out.append(c)
            col += 1
        if col >= line:
            out += b'\r\n'
            col = 0
    if col:
        out += b'\r\n'
    return bytes(out)


def yenc_article(data, name, size, part=None, begin=1, total=1):
    crc = '%08x' % (zlib.crc32(data) & 0xffffffff)
    if part is None:
        text = b'=ybegin line=128 size=%d name=%s\r\n' % (size, name)
        text += yenc_encode(data) + b'=yend size=%d crc32=%s\r\n' % (len(data), crc.encode())
    else:
        text = b'=ybegin part=%d total=%d line=128 size=%d name=%s\r\n' % (part, total, size, name)
        text += b'=ypart begin=%d end=%d\r\n' % (begin, begin + len(data) - 1)
        text += yenc_encode(data) + b'=yend size=%d part=%d pcrc32=%s\r\n' % (len(data), part, crc.encode())
    return dot_stuff(text)


def yenc_seeds():
    critical = bytes([0, 10, 13, 61, 214, 224, 227, 19, 4, 46 - 42]) * 3 + b'plain data'
    put('fuzz_yenc_article', 'single', yenc_article(b'hello world', b'hello.txt', 11))
    put('fuzz_yenc_article', 'critical', yenc_article(critical, b'crit.bin', len(critical), 1, 1, 1))
    put('fuzz_yenc_article', 'latin1', yenc_article(b'abc', b'caf\xe9.rar', 3, 1, 1, 1))
    whole = bytes(range(256)) * 3
    a, b = whole[:400], whole[400:]
    put('fuzz_yenc_part', 'two', yenc_article(a, b'f.bin', len(whole), 1, 1, 2) +
        yenc_article(b, b'f.bin', len(whole), 2, 401, 2))
    put('fuzz_yenc_part', 'foreign', yenc_article(a, b'f.bin', len(whole), 1, 1, 2) +
        yenc_article(b, b'g.bin', 99999, 2, 401, 2))
    put('fuzz_yenc_part', 'mangled', yenc_article(a, b'f.bin', len(whole), 1, 1, 2).replace(
        b'=ypart begin=1 ', b'=ypart begin=1=ybegin part=2 '))


def uu_line(chunk):
    return bytes([32 + len(chunk)]) + binascii.b2a_uu(chunk)[1:-1].replace(b' ', b'`')


def uu_seeds():
    data = bytes(range(100))
    lines = [uu_line(data[i:i + 45]) for i in range(0, len(data), 45)]
    body = b'begin 644 numbers.bin\r\n' + b'\r\n'.join(lines) + b'\r\n`\r\nend\r\n'
    put('fuzz_uu', 'one', dot_stuff(body))
    put('fuzz_uu', 'split', dot_stuff(body[:60]) + dot_stuff(body[60:]))


def base64_seeds():
    jpeg = b'\xff\xd8\xff\xe0' + bytes(range(60)) + b'\xff\xd9'
    text = binascii.b2a_base64(jpeg).strip()
    body = (b'Content-Type: image/jpeg; name="pic.jpg"\r\nContent-Transfer-Encoding: base64\r\n\r\n' +
            text[:40] + b'\r\n' + text[40:] + b'\r\n')
    put('fuzz_base64', 'jpeg', dot_stuff(body))


def par2_packet(kind, body, set_id=b'S' * 16):
    head = set_id + kind
    length = 64 + len(body)
    digest = hashlib.md5(head + body).digest()
    return b'PAR2\0PKT' + struct.pack('<Q', length) + digest + head + body


def par2_seeds():
    ids = [hashlib.md5(b'one').digest(), hashlib.md5(b'two').digest()]
    main = par2_packet(b'PAR 2.0\0Main\0\0\0\0', struct.pack('<QI', 4096, 2) + b''.join(ids))
    descs = b''.join(par2_packet(b'PAR 2.0\0FileDesc', fid + b'M' * 16 + b'K' * 16 + struct.pack('<Q', 5000 + n) +
                                 name + b'\0' * (-len(name) % 4))
                     for n, (fid, name) in enumerate(zip(ids, [b'one.bin', b'two.bin'])))
    ifsc = b''.join(par2_packet(b'PAR 2.0\0IFSC\0\0\0\0', fid + (b'H' * 16 + struct.pack('<I', 0x1234)) * 2)
                    for fid in ids)
    creator = par2_packet(b'PAR 2.0\0Creator\0', b'hand made\0\0\0')
    recovery = par2_packet(b'PAR 2.0\0RecvSlic', struct.pack('<I', 3) + b'r' * 64)
    index = main + descs + ifsc + creator
    put('fuzz_par2', 'index', index)
    put('fuzz_par2', 'volume', index + recovery + recovery + index)
    put('fuzz_par2', 'damaged', index[:20] + b'X' + index[21:] + index)


def rar4_block(kind, flags, body, add=b''):
    head = bytes([kind]) + struct.pack('<HH', flags, 7 + len(body)) + body
    crc = zlib.crc32(head) & 0xffff
    return struct.pack('<H', crc) + head + add


def rar4_seeds():
    marker = b'Rar!\x1a\x07\x00'
    main = rar4_block(0x73, 0, b'\0' * 6)
    name = b'file.txt'
    data = b'stored text'
    fh = struct.pack('<IIBIIBBHI', len(data), len(data), 0, zlib.crc32(data), 0, 20, 0x30, len(name), 0x20) + name
    plain = rar4_block(0x74, 0x8000, fh) + data
    locked = rar4_block(0x74, 0x8004, fh) + data
    end = rar4_block(0x7b, 0x4000, b'')
    put('fuzz_rar4', 'stored', marker + main + plain + end)
    put('fuzz_rar4', 'password', marker + main + locked + end)
    put('fuzz_rar4', 'encrypted_headers', marker + rar4_block(0x73, 0x0080, b'\0' * 6) + b'\0' * 32)


def nzb_seeds():
    nzb = (b'<?xml version="1.0" encoding="utf-8"?>\n'
           b'<!DOCTYPE nzb PUBLIC "-//newzBin//DTD NZB 1.1//EN" "http://www.newzbin.com/DTD/nzb/nzb-1.1.dtd">\n'
           b'<nzb xmlns="http://www.newzbin.com/DTD/2003/nzb">\n'
           b'<head><meta type="password">secret</meta></head>\n'
           b'<file poster="p@x" date="1700000000" subject="Show [1/2] - &quot;show.part1.rar&quot; yEnc (1/2)">\n'
           b'<groups><group>alt.binaries.test</group></groups>\n<segments>\n'
           b'<segment bytes="700000" number="1">a1@x</segment>\n'
           b'<segment bytes="18446744073709551615" number="2">a2@x</segment>\n'
           b'</segments>\n</file>\n'
           b'<file poster="p@x" date="1700000000" subject="Show [2/2] - &quot;show.par2&quot; yEnc (1/1)">\n'
           b'<groups><group>alt.binaries.test</group></groups>\n<segments>\n'
           b'<segment bytes="5000" number="1">p1@x</segment>\n'
           b'</segments>\n</file>\n</nzb>\n')
    put('fuzz_nzb', 'two_files', nzb)
    put('fuzz_nzb', 'latin1', nzb.replace(b'utf-8', b'iso-8859-1').replace(b'Show [1/2]', b'Caf\xe9 [1/2]'))


def deeplookup_seeds():
    content = ('INFO\tok\n'
               'FILE\tSome.Show [01/12] - "some.show.part01.rar" yEnc\tFID-1\t50\t50\t0\t25000000\t1700000000\t0\n'
               'FILE\tSome.Show\tFID-2\t10\t10\t1\t123456789\t1700000000\t0\talt.binaries.test\tp@x\tQID-1'
               '\t12\t0\t0\t0\t0\t0\t0\n')
    put('fuzz_deeplookup_replies', 'content', content.encode())
    put('fuzz_deeplookup_replies', 'mids', b'DATA\t1\tabc@x\t700000\t1\t2\nDATA\t1\tdef@x\t700000\t2\t2\n')
    put('fuzz_deeplookup_replies', 'export',
        b'FILE\tQID\tSome.Show\t123\t1700000000\talt.binaries.test\tp@x\t1\n'
        b'FILE\tFID\tSome.Show - "a.rar" yEnc\t123\t1700000000\nFILE\tSEG\tabc@x\t123\t1\n')
    put('fuzz_deeplookup_replies', 'error', b'ERROR\tno such query\n')


if __name__ == '__main__':
    yenc_seeds()
    uu_seeds()
    base64_seeds()
    par2_seeds()
    rar4_seeds()
    nzb_seeds()
    deeplookup_seeds()
