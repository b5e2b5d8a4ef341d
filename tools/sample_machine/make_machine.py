#!/usr/bin/env python3
"""Generates a hostile machine description from a seed number.

The machine starts from the sample machine (every family's traces from the rule tables, and the
other makers' software of survivors.txt), keeps a random part of each family's traces and of the
survivors, and adds odd data on purpose: values of the wrong type where text is expected, empty
and unterminated strings, data filling the read buffers, 255-character key and value names, deep
subtrees under found keys, DLL lists with unusual separators and lengths around the limit, oem*.inf
files that are empty, binary, UTF-16 or several MB large or hold 2,000-byte lines, install-folder
notes that are relative, UNC, hold "..", name a bare drive or a system folder, and file names with
code page 932 characters. The model of the search (simulate.py) tells which traces must go and
which must stay; the first comment line names the mask of the run ("# mask: N").

    python3 tools/sample_machine/make_machine.py SEED [--out FILE] [--src src]
"""
import argparse
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_description as md  # noqa: E402
import simulate  # noqa: E402
import tables  # noqa: E402
from model import Machine, Trace  # noqa: E402

ALL = (1 << 18) - 1
CLASS = 'System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}'
VIDEO = 'System\\CurrentControlSet\\Control\\Video'
PCI = 'System\\CurrentControlSet\\Enum\\PCI'
IFACE = 'System\\CurrentControlSet\\Control\\DeviceClasses\\{65E8773D-8F56-11D0-A3B9-00A0C9223196}'
NAMESPACE = 'SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace'
SHARED = 'Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs'
APPINIT = ('Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows', 'AppInit_DLLs')
# Code page 932 names (latin-1 characters stand for the bytes): katakana "so" and "hyou" end in
# byte 92, a backslash, as the second byte of a double-byte character. Never at the end of a name:
# under a single-byte code page the byte is a separator, and the name stays a valid path.
CP932 = ['\x83\x5c\x83t\x83g', '\x83J\x83^\x83J\x83i', '\x95\x5c\x8e\xa6', '\x83R\x83\x93\x83g\x83\x5c\x83t', '\x93\xfa\x96{\x8c\xea']


def key_trace(cat, hive, path, intended, opts=None):
    return Trace('key', cat, hive=hive, path=path, opts=opts, intended=intended)


def value_trace(cat, hive, path, name, vtype, data, intended):
    return Trace('value', cat, hive=hive, path=path, name=name, vtype=vtype, data=data, intended=intended)


def hexof(text):
    return text.encode('latin-1').hex()


def long_name(rng, length, head='Contoso'):
    body = head + ''.join(rng.choice('abcdefghijklmnopqrstuvwxyz0123456789 -_.') for _ in range(length))
    return body[:length].rstrip(' .').ljust(length, 'x')


def odd_values(rng, m, hive, path, intended, head):
    """Values of every odd shape inside one key: wrong types, empty, unterminated, long names and
    data exactly filling the buffers the search reads with (256, 512, 1024 bytes)."""
    cat = 'odd-value'
    m.add(value_trace(cat, hive, path, 'OddDword', 'dword', str(rng.randrange(1 << 32)), intended))
    m.add(value_trace(cat, hive, path, 'OddBinary', 'binary', hexof(head), intended))
    m.add(value_trace(cat, hive, path, 'OddMulti', 'multi', head + '|' + head + ' Two', intended))
    m.add(value_trace(cat, hive, path, 'OddEmpty', 'sz', '', intended))
    m.add(value_trace(cat, hive, path, 'OddUnterminated', 'szraw', head + ' unterminated', intended))
    m.add(value_trace(cat, hive, path, long_name(rng, 255, head), 'sz', head, intended))
    for size in rng.sample([255, 256, 257, 511, 512, 513, 1023, 1024, 1025], 3):
        # size bytes with the terminator: the data fills a buffer of that size exactly.
        m.add(value_trace(cat, hive, path, 'OddFill%d' % size, rng.choice(['sz', 'szraw']),
                          (head + ' ' + 'y' * size)[:size - 1], intended))


def add_found_oddities(rng, m):
    """Odd values, a 255-character subkey and a deep subtree inside keys the rules find: all go
    with their key."""
    software = [t for t in m.traces if t.type == 'key' and t.category == 'software' and t.hive == 'HKLM'
                and 'MORVANE' in t.path.upper()]
    for t in rng.sample(software, min(3, len(software))):
        odd_values(rng, m, t.hive, t.path, True, 'Morvane')
        m.add(key_trace('odd-key', t.hive, t.path + '\\' + long_name(rng, 255, 'Morvane'), True))
        deep = t.path
        for level in range(rng.randint(8, 24)):
            deep += '\\' + long_name(rng, rng.randint(1, 200), 'L%d ' % level)
        m.add(key_trace('deep-subtree', t.hive, deep, True))
        m.add(value_trace('deep-subtree', t.hive, deep, long_name(rng, 255, 'Deep'), 'binary', 'ff00' * 300, True))


