# Writes the INI corpus of the differential test: for each case NAME.ini
# (its exact bytes) and NAME.reads (the reads to make), and cases.txt.
# Usage: python3 make_ini_corpus.py tests/ini
import os, sys
out = sys.argv[1]
os.makedirs(out, exist_ok=True)

def J(s):
    return s.encode('cp932')

def esc(b):
    if isinstance(b, str):
        b = b.encode('cp932')
    if b == b'':
        return '\\e'
    r = ''
    for c in b:
        if c == 0x20: r += '\\s'
        elif c == 0x09: r += '\\t'
        elif c == 0x5c: r += '\\\\'
        elif 0x20 < c < 0x7f and c != ord('#'): r += chr(c)
        else: r += '\\x%02X' % c
    return r

cases = []
def case(name, data, reads, comment=''):
    cases.append((name, data, reads, comment))

def S(sec, key, size=259, default='NO_DATA'):
    return 'string %d %s %s %s' % (size, esc(sec), esc(key), esc(default))
def P(sec, size=32767):
    return 'section %d %s' % (size, esc(sec))

def outesc(data):
    r = ''
    for c in data:
        if c == 0: r += '\\0'
        elif 0x20 < c < 0x7f and c != 0x5c: r += chr(c)
        else: r += '\\x%02X' % c
    return r
def X(read, ret, data, reason):
    if isinstance(data, str): data = data.encode('cp932')
    return (read, "ret=%d data=%s" % (ret, outesc(data)), reason)
BOM = 'Windows does not recognise a UTF-8 byte-order mark: it is text in front of the first header, which then is no header; Wine skips it'
NOCLOSE = 'a header needs no closing bracket: the name runs to the end of the line (Windows); Wine takes the line for no header'
FIRSTCLOSE = 'the section name ends at the first closing bracket (Windows); Wine takes the last one'
QFIT = 'a quoted value that just fits loses its quotes and nothing else (Windows documentation); Wine also drops its last character'
CUT = 'a value that does not fit is cut to size - 1 bytes, also inside a double-byte character (Windows documentation); Wine leaves the last byte unwritten'
crlf = lambda lines: b''.join((l if isinstance(l, bytes) else J(l)) + b'\r\n' for l in lines)

case('basic', crlf(['[UPDATER]', 'NAME=Sample Updater', 'PROC=CHECK, BRANCH', '', '[CHECK]', 'MODE=EXIST', 'FILE=<AppDir>\\sample.exe']),
     [S('UPDATER','NAME'), S('UPDATER','PROC'), S('CHECK','MODE'), S('CHECK','FILE'), S('CHECK','NAME'), S('NOPE','MODE'), P('UPDATER'), P('CHECK'), P('NOPE')],
     'A plain script: keys, a missing key, a missing section, section reads.')
case('case-insensitive', crlf(['[UpDater]', 'Name=x', 'proc=a,b', '[define]', '<A>=1']),
     [S('UPDATER','NAME'), S('updater','name'), S('UPDATER','PROC'), S('uPdAtEr','pRoC'), P('DEFINE'), P('Define')],
     'Section and key names match without regard to ASCII case.')
case('blanks-around-names', crlf(['  [s]', 'k1  =  v1', '   k2=v2   ', '\tk3\t=\tv3\t', ' \t k4 \t = \t v 4 \t ']),
     [S('s','k1'), S('s','k2'), S('s','k3'), S('s','k4'), P('s')],
     'Spaces and tabs around keys and values are removed; inner blanks stay.')
case('blanks-in-header', crlf(['[ a ]', 'k=1', '[\tb\t]', 'k=2', '[c]  trailing text', 'k=3', '  [d]', 'k=4', '[e f]', 'k=5']),
     [S('a','k'), S(' a ','k'), S('b','k'), S('c','k'), S('d','k'), S('e f','k'), S('e  f','k'), P('a'), P('c')],
     'Blanks inside the brackets, text after the closing bracket.')
case('quotes-double', crlf(['[s]', 'a="value"', 'b="two words"', 'c= "spaced" ', 'd=" inner blanks "', 'e=""']),
     [S('s','a'), S('s','b'), S('s','c'), S('s','d'), S('s','e'), P('s')],
     'One pair of double quotes around a value is removed.')
case('quotes-single', crlf(['[s]', "a='value'", "b='two words'", "c= 'spaced' ", "d=' inner '", "e=''"]),
     [S('s','a'), S('s','b'), S('s','c'), S('s','d'), S('s','e'), P('s')],
     'One pair of single quotes around a value is removed.')
