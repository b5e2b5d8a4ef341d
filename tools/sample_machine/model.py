"""The sample machine's traces as the generator builds them, and their description lines."""

MACROS = [('%OTHER%', '%WINDOWS%\\INF\\OTHER'), ('%INF%', '%WINDOWS%\\INF'), ('%HELP%', '%WINDOWS%\\HELP'),
          ('%DRIVERS%', '%SYSTEM%\\DRIVERS'), ('%SYSTEM%', '%WINDOWS%\\SYSTEM32')]


def norm(path):
    """A path or value name in one spelling, whatever macro it was written with."""
    p = path.upper()
    for macro, value in MACROS:
        p = p.replace(macro, value)
    return p


def canon(hive, path):
    """Where a key stands: HKEY_CLASSES_ROOT is HKLM\\Software\\Classes."""
    if hive == 'HKCR':
        return ('HKLM\\SOFTWARE\\CLASSES\\' + path).upper()
    return (hive + '\\' + path).upper()


def guid(n):
    return '{%08X-4D56-11D0-A0B0-00A0C9%06X}' % (0x1E7A0000 + n, n)


class Trace:
    def __init__(self, type_, category, hive='', path='', name='', vtype='', data='', after='', opts=None,
                 kernel=False, intended=True):
        self.type, self.category, self.hive, self.path, self.name = type_, category, hive, path, name
        self.vtype, self.data, self.after, self.opts, self.kernel = vtype, data, after, list(opts or []), kernel
        self.intended = intended
        self.finders = []

    def location(self):
        if self.type == 'key':
            return ('K', canon(self.hive, self.path))
        if self.type in ('value', 'list'):
            return ('V', canon(self.hive, self.path), '' if self.name == '@' else norm(self.name))
        if self.type == 'service':
            return ('K', 'HKLM\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\' + self.name.upper())
        return ('P', norm(self.path))

    def line(self):
        finders = ','.join(self.finders) if self.finders else '-'
        head = finders + '\t' + self.category + '\t' + self.type + '\t'
        if self.type == 'key':
            return head + '\t'.join([self.hive + '\\' + self.path] + self.opts)
        if self.type == 'value':
            return head + '\t'.join([self.hive + '\\' + self.path, self.name, self.vtype, self.data])
        if self.type == 'list':
            return head + '\t'.join([self.hive + '\\' + self.path, self.name, self.data, self.after])
        if self.type == 'service':
            return head + '\t'.join([self.name, 'kernel' if self.kernel else 'own', self.data])
        return head + '\t'.join([self.path] + self.opts)


class Machine:
    def __init__(self):
        self.traces = []
        self.where = {}

    def add(self, trace):
        loc = trace.location()
        if loc in self.where:
            return self.where[loc]
        self.where[loc] = trace
        self.traces.append(trace)
        return trace

    @staticmethod
    def read(path):
        """Reads a hand-written part of the description (survivors: every finder field "-")."""
        m = Machine()
        with open(path, encoding='latin-1') as f:
            for line in f:
                line = line.rstrip('\r\n')
                if not line or line.startswith('#'):
                    continue
                fld = line.split('\t')
                kind, cat = fld[2], fld[1]
                intended = False if fld[0] == '-' else None
                if kind in ('key', 'value', 'list'):
                    hive, key = fld[3].split('\\', 1)
                if kind == 'key':
                    t = Trace('key', cat, hive=hive, path=key, opts=fld[4:], intended=intended)
                elif kind == 'value':
                    t = Trace('value', cat, hive=hive, path=key, name=fld[4], vtype=fld[5], data=fld[6], intended=intended)
                elif kind == 'list':
                    t = Trace('list', cat, hive=hive, path=key, name=fld[4], data=fld[5], after=fld[6], intended=intended)
                elif kind == 'service':
                    t = Trace('service', cat, name=fld[3], kernel=fld[4] == 'kernel', data=fld[5], intended=intended)
                else:
                    t = Trace(kind, cat, path=fld[3], opts=fld[4:], intended=intended)
                m.add(t)
        return m
