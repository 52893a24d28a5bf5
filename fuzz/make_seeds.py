#!/usr/bin/env python3
"""Writes a small seed corpus for every fuzz target into the folder given (one subfolder each)."""
import os
import struct
import sys

SALAM = "سلام"
ALI = "علی"


def cp1256(text):
    # The page lacks the Persian yeh and keheh; files carry the Arabic letters.
    return text.replace("\u06cc", "\u064a").replace("\u06a9", "\u0643").encode("cp1256")


def codepage_seeds():
    # The first byte indexes the target's page list: 34 = 1256, 3 = 720, 54 = 65001,
    # 26 = 1200, 39 = 12000, 22 = 936, 2 = 500.
    yield "cp1256", bytes([34]) + cp1256(SALAM) + b"\r\n\xed\xff"
    yield "cp720", bytes([3]) + b"\x98\xa0\xe1 \xb0\xdb"
    yield "utf8", bytes([54]) + (SALAM + " x \U0001F600").encode() + b"\xc0\xaf\xed\xa0\x80\xf4"
    yield "utf16", bytes([26]) + (ALI + "\U0001F600").encode("utf-16-le") + b"\x00\xd8\x41"
    yield "utf32", bytes([39]) + "ab\U0001F600".encode("utf-32-le") + b"\x00\x00\x11\x00\x01"
    yield "cp936", bytes([22]) + "中文".encode("gbk") + b"\x81"
    yield "ebcdic", bytes([2]) + "ABC 123\n".encode("cp500")


def textfile_seeds():
    # Header: page index, flags, accepted line ends, tiny buffer size.
    yield "cp1256", bytes([2, 0, 0, 5]) + cp1256(SALAM + "\r\n" + ALI + "\n\rx\ry")
    yield "utf8mark", bytes([0, 0, 0, 1]) + b"\xef\xbb\xbf" + "a,b\r\n".encode() * 3
    yield "utf16", bytes([5, 4, 0, 0]) + b"\xff\xfe" + "a\r\nb\u2028c\n".encode("utf-16-le") + b"\x41"
    yield "utf16be", bytes([6, 0, 0, 9]) + "x\ry\r\n".encode("utf-16-be")
    yield "utf32", bytes([7, 0, 32, 3]) + "p\r\nq\n".encode("utf-32-le") + b"\x0d\x00"
    yield "crlf-only", bytes([1, 0x80, 4, 7]) + b"a\rb\nc\r\nd\n\re"
    yield "ebcdic", bytes([9, 0, 0, 2]) + "L1\nL2\n".encode("cp500")
    # UTF-16 whose first CR LF lies just inside, or just past, the 64 KiB that tell whether
    # the file ends its lines with CR LF.
    for name, pad in (("utf16-crlf-inside", 32764), ("utf16-crlf-past", 32767)):
        yield name, bytes([5, 0, 0, 11]) + b"\xff\xfe" + ("a\nb" + "x" * (pad - 3) + "\r\nc\nd").encode("utf-16-le")


def ascii_seeds():
    # Header: separator, quote, encoding, skip, then two bytes per column of the map.
    yield "csv", bytes([0, 0, 25, 1, 0, 0, 1, 0, 2, 0, 3, 0]) + \
        ("Code,Name\r\n1,\"" + ALI + ", x\"\r\n2,\"say \"\"hi\"\"\"\r\n").encode()
    yield "tab", bytes([2, 2, 9, 0, 0, 0, 1, 0, 5, 0, 2, 0]) + \
        cp1256("a\tb\t\tc\n\n  \n" + SALAM + "\td\n")
    yield "fixed", bytes([5, 0, 0, 0, 0, 3, 3, 5, 8, 2, 100, 100]) + b"abc12345\tzz\r\nshort\r\n"
    yield "utf16", bytes([1, 1, 26, 0, 0, 0, 1, 0, 2, 0, 3, 0]) + b"\xff\xfe" + \
        "'x;y';z\n1;2;3".encode("utf-16-le")
    yield "quote-sep", bytes([6, 0, 3, 0, 0, 0, 1, 0, 2, 0, 3, 0]) + b'a"b""c"\n"\n'


