"""Reads envsweep's built-in rule tables from their C++ sources (one row per line)."""
import collections
import os
import re

TOKEN = re.compile(r'"((?:[^"\\]|\\.)*)"|\b(NULL)\b|(-?\d+)|\b([A-Za-z_]\w*)\b')


def unescape(text):
    """C string escapes; octal and hex escapes give bytes (code page 932 text), kept as latin-1 characters."""
    def one(m):
        e = m.group(1)
        if e[0] in '01234567':
            return chr(int(e, 8))
        if e[0] == 'x':
            return chr(int(e[1:], 16))
        return {'n': '\n', 't': '\t'}.get(e, e)
    return re.sub(r'\\([0-7]{1,3}|x[0-9A-Fa-f]{1,2}|.)', one, text)


def row_tokens(code):
    out = []
    for m in TOKEN.finditer(code):
        if m.group(1) is not None:
            out.append(unescape(m.group(1)))
        elif m.group(2):
            out.append(None)
        elif m.group(3):
            out.append(int(m.group(3)))
        else:
            out.append(m.group(4))
    return out


def rows(path):
    """The table rows of a source file: lines that start with "{" and a number, up to the last "}"."""
    with open(path, encoding='utf-8') as f:
        for line in f:
            s = line.strip()
            if re.match(r'^\{+\s*-?\d', s):
                yield row_tokens(s[:s.rindex('}') + 1])


# A row of kRegistryKinds; search, restricted and removal are the enumerators' names
# (kSearchPlainLookup, ...), as the program's switches dispatch on them.
Kind = collections.namedtuple('Kind', 'kind name search restricted removal removes_key scan_depth')


def registry_kinds(src):
    """The kind rows, and the end row that answers for every kind outside the table."""
    kinds = [Kind(*t) for t in rows(os.path.join(src, 'tables/registry_kinds.cpp'))]
    return {k.kind: k for k in kinds if k.name is not None}, kinds[-1]


def hive_short_names(src):
    """C++ root name -> the short name the descriptions use, from the platform's hive table."""
    with open(os.path.join(src, 'platform/hive_names.cpp'), encoding='utf-8') as f:
        return dict(re.findall(r'^\s*\{(HKEY_\w+),\s*"\w+",\s*"(\w+)"', f.read(), re.M))


# A row of kRegistryRules; meaning is its kind's row of kRegistryKinds.
Rule = collections.namedtuple('Rule', 'index product kind hive key argument tag meaning')


def registry_rules(src):
    kinds, other = registry_kinds(src)
    names = {k.name: k.kind for k in kinds.values()}
    hives = hive_short_names(src)
    out = []
    for t in rows(os.path.join(src, 'tables/registry_rules.cpp')):
        product, kind, hive, key, argument, tag = t
        if key is None:
            break
        kind = names[kind] if isinstance(kind, str) else kind
        out.append(Rule(len(out), product, kind, hives[hive], key, argument, tag, kinds.get(kind, other)))
    return out


def hardware_ids(src):
    out = []
    for t in rows(os.path.join(src, 'tables/hardware_ids.cpp')):
        if not t[1]:
            break
        out.append((t[0], t[1]))
    return out


def file_rules(src):
    out = []
    for t in rows(os.path.join(src, 'tables/file_rules.cpp')):
        product, disabled, folder, file = t
        if file is None:
            break
        out.append((product, disabled, folder, file))
    return out


def inf_rules(src):
    out = []
    for t in rows(os.path.join(src, 'tables/inf_rules.cpp')):
        slots = [t[i:i + 4] for i in range(0, 16, 4)]
        if not slots[0][1]:
            break
        conditions = []
        for product, section, key, value in slots:
            if not section:
                break
            conditions.append((section, key, value))
        out.append((slots[0][0], conditions))
    return out


def install_folders(src):
    out = []
    for t in rows(os.path.join(src, 'tables/install_folder_table.cpp')):
        product, key, value, folder, sub = t
        if not key:
            break
        out.append((product, key, value, folder, sub))
    return out