case('quotes-mismatched', crlf(['[s]', 'a="value\'', "b='value\"", 'c="', "d='", 'e="x', 'f=x"', "g='x", "h=x'"]),
     [S('s',k) for k in 'abcdefgh'] + [P('s')],
     'Quotes that do not pair are kept.')
case('quotes-inner', crlf(['[s]', 'a=a"b"c', 'b=""v""', 'c="a"b"', 'd="a" "b"', "e='a'b'", 'f=x "y"', 'g="x" y']),
     [S('s',k) for k in 'abcdefg'] + [P('s')],
     'Quotes inside a value, and pairs that do not enclose all of it.')
case('quotes-in-names', crlf(['["q"]', 'k=1', '[s]', '"k"=2', "'j'=3"]),
     [S('"q"','k'), S('q','k'), S('s','"k"'), S('s','k'), S('s',"'j'"), S('s','j')],
     'Quotes around section and key names are part of the names.')
case('duplicate-keys', crlf(['[s]', 'k=first', 'k=second', 'K=third', 'j=', 'j=later']),
     [S('s','k'), S('s','K'), S('s','j'), P('s')],
     'The first of several equal keys is found.')
case('duplicate-sections', crlf(['[s]', 'a=1', 'c=first', '[t]', 'x=0', '[S]', 'a=2', 'b=3', 'c=second']),
     [S('s','a'), S('s','b'), S('s','c'), S('t','x'), P('s'), P('t')],
     'A section name that appears twice.')
case('key-without-equals', crlf(['[s]', 'name1=val1', 'name2=', 'name3', '  name4  ', 'name5=val5']),
     [S('s','name1'), S('s','name2'), S('s','name3'), S('s','name4'), S('s','name5'), P('s')],
     'Lines without "=" are not keys but are part of the section.')
case('equals-in-value', crlf(['[s]', 'a=b=c=d', 'b==v', 'c = = v', 'd=x=', 'e=="q"']),
     [S('s',k) for k in 'abcde'] + [P('s')],
     'Only the first "=" separates key and value.')
case('empty-values', crlf(['[s]', 'a=', 'b=   ', 'c=\t', 'd= "" ', 'e']),
     [S('s',k) for k in 'abcde'] + [S('s','a',default=''), S('s','f',default=''), P('s')],
     'Keys present with empty values differ from missing keys.')
case('empty-key', crlf(['[s]', '=v1', ' = v2', 'k=v3']),
     [S('s',''), S('s',' '), S('s','k'), P('s')],
     'A line whose key is empty.')
case('comments', crlf(['; leading comment', '[s]', ';comment', 'a=1', '  ; indented', ';b=2', '# hash', 'c=x ; not a comment', '\t;tab']),
     [S('s','a'), X(S('s',';b'), 7, b'NO_DATA\0', 'a line whose first character is ";" is a comment and names no key (Windows); Wine finds the key ";b"'), S('s','b'), S('s','# hash'), S('s','#'), S('s','c'), S('s',';comment'), P('s')],
     'Comment lines are returned by the section read; ";" after a value is text.')
case('comments-between-sections', crlf(['[DEFINE]', ';comment', '<A>=1', '<B>=2', ';[s]', 'x=1', '[s]', 'x=2']),
     [P('DEFINE'), S('s','x'), S('DEFINE','x')],
     'The DEFINE example: a comment and two symbol lines; a commented-out header.')
case('no-final-newline', J('[s]\r\na=1\r\nb=last'), [S('s','a'), S('s','b'), P('s')],
     'The last line has no line end.')
case('no-final-newline-header', J('[a]\r\nk=1\r\n[b]'), [S('a','k'), S('b','k'), P('a'), P('b')],
     'The last line is a header without a line end.')
case('cr-only', J('[section1]\rname1=val1\rname2="val2"\rname3\rname4=a\r[section2]\r'),
     [S('section1','name1'), S('section1','name2'), S('section1','name3'), S('section1','name4'), P('section1'), P('section2')],
     'Lines ended by CR alone.')
case('lf-only', J('[s]\na=1\nb=2\n[t]\nc=3\n'), [S('s','a'), S('s','b'), S('t','c'), P('s')],
     'Lines ended by LF alone.')