TEMPLATE = """[BASE]
FileName=/data/in.txt
CommitRecCount=2
ImportRecCount=0
ImportMode=0
GridCaptionRow=-1
GridStartRow=-1
[MAP]
0=1
1=2
2=3
[BASE_FORMATS]
DecimalSeparator=.
ThousandSeparator=,
ShortDateFormat=yyyy/mm/dd
[BOOLEAN_TRUE]
Yes=
[NULL_VALUES]
-=
[DATA_FORMATS_1]
GeneratorValue=5
GeneratorStep=2
ConstantValue=
NullValue=" "
DefaultValue=x
LeftQuote="
RightQuote="
QuoteAction=2
CharCase=3
CharSet=1
[REPLACEMENTS_1_0]
TextToFind=ي
ReplaceWith=ی
IgnoreCase=1
[ASCII_OPTIONS]
SkipLines=1
Encoding=25
Comma=#9
Quote="
"""


def template_seeds():
    yield "plain", TEMPLATE.encode()
    yield "with-rows", TEMPLATE.encode() + b"\0" + ("h\th\th\n1\t" + ALI + "\t-\n2\tb\tc\n").encode()
    yield "update", b"[BASE]\nImportMode=3\nGridStartRow=0\n[KeyColumns]\n0=\n[MAP]\n0=1\n1=2\n" \
        b"[ASCII_OPTIONS]\nComma=,\n\0k,1\nk,2\nj,3\n"
    yield "fixed", b"[MAP]\n0=0;2\n1=2;40\n[ASCII_OPTIONS]\nComma=#0\n\0ab\tcdef\n"


def ini_seeds():
    yield "basic", ("; comment\n[Section]\nkey=value\n\"  spaced key \"=\" v \"\n"
                    "Num=0x1F\nB=true\n\n[other]\nk='q'\n[SECTION]\nKEY=dup\n").encode()
    yield "cp1256", cp1256("[بخش]\nکلید=مقدار\n")
    yield "bom-crlf", b"\xef\xbb\xbf[a]\r\nx=1\r\ny = 2 \r\n#c\r\n"
    yield "odd", b"[unclosed\n=v\n\"k=\"=w\n'a'b=c\nno equals\n[]\n[ x ]\nz=$ff\n"


def clipboard_seeds():
    yield "rows", "1\t123\t5000\r\n2\t456\t7000\r\n".encode("utf-16-le")
    yield "cr", "a\rb\r\rc\t\td".encode("utf-16-le")
    yield "persian", (ALI + "\t۱۲۳\n").encode("utf-16-le")


def _compound(streams):
    """A version 3 compound file of the streams (each padded to regular sectors)."""
    end, free, fatsect, nostream = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFF
    fat, data = [fatsect, end], b""
    starts = []
    for _, body in streams:
        body = body.ljust(max(len(body), 4096), b"\0")
        count = (len(body) + 511) // 512
        first = len(fat)
        starts.append((first, len(body)))
        fat += list(range(first + 1, first + count)) + [end]
        data += body.ljust(count * 512, b"\0")
    assert len(fat) <= 128

    def entry(name, kind, right, child, start, size):
        raw = name.encode("utf-16-le") + b"\0\0"
        return (raw.ljust(64, b"\0") + struct.pack("<HBB3I", len(raw), kind, 1, nostream, right,
                                                  child) + b"\0" * 36
                + struct.pack("<IQ", start, size))

    directory = entry("Root Entry", 5, nostream, 1, end, 0)
    for i, (name, _) in enumerate(streams):
        right = i + 2 if i + 1 < len(streams) else nostream
        directory += entry(name, 2, right, nostream, *starts[i])
    directory = directory.ljust(512, b"\0")
    header = (b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\0" * 16
              + struct.pack("<HHHHH6xIIIIIIIII", 0x3E, 3, 0xFFFE, 9, 6, 0, 1, 1, 0, 4096, end,
                            0, end, 0)
              + struct.pack("<109I", 0, *([free] * 108)))
    fatsector = struct.pack("<128I", *(fat + [free] * (128 - len(fat))))
    return header + fatsector + directory + data


def zip_seeds():
    import io
    import zipfile

    def archive(members, method=zipfile.ZIP_DEFLATED):
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w", method) as z:
            for name, data in members:
                z.writestr(name, data)
        return buf.getvalue()

    yield "xlsx-like", archive([("[Content_Types].xml", "<Types/>"),
                                ("xl/workbook.xml", "<workbook/>"),
                                ("xl/worksheets/sheet1.xml", "<row r='1'/>" * 50)])
    yield "stored", archive([("a.txt", "x" * 100), ("dir/", "")], zipfile.ZIP_STORED)
    yield "unsafe", archive([("../up.txt", "no")])
    yield "zeros", archive([("big.xml", b"\0" * 200000)])
    # A document saved with a password: a compound file holding the encrypted package.
    yield "encrypted-package", _compound([("EncryptionInfo", b"\x04\x00\x04\x00" + b"i" * 200),
                                          ("EncryptedPackage", b"p" * 5000)])


