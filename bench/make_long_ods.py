#!/usr/bin/python3
"""Writes a long register as an ODS or ODT file, its content in the markup LibreOffice writes
(styled cells, typed numbers, a trailing repeated empty row), fast enough for a million rows.
Usage: make_long_ods.py OUT.ods|OUT.odt ROWS [TABLES] [SETTINGS]
Each of the TABLES tables (default 2) holds ROWS rows of 6 columns; the last one holds 3 rows.
With SETTINGS 1 (the default) a spreadsheet's settings.xml names its sheets, as LibreOffice
writes it."""
import sys
import zipfile

out, rows = sys.argv[1], int(sys.argv[2])
tables = int(sys.argv[3]) if len(sys.argv) > 3 else 2
with_settings = (sys.argv[4] if len(sys.argv) > 4 else "1") == "1"
text = out.endswith(".odt")
kind = "text" if text else "spreadsheet"
NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"')
FIRST = ["علی", "محمد", "زهرا", "فاطمه", "حسین", "مریم", "رضا"]


def number(v):
    return ('<table:table-cell table:style-name="ce1" office:value-type="float" '
            'office:value="%d" calcext:value-type="float"><text:p>%d</text:p></table:table-cell>'
            % (v, v)).replace(' calcext:value-type="float"', '')


def string(v):
    return ('<table:table-cell office:value-type="string"><text:p>%s</text:p>'
            '</table:table-cell>' % v)


def row(i):
    return ('<table:table-row table:style-name="ro1">' + number(100000 + i) +
            string(FIRST[i % len(FIRST)]) + string("کارمند %d" % i) +
            number(10 ** 12 + i * 37) + number(1000 + (i * 7919) % 99000000) +
            string("True" if i % 3 == 0 else "False") + '</table:table-row>')


with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument." + kind)
    if with_settings and not text:
        entries = "".join(
            '<config:config-item-map-entry config:name="Sheet%d"><config:config-item '
            'config:name="CursorPositionX" config:type="int">0</config:config-item>'
            '</config:config-item-map-entry>' % (t + 1) for t in range(tables))
        z.writestr("settings.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><office:document-settings '
                   'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                   'xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0" '
                   'office:version="1.3"><office:settings><config:config-item-set '
                   'config:name="ooo:view-settings"><config:config-item-map-indexed '
                   'config:name="Views"><config:config-item-map-entry><config:config-item '
                   'config:name="ViewId" config:type="string">view1</config:config-item>'
                   '<config:config-item-map-named config:name="Tables">' + entries +
                   '</config:config-item-map-named></config:config-item-map-entry>'
                   '</config:config-item-map-indexed></config:config-item-set>'
                   '</office:settings></office:document-settings>')
    with z.open("content.xml", "w", force_zip64=True) as f:
        f.write(('<?xml version="1.0" encoding="UTF-8"?><office:document-content %s>'
                 '<office:body><office:%s>' % (NS, kind)).encode())
        for t in range(tables):
            n = rows if t < tables - 1 else 3
            f.write(('<table:table table:name="Sheet%d"><table:table-column '
                     'table:number-columns-repeated="6"/>' % (t + 1)).encode())
            chunk = []
            for i in range(n):
                chunk.append(row(i))
                if len(chunk) == 1000:
                    f.write("".join(chunk).encode())
                    chunk = []
            f.write("".join(chunk).encode())
            if not text:
                f.write(b'<table:table-row table:number-rows-repeated="1048000">'
                        b'<table:table-cell table:number-columns-repeated="1024"/>'
                        b'</table:table-row>')
            f.write(b'</table:table>')
        f.write(('</office:%s></office:body></office:document-content>' % kind).encode())
