"""A model of envsweep's search run over the sample machine: which rules find each trace.

It follows the rule kinds as the program's kind table (src/tables/registry_kinds.cpp) sends them
to its searches (plain lookups, built value names, class, device, video, namespace and interface
scans), the file rules, INF identification, install folders, and the registrations that removal
takes along (the class of a property-sheet handler or namespace extension, the namespace's
Approved value, a file rule's service).
Finders are written FAMILY:SOURCE[:TAG], the source being kN for the kind of the rule that is
evaluated, file, svc, inf or inst.
"""
from model import canon, norm

VIDEO = 'HKLM\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\VIDEO\\'
CLSID = 'HKLM\\SOFTWARE\\CLASSES\\CLSID\\'
APPROVED = 'HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELL EXTENSIONS\\APPROVED'
SERVICES = 'HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\'


class Registry:
    """The seeded registry: keys (upper case), their subkeys in the registry's order, values."""

    def __init__(self):
        self.keys = set()
        self.children = {}
        self.values = {}

    def add_key(self, path):
        parts = path.split('\\')
        for i in range(1, len(parts) + 1):
            k = '\\'.join(parts[:i])
            if k not in self.keys:
                self.keys.add(k)
                if i > 1:
                    self.children.setdefault('\\'.join(parts[:i - 1]), set()).add(parts[i - 1])

    def subkeys(self, path):
        return sorted(self.children.get(path.upper(), ()))

    def value(self, key, name):
        return self.values.get((key.upper(), name.upper()))


def build(machine, survivors):
    reg, files, folders, texts = Registry(), set(), set(), {}
    for t in machine.traces + survivors.traces:
        loc = t.location()
        if t.type == 'key':
            reg.add_key(loc[1])
        elif t.type in ('value', 'list'):
            reg.add_key(loc[1])
            reg.values[(loc[1], loc[2])] = t.data
        elif t.type == 'service':
            reg.add_key(loc[1])
        else:
            path = loc[1]
            (folders if t.type == 'folder' else files).add(path)
            parts = path.split('\\')
            for i in range(1, len(parts)):
                folders.add('\\'.join(parts[:i]))
            for o in t.opts:
                if o.startswith('text='):
                    texts[path] = o[5:].replace('\\n', '\n')
    return reg, files, folders, texts


def matches_id(name, family, ids):
    return any(f == family and name.upper().startswith(i.upper()) for f, i in ids)


