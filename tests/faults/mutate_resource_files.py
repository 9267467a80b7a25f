#!/usr/bin/env python3
"""A mutation campaign over resource files: good files made by zarnres are
damaged one field at a time (header fields, entry fields, counts, lengths,
kinds, file lengths, random bytes), and each damaged file is given to check,
extract (every item, as a BMP), unpack and program (into zarn-sim). What the
commands say is cross-checked:

- silent: check reports nothing (no problem, no warning) while extract or
  unpack refuses the file for what it holds;
- passes: check exits 0 while extract or unpack refuses it (a warning only);
- sent-damaged: program sends a file with an item that extract refuses for
  holding less than its entry claims;
- refused-clean: program refuses a file for what it holds while check finds
  no problem;
- crashes and hangs of any command.

Not a test of the suite (it takes minutes): run it by hand.
Usage: mutate_resource_files.py ZARNRES ZARN-SIM DATA_DIR WORK_DIR [--no-program]
"""
import json
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import time

ZARNRES, SIM, DATA, WORK = sys.argv[1:5]
PROGRAM = '--no-program' not in sys.argv
os.makedirs(WORK, exist_ok=True)
PORTS = os.path.join(WORK, 'ports')
os.makedirs(PORTS, exist_ok=True)
ENV = dict(os.environ, ZARN_PORT_DIR=PORTS)


def run(args, timeout=60):
    try:
        p = subprocess.run([ZARNRES] + args, cwd=WORK, env=ENV, capture_output=True, timeout=timeout,
                           stdin=subprocess.DEVNULL)
        return p.returncode, p.stdout.decode(errors='replace'), p.stderr.decode(errors='replace')
    except subprocess.TimeoutExpired:
        return 'hang', '', ''


def make_bases():
    """Good files: (name, file, sim model, sim memory)."""
    imp = os.path.join(DATA, 'import')
    sources = {
        'p8.bmp': os.path.join(imp, 'standard/rnd_k8_19x13.bmp'),
        'p1.bmp': os.path.join(imp, 'standard/rnd_k1_50x31.bmp'),
        'p4.bmp': os.path.join(imp, 'standard/rnd_k4_33x5.bmp'),
        'p24.bmp': os.path.join(imp, 'standard/rnd_k24_21x9.bmp'),
        'beep.wav': os.path.join(DATA, 'import/sounds/sound.wav'),
    }
    for name, src in sources.items():
        shutil.copy(src, os.path.join(WORK, name))
    rng = random.Random(7)
    with open(os.path.join(WORK, '8X16.asc'), 'wb') as f:
        f.write(bytes(rng.randrange(256) for _ in range(4096)))
    with open(os.path.join(WORK, '16X16.hzk'), 'wb') as f:
        f.write(bytes(rng.randrange(256) for _ in range(261696)))
    bases = []
    for name, model, size, items, sim_model, sim_memory in [
            ('a', '4', '4M', ['p8.bmp', 'p1.bmp', 'beep.wav', 'p4.bmp', '8X16.asc', 'p24.bmp', '16X16.hzk'], 2404, '4M'),
            ('b', '10', '8M', ['p24.bmp', '8X16.asc', 'beep.wav', 'p1.bmp'], 4308, '8M')]:
        path = os.path.join(WORK, 'base_%s.zrf' % name)
        assert run(['new', path, '--model', model, '--size', size])[0] == 0
        for item in items:
            status, _, err = run(['add', path, item])
            assert status == 0, err
        bases.append((name, path, sim_model, sim_memory))
    return bases


HEADER = [('itemCount', 0, '<H'), ('modelCode', 2, '<H'), ('screenWidth', 4, '<H'), ('screenHeight', 6, '<H'),
          ('memoryKiB', 8, '<I')]
ENTRY = [('address', 0, '<I'), ('length', 4, '<I'), ('reserved', 8, '<I'), ('width', 12, '<H'), ('height', 14, '<H'),
         ('kind', 16, '<B'), ('ignoreColor', 17, '<H')]