def xlsx_seeds():
    main = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
    pkg = 'xmlns="http://schemas.openxmlformats.org/package/2006/relationships"'
    book = ('<workbook %s %s><workbookPr date1904="1"/><sheets><sheet name="S" sheetId="1" '
            'r:id="rId1"/><sheet name="H" sheetId="2" r:id="R2" state="hidden"/></sheets>'
            '</workbook>' % (main, rel))
    rels = ('<Relationships %s><Relationship Id="rId1" Type="x/worksheet" '
            'Target="worksheets/sheet1.xml"/><Relationship Id="R2" Type="x/worksheet" '
            'Target="/xl/worksheets/sheet2.xml"/><Relationship Id="s" Type="x/sharedStrings" '
            'Target="sharedStrings.xml"/><Relationship Id="t" Type="x/styles" '
            'Target="styles.xml"/></Relationships>' % pkg)
    sheet = ('<worksheet %s><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1">'
             '<v>45000</v></c><c t="inlineStr"><is><t>x</t></is></c></row><row><c><v>1.5E3</v>'
             '</c><c r="C2" t="b"><v>1</v></c></row></sheetData><mergeCells><mergeCell '
             'ref="A1:B3"/></mergeCells></worksheet>' % main)
    strings = '<sst %s><si><t>%s</t></si><si><r><t>a</t></r></si></sst>' % (main, ALI)
    styles = ('<styleSheet %s><numFmts><numFmt numFmtId="165" formatCode="yyyy-mm-dd"/>'
              '</numFmts><cellXfs><xf numFmtId="0"/><xf numFmtId="165"/></cellXfs></styleSheet>'
              % main)
    # The target joins the parts with NUL bytes in this order.
    yield "book", "\0".join([book, rels, sheet, sheet, strings, styles]).encode()
    package = ('<Relationships %s><Relationship Id="rId1" Type="x/officeDocument" '
               'Target="xl/workbook.xml"/></Relationships>' % pkg)
    yield "package", "\0".join([book, rels, sheet, sheet, strings, styles, package]).encode()


def xlsx_import_seeds():
    # First byte: the member replaced (of 8) and the options; the member follows.
    main = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    sheet = ('<worksheet %s><sheetData><row r="2"><c r="A2" t="s"><v>1</v></c><c r="C2">'
             '<v>7</v></c></row></sheetData><mergeCells><mergeCell ref="A2:C5"/></mergeCells>'
             '</worksheet>' % main)
    yield "sheet", bytes([4 | 0x10]) + sheet.encode()
    yield "strings", bytes([6]) + ('<sst %s><si><t>%s</t></si></sst>' % (main, ALI)).encode()
    yield "styles", bytes([7]) + ('<styleSheet %s><cellXfs><xf numFmtId="14"/></cellXfs>'
                                  '</styleSheet>' % main).encode()


def docx_seeds():
    w = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
    cell = '<w:tc><w:tcPr>%s</w:tcPr><w:p><w:r><w:t>%s</w:t><w:tab/></w:r></w:p></w:tc>'
    body = ('<w:tbl><w:tr>' + cell % ('<w:gridSpan w:val="2"/>', ALI) +
            cell % ('<w:vMerge w:val="restart"/>', 'b') + '</w:tr><w:tr>' +
            cell % ('', 'c') + cell % ('<w:vMerge/>', '') +
            '<w:tc><w:tbl><w:tr><w:tc><w:p><w:hyperlink><w:r><w:t>in</w:t></w:r></w:hyperlink>'
            '</w:p></w:tc></w:tr></w:tbl></w:tc></w:tr></w:tbl>')
    document = '<w:document %s><w:body>%s</w:body></w:document>' % (w, body)
    rels = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
            'relationships/officeDocument" Target="/word/document.xml"/></Relationships>')
    # The target takes the relationships, a NUL byte, then the main part.
    yield "tables", ("\0" + document).encode()
    yield "related", (rels + "\0" + document).encode()