case('mixed-line-ends', J('[s]\r\na=1\nb=2\rc=3\r\r\nd=4\n\re=5\r\n'),
     [S('s',k) for k in 'abcde'] + [P('s')],
     'CR LF, LF, CR, CR CR LF and LF CR in one file.')
case('utf8-bom-header-first', b'\xef\xbb\xbf' + crlf(['[UPDATER]', 'NAME=n', '[s]', 'k=v']),
     [X(S('UPDATER','NAME'), 7, b'NO_DATA\0', BOM), S('s','k'), X(P('UPDATER'), 0, b'\0\0', BOM), P('s')],
     'A UTF-8 byte-order mark before the first header.')
case('utf8-bom-blank-first', b'\xef\xbb\xbf' + crlf(['', '[UPDATER]', 'NAME=n']),
     [S('UPDATER','NAME'), P('UPDATER')],
     'A UTF-8 byte-order mark on a line of its own.')
case('utf8-bom-key-first', b'\xef\xbb\xbf' + crlf(['k=0', '[s]', 'k=1']),
     [S('s','k'), P('s')],
     'A UTF-8 byte-order mark before a key outside any section.')
def u16(s, bom=b'\xff\xfe', enc='utf-16-le'):
    return bom + s.encode(enc)
case('utf16le', u16('[UPDATER]\r\nNAME=Unicode name\r\nPROC="A, B"\r\n[s]\r\nk = v \r\n'),
     [S('UPDATER','NAME'), S('UPDATER','PROC'), S('s','k'), P('UPDATER'), P('s')],
     'A UTF-16 file with its byte-order mark.')
case('utf16le-japanese', u16('[設定]\r\n名前=日本語の値\r\nkey=ｶﾀｶﾅ\r\n'),
     [S('設定','名前'), S('設定','key'), P('設定')],
     'A UTF-16 file with Japanese text, read in the ANSI code page.')
case('utf16le-unmappable', u16('[s]\r\na=caf\u00e9 \u20ac \u4e02\r\nb=\U0001F600\r\n'),
     [S('s','a'), S('s','b'), P('s')],
     'UTF-16 text that the ANSI code page cannot show.')
case('utf16be', u16('[s]\r\nk=v\r\n', b'\xfe\xff', 'utf-16-be'),
     [X(S('s','k'), 7, b'NO_DATA\0', 'Windows does not read big-endian UTF-16 files; Wine does')],
     'A big-endian UTF-16 file.')
case('utf16le-no-bom', '[s]\r\nk=v\r\n'.encode('utf-16-le'),
     [S('s','k'), P('s')],
     'UTF-16 without a byte-order mark is read as ANSI text.')
case('nul-bytes', b'[s]\r\na=x\x00y\r\nb=1\r\n\x00c=2\r\nd\x00=3\r\ne=4\r\n[t\x00u]\r\nf=5\r\n',
     [S('s',k) for k in 'abcde'] + [S('t','f'), S('t\x00u'[:1],'f'), P('s'), P('t')],
     'NUL bytes inside lines.')
case('nul-before-section', b'junk\x00junk\r\n[s]\r\nk=v\r\n', [S('s','k'), P('s')],
     'NUL bytes before the first section.')
case('sjis-names-values', crlf(['[設定]', '名前=日本語の値', 'キー = 「値」 ', '[UPDATER]', 'NAME=アップデーター']),
     [S('設定','名前'), S('設定','キー'), S('UPDATER','NAME'), P('設定'), P('UPDATER')],
     'Shift-JIS section names, keys and values.')
case('sjis-trail-brackets', crlf(['[ゾーン]', 'k=1', '[ゼロ]', 'k=2', '[ソフト]', 'k=3', '[表示]', 'k=4', '[ー]', 'k=5']),
     [S('ゾーン','k'), S('ゼロ','k'), S('ソフト','k'), S('表示','k'), S('ー','k'), S(J('ゾーン')[:1],'k'), P('ゾーン'), P('ゼロ')],
     'Shift-JIS characters whose second byte is "]", "[" or "\\".')
case('sjis-trail-letters', crlf(['[ア]', 'k=a', '[s]', 'ア=1', '帰=2']),
     [S('ア','k'), S('ヂ','k'), S('s','ア'), S('s','ヂ'), S('s','帰'), S('s','蟻')],
     'Names whose second bytes differ only in ASCII letter case are different names.')