def assign_finders(machine, survivors, rules, ids, file_rows, inf_rows, install_rows):
    reg, files, folders, texts = build(machine, survivors)
    found = {}

    def rec(loc, finder):
        found.setdefault(loc, [])
        if finder not in found[loc]:
            found[loc].append(finder)

    def rec_key(path, finder):
        rec(('K', path.upper()), finder)

    def rec_class(clsid, finder):
        if clsid:
            rec_key(CLSID + clsid, finder)

    def exists(path):
        return path in files or path in folders

    def read_install_folder(key, value):
        data = reg.value('HKLM\\SOFTWARE\\MORVANE\\' + key, value)
        if data is None or not guard_allows(data):
            return None
        data = data[:-1] if data.endswith('\\') else data
        return data if exists(norm(data)) else None

    for r in rules:
        f = '%d:k%d' % (r.product, r.kind) + (':' + r.tag if r.tag else '')
        key = canon(r.hive, r.key)
        search = r.meaning.search
        if search == 'kSearchPlainLookup':
            if r.argument is not None:
                if reg.value(key, r.argument) is not None:
                    rec(('V', key, r.argument.upper()), f)
            elif key in reg.keys:
                rec_key(key, f)
                if r.meaning.removal == 'kRemoveHandlerClass':
                    rec_class(reg.value(key, ''), f)
        elif search == 'kSearchBuiltValueName':
            a = r.argument
            name = None
            if a.upper().startswith('%SYSTEM%\\') or a.upper().startswith('%INF%\\'):
                name = a
            elif '%' in a:
                field1, field2 = a.split('%')[0], a.split('%')[1]
                for product, ikey, ivalue, ifolder, isub in install_rows:
                    if product == r.product:
                        folder = read_install_folder(field1, ivalue)
                        if folder is not None:
                            name = folder + '\\' + field2
            if name is not None and reg.value(key, norm(name)) is not None:
                rec(('V', key, norm(name)), f)
        elif search == 'kSearchDriverClassScan':
            for s in reg.subkeys(key):
                sk = key + '\\' + s
                provider = (reg.value(sk, 'ProviderName') or '').upper()
                arg = (r.argument or '').upper() if r.argument is not None else None
                if provider in ('MORVANE CO., LTD.', 'MORVANE', 'NVIDIA'):
                    cpl = sk + '\\SHELLEX\\PROPERTYSHEETHANDLERS\\NVIDIA CPL EXTENSION'
                    if provider == 'NVIDIA' and cpl in reg.keys:
                        rec_key(cpl, f)
                        rec_class(reg.value(cpl, ''), f)
                    if arg is not None and (reg.value(sk, 'InfSection') or '\0').upper() == arg:
                        rec_key(sk, f)
                mfg = (reg.value(sk, 'Mfg') or '').upper()
                if mfg in ('MORVANE CO., LTD.', 'MORVANE') and arg is not None and \
                        (reg.value(sk, 'Service') or '\0').upper() == arg:
                    rec_key(sk, f)
        elif search == 'kSearchPciDeviceScan':
            for s in reg.subkeys(key):
                if not matches_id(s, r.product, ids):
                    continue
                instances = reg.subkeys(key + '\\' + s)
                if instances:
                    vid = reg.value(key + '\\' + s + '\\' + instances[0] + '\\DEVICE PARAMETERS', 'VideoID')
                    if vid and (VIDEO + vid).upper() in reg.keys:
                        rec_key(VIDEO + vid, f)
                rec_key(key + '\\' + s, f)
        elif search == 'kSearchMonitorDeviceScan':
            for s in reg.subkeys(key):
                for t in reg.subkeys(key + '\\' + s):
                    if t.startswith('PCI_') and matches_id(t[4:], r.product, ids):
                        rec_key(key + '\\' + s + '\\' + t, f)
                        driver = reg.value(key + '\\' + s + '\\' + t, 'Driver')
                        if driver and ('HKLM\\' + r.argument + '\\' + driver).upper() in reg.keys:
                            rec_key('HKLM\\' + r.argument + '\\' + driver, f)
        elif search == 'kSearchChildDeviceScan':
            pci = 'HKLM\\SYSTEM\\CURRENTCONTROLSET\\ENUM\\PCI'
            for s in reg.subkeys(pci):
                if not matches_id(s, r.product, ids):
                    continue
                instances = reg.subkeys(pci + '\\' + s)
                prefix = reg.value(pci + '\\' + s + '\\' + instances[0], 'ParentIdPrefix') if instances else None
                if not prefix:
                    continue
                for s2 in reg.subkeys(key):
                    for t2 in reg.subkeys(key + '\\' + s2):
                        if t2.upper().startswith(prefix.upper()):
                            rec_key(key + '\\' + s2 + '\\' + t2, f)
                            driver = reg.value(key + '\\' + s2 + '\\' + t2, 'Driver')
                            if driver and ('HKLM\\' + r.argument + '\\' + driver).upper() in reg.keys:
                                rec_key('HKLM\\' + r.argument + '\\' + driver, f)
        elif search == 'kSearchVideoKeyScan':
            for s in reg.subkeys(key):
                d = reg.value(key + '\\' + s + '\\0000', 'Device Description')
                if d is not None and (d.startswith('Morvane VANTIRA') or d.startswith('NVIDIA')):
                    rec_key(key + '\\' + s, f)
        elif search == 'kSearchDllList':
            data = reg.value(key, r.argument)
            # The list is read into 512 bytes with its terminator; a longer one is not read.
            if data is not None and len(data) < 512 and any(e.lower() == 'nvdesk32.dll' for e in data.split(' ')):
                rec(('V', key, r.argument.upper()), f)
        elif search in ('kSearchNamespaceScan', 'kSearchDefaultValueScan'):
            for s in reg.subkeys(key):
                if (reg.value(key + '\\' + s, '') or '\0').upper() == r.argument.upper():
                    rec_key(key + '\\' + s, f)
                    if r.meaning.removal == 'kRemoveNamespaceEntry':
                        rec_class(s, f)
                        rec(('V', APPROVED, s.upper()), f)
                    break
        elif search == 'kSearchInterfaceScan':
            for s in reg.subkeys(key):
                for t in reg.subkeys(key + '\\' + s):
                    name = reg.value(key + '\\' + s + '\\' + t + '\\DEVICE PARAMETERS', 'FriendlyName')
                    if name and name == r.argument:
                        rec_key(key + '\\' + s + '\\' + t, f)

    seen = set()
    for product, disabled, folder, file in file_rows:
        ident = (folder.upper(), file.upper())
        first = ident not in seen
        seen.add(ident)
        if disabled or not first:
            continue
        name, _, service = file.partition('@')
        path = norm(folder + '\\' + name)
        if exists(path):
            rec(('P', path), '%d:file' % product)
            if service:
                rec_key(SERVICES + service, '%d:svc' % product)

    for path in sorted(files):
        leaf = path.split('\\')[-1]
        if not (path.startswith('%WINDOWS%\\INF\\') and path.count('\\') == 2 and leaf.startswith('OEM')
                and leaf.endswith('.INF')):
            continue
        sections, current = {}, None
        for line in texts.get(path, '').split('\n'):
            line = line.strip()
            if line.startswith('[') and line.endswith(']'):
                current = sections.setdefault(line[1:-1].upper(), {})
            elif '=' in line and current is not None:
                k, v = line.split('=', 1)
                current.setdefault(k.strip().upper(), v.strip().strip('"'))
        for product, conditions in inf_rows:
            if all(sections.get(s.upper(), {}).get(k.upper(), '').upper() == v.upper() for s, k, v in conditions):
                rec(('P', path), '%d:inf' % product)
                if path[:-4] + '.PNF' in files:
                    rec(('P', path[:-4] + '.PNF'), '%d:inf' % product)
                break

    for product, key, value, folder, sub in install_rows:
        place = read_install_folder(key, value)
        if place is None and norm('%PROGRAM_FILES%\\Morvane\\' + folder) in folders:
            place = '%PROGRAM_FILES%\\Morvane\\' + folder
        if place is not None:
            rec(('P', norm(place + ('\\' + sub if sub else ''))), '%d:inst' % product)

    problems = []
    for t in machine.traces + survivors.traces:
        t.finders = list(found.get(t.location(), []))
        for above in ancestors(t.location()):
            for finder in found.get(above, []):
                if finder not in t.finders:
                    t.finders.append(finder)
        where = t.line().split('\t', 1)[1]
        if t.intended is True and not t.finders:
            problems.append('not found by any rule: ' + where)
        if t.intended is False and t.finders:
            problems.append('a survivor that rules find (%s): %s' % (','.join(t.finders), where))
    return problems


PROTECTED = ['%WINDOWS%', '%SYSTEM%', '%PROGRAM_FILES%', '%PROGRAM_FILES%\\MORVANE']


def guard_allows(note):
    """An install-folder note the path guard lets through: absolute, no wildcard, no "." or ".."
    step, and neither a drive root nor a protected folder nor above one."""
    text = note.rstrip('\\')
    absolute = text.startswith('%') or (len(text) > 2 and text[1] == ':' and text[2] == '\\')
    if not absolute or '*' in text or '?' in text or text.startswith('\\\\'):
        return False
    if any(step in ('.', '..') for step in text.split('\\')):
        return False
    upper = norm(text)
    return not any(norm(p) == upper or norm(p).startswith(upper + '\\') for p in PROTECTED)


def ancestors(loc):
    """The locations whose removal takes loc along, nearest first."""
    out = []
    if loc[0] == 'V':
        path = loc[1]
        out.append(('K', path))
    else:
        path = loc[1]
    tag = 'P' if loc[0] == 'P' else 'K'
    while '\\' in path:
        path = path.rsplit('\\', 1)[0]
        out.append((tag, path))
    return out