def opendocument_seeds():
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')
    rows = ('<table:table table:name="T"><table:table-row table:number-rows-repeated="2">'
            '<table:table-cell table:number-columns-repeated="2"><text:p>a<text:s text:c="2"/>'
            '</text:p></table:table-cell><table:table-cell table:number-columns-spanned="2" '
            'table:number-rows-spanned="2" office:value-type="float" office:value="12">'
            '<text:p>12</text:p></table:table-cell><table:covered-table-cell/></table:table-row>'
            '<table:table-row><table:table-cell><table:table table:is-sub-table="true">'
            '<table:table-row><table:table-cell><text:p>s</text:p></table:table-cell>'
            '</table:table-row></table:table></table:table-cell></table:table-row>'
            '<table:table-row table:number-rows-repeated="1048570"><table:table-cell '
            'table:number-columns-repeated="1024"/></table:table-row></table:table>')
    document = ('<office:document-content %s><office:body><office:spreadsheet>%s'
                '</office:spreadsheet></office:body></office:document-content>' % (ns, rows))
    yield "tables", document.encode()
    # The target takes the settings part after a NUL byte.
    settings = ('<office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:'
                'office:1.0" xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0">'
                '<office:settings><config:config-item-set><config:config-item-map-indexed>'
                '<config:config-item-map-entry><config:config-item-map-named config:name='
                '"Tables"><config:config-item-map-entry config:name="T"/><config:config-item-'
                'map-entry config:name="U"/></config:config-item-map-named></config:config-item-'
                'map-entry></config:config-item-map-indexed></config:config-item-set>'
                '</office:settings></office:document-settings>')
    # Rows past a preview are skipped by scanning: a prefix of the document's own, markup
    # hidden in comments, CDATA, instructions and values, tables nested and cut short.
    tb = ns.replace('xmlns:table=', 'xmlns:tb=')
    many = ''.join('<tb:table-row><tb:table-cell office:value-type="string" tb:formula="a>b">'
                   '<text:p>r%d</text:p></tb:table-cell></tb:table-row>' % i for i in range(8))
    skipped = ('<office:document-content %s><office:body><office:spreadsheet>'
               '<tb:table tb:name="A">%s<!-- <tb:table tb:name="no"> --><tb:table-row>'
               '<tb:table-cell><text:p><![CDATA[</tb:table>]]></text:p><tb:table tb:name="in">'
               '%s</tb:table></tb:table-cell></tb:table-row><?pi </tb:table>?></tb:table>'
               '<tb:table tb:name="sub" tb:is-sub-table="true">%s</tb:table><tb:table '
               'tb:name="B"/><tb:table tb:name="C">%s</tb:table></office:spreadsheet>'
               '</office:body></office:document-content>' % (tb, many, many, many, many))
    yield "skipped", skipped.encode()
    # And the manifest after another NUL: one that says the content is encrypted.
    manifest = ('<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:'
                'manifest:1.0"><manifest:file-entry manifest:full-path="/" manifest:media-type='
                '"application/vnd.oasis.opendocument.spreadsheet"/><manifest:file-entry '
                'manifest:full-path="content.xml" manifest:media-type="text/xml">'
                '<manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum='
                '"AA=="><manifest:algorithm manifest:algorithm-name="Blowfish CFB"/>'
                '</manifest:encryption-data></manifest:file-entry></manifest:manifest>')
    yield "encrypted", (document + "\0" + settings + "\0" + manifest).encode()
    yield "named", (document.replace('</office:spreadsheet>', '<table:table table:name="U">'
                                     '<table:table-row><table:table-cell><text:p>u</text:p>'
                                     '</table:table-cell></table:table-row></table:table>'
                                     '</office:spreadsheet>') + "\0" + settings).encode()


def xmldoc_seeds():
    yield "attributes", ("/list/p\n<?xml version='1.0'?><list><p id='1' name='%s'>t</p>"
                         "<p id='2'/></list>" % ALI).encode()
    yield "namespaces", b"//ns0:a|//b\n<ns0:r xmlns:ns0='urn:y' xmlns='urn:d'><ns0:a v='2'/><b>x</b></ns0:r>"
    yield "subnodes", b"//row[acc>1]\n<r><row><acc>12</acc><amt>5</amt></row><row><acc/></row></r>"


def html_seeds():
    yield "tables", ("<html><head><meta charset=utf-8></head><body><table><thead><tr><th>نام"
                     "</th></tr></thead><tr><td>" + ALI + "<br>x&nbsp;</td><td><table><tr><td>in"
                     "</td></tr></table></td></tr><tfoot><tr><td>f</td></tr></tfoot></table>"
                     ).encode()
    yield "cp1256", b"<META CHARSET=windows-1256><table><tr><td>" + cp1256(SALAM) + b"<td>x"
    yield "utf16", b"\xff\xfe" + "<table><tr><td>a</td></tr></table>".encode("utf-16-le")
    yield "pre", b"<table><tr><td><pre>a  b\n c</pre><p>p</p><script>s</script></td></tr></table>"