case('sjis-fullwidth-case', crlf(['[ＡＢＣ]', 'ｋｅｙ=1', '[ΑΒΓ]', 'κ=2', '[АБВ]', 'д=3', '[Ⅳ]', 'k=4']),
     [S('ＡＢＣ','ｋｅｙ'), S('ａｂｃ','ＫＥＹ'), S('αβγ','Κ'), S('абв','Д'), S('ⅳ','k'), S('Ⅳ','k')],
     'Case of full-width Latin, Greek, Cyrillic letters and Roman numerals.')
case('sjis-ideographic-space', crlf(['[s]', 'a=\u3000v\u3000', '\u3000b\u3000=x', 'c="\u3000"', '[\u3000t\u3000]', 'k=1']),
     [S('s','a'), S('s','b'), S('s','c'), S('t','k'), P('s')],
     'The full-width space of Shift-JIS around values and names.')
case('sjis-fullwidth-quotes', crlf(['[s]', 'a=“v”', 'b=＂v＂', "c=’v’"]),
     [S('s',k) for k in 'abc'],
     'Full-width quotation marks are not quotes.')
case('sjis-halfwidth-kana', crlf(['[ｱｯﾌﾟ]', 'ｷｰ=ｶﾅ', 'k=ﾌ']),
     [S('ｱｯﾌﾟ','ｷｰ'), S('ｱｯﾌﾟ','k'), P('ｱｯﾌﾟ')],
     'Single-byte katakana.')
case('sjis-invalid-bytes', b'[s]\r\na=\x80x\r\nb=\xa0y\r\nc=\xfdz\r\nd=end\x81\r\ne=\x81=q\r\nf\x81=r\r\n[t\x81]\r\nk=1\r\n',
     [S('s',k) for k in 'abcde'] + [S('s',b'f\x81'), S(b't\x81','k'), S('t','k'), X(P('s'), 34, b'a=\x80x\0b=\xA0y\0c=\xFDz\0d=end\x81E\0e=\x81Eq\0f\x81Er\0\0', NOCLOSE)],
     'Bytes outside Shift-JIS and lead bytes without a valid second byte.')
v = lambda n: ''.join(chr(ord('a') + i % 26) for i in range(n))
case('long-values', crlf(['[s]', 'v257=' + v(257), 'v258=' + v(258), 'v259=' + v(259), 'v260=' + v(260), 'v300=' + v(300), 'q258="' + v(258) + '"', 'q259="' + v(259) + '"', 'b258=  ' + v(258) + '  ']),
     [S('s',k) for k in ['v257','v258','v259','v260','v300']] + [X(S('s','q258'), 258, v(258) + '\0', QFIT)] + [S('s',k) for k in ['q259','b258']] + [S('s','v300', 260), S('s','v300', 258), S('s','v258',260)],
     'Values near and past 258 bytes read with a 259-byte buffer.')
kanji = '漢字' * 80
case('long-values-sjis', crlf(['[s]', 'a=' + kanji, 'b=x' + kanji, 'c=' + 'ｶ' * 300]),
     [S('s','a'), X(S('s','b'), 258, J('x' + kanji)[:258] + b'\0', CUT), S('s','c'), X(S('s','a',4), 3, b'\x8A\xBF\x8E\0', CUT), S('s','b',4), S('s','a',3), X(S('s','b',3), 2, b'x\x8A\0', CUT), X(S('s','a',2), 1, b'\x8A\0', CUT)],
     'Cutting a Shift-JIS value where a double-byte character straddles the end.')
case('long-line', crlf(['[s]', 'k=' + v(40000), 'after=1', v(50000), 'x=2']),
     [S('s','k'), S('s','after'), S('s','x'), S('s','k', 40010), P('s', 200)],
     'Lines far longer than any buffer.')
case('long-names', crlf(['[' + v(300) + ']', v(300) + '=long key', 'k=1']),
     [S(v(300), v(300)), S(v(300), 'k'), S(v(300), v(299))],
     'Section and key names of 300 bytes.')
big = ['k%05d=%s' % (i, v(40)) for i in range(800)]
case('section-over-32k', crlf(['[DEFINE]'] + big + ['[next]', 'k=1']),
     [P('DEFINE'), P('DEFINE', 1000), S('DEFINE','k00799'), S('next','k')],
     'A section of more than 32,767 bytes read with a 32,767-byte buffer.')
case('section-fit', crlf(['[s]', 'ab=cd', 'ef']),
     [X(P('s', 1), 0, b'\0', 'Wine writes a second NUL past the end of a 1-byte buffer')] + [P('s', n) for n in [2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]],
     'A section read with buffers around its exact size (10 bytes with both NULs).')