def add_foreign_oddities(rng, m):
    """Other makers' keys with odd data where the scans read text: none of it may change."""
    n = rng.randint(0x180, 0x1F0)
    inst = CLASS + '\\%04d' % n
    m.add(key_trace('odd-class', 'HKLM', inst, False))
    provider = rng.choice([('dword', '7'), ('binary', hexof('Contoso')), ('multi', 'Contoso|Morvane'),
                           ('szraw', 'Contoso'), ('sz', ''), ('sz', 'Contoso ' + 'p' * 1100)])
    m.add(value_trace('odd-class', 'HKLM', inst, 'ProviderName', provider[0], provider[1], False))
    section = rng.choice([('multi', 'x|VisionForce'), ('binary', hexof('Contoso')), ('sz', 'y' * 255)])
    m.add(value_trace('odd-class', 'HKLM', inst, 'InfSection', section[0], section[1], False))
    odd_values(rng, m, 'HKLM', inst, False, 'Contoso')
    m.add(key_trace('odd-class', 'HKLM', CLASS + '\\' + long_name(rng, 255), False))
    # A device whose name is 255 characters and matches no hardware ID, with a long instance.
    dev = PCI + '\\VEN_C0FE&DEV_' + long_name(rng, 242)
    m.add(key_trace('odd-device', 'HKLM', dev, False))
    m.add(value_trace('odd-device', 'HKLM', dev + '\\' + long_name(rng, 255, '4&') + '\\Device Parameters',
                      'VideoID', 'binary', hexof('{C0FFEE}'), False))
    # Video keys with odd descriptions.
    g = '{C0FFEE00-0000-4000-8000-%012X}' % rng.randrange(1 << 40)
    m.add(key_trace('odd-video', 'HKLM', VIDEO + '\\' + g, False, opts=['volatile']))
    m.add(key_trace('odd-video', 'HKLM', VIDEO + '\\' + g + '\\0000', False, opts=['volatile']))
    d = rng.choice([('dword', '1'), ('binary', hexof('Contoso adapter')), ('multi', 'Contoso|NVIDIA'),
                    ('sz', 'Contoso ' + 'v' * rng.choice([247, 248, 503, 504, 1015, 1016])), ('sz', '')])
    m.add(value_trace('odd-video', 'HKLM', VIDEO + '\\' + g + '\\0000', 'Device Description', d[0], d[1], False))
    # Namespace extensions and device interfaces with odd names and data.
    ns = NAMESPACE + '\\{C0FFEE00-0000-4000-8000-%012X}' % rng.randrange(1 << 40)
    m.add(key_trace('odd-namespace', 'HKLM', ns, False))
    text = rng.choice([('multi', 'Contoso|x'), ('binary', hexof('Contoso')), ('szraw', 'Contoso'), ('sz', '')])
    m.add(value_trace('odd-namespace', 'HKLM', ns, '@', text[0], text[1], False))
    m.add(key_trace('odd-namespace', 'HKLM', NAMESPACE + '\\' + long_name(rng, 255), False))
    iface = IFACE + '\\##?#PCI#' + long_name(rng, 200) + '\\#' + long_name(rng, 254)
    m.add(value_trace('odd-interface', 'HKLM', iface + '\\Device Parameters', 'FriendlyName',
                      rng.choice(['binary', 'multi', 'sz']), 'Contoso Capture', False))
    # Shared-DLL counts with 255-character names and odd types.
    m.add(value_trace('odd-shared-dll', 'HKLM', SHARED, 'C:\\' + long_name(rng, 252), 'dword', '1', False))
    m.add(value_trace('odd-shared-dll', 'HKLM', SHARED, '%SYSTEM%\\contoso' + CP932[0] + '.dll', 'binary', '01', False))


def dll_list_rewrite(data):
    """The list as the clean-up rewrites it: every bare nvdesk32.dll entry between single blanks
    goes with the blanks after it."""
    k = 1
    while True:
        start, i = 0, 1
        while i < k:
            nxt = data.find(' ', start)
            if nxt < 0:
                return data
            start, i = nxt + 1, i + 1
        end = start
        while end < len(data) and data[end] != ' ':
            end += 1
        if data[start:end][:259].lower() != 'nvdesk32.dll':
            k += 1
            continue
        rest = end
        while rest < len(data) and data[rest] == ' ':
            rest += 1
        data = data[:start] + data[rest:]