def xmlscan_seeds():
    # Byte 0: the encoding (low two bits), the attribute and name limits and the piece size.
    yield "tags", b"\x00<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e 'x'>]><r a='1' b=\"2>\">" \
        b"<!-- <c d='1'/> --><![CDATA[<e f='1'/>]]><?pi data?><n1/><n2 x=1 y /></r>"
    yield "many", b"\xff<r>" + b"".join(b"<e%d a%d='1'/>" % (i, i) for i in range(40)) + b"</r>"
    yield "utf16", b"\x02" + "<r a='1'><s b='2'/></r>".encode("utf-16-le")
    yield "html", b"\x41<table border><tr><td nowrap class=x>a<td>b</table>"


def dbf_table(version, fields, records, deleted=()):
    length = 1 + sum(f[2] for f in fields)
    header_length = 32 + 32 * len(fields) + 1 + (263 if version == 0x30 else 0)
    out = bytearray(32)
    out[0] = version
    out[4:8] = len(records).to_bytes(4, "little")
    out[8:10] = header_length.to_bytes(2, "little")
    out[10:12] = length.to_bytes(2, "little")
    for name, kind, size in fields:
        d = bytearray(32)
        d[0:len(name)] = name
        d[11] = ord(kind)
        d[16] = size
        out += d
    out += b"\x0d" + bytes(header_length - len(out) - 1)
    for i, rec in enumerate(records):
        out += b"*" if i in deleted else b" "
        for (name, kind, size), value in zip(fields, rec):
            out += value[:size].ljust(size, b" ")
    return bytes(out + b"\x1a")


def dbf_seed(flags, table, memo=b""):
    return bytes([flags]) + len(table).to_bytes(4, "little") + table + memo


def dbf_seeds():
    iii = dbf_table(0x83, [(b"NAME", "C", 10), (b"NOTE", "M", 10), (b"BORN", "D", 8)],
                    [[cp1256(ALI), b"         1", b"20010203"], [b"x", b"         0", b"        "]],
                    deleted={1})
    yield "dbase3", dbf_seed(0, iii, bytes(512) + b"memo text\x8d\n" * 80 + b"\x1a\x1a")
    iv_memo = bytearray(512)
    iv_memo[20] = 64
    iv_memo += b"\xff\xff\x08\x00" + (8 + 5).to_bytes(4, "little") + b"hello"
    iv = dbf_table(0x8B, [(b"NOTE", "M", 10), (b"N", "N", 6)], [[b"         8", b"  12.5"]])
    yield "dbase4", dbf_seed(0x20, iv, bytes(iv_memo))
    fpt = bytearray(512)
    fpt[7] = 64
    fpt += (1).to_bytes(4, "big") + (3).to_bytes(4, "big") + b"fox"
    fpt += bytes(64 - 11) + (0).to_bytes(4, "big") + (2).to_bytes(4, "big") + b"pi"
    vfp = dbf_table(0x30, [(b"NAME", "C", 8), (b"CNT", "I", 4), (b"PRICE", "Y", 8),
                           (b"WHEN", "T", 8), (b"RATE", "B", 8), (b"NOTE", "M", 4)],
                    [[b"a", b"\x05\x00\x00\x00", (123400).to_bytes(8, "little"),
                      (2458000).to_bytes(4, "little") + (3600000).to_bytes(4, "little"),
                      b"\x00\x00\x00\x00\x00\x00\xf4\x3f", (8).to_bytes(4, "little")],
                     [b"b", b"\xff\xff\xff\xff", bytes(8), bytes(8), bytes(8), (9).to_bytes(4, "little")]])
    yield "vfp", dbf_seed(0x05, vfp, bytes(fpt))
    yield "empty", dbf_seed(3, b"")


def xmlpacket_seeds():
    head = b'<?xml version="1.0" standalone="yes"?>\n'
    meta = (b'<METADATA><FIELDS><FIELD attrname="Code" fieldtype="i4"/>'
            b'<FIELD attrname="Name" fieldtype="string" WIDTH="40"/></FIELDS></METADATA>')
    rows = ('<ROW Code="1" Name="%s"/><ROW Code="&lt;&#1587;" A="x"/>' % ALI).encode()
    yield "packet", b"\x00" + head + b"<DATAPACKET>" + meta + b"<ROWDATA>" + rows + b"</ROWDATA></DATAPACKET>"
    yield "ansi", b"\x01" + head + b"<DATAPACKET><ROWDATA><ROW Name=\"" + cp1256(SALAM) + b"\"/></ROWDATA></DATAPACKET>"
    yield "mismatch", b"\x02" + head + b"<DATAPACKET><ROWDATA><ROW Code=\"1\"></ROWDATA></DATAPACKET>"
    yield "dtd", b"\x00" + head + b'<!DOCTYPE DATAPACKET [<!ENTITY e "ent">]><DATAPACKET><ROWDATA><ROW x="&e;"/></ROWDATA></DATAPACKET>'