case('string-sizes', crlf(['[s]', 'k=val1', 'e=']),
     [S('s','k',n) for n in [0, 1, 2, 4, 5, 6, 7]] + [S('s','e',n) for n in [0, 1, 2]] + [S('s','x',n) for n in [0, 1, 2, 4, 8]],
     'String reads with buffers of 0 to 7 bytes, for values and defaults.')
case('missing-file', None,
     [S('UPDATER','NAME'), S('s','k',259,''), P('DEFINE')],
     'The file does not exist: every key is missing.')
case('empty-file', b'', [S('s','k'), P('s')], 'An empty file.')
case('header-only', crlf(['[s]']), [S('s','k'), P('s'), S('s','', 259)], 'A section without lines.')
case('empty-section-name', crlf(['[]', 'k=in empty', '[s]', 'k=1']),
     [X(S('','k'), 8, b'in empty\0', 'the header [] names the section with the empty name (Windows); Wine finds no such section'), S('s','k')],
     'A section with the empty name.')
case('keys-before-first-section', crlf(['k=before', '; c', '[s]', 'k=1']),
     [X(S('','k'), 7, b'NO_DATA\0', 'lines before the first header belong to no section (Windows); Wine puts them in a section with the empty name'), S('s','k')],
     'Lines before the first header belong to no named section.')
case('header-malformed', crlf(['[open', 'a=1', '[s]', 'b=2', '[x]y]', 'c=3', '[[n]]', 'd=4', ' [ ]', 'e=5', '[s2] ; c', 'f=6']),
     [X(S('open','a'), 1, b'1\0', NOCLOSE), S('[open','a'), S('s','a'), S('s','b'), X(S('x','c'), 1, b'3\0', FIRSTCLOSE), X(S('x]y','c'), 7, b'NO_DATA\0', FIRSTCLOSE), X(S('[n','d'), 1, b'4\0', FIRSTCLOSE), X(S('[n]','d'), 7, b'NO_DATA\0', FIRSTCLOSE), X(S('','e'), 1, b'5\0', '"[ ]" names the section with the empty name (Windows); Wine finds no such section'), S('s2','f'), P('s'), X(P('x'), 4, b'c=3\0\0', FIRSTCLOSE)],
     'Headers without a closing bracket, with several brackets, empty.')
case('default-value', crlf(['[s]', 'k=v']),
     [S('s','x',259,'def  '), S('s','x',259,'  def'), S('s','x',259,'\tdef\t'), S('s','x',259,'"def"'), S('s','x',259,'a b  '), S('s','x',259,''), X(S('s','x',259,'   '), 0, b'\0', 'every trailing blank of the default is removed (Windows documentation); Wine keeps the first character of an all-blank default'), S('s','x',4,'default')],
     'The default: trailing blanks removed, nothing else.')
case('query-blanks', crlf(['[s]', 'k=v']),
     [S(' s','k'), S('s ','k'), S('s',' k'), S('s','k '), X(S('\ts','k'), 7, b'NO_DATA\0', 'only spaces around a requested name are ignored, not tabs (Windows); Wine also ignores tabs'), P(' s'), P('s ')],
     'Section and key names asked for with blanks around them.')
case('tabs-inside', crlf(['[s]', 'a=x\ty', 'b\tc=z', 'd=\t"q"\t']),
     [S('s','a'), S('s','b\tc'), S('s','d'), P('s')],
     'Tabs inside values and names.')
case('other-whitespace', b'[s]\r\na=\x0bv\x0b\r\nb=\x0cv\x0c\r\n\x0bc=1\r\n',
     [S('s','a'), S('s','b'), S('s','c'), X(S('s','\x0bc'), 7, b'NO_DATA\0', 'only spaces around a requested name are ignored, not vertical tabs (Windows); Wine also ignores them'), P('s')],
     'Vertical tab and form feed are not trimmed like blanks (or are they).')
case('blank-lines-in-section', crlf(['[s]', '', 'a=1', '   ', '\t', 'b=2', '']),
     [P('s'), S('s','b')],
     'Blank lines inside a section.')
case('section-read-dup', crlf(['[s]', 'a=1', '[t]', 'x', '[s]', 'b=2']),
     [P('s'), P('t')],
     'A section read when the section appears twice.')