def mutations(data):
    """(label, new bytes) for one good file."""
    n, model, w, h, kib = struct.unpack_from('<HHHHI', data, 0)
    out = []

    def put(label, offset, fmt, value):
        b = bytearray(data)
        struct.pack_into(fmt, b, offset, value & {'<B': 0xFF, '<H': 0xFFFF, '<I': 0xFFFFFFFF}[fmt])
        out.append((label, bytes(b)))

    max_items = 190 if kib <= 4096 else 400
    header_values = {
        'itemCount': [0, n - 1, n + 1, max_items, max_items + 1, 400, 65535],
        'modelCode': [0, 2400, 1704, 2404, 4308, 5008, 65535],
        'screenWidth': [0, 1, h, 39321, 65535],
        'screenHeight': [0, 1, w, 39321, 65535],
        'memoryKiB': [0, 1, 4095, 4096, 4097, 8192, 12288, 16384, 0xFFFFFFFF],
    }
    for field, offset, fmt in HEADER:
        for v in header_values[field]:
            put('header.%s=%d' % (field, v), offset, fmt, v)
    for i in range(n):
        base = 12 + 19 * i
        address, length, _, ew, eh, kind, _ = struct.unpack_from('<IIIHHBH', data, base)
        values = {
            'address': [address + 1, address - 4096, address + 4096, 0, 0xFFFFFFFF],
            'length': [0, length - 1, length + 1, length * 2, length // 2, 0xFFFFFFFF],
            'reserved': [1],
            'width': [0, ew + 1, ew * 2, 32768, 65535],
            'height': [0, eh + 1, eh * 2, 32768, 65535],
            'kind': [0, 1, 4, 8, 16, 240, 241, 242, 243, 244, 245, 7, 255],
            'ignoreColor': [0x1234],
        }
        for field, offset, fmt in ENTRY:
            for v in values[field]:
                put('item%d.%s=%d' % (i, field, v), base + offset, fmt, v)
    used = 0
    if n:
        address, length = struct.unpack_from('<II', data, 12 + 19 * (n - 1))
        used = address + length
    for label, size in [('cut.header', 11), ('cut.directory', 12 + 19 * n - 1), ('cut.lastItem', used - 1),
                        ('cut.half', len(data) // 2), ('longer', len(data) + 1)]:
        out.append(('file.' + label, data[:size] if size <= len(data) else data + b'\xF0'))
    rng = random.Random(len(data))
    for k in range(30):
        b = bytearray(data)
        for _ in range(rng.randrange(1, 4)):
            b[rng.randrange(12 + 19 * n)] = rng.randrange(256)
        out.append(('random%d' % k, bytes(b)))
    return out


class Sim:
    def __init__(self, port, model, memory):
        self.port = port
        self.proc = subprocess.Popen([SIM, '--port', str(port), '--model', str(model), '--memory', memory,
                                      '--idle-timeout', '0'], env=ENV, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)
        line = self.proc.stdout.readline()
        assert 'COM%d' % port in line, line

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=10)


def is_file_refusal(text):
    return any(s in text for s in ('Resource File Error', 'Cannot extract item', 'Cannot unpack',
                                   'Cannot read resource file', 'Cannot open resource file', 'is damaged',
                                   'cannot be given back'))


def main():
    bases = make_bases()
    sims = {}
    if PROGRAM:
        for k, (name, _, model, memory) in enumerate(bases):
            sims[name] = Sim(3 + k, model, memory)
    results = []
    faults = []
    try:
        for name, path, _, _ in bases:
            data = open(path, 'rb').read()
            for label, content in mutations(data):
                f = os.path.join(WORK, 'm.zrf')
                with open(f, 'wb') as out:
                    out.write(content)
                r = {'base': name, 'mutation': label}
                status, out_text, err = run(['check', 'm.zrf'])
                r['check'] = status
                r['checkProblems'] = 'problem' in err and 'no problems' not in err
                r['checkWarnings'] = ': warning: ' in out_text
                r['checkOut'] = out_text.strip().splitlines()[:6]
                listed = run(['list', 'm.zrf', '--json'])
                count = len(json.loads(listed[1])) if listed[0] == 0 else 0
                extract = []
                for row in range(min(count, 12)):
                    es, _, ee = run(['extract', 'm.zrf', str(row), 'x.out'])
                    if es != 0:
                        extract.append((row, es, ee.strip()))
                if listed[0] != 0:
                    es, _, ee = run(['extract', 'm.zrf', '0', 'x.out'])
                    extract.append((0, es, ee.strip()))
                r['extractRefused'] = [e for e in extract if e[1] != 0]
                shutil.rmtree(os.path.join(WORK, 'u'), ignore_errors=True)
                us, _, ue = run(['unpack', 'm.zrf', '-o', 'u'])
                r['unpack'] = us
                r['unpackErr'] = ue.strip()
                if PROGRAM:
                    ps, po, pe = run(['program', 'm.zrf', '--port', str(sims[name].port), '--timeout', '5'], 120)
                    r['program'] = ps
                    r['programErr'] = pe.strip().splitlines()[-3:] if ps != 0 else []
                for cmd, st in [('check', status), ('list', listed[0]), ('unpack', us)] + \
                        [('extract', e[1]) for e in extract] + ([('program', r['program'])] if PROGRAM else []):
                    if st == 'hang' or (isinstance(st, int) and st >= 128) or (isinstance(st, int) and st < 0):
                        faults.append('%s %s: %s gave %s' % (name, label, cmd, st))
                results.append(r)
    finally:
        for s in sims.values():
            s.stop()

    def refused_elsewhere(r):
        return any(is_file_refusal(e[2]) for e in r['extractRefused']) or (r['unpack'] != 0 and is_file_refusal(
            r['unpackErr']))

    silent = [r for r in results if not r['checkProblems'] and not r['checkWarnings'] and r['check'] == 0
              and refused_elsewhere(r)]
    passes = [r for r in results if r['check'] == 0 and refused_elsewhere(r)]
    sent_damaged, refused_clean = [], []
    if PROGRAM:
        for r in results:
            # An item too short for its entry (a bitmap with no pixels holds what it claims).
            item_refused = any(('Cannot extract item' in e[2] or 'is damaged' in e[2]) and 'the item holds' in e[2]
                               for e in r['extractRefused'])
            if r['program'] == 0 and item_refused:
                sent_damaged.append(r)
            program_file_refusal = r['program'] != 0 and any(is_file_refusal(line) for line in r['programErr'])
            if program_file_refusal and not r['checkProblems']:
                refused_clean.append(r)
    report = {
        'files': len(results),
        'checkFails': sum(r['check'] != 0 for r in results),
        'checkSilent': sum(not r['checkProblems'] and not r['checkWarnings'] for r in results),
        'refusedByExtractOrUnpack': sum(refused_elsewhere(r) for r in results),
        'silentButRefused': [(r['base'], r['mutation']) for r in silent],
        'passesButRefused': [(r['base'], r['mutation']) for r in passes],
        'sentDamaged': [(r['base'], r['mutation']) for r in sent_damaged],
        'programRefusedCleanFile': [(r['base'], r['mutation'], r['programErr']) for r in refused_clean],
        'programSent': sum(r.get('program') == 0 for r in results),
        'faults': faults,
    }
    with open(os.path.join(WORK, 'results.json'), 'w') as f:
        json.dump(results, f, indent=1)
    with open(os.path.join(WORK, 'report.json'), 'w') as f:
        json.dump(report, f, indent=1)
    print(json.dumps({k: (len(v) if isinstance(v, list) else v) for k, v in report.items()}))


main()