def _rec(rid, data):
    return struct.pack("<HH", rid, len(data)) + data


def _str(text, short=False):
    wide = any(ord(c) > 255 for c in text)
    body = text.encode("utf-16-le") if wide else text.encode("latin-1")
    return struct.pack("<B" if short else "<H", len(text)) + bytes([1 if wide else 0]) + body


def _cell(rid, row, col, xf, data):
    return _rec(rid, struct.pack("<HHH", row, col, xf) + data)


def _workbook(globals_records, sheets):
    """Globals then the sheets, each BOUNDSHEET pointing at its sheet's BOF."""
    bof = lambda kind: _rec(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))
    eof = _rec(0x000A, b"")
    bound = lambda off, name, kind: _rec(0x0085, struct.pack("<IBB", off, 0, kind) + _str(name, True))
    size = len(bof(5)) + len(globals_records) + len(eof) + sum(len(bound(0, n, 0)) for n, _, _ in sheets)
    bounds, body = b"", b""
    for name, kind, records in sheets:
        bounds += bound(size + len(body), name, 2 if kind == 0x20 else 0)
        body += bof(kind) + records + eof
    return bof(5) + globals_records + bounds + eof + body


def _xlwt_file(rows):
    """A workbook written by xlwt (Debian's, run by /usr/bin/python3); None when it is missing."""
    import subprocess
    import tempfile
    here = os.path.dirname(os.path.abspath(__file__))
    script = os.path.join(here, "..", "tests", "data", "xls", "make_workbook.py")
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "book.xls")
        try:
            subprocess.run(["/usr/bin/python3", script, out, str(rows)], check=True,
                           stdout=subprocess.DEVNULL)
        except (OSError, subprocess.CalledProcessError):
            return None
        with open(out, "rb") as f:
            return f.read()


def xls_seeds():
    formats = (_rec(0x041E, struct.pack("<H", 164) + _str("yyyy-mm-dd")) +
               b"".join(_rec(0x00E0, struct.pack("<HH", 0, f) + bytes(16)) for f in (0, 14, 164)))
    strings = ["first", SALAM, "caf\xe9"]
    sst = _rec(0x00FC, struct.pack("<II", 3, 3) + b"".join(_str(t) for t in strings))
    # A string cut by a CONTINUE record, going on in 16-bit characters.
    split = _rec(0x00FC, struct.pack("<II", 1, 1) + struct.pack("<HB", 6, 0) + b"abc") + \
        _rec(0x003C, b"\x01" + ALI.encode("utf-16-le"))
    cells = (_cell(0x0203, 0, 0, 1, struct.pack("<d", 45366)) +
             _cell(0x027E, 0, 1, 0, struct.pack("<I", (12345 << 2) | 3)) +
             _cell(0x00FD, 1, 0, 0, struct.pack("<I", 1)) +
             _cell(0x0204, 1, 1, 0, _str(ALI)) +
             _cell(0x0205, 2, 0, 0, b"\x01\x00") + _cell(0x0205, 2, 1, 0, b"\x07\x01") +
             _rec(0x00BD, struct.pack("<HH", 3, 1) + struct.pack("<HI", 0, 8) * 4 + struct.pack("<H", 4)))
    formula = (_cell(0x0006, 4, 0, 0, struct.pack("<BBBBHH", 0, 0, 0, 0, 0, 0xFFFF) +
                     struct.pack("<HIH", 0, 0, 2) + b"\xff\xff") +
               _rec(0x0221, bytes(14)) + _rec(0x0207, _str("result")))
    chart = _rec(0x0203, bytes(14))
    yield "cells", _workbook(formats + sst, [("Data", 0x10, cells + formula)])
    yield "chart-first", _workbook(formats + sst + _rec(0x0022, b"\x01\x00"),
                                   [("Chart", 0x20, chart), ("Data", 0x10, cells)])
    yield "continue", _workbook(split, [("S", 0x10, _cell(0x00FD, 0, 0, 0, struct.pack("<I", 0)))])
    yield "encrypted", _workbook(_rec(0x002F, bytes(54)) + sst, [("S", 0x10, cells)])
    for rows in (3, 40):
        data = _xlwt_file(rows)
        if data:
            yield "xlwt-%d" % rows, data


def compoundfile_seeds():
    for rows in (0, 3, 40):
        data = _xlwt_file(rows)
        if data:
            yield "xlwt-%d" % rows, data