case('section-read-truncation', crlf(['[s]', 'name1=val1', 'name2=', 'name3', 'name4=val4', '[section2]', '[section3]', '=val5']),
     [P('s', 24), P('s', 100), P('section2', 100), P('section3', 100), P('s', 11), P('s', 12), P('s', 17), P('s', 18)],
     'Section reads cut inside and at the end of a line.')
many = []
for i in range(500):
    many += ['[P%03d]' % i, 'MODE=EXIST', 'FILE=<Src>\\file%03d.txt' % i]
case('many-sections', crlf(['[UPDATER]', 'NAME=n', 'PROC=' + ','.join('P%03d' % i for i in range(500))] + many),
     [S('UPDATER','PROC', 259), S('P000','FILE'), S('P499','MODE'), S('P499','FILE'), S('p250','file'), P('P499')],
     'A script of 500 procedures.')
case('value-case-kept', crlf(['[s]', 'k=MiXeD Case', 'n=no_data', 'm=NO_DATA']),
     [S('s','k'), S('s','n'), S('s','m')],
     'Values keep their case; NO_DATA is returned as written.')
case('space-before-equals-only', crlf(['[s]', 'k =', 'j= ', ' =', '=']),
     [S('s','k'), S('s','j'), S('s',''), P('s')],
     'Keys with nothing after the "=".')
case('section-value-blanks', crlf(['[s]', '  key  =  value  ', 'k2="quoted"', "k3= 'q' ", 'nokey   ', '  ;  comment  ', '\t\tx\t=\ty\t']),
     [P('s')],
     'How a section read returns lines with blanks and quotes.')

case('quotes-truncation', crlf(['[s]', 'q="abcdef"', "r='abcdef'", 'u="abcdef', 'w=abcdef"', 'b=  "ab"  ']),
     [S('s', k, n) for k in 'qruwb' for n in [1, 2, 4, 6, 9] ] + [X(S('s','q',7), 6, b'abcdef\0', QFIT), X(S('s','r',7), 6, b'abcdef\0', QFIT), X(S('s','b',3), 2, b'ab\0', QFIT)],
     'Quoted values read with small buffers: quotes go first, then the value is cut.')
case('empty-keys-repeated', crlf(['[a]', ' =x', '[b]', '=a', '=b', '[c]', 'k=1', ' =y', '=z', 'k=2']),
     [P('a'), P('b'), P('c'), S('b',''), S('c','')],
     'Several lines with an empty key in one section.')
case('ctrl-z-and-controls', b'[s]\r\n\x1ak\x1a=\x1av\x1a\r\n\x01j\x01=\x01w\x01\r\n\x1a;c=1\r\n\x0b;d=2\r\n[\x0ct\x0c]\r\nk=1\r\n',
     [S('s','k'), S('s','\x01j'), S('s','j'), P('s'), S('t','k')],
     'Ctrl-Z counts as a blank; other control characters are text.')
case('sjis-duplicate-codes', b'[s]\r\na=\xee\xfc\r\nb=\x87\x9a\r\nc=\xfa\x5b\r\nd=\xee\xef\r\ne=\xfa\x4a\r\nf=\x85\x40\r\ng=\xf0\x40\r\n[\xed\x40]\r\nk=1\r\n',
     [S('s',k) for k in 'abcdefg'] + [S(b'\xfa\x5c','k'), S(b'\xed\x40','k'), P('s')],
     'Characters with two codes come back in the code Windows prefers; codes without a character as the mark 81 45.')
case('nul-and-blanks', b'[s]\r\ng= x \x00 y \r\nh=\x00 y\r\n',
     [S('s','g'), S('s','h'), P('s')],
     'A NUL byte ends a value after its blanks are removed.')
case('lead-byte-at-end', b'[s]\r\nk=\x81', [S('s','k'), P('s')],
     'A lead byte that ends the file.')

import shutil
names = []
for name, data, reads, comment in cases:
    names.append(name)
    if data is not None:
        with open(os.path.join(out, name + '.ini'), 'wb') as f:
            f.write(data)
    with open(os.path.join(out, name + '.reads'), 'w', newline='\n') as f:
        f.write('# ' + comment + '\n')
        for r in reads:
            if isinstance(r, tuple):
                f.write('expect ' + r[1] + '\n')
                f.write('because ' + r[2] + '\n')
                r = r[0]
            f.write(r + '\n')
print(len(cases))
with open(os.path.join(out, 'cases.txt'), 'w') as f:
    f.write('\n'.join(names) + '\n')