def add_dll_list(rng, m):
    """One AppInit_DLLs value of an odd shape in place of the sample's."""
    hive, path = 'HKLM', APPINIT[0]
    for t in list(m.traces):
        if t.type == 'list':
            m.traces.remove(t)
            del m.where[t.location()]
    pad = lambda n: ' '.join(['c%03d.dll' % i for i in range(n)])  # noqa: E731
    found = ['nvdesk32.dll', 'NVDESK32.DLL', 'a.dll  nvdesk32.dll  b.dll', ' nvdesk32.dll x.dll ',
             'x.dll nvdesk32.dll', 'nvdesk32.dll nvdesk32.dll y.dll nvdesk32.dll', 'x.dll nvdesk32.dll ',
             (pad(60) + ' nvdesk32.dll')[-511:].lstrip(), ('nvdesk32.dll ' + pad(60))[:511]]
    kept = ['a.dll,nvdesk32.dll', 'a.dll;nvdesk32.dll', 'a.dll\x09nvdesk32.dll'.replace('\x09', '|'),
            'C:\\Windows\\nvdesk32.dll', 'nvdesk32.dll.bak', 'x' * 300 + ' ' + 'z.dll', '',
            (pad(60) + ' nvdesk32.dll')[-512:]]
    if rng.random() < 0.6:
        data = rng.choice(found)
        after = dll_list_rewrite(data)
        m.add(Trace('list', 'appinit', hive=hive, path=path, name=APPINIT[1], data=data, after=after))
    else:
        data = rng.choice(kept)
        vtype = rng.choice(['sz', 'multi', 'binary']) if data and '|' not in data else 'sz'
        m.add(value_trace('appinit-odd', hive, path, APPINIT[1], vtype, hexof(data) if vtype == 'binary' else data,
                          False))


def add_odd_inf_files(rng, m):
    """oem*.inf files of odd shapes. They name other makers (none is the maker's package) and must
    stay; one long-lined one is the maker's and goes."""
    n = rng.randint(700, 900)
    version = '[Version]\r\nSignature="$Windows NT$"\r\nProvider=Contoso\r\nClass=Media\r\n'
    utf16 = version.encode('utf-16-le').hex()
    shapes = [('', 'empty'), (''.join('%02x' % rng.randrange(256) for _ in range(512)), 'binary'),
              ('fffe' + utf16, 'utf16-bom'), (utf16, 'utf16'),
              (hexof(version) + '+' + hexof('; ' + 'c' * 77 + '\r\n') + '*%d' % rng.randint(30000, 50000), 'large'),
              (hexof('; ' + 'L' * 1996 + '\r\n') + '+' + hexof(version), 'long-line')]
    for i, (content, shape) in enumerate(rng.sample(shapes, rng.randint(3, len(shapes)))):
        m.add(Trace('file', 'odd-inf-' + shape, path='%%INF%%\\oem%d.inf' % (n + i), opts=['raw=' + content],
                    intended=False))


def hostile_notes(rng, m, notes):
    """Install-folder notes that are relative, UNC, hold "..", a bare drive or a system folder."""
    forms = ['Morvane\\VisionForce', '\\\\server\\share\\Morvane', '\\\\server\\share', 'C:', 'C:\\',
             'C:Morvane', '%SYSTEM%', '%WINDOWS%', '%PROGRAM_FILES%', '%PROGRAM_FILES%\\Morvane\\',
             '%PROGRAM_FILES%\\Morvane\\..\\Contoso Hostile', '%PROGRAM_FILES%\\Morvane\\x\\..\\..\\Contoso Hostile\\',
             '%WINDOWS%\\system32\\..', '%PROGRAM_FILES%\\Morvane\\*', '\\\\?\\C:\\windows']
    m.add(Trace('folder', 'hostile-target', path='%PROGRAM_FILES%\\Contoso Hostile', intended=False))
    m.add(Trace('file', 'hostile-target', path='%PROGRAM_FILES%\\Contoso Hostile\\player.exe', intended=False))
    note_traces = [t for t in m.traces if t.category == 'install-note']
    for t in rng.sample(note_traces, min(len(note_traces), rng.randint(1, 3))):
        t.data = rng.choice(forms)


def add_cp932_names(rng, m):
    """File and folder names in code page 932 next to file rules and inside install folders."""
    # Beside the rules, names without byte 92: under a single-byte code page it would make a
    # folder on the way that nothing describes. Inside install folders every name.
    for name in rng.sample([n for n in CP932 if '\x5c' not in n], 2):
        m.add(Trace('file', 'cp932', path='%SYSTEM%\\' + name + '.dll', intended=False))
        m.add(Trace('folder', 'cp932', path='%PROGRAM_FILES%\\' + name, intended=False))
        m.add(Trace('file', 'cp932', path='%PROGRAM_FILES%\\' + name + '\\' + name + '.txt', intended=False))
    folders = [t for t in m.traces if t.type == 'folder' and t.category == 'install-folder']
    for t in rng.sample(folders, min(2, len(folders))):
        name = rng.choice(CP932)
        m.add(Trace('folder', 'install-folder', path=t.path + '\\' + name))
        m.add(Trace('file', 'install-folder', path=t.path + '\\' + name + '\\' + name + '.dat'))