def wizard_template_seeds():
    yield "formats", (
        "[BASE_FORMATS]\nDecimalSeparator=#9\nThousandSeparator=\" \"\nShortDateFormat= d=m \n"
        "[BOOLEAN_TRUE]\nyes=\n\" ok \"=\n[NULL_VALUES]\n[DATA_FORMATS_NAME]\nNullValue=''\n"
        "DefaultValue=-\nQuoteAction=1\nCharCase=4\n[DATA_FORMATS_CODE]\nGeneratorValue=5\n"
        "GeneratorStep=-2\n[REPLACEMENTS_TAX_CODE_0]\nTextToFind=a=b\nReplaceWith=\"c\"\n"
        "IgnoreCase=1\n[REPLACEMENTS_TAX_CODE_1]\nTextToFind=a=b\nReplaceWith=\"c\"\n"
        "IgnoreCase=1\n").encode()
    yield "last", (
        "[LAST_STEP]\nCommitAfterDone=1\nCommitRecCount=50\nImportRecCount=0\n"
        "EnableErrorLog=1\nErrorLogFileName= logs/e.log \nShowErrorLog=0\nImportMode=5\n"
        "AddType=0\n[KeyColumns]\nname=\n" + "\u0645\u0628\u0644\u063a" + "=\n").encode()
    yield "fixed-width", (
        "[TXT_MAP]\nCode=0;4\nNAME=4;\n" + "\u0645\u0628\u0644\u063a" + "=x;-3\nTax_Code=12\n"
        "[ASCII_OPTIONS]\nSkipLines=2\nEncoding=63\n").encode()


def maprange_seeds():
    yield "runs", "A1-A9;a9-a1;[Sheet2]B-COLFINISH;[:2]1-ROWSTART".encode()
    yield "open-ends", "COLSTART-A9;COLFINISH-A1;ROWSTART-H1;ROWFINISH-A1;H1-ROWSTART".encode()
    yield "cells", "b2;B3;B4;C4;[حقوق]D5;IV65536".encode()
    yield "bad", "A1-B2;A1 B2;IW1;A99999999999;[A/B]A1".encode()


def _frame(kind, payload):
    return kind + struct.pack("<I", len(payload)) + payload


def _wstr(text):
    data = text.encode("utf-8")
    return struct.pack("<I", len(data)) + data


def accesswire_seeds():
    """Streams as the Access reading helper sends them: table names, or columns, count, rows."""
    tables = _frame(b"D", b"\x01" + struct.pack("<I", 2) + _wstr("Orders") + _wstr("کارکنان"))
    cols = [(0, 50, "Name"), (3, 0, "Id"), (4, 0, "Rate"), (6, 0, "Paid"), (8, 0, "When"),
            (10, 0, "Pic")]
    columns = _frame(b"C", struct.pack("<I", len(cols)) +
                     b"".join(struct.pack("<Bi", k, n) + _wstr(name) for k, n, name in cols))
    row = (b"\x01" + _wstr("علی") + b"\x02" + struct.pack("<q", -42) +
           b"\x03" + struct.pack("<d", 0.2) + b"\x04\x01" +
           b"\x05" + struct.pack("<qi", 2459580, 3723000) + b"\x06" + struct.pack("<I", 4) +
           b"\x15\x1c\x00\xff")
    nulls = b"\x00" * len(cols)
    rows = (columns + _frame(b"N", struct.pack("<q", 2)) + _frame(b"R", row) +
            _frame(b"R", nulls) + _frame(b"E", b""))
    error = _frame(b"X", _wstr("The table T is not in the database"))
    counting = (columns + _frame(b"P", struct.pack("<q", 1000)) +
                _frame(b"P", struct.pack("<q", 2000)) + _frame(b"N", struct.pack("<q", 1)) +
                _frame(b"R", nulls) + _frame(b"E", b""))
    return [("tables", tables), ("rows", rows), ("error", columns + error),
            ("counting", counting)]


def _zip(members):
    import io
    import zipfile
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            z.writestr(name, data, zipfile.ZIP_STORED if name == "mimetype" else zipfile.ZIP_DEFLATED)
    return out.getvalue()


