#!/usr/bin/env python3
"""Builds traces.txt, the generated part of the sample machine, from envsweep's rule tables.

The machine is one on which every product family was installed and then uninstalled, leaving what
the rule tables describe. Each trace is tagged with the rules that find it; the tags come from a
model of the search run over the machine (simulate.py), which also checks the hand-written
survivors.txt: every intended trace must be found, every survivor must not be.

    python3 tools/sample_machine/make_description.py [--src src] [--out tools/sample_machine]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tables  # noqa: E402
from model import Machine, Trace, guid  # noqa: E402
import simulate  # noqa: E402

LOCK_SDDL = 'sddl=O:SYD:(A;;KRWD;;;WD)'   # owner SYSTEM; everyone may read and rewrite the DACL only
SERVICES = 'System\\CurrentControlSet\\Services\\'
VIDEO = 'System\\CurrentControlSet\\Control\\Video\\'
MONITOR_CLASS = '{4D36E96E-E325-11CE-BFC1-08002BE10318}'


KIND_CATEGORIES = {'ProfileServiceKey': 'profile-service', 'PropertySheetHandlerKey': 'property-sheet',
                   'ServiceKey': 'service-key', 'ChipServiceKey': 'chip-service'}
SERVICE_KINDS = ('ProfileServiceKey', 'ServiceKey', 'ChipServiceKey')


def category_of(rule):
    p = rule.key.upper()
    if rule.meaning.name in KIND_CATEGORIES:
        return KIND_CATEGORIES[rule.meaning.name]
    for needle, name in (('\\UNINSTALL\\', 'uninstall'), ('APP PATHS', 'app-path'), ('MENUORDER', 'start-menu-order'),
                         ('\\INSTANCE\\', 'filter'), ('DEVENUM', 'capture-device'), ('\\ENUM\\', 'device'),
                         ('MEDIACATEGORIES', 'media-category'), ('EVENTLOG', 'event-log'),
                         ('RESOURCEMAP', 'video-resource'), ('\\RUN', 'run-value')):
        if needle in p:
            return name
    if rule.hive == 'HKCR' and p.startswith('CLSID\\'):
        return 'com-class'
    if rule.hive == 'HKCR':
        return 'file-type'
    return 'software'


def service_files(file_rules):
    """Service name -> (family, binary path) from the file rules that name one."""
    out = {}
    for product, disabled, folder, file in file_rules:
        if disabled or '@' not in file or not folder.startswith('%'):
            continue
        name, service = file.split('@', 1)
        path = folder + '\\' + name
        best = out.get(service.upper())
        if best is None or (not best[1].lower().endswith(('.sys', '.exe')) and name.lower().endswith(('.sys', '.exe'))):
            out[service.upper()] = (product, path, service)
    return out


def add_registry_rules(m, rules, services):
    seen_service = set()
    for r in rules:
        if r.meaning.search == 'kSearchPlainLookup':
            cat = category_of(r)
            if r.argument is not None:
                m.add(Trace('value', cat, hive=r.hive, path=r.key, name=r.argument, vtype='sz',
                            data='"%PROGRAM_FILES%\\Morvane\\' + r.argument + '\\' + r.argument.lower() + '.exe" /tray'))
                continue
            upper = r.key.upper()
            if r.meaning.name == 'ServiceKey' and upper.startswith(SERVICES.upper()) and upper[len(SERVICES):] in services:
                product, binary, name = services[upper[len(SERVICES):]]
                if name.upper() not in seen_service:
                    seen_service.add(name.upper())
                    m.add(Trace('service', 'service', name=name, kernel=binary.lower().endswith('.sys'), data=binary))
                continue
            m.add(Trace('key', cat, hive=r.hive, path=r.key))
            if r.meaning.name in SERVICE_KINDS:
                leaf = r.key.split('\\')[-1]
                m.add(Trace('value', cat, hive=r.hive, path=r.key, name='Type', vtype='dword', data='1'))
                m.add(Trace('value', cat, hive=r.hive, path=r.key, name='Start', vtype='dword', data='4'))
                m.add(Trace('value', cat, hive=r.hive, path=r.key, name='ImagePath', vtype='expand',
                            data='system32\\drivers\\' + leaf.lower() + '.sys'))
            elif r.meaning.removal == 'kRemoveHandlerClass':
                clsid = guid(0x2000 + r.index)
                m.add(Trace('value', cat, hive=r.hive, path=r.key, name='@', vtype='sz', data=clsid))
                m.add(Trace('key', 'property-sheet-class', hive='HKCR', path='CLSID\\' + clsid))
                m.add(Trace('value', 'property-sheet-class', hive='HKCR', path='CLSID\\' + clsid + '\\InprocServer32',
                            name='@', vtype='sz', data='%SYSTEM%\\vfcpl.dll'))
            elif cat == 'com-class':
                m.add(Trace('value', cat, hive=r.hive, path=r.key + '\\InprocServer32', name='@', vtype='sz',
                            data='%SYSTEM%\\' + r.key.split('\\')[-1][1:9].lower() + '.ax'))
            elif cat == 'software':
                m.add(Trace('value', cat, hive=r.hive, path=r.key, name='Version', vtype='sz', data='1.0.0'))


def add_install_folders(m, rows):
    """Notes below SOFTWARE\\Morvane and the folders themselves; returns (key, value) -> folder."""
    notes = {}
    no_note = {'DVD THEATER', 'ONESEG TV'}              # found at the default place only
    custom = {'VISIONFORCE DESKTOP': '%PROGRAM_FILES%\\Morvane Custom\\VisionForce Desktop\\'}
    for product, key, value, folder, sub in rows:
        place = '%PROGRAM_FILES%\\Morvane\\' + folder
        noted = custom.get(key.upper(), place)
        if key.upper() not in no_note and (key.upper(), value.upper()) not in notes:
            notes[(key.upper(), value.upper())] = noted.rstrip('\\')
            m.add(Trace('value', 'install-note', hive='HKLM', path='SOFTWARE\\Morvane\\' + key, name=value or '@',
                        vtype='sz', data=noted))
        base = noted.rstrip('\\') if key.upper() not in no_note else place
        m.add(Trace('folder', 'install-folder', path=base))
        m.add(Trace('file', 'install-folder', path=base + '\\' + folder.split('\\')[-1].replace(' ', '').lower() + '.exe'))
        if sub:
            m.add(Trace('folder', 'install-folder', path=base + '\\' + sub))
            m.add(Trace('file', 'install-folder', path=base + '\\' + sub + '\\recording.mpg'))
    return notes


def add_file_references(m, rules, install_rows, notes):
    for r in rules:
        if r.meaning.search != 'kSearchBuiltValueName':
            continue
        arg = r.argument
        if arg.upper().startswith('%SYSTEM%\\') or arg.upper().startswith('%INF%\\'):
            macro, rest = arg.split('\\', 1)
            name = macro.upper() + '\\' + rest
        else:
            field1, field2 = arg.split('%')[0], arg.split('%')[1]
            folder = None
            for product, key, value, f, sub in install_rows:
                if product == r.product and (field1.upper(), value.upper()) in notes:
                    folder = notes[(field1.upper(), value.upper())]
            if folder is None:
                continue
            name = folder + '\\' + field2
            m.add(Trace('file', 'install-folder', path=name))
        dword = 'SHAREDDLLS' in r.key.upper()
        m.add(Trace('value', 'shared-dll' if dword else 'oem-name', hive=r.hive, path=r.key, name=name,
                    vtype='dword' if dword else 'sz', data='1' if dword else 'oem' + str(r.index) + '.inf'))


def add_class_instances(m, rules):
    counters = {}
    providers = ['Morvane', 'Morvane Co., Ltd.', 'morvane']
    done = set()
    for r in rules:
        if r.meaning.search != 'kSearchDriverClassScan':
            continue
        ident = (r.key.upper(), (r.argument or '').upper())
        if ident in done:
            continue
        done.add(ident)
        n = counters.get(r.key.upper(), 0x100)
        counters[r.key.upper()] = n + 1
        key = r.key + '\\' + ('%04d' % n if '\\ENUM\\' not in r.key.upper() else 'MORVANE_%04d' % n)
        if r.argument is None:
            # The chip vendor's reference driver: only its control-panel extension is the maker's.
            m.add(Trace('key', 'driver-class', hive='HKLM', path=key, intended=None))
            m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='ProviderName', vtype='sz', data='NVIDIA',
                        intended=None))
            m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='InfSection', vtype='sz', data='nv4_reference',
                        intended=None))
            add_cpl_extension(m, key, n)
            continue
        m.add(Trace('key', 'driver-class', hive='HKLM', path=key))
        if '\\ENUM\\' in r.key.upper():
            m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='Mfg', vtype='sz', data='Morvane'))
            m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='Service', vtype='sz', data=r.argument))
            continue
        provider = providers[n % 3]
        if r.product == 0 and r.argument == 'VisionForce':
            provider = 'NVIDIA'
        section = r.argument.lower() if n % 5 == 0 else r.argument
        m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='ProviderName', vtype='sz', data=provider))
        m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='InfSection', vtype='sz', data=section))
        m.add(Trace('value', 'driver-class', hive='HKLM', path=key, name='DriverDesc', vtype='sz',
                    data='Morvane ' + r.argument))
        if provider == 'NVIDIA':
            add_cpl_extension(m, key, n)


def add_cpl_extension(m, key, n):
    handler = key + '\\shellex\\PropertySheetHandlers\\NVIDIA CPL Extension'
    clsid = guid(0x3000 + n)
    m.add(Trace('key', 'property-sheet', hive='HKLM', path=handler))
    m.add(Trace('value', 'property-sheet', hive='HKLM', path=handler, name='@', vtype='sz', data=clsid))
    m.add(Trace('key', 'property-sheet-class', hive='HKCR', path='CLSID\\' + clsid))


def add_devices(m, rules, ids):
    families = sorted({r.product for r in rules if r.meaning.search == 'kSearchPciDeviceScan'})
    video_n = [0x100]

    def video(description, intended=True):
        video_n[0] += 1
        g = guid(0x4000 + video_n[0])
        m.add(Trace('key', 'video', hive='HKLM', path=VIDEO + g, opts=['volatile'], intended=intended))
        m.add(Trace('key', 'video', hive='HKLM', path=VIDEO + g + '\\0000', opts=['volatile'], intended=intended))
        m.add(Trace('value', 'video', hive='HKLM', path=VIDEO + g + '\\0000', name='Device Description', vtype='sz',
                    data=description, intended=intended))
        return g

    for family in families:
        pci = [i for f, i in ids if f == family and not i.upper().startswith('USB\\')]
        for r in [x for x in rules if x.meaning.search == 'kSearchPciDeviceScan' and x.product == family]:
            chosen = pci if r.key.upper() == 'SYSTEM\\CURRENTCONTROLSET\\ENUM\\PCI' else pci[:1]
            for j, hw in enumerate(chosen):
                dev = r.key + '\\' + hw + '&REV_A%d' % (j % 4)
                inst = dev + '\\4&%08x&0&00%02d' % (0x1A2B3C00 + family * 64 + j, j)
                m.add(Trace('key', 'pci-device', hive='HKLM', path=dev))
                m.add(Trace('value', 'pci-device', hive='HKLM', path=inst, name='DeviceDesc', vtype='sz',
                            data='Morvane device ' + hw))
                if family == 0 and r.key.upper() == 'SYSTEM\\CURRENTCONTROLSET\\ENUM\\PCI':
                    description = ('Morvane VANTIRA VisionForce %d' % j) if j % 2 else ('VisionForce Adapter %d' % j)
                    g = video(description)
                    m.add(Trace('value', 'pci-device', hive='HKLM', path=inst + '\\Device Parameters', name='VideoID',
                                vtype='sz', data=g))
                    if j == 0:
                        m.add(Trace('value', 'pci-device', hive='HKLM', path=inst, name='ParentIdPrefix', vtype='sz',
                                    data='5&2b3c4d5e&0'))
                        # A second instance: only the first instance's VideoID counts.
                        other = video('Contoso Display Adapter', intended=False)
                        m.add(Trace('value', 'pci-device', hive='HKLM', path=dev + '\\4&ffffffff&0&0099\\Device Parameters',
                                    name='VideoID', vtype='sz', data=other))
    # Child devices of the first adapter and their driver keys.
    child = 'System\\CurrentControlSet\\Enum\\DISPLAY\\MVM0001\\5&2B3C4D5E&0&80861100'
    m.add(Trace('key', 'child-device', hive='HKLM', path=child))
    m.add(Trace('value', 'child-device', hive='HKLM', path=child, name='Driver', vtype='sz', data=MONITOR_CLASS + '\\0100'))
    m.add(Trace('key', 'child-device', hive='HKLM', path='System\\CurrentControlSet\\Control\\Class\\' + MONITOR_CLASS + '\\0100'))
    # Monitors in the older layout and their driver keys.
    hw0 = [i for f, i in ids if f == 0][0]
    mon = 'Enum\\Monitor\\Default_Monitor\\PCI_' + hw0 + '&REV_A1'
    m.add(Trace('key', 'monitor-device', hive='HKLM', path=mon))
    m.add(Trace('value', 'monitor-device', hive='HKLM', path=mon, name='Driver', vtype='sz', data='MONITOR\\0100'))
    m.add(Trace('key', 'monitor-device', hive='HKLM', path='System\\CurrentControlSet\\Services\\Class\\MONITOR\\0100'))
    # Video keys that only the description finds.
    video('NVIDIA GeForce VisionForce')
    video('Morvane VANTIRA Dual Head')


def add_scans(m, rules):
    for r in rules:
        if r.meaning.search == 'kSearchDllList':
            m.add(Trace('list', 'appinit', hive=r.hive, path=r.key, name=r.argument,
                        data='contoso.dll nvdesk32.dll fabrikam.dll', after='contoso.dll fabrikam.dll'))
        elif r.meaning.search == 'kSearchNamespaceScan':
            clsid = guid(0x5000)
            m.add(Trace('key', 'namespace', hive=r.hive, path=r.key + '\\' + clsid))
            m.add(Trace('value', 'namespace', hive=r.hive, path=r.key + '\\' + clsid, name='@', vtype='sz', data=r.argument))
            m.add(Trace('value', 'namespace', hive='HKLM',
                        path='Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved',
                        name=clsid, vtype='sz', data=r.argument))
            m.add(Trace('key', 'namespace', hive='HKCR', path='CLSID\\' + clsid))
            m.add(Trace('value', 'namespace', hive='HKCR', path='CLSID\\' + clsid + '\\InprocServer32', name='@',
                        vtype='sz', data='%SYSTEM%\\vfdesk32.dll'))
        elif r.meaning.search == 'kSearchInterfaceScan':
            cls = r.key.split('\\')[-1]
            n = r.index
            iface = r.key + '\\##?#PCI#VEN_1E7A&DEV_%04X#4&%08x&0&0010#%s' % (0x7100 + n, 0x2C3D4E00 + n, cls)
            m.add(Trace('key', 'interface', hive='HKLM', path=iface + '\\#GLOBAL'))
            m.add(Trace('value', 'interface', hive='HKLM', path=iface + '\\#GLOBAL\\Device Parameters', name='FriendlyName',
                        vtype='sz', data=r.argument))


def add_file_rules(m, rows, services):
    seen = set()
    held = False
    for product, disabled, folder, file in rows:
        ident = (folder.upper(), file.upper())
        first = ident not in seen
        seen.add(ident)
        if disabled or not first or not (folder.startswith('%') and folder.endswith('%')) or folder == '%INTERNET%':
            continue
        name = file.split('@')[0]
        path = folder + '\\' + name
        leaf = name.split('\\')[-1]
        if folder.startswith('%PROGRAM_MENU') and '.' not in leaf:
            m.add(Trace('folder', 'start-menu', path=path))
            m.add(Trace('file', 'start-menu', path=path + '\\' + leaf + '.lnk'))
            m.add(Trace('file', 'start-menu', path=path + '\\Uninstall ' + leaf + '.lnk'))
            continue
        category = {'.lnk': 'shortcut', '.inf': 'inf-file', '.pnf': 'inf-file', '.hlp': 'help', '.chm': 'help',
                    '.cnt': 'help'}.get(os.path.splitext(leaf.lower())[1], 'file')
        opts = []
        if not held and product == 7 and folder == '%SYSTEM%' and '@' not in file:
            opts, held = ['inuse'], True
            category = 'in-use-file'
        m.add(Trace('file', category, path=path, opts=opts))
        if '@' in file:
            service = file.split('@', 1)[1]
            product_, binary, sname = services[service.upper()]
            m.add(Trace('service', 'service', name=sname, kernel=binary.lower().endswith('.sys'), data=binary))


def add_inf_packages(m, rows):
    for i, (product, conditions) in enumerate(rows):
        sections = {}
        for section, key, value in conditions:
            sections.setdefault(section, []).append((key, value))
        text = '[Version]\\nSignature="$Windows NT$"\\n'
        for key, value in sections.get('Version', []):
            text += '%s=%s\\n' % (key, value)
        for section in sections:
            if section == 'Version':
                continue
            text += '[%s]\\n' % section
            for key, value in sections[section]:
                text += '%s="%s"\\n' % (key, value)
        name = '%%INF%%\\oem%d' % (100 + i)
        m.add(Trace('file', 'inf-package', path=name + '.inf', opts=['text=' + text]))
        if i != len(rows) - 1:   # the last package lost its precompiled file
            m.add(Trace('file', 'inf-package', path=name + '.pnf'))


def add_locks(m):
    """Two keys whose DACL refuses the user: a trace key itself, and a subkey inside one."""
    uninstall = next(t for t in m.traces if t.type == 'key' and t.category == 'uninstall' and t.hive == 'HKLM')
    uninstall.opts.append(LOCK_SDDL)
    # The value inside first: once the key is locked, nothing can be created below it.
    m.add(Trace('value', 'locked', hive='HKLM', path='Software\\Morvane\\MorvaneTV\\Registration\\Serial', name='@',
                vtype='sz', data='MTV-0000-0000', intended=None))
    m.add(Trace('key', 'locked', hive='HKLM', path='Software\\Morvane\\MorvaneTV\\Registration', opts=[LOCK_SDDL],
                intended=None))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument('--src', default=os.path.join(here, '..', '..', 'src'))
    parser.add_argument('--out', default=here)
    args = parser.parse_args()

    rules = tables.registry_rules(args.src)
    ids = tables.hardware_ids(args.src)
    file_rows = tables.file_rules(args.src)
    inf_rows = tables.inf_rules(args.src)
    install_rows = tables.install_folders(args.src)
    services = service_files(file_rows)

    m = Machine()
    add_registry_rules(m, rules, services)
    notes = add_install_folders(m, install_rows)
    add_file_references(m, rules, install_rows, notes)
    add_class_instances(m, rules)
    add_devices(m, rules, ids)
    add_scans(m, rules)
    add_file_rules(m, file_rows, services)
    add_inf_packages(m, inf_rows)
    add_locks(m)

    survivors = Machine.read(os.path.join(args.out, 'survivors.txt'))
    problems = simulate.assign_finders(m, survivors, rules, ids, file_rows, inf_rows, install_rows)
    for p in problems:
        print('make_description: ' + p, file=sys.stderr)
    with open(os.path.join(args.out, 'traces.txt'), 'w', encoding='latin-1', newline='\n') as f:
        f.write('# Generated by make_description.py from the rule tables; do not edit by hand.\n')
        f.write('# FINDERS\tCATEGORY\tTYPE\tTARGET\t...\n')
        for t in m.traces:
            f.write(t.line() + '\n')
    print('make_description: %d traces, %d survivors checked' % (len(m.traces), len(survivors.traces)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