def below(loc, other):
    """other lies inside loc (a key or folder)."""
    if loc[0] == 'K' and other[0] in ('K', 'V'):
        return other[1].startswith(loc[1] + '\\') or (other[0] == 'V' and other[1] == loc[1])
    if loc[0] == 'P' and other[0] == 'P':
        return other[1].startswith(loc[1] + '\\')
    return False


def drop(m, gone):
    """Removes the traces in gone and everything inside them."""
    locs = [t.location() for t in gone if t.type in ('key', 'folder')]
    out = Machine()
    for t in m.traces:
        if t in gone or any(below(loc, t.location()) for loc in locs):
            continue
        out.add(t)
    return out


def family(t):
    return int(t.finders[0].split(':')[0]) if t.finders else -1


def generate(seed, src, here):
    rng = random.Random(seed)
    rules = tables.registry_rules(src)
    ids = tables.hardware_ids(src)
    file_rows = tables.file_rules(src)
    inf_rows = tables.inf_rules(src)
    install_rows = tables.install_folders(src)
    services = md.service_files(file_rows)

    full = Machine()
    md.add_registry_rules(full, rules, services)
    notes = md.add_install_folders(full, install_rows)
    md.add_file_references(full, rules, install_rows, notes)
    md.add_class_instances(full, rules)
    md.add_devices(full, rules, ids)
    md.add_scans(full, rules)
    md.add_file_rules(full, file_rows, services)
    md.add_inf_packages(full, inf_rows)
    md.add_locks(full)
    # Traces the sample machine keeps on purpose (a second device instance's video key) may be
    # found once a part of the machine is gone; the model decides. Other makers' software never.
    for t in full.traces:
        if t.intended is False:
            t.intended = None
    survivors = Machine.read(os.path.join(here, 'survivors.txt'))
    for t in survivors.traces:
        full.add(t)
    for t in full.traces:
        t.opts = [o for o in t.opts if o != 'inuse']   # nothing holds files open in the sweep
    simulate.assign_finders(full, Machine(), rules, ids, file_rows, inf_rows, install_rows)

    # A random part of each family's traces, and of the other makers' software.
    keep = {f: rng.uniform(0.15, 0.95) for f in range(-1, 18)}
    # A property-sheet handler key keeps the class identifier it holds: without it the clean-up
    # leaves the key (it cannot tell which class registration goes with it).
    gone = [t for t in full.traces if rng.random() > keep[family(t)]
            and not (t.category == 'property-sheet' and t.type == 'value' and t.name == '@')]
    m = drop(full, gone)
    for t in m.traces:
        t.finders = []

    add_found_oddities(rng, m)
    add_foreign_oddities(rng, m)
    add_dll_list(rng, m)
    add_odd_inf_files(rng, m)
    hostile_notes(rng, m, notes)
    add_cp932_names(rng, m)

    # Traces of the maker that no rule finds on this machine (their note or parent went) are left
    # out, until every remaining one is found.
    for _ in range(10):
        problems = simulate.assign_finders(m, Machine(), rules, ids, file_rows, inf_rows, install_rows)
        unfound = [t for t in m.traces if t.intended is True and not t.finders]
        if not unfound:
            break
        m = drop(m, unfound)
    problems = simulate.assign_finders(m, Machine(), rules, ids, file_rows, inf_rows, install_rows)
    if problems:
        raise SystemExit('make_machine: seed %d: ' % seed + '; '.join(problems[:5]))
    mask = ALL if rng.random() < 0.5 else rng.randrange(1, ALL + 1)
    return m, mask


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument('seed', type=int)
    parser.add_argument('--src', default=os.path.join(here, '..', '..', 'src'))
    parser.add_argument('--out')
    args = parser.parse_args()
    m, mask = generate(args.seed, args.src, here)
    text = '# mask: %d\n# Hostile machine of seed %d, generated by make_machine.py.\n' % (mask, args.seed)
    text += ''.join(t.line() + '\n' for t in m.traces)
    if args.out:
        with open(args.out, 'w', encoding='latin-1', newline='\n') as f:
            f.write(text)
    else:
        sys.stdout.buffer.write(text.encode('latin-1'))
    return 0


if __name__ == '__main__':
    sys.exit(main())