def wizard_page_seeds():
    # Byte 0 picks the page: XLS, DBF, XML, TXT, CSV, HTML, XML document, XLSX, DOCX, ODS, ODT.
    for name, data in xls_seeds():
        yield "xls-" + name, b"\x00" + data
        break
    yield "dbf", b"\x01" + dbf_table(0x03, [(b"NAME", "C", 10), (b"N", "N", 6)],
                                      [[cp1256(ALI), b"    12"]])
    for name, data in xmlpacket_seeds():
        yield "xml-" + name, b"\x02" + data[1:]
    yield "txt", b"\x03" + cp1256("P1   " + SALAM + "   1200\r\nP2   x      300\r\n")
    yield "csv", b"\x04" + ("Code,Name\r\n1,\"" + ALI + ", x\"\r\n").encode()
    yield "csv-columns", b"\x04" + b"1" + b"," * 20000 + b"\r\n"
    for name, data in html_seeds():
        yield "html-" + name, b"\x05" + data
    for name, data in xmldoc_seeds():
        yield "xmldoc-" + name, b"\x06" + data.split(b"\n", 1)[1]
    main = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
    pkg = 'xmlns="http://schemas.openxmlformats.org/package/2006/relationships"'
    office = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"

    def xlsx(sheets):
        names = "".join('<sheet name="S%d" sheetId="%d" r:id="rId%d"/>' % (i, i, i)
                        for i in range(1, sheets + 1))
        rels = "".join('<Relationship Id="rId%d" Type="%sworksheet" Target="worksheets/'
                       'sheet1.xml"/>' % (i, office) for i in range(1, sheets + 1))
        return _zip([
            ("_rels/.rels", '<Relationships %s><Relationship Id="rId1" Type="%sofficeDocument" '
                            'Target="xl/workbook.xml"/></Relationships>' % (pkg, office)),
            ("xl/workbook.xml", "<workbook %s %s><sheets>%s</sheets></workbook>" % (main, rel, names)),
            ("xl/_rels/workbook.xml.rels", "<Relationships %s>%s</Relationships>" % (pkg, rels)),
            ("xl/worksheets/sheet1.xml", '<worksheet %s><sheetData><row r="1"><c r="A1" '
                                         't="inlineStr"><is><t>%s</t></is></c></row></sheetData>'
                                         '</worksheet>' % (main, ALI))])
    yield "xlsx", b"\x07" + xlsx(2)
    yield "xlsx-sheets", b"\x07" + xlsx(1200)
    w = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
    table = "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>%s</w:t></w:r></w:p></w:tc></w:tr></w:tbl>" % ALI
    for name, count in (("docx", 2), ("docx-tables", 1200)):
        yield name, b"\x08" + _zip([("word/document.xml", "<w:document %s><w:body>%s</w:body>"
                                                          "</w:document>" % (w, table * count))])
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')
    for byte, kind in ((b"\x09", "spreadsheet"), (b"\x0a", "text")):
        for suffix, count in (("", 2), ("-tables", 1200)):
            tables = "".join('<table:table table:name="T%d"><table:table-row><table:table-cell>'
                             '<text:p>%s</text:p></table:table-cell></table:table-row>'
                             '</table:table>' % (i, ALI) for i in range(count))
            content = ("<office:document-content %s><office:body><office:%s>%s</office:%s>"
                       "</office:body></office:document-content>" % (ns, kind, tables, kind))
            yield ("ods" if kind == "spreadsheet" else "odt") + suffix, byte + _zip([
                ("mimetype", "application/vnd.oasis.opendocument." + kind),
                ("content.xml", content)])


TARGETS = {
    "fuzz_xls": xls_seeds,
    "fuzz_compoundfile": compoundfile_seeds,
    "fuzz_maprange": maprange_seeds,
    "fuzz_zip": zip_seeds,
    "fuzz_html": html_seeds,
    "fuzz_xmlscan": xmlscan_seeds,
    "fuzz_xmlpacket": xmlpacket_seeds,
    "fuzz_dbf": dbf_seeds,
    "fuzz_xmldoc": xmldoc_seeds,
    "fuzz_xlsx": xlsx_seeds,
    "fuzz_xlsx_import": xlsx_import_seeds,
    "fuzz_docx": docx_seeds,
    "fuzz_opendocument": opendocument_seeds,
    "fuzz_codepage": codepage_seeds,
    "fuzz_textfile": textfile_seeds,
    "fuzz_ascii": ascii_seeds,
    "fuzz_template": template_seeds,
    "fuzz_ini": ini_seeds,
    "fuzz_wizard_template": wizard_template_seeds,
    "fuzz_wizard_page": wizard_page_seeds,
    "fuzz_clipboard": clipboard_seeds,
    "fuzz_accesswire": accesswire_seeds,
}


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_seeds.py OUTPUT_FOLDER")
    for target, seeds in TARGETS.items():
        folder = os.path.join(sys.argv[1], target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
