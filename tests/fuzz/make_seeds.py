#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/.

  profile_fuzzer     the INI files of tests/ini with one value read and one
                     section read of each (the names from its .reads file)
  textstring_fuzzer  short operation sequences on lists, paths, command
                     lines and groups
  expand_fuzzer      symbol tables and values: symbols, application
                     lookups, ".." steps, and a script's DEFINE section
  script_fuzzer      the example script and the scripts of the end-to-end
                     scenarios, with their answers on the steering line

Seeds are small (at most a few kilobytes each) and named after what they
come from, so that rerunning the script gives the same files.

    python3 tests/fuzz/make_seeds.py
"""
import os
import re
import struct
import sys
import tomllib

here = os.path.dirname(os.path.abspath(__file__))
tests = os.path.dirname(here)
root = os.path.dirname(tests)
corpus = os.path.join(here, 'corpus')
MAX_SEED = 6000


def write(target, name, data):
    folder = os.path.join(corpus, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def unescape(text):
    """The names of tests/ini/*.reads: \\s space, \\t tab, \\\\, \\xNN, \\e empty."""
    if text == '\\e':
        return b''
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            n = text[i + 1]
            if n == 's':
                out += b' '; i += 2; continue
            if n == 't':
                out += b'\t'; i += 2; continue
            if n == '\\':
                out += b'\\'; i += 2; continue
            if n == 'x':
                out.append(int(text[i + 2:i + 4], 16)); i += 4; continue
        out += c.encode('latin-1')
        i += 1
    return bytes(out)


def profile_seeds():
    ini = os.path.join(tests, 'ini')
    for name in sorted(os.listdir(ini)):
        if not name.endswith('.ini'):
            continue
        stem = name[:-4]
        with open(os.path.join(ini, name), 'rb') as f:
            data = f.read()
        if len(data) > MAX_SEED:
            continue
        reads = os.path.join(ini, stem + '.reads')
        string = section = None
        if os.path.exists(reads):
            for line in open(reads, encoding='ascii'):
                parts = line.split()
                if parts and parts[0] == 'string' and len(parts) == 5 and string is None:
                    string = parts
                if parts and parts[0] == 'section' and len(parts) == 3 and section is None:
                    section = parts
        string = string or ['string', '259', 'UPDATER', 'NAME', 'NO_DATA']
        section_size = int(section[1]) if section else 32767
        header = struct.pack('<BHH', 0, int(string[1]), section_size)
        names = b'\0'.join(unescape(p) for p in string[2:5]) + b'\0'
        write('profile_fuzzer', stem, header + names + data)


# textstring_fuzzer operations (see textstring_fuzzer.cpp): an operation
# byte, a byte choosing the strings, then the operands.
def text(s, limit=15):
    b = s.encode('latin-1')
    assert len(b) <= limit
    return bytes([len(b)]) + b


def textstring_seeds():
    ASSIGN, APPEND, CONCAT, OWN, STRETCH, REPLACE = 0, 1, 4, 5, 6, 7
    SUB, RSUB, TRIM, RALL, COUNT, FORMAT, SPAN, HEAP, HEAPOFF = 9, 10, 11, 12, 13, 14, 15, 20, 21
    WORDS, ITEMS, GROUPS = 0, 1, 2
    COMMA, BACKSLASH, DOT, EQUALS, LF = 0, 1, 2, 3, 4
    ANGLE, BRACE = 0, 1
    seeds = {
        'list': bytes([ASSIGN, 0]) + text('a, b ,c,,d') +
                bytes([STRETCH, 0, ITEMS, COMMA, 9, 1]) +
                bytes([REPLACE, 0, ITEMS, COMMA, 8 + 1, 0, 8 + 3, 1]) + text('XY') +
                bytes([COUNT, 0, COMMA, TRIM, 0, 1, 9]),
        'path': bytes([ASSIGN, 0]) + text('C:\\a\\b\\..\\c.exe', 40) +
                bytes([STRETCH, 0, ITEMS, BACKSLASH, 7, 1]) +
                bytes([REPLACE, 0, ITEMS, DOT, 7, 1, 1]) + text('ini') +
                bytes([COUNT, 0, 13]),
        'words': bytes([ASSIGN, 0]) + text('"My Setup" /q  x', 40) +
                 bytes([STRETCH, 0, WORDS, 8, 1, TRIM, 0, 1, 10]) +
                 bytes([REPLACE, 0, WORDS, 9, 0, 8 + 2, 1]) + text('"a b"'),
        'groups': bytes([ASSIGN, 0]) + text('<Win>\\x\\<<Sys>>{?App\\a{b}c}', 40) +
                  bytes([STRETCH, 0, GROUPS, ANGLE, 8, 1]) +
                  bytes([REPLACE, 0, GROUPS, BRACE, 8, 1, 1]) + text('C:\\Tools') +
                  bytes([STRETCH, 4, GROUPS, ANGLE, 7, 1]),
        'replace-all': bytes([ASSIGN, 1]) + text('a%nb%n%t%n', 40) +
                       bytes([RALL, 1, 11, 0]) + text('\n', 6) +
                       bytes([RALL, 1, 12, 1, 9]) +
                       bytes([ASSIGN, 2]) + text('aaaa') + bytes([RALL, 2, 14, 1, 14]),
        'indices': bytes([ASSIGN, 3]) + text('abcdef') +
                   bytes([SUB, 3, 0, 8, 10, SUB, 3, 0, 5, 7, SUB, 3, 8, 0, 3, RSUB, 3, 0, 9, 10]) + text('XY') +
                   bytes([SPAN, 3, 1, 2, 0]) + text('!') + bytes([SPAN, 3, 0, 0, 1]),
        'own-text': bytes([ASSIGN, 0]) + text('abc,def') + bytes([OWN, 0, 2, 0, OWN, 0, 1, 1, OWN, 0, 3, 2]) +
                    bytes([CONCAT, 0, APPEND, 5]) + text('xyz'),
        'formats': bytes([ASSIGN, 4]) + text('C:\\dir') +
                   bytes([FORMAT, 1]) + text('file.txt', 40) + bytes([0, 0, 0, 0]) +
                   bytes([FORMAT, 1]) + text('0123456789abcdef0123456789', 40) + bytes([60, 0, 0, 2]) +
                   bytes([FORMAT, 0]) + text('') + bytes([0, 0, 0, 4]),
        'heap': bytes([ASSIGN, 0]) + text('a,b,c') + bytes([HEAP, 0, 3]) +
                bytes([REPLACE, 0, ITEMS, COMMA, 9, 1, 1]) + text('long replacemen') +
                bytes([APPEND, 0]) + text('more') + bytes([HEAPOFF, 0]) +
                bytes([REPLACE, 0, ITEMS, COMMA, 9, 1, 1]) + text('x'),
    }
    for name, data in seeds.items():
        write('textstring_fuzzer', name, data)


def expand_seeds():
    direct = [
        ('symbols', b'<A>=C:\\x\n<B>=<A>\\y\n<Win>=C:\\WINDOWS', b'<B>\\z|<win>\\a|<Nothing>\\x|<<Win>>'),
        ('table-order', b'<B>=<A>\\b\n<A>=<Src>\\a\n<Src>=C:\\Apps\\Tool', b'<B>\\x <A> <Src>\\..\\data'),
        ('app-paths', b'', b'{?App\\tool.exe}|{?AppPath\\tool.exe}\\data|{?app\\deep.exe}|{?Other\\x}|{?AppPath\\deep.exe}\\..\\lib'),
        ('parent-dirs', b'', b'C:\\a\\b\\..\\..\\c'),
        ('parent-dirs-list', b'', b'C:\\..\\x,a\\..\\b,C:\\a\\..\\..\\..\\d'),
        ('no-equals', b'<Win>\n<Opt>=a=b\n=empty', b'<Win>\\x <Opt> <>'),
    ]
    for name, entries, value in direct:
        # flags: direct table, table expanded; count byte: the line count.
        write('expand_fuzzer', name, bytes([4]) + entries + b'\0' + bytes([0x40]) + bytes([1]) +
              b'<New>\0C:\\new\0' + value)
    with open(os.path.join(root, 'examples', 'updater.ini'), 'rb') as f:
        example = f.read()
    define = re.search(rb'\[DEFINE\]\r?\n(.*?)(?=\r?\n\[|\Z)', example, re.S).group(1)
    write('expand_fuzzer', 'loaded-example', bytes([1]) + b'C:\\Tools\\Setup.exe\0' + define + b'\0' +
          bytes([0]) + b'<App>\\docs\\..\\sample.txt|<New>|<Desktop>|<Programs>')
    # DEFINE lines that each use the line before twice, and many short
    # lines that all use the last one.
    doubling = b'\r\n'.join([b'<A0>=x\\y'] + [b'<A%d>=<A%d><A%d>\\..' % (i, i - 1, i - 1) for i in range(1, 24)])
    write('expand_fuzzer', 'loaded-doubling', bytes([1]) + b'\0' + doubling + b'\0' + bytes([0]) + b'<A23>\\..\\<A5>')
    many = b'\r\n'.join(b'<a%d>=<Last>\\x' % i for i in range(300)) + b'\r\n<Last>=C:\\L'
    write('expand_fuzzer', 'loaded-many-lines', bytes([1]) + b'\0' + many + b'\0' + bytes([0]) + b'<a0>|<a299>')
    write('expand_fuzzer', 'loaded-95', bytes([3]) + b'\0<D>=<Desktop>\\x\r\n;c\r\n<P>=<Programs>\0' +
          bytes([0]) + b'<D>|<P>|<Sys>')


def script_seeds():
    with open(os.path.join(root, 'examples', 'updater.ini'), 'rb') as f:
        write('script_fuzzer', 'example', b';@6\r\n' + f.read())
    answer = {'yes': '6', 'no': '7', 'ok': '1', 'y': '6', 'n': '7', '': ''}
    scenarios = os.path.join(tests, 'e2e', 'scenarios')
    for name in sorted(os.listdir(scenarios)):
        path = os.path.join(scenarios, name, 'scenario.toml')
        if not os.path.exists(path):
            continue
        with open(path, 'rb') as f:
            scenario = tomllib.load(f)
        script = scenario.get('script')
        if not script:
            continue
        # Placeholders of the editions become the host's folders.
        script = script.replace('{src}', 'C:\\Setup').replace('{exe}', '.exe')
        script = re.sub(r'\{(win|sys|desktop|programs)\}', lambda m: {
            'win': 'C:\\WINDOWS', 'sys': 'C:\\WINDOWS\\system32',
            'desktop': 'C:\\Users\\Public\\Desktop',
            'programs': 'C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs'}[m.group(1)], script)
        steering = ''.join(answer.get(a.strip().lower(), '') for a in scenario.get('answers', []))
        if scenario.get('family') == '95':
            steering += '//95'
        data = (';@' + steering + '\r\n' + script.replace('\r\n', '\n').replace('\n', '\r\n')).encode('cp932')
        if len(data) <= MAX_SEED:
            write('script_fuzzer', name, data)


    # The same two tables as a script's DEFINE section.
    script = ['[UPDATER]', 'NAME=<A20>', 'PROC=SHOW', '[DEFINE]', '<A0>=x\\y']
    script += ['<A%d>=<A%d><A%d>' % (i, i - 1, i - 1) for i in range(1, 24)]
    script += ['<a%d>=<A3>\\..' % i for i in range(100)]
    script += ['[SHOW]', 'MODE=MSGBOX', 'FLAG=', 'TYPE=INFORMATION', 'TEXT=<a99>|<A23>|<a0>', 'ISABORT=0']
    write('script_fuzzer', 'large-define', ('\r\n'.join(script) + '\r\n').encode('ascii'))


def main():
    for target in ('profile_fuzzer', 'textstring_fuzzer', 'expand_fuzzer', 'script_fuzzer'):
        folder = os.path.join(corpus, target)
        if os.path.isdir(folder):
            for name in os.listdir(folder):
                os.remove(os.path.join(folder, name))
    profile_seeds()
    textstring_seeds()
    expand_seeds()
    script_seeds()
    return 0


if __name__ == '__main__':
    sys.exit(main())
