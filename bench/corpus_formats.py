"""Source documents for the quality corpus, one writer's input format each:
an OpenDocument text (zip written by hand), HTML, Markdown for pandoc,
AbiWord's own XML, plain text, and RTF written by hand with pictures in
\\binN form. Every function maps a Document to bytes, deterministically
(fixed zip times, no clock, no randomness).

A Document is a plain description of what the text shows: a title, the
properties, a header and a footer line, and a body of blocks; each block
is ("heading", text), ("para", text), ("link", before, text, url, after),
("note", before, note text, after), ("table", rows), ("bullets", items),
("numbers", items) or ("picture", caption).
"""
import base64
import struct
import zlib
from dataclasses import dataclass, field
from html import escape as html_escape
from xml.sax.saxutils import escape as xml_escape


@dataclass
class Document:
    name: str
    title: str
    author: str
    subject: str
    keywords: str
    header: str
    footer: str
    blocks: list = field(default_factory=list)


def png_bytes(width, height, colour):
    """A true-colour PNG of one colour with a diagonal line, written by
    hand: signature, IHDR, one zlib IDAT, IEND, each chunk with its CRC."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter type None
        for x in range(width):
            rows.extend((0, 0, 0) if x == y else colour)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- HTML

def _html_block(block, picture_name):
    kind = block[0]
    if kind == "heading":
        return "<h1>%s</h1>" % html_escape(block[1])
    if kind == "para":
        return "<p>%s</p>" % html_escape(block[1])
    if kind == "link":
        _, before, text, url, after = block
        return '<p>%s <a href="%s">%s</a> %s</p>' % (
            html_escape(before), html_escape(url), html_escape(text), html_escape(after))
    if kind == "note":
        # Written as LibreOffice writes footnotes to HTML, which its HTML
        # import reads back as a footnote; other readers see a plain anchor.
        _, before, note, after = block
        return ('<p>%s<a class="sdfootnoteanc" name="sdfootnote1anc" href="#sdfootnote1sym">'
                '<sup>1</sup></a> %s</p>' % (html_escape(before), html_escape(after)))
    if kind == "table":
        rows = "".join("<tr>%s</tr>" % "".join("<td>%s</td>" % html_escape(c) for c in row)
                       for row in block[1])
        return '<table border="1">%s</table>' % rows
    if kind in ("bullets", "numbers"):
        tag = "ul" if kind == "bullets" else "ol"
        return "<%s>%s</%s>" % (tag, "".join("<li>%s</li>" % html_escape(i) for i in block[1]), tag)
    if kind == "picture":
        return '<p><img src="%s" width="24" height="24" alt=""> %s</p>' % (
            picture_name, html_escape(block[1]))
    raise ValueError(kind)


def html_document(doc, picture_name, lo_extras):
    """HTML with the title and properties in <head>; with lo_extras the
    header, footer, page-number field and footnote body in LibreOffice's
    own HTML markup."""
    head = ('<meta charset="utf-8"><title>%s</title><meta name="author" content="%s">'
            '<meta name="keywords" content="%s"><meta name="description" content="%s">'
            % tuple(html_escape(v) for v in (doc.title, doc.author, doc.keywords, doc.subject)))
    body = []
    if lo_extras:
        body.append('<div title="header"><p>%s</p></div>' % html_escape(doc.header))
    body.extend(_html_block(b, picture_name) for b in doc.blocks)
    if lo_extras:
        notes = [b for b in doc.blocks if b[0] == "note"]
        for note in notes[:1]:
            body.append('<div id="sdfootnote1"><p><a class="sdfootnotesym" name="sdfootnote1sym" '
                        'href="#sdfootnote1anc">1</a>%s</p></div>' % html_escape(note[2]))
        body.append('<div title="footer"><p>%s <sdfield type=PAGE subtype=RANDOM format=PAGE>1'
                    '</sdfield></p></div>' % html_escape(doc.footer))
    return ("<!DOCTYPE html>\n<html><head>%s</head><body>\n%s\n</body></html>\n"
            % (head, "\n".join(body))).encode("utf-8")


# ---------------------------------------------------------------- Markdown

def _md_escape(text):
    escaped = "".join("\\" + c if c in "\\`*_{}[]<>#+-!|^~$" else c for c in text)
    # "Table:" or ":" opening a paragraph would make it a table's caption.
    if escaped.startswith(("Table:", ":")):
        escaped = "&#%d;" % ord(escaped[0]) + escaped[1:]
    return escaped


def markdown_document(doc, picture_name):
    """Pandoc Markdown: YAML properties, a footnote, a pipe table, lists,
    a link and an image that pandoc embeds in its RTF."""
    def yaml(value):
        return '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')
    out = ["---", "title: " + yaml(doc.title), "author: " + yaml(doc.author),
           "subject: " + yaml(doc.subject), "keywords: [" + yaml(doc.keywords) + "]", "---", ""]
    notes = []
    for block in doc.blocks:
        kind = block[0]
        if kind == "heading":
            out.append("# " + _md_escape(block[1]))
        elif kind == "para":
            out.append(_md_escape(block[1]))
        elif kind == "link":
            _, before, text, url, after = block
            out.append("%s [%s](%s) %s" % (_md_escape(before), _md_escape(text), url, _md_escape(after)))
        elif kind == "note":
            _, before, note, after = block
            notes.append("[^%d]: %s" % (len(notes) + 1, _md_escape(note)))
            out.append("%s[^%d] %s" % (_md_escape(before), len(notes), _md_escape(after)))
        elif kind == "table":
            rows = block[1]
            out.append("| " + " | ".join(_md_escape(c) for c in rows[0]) + " |")
            out.append("|" + "---|" * len(rows[0]))
            out.extend("| " + " | ".join(_md_escape(c) for c in row) + " |" for row in rows[1:])
        elif kind == "bullets":
            out.extend("- " + _md_escape(i) for i in block[1])
        elif kind == "numbers":
            out.extend("%d. %s" % (n + 1, _md_escape(i)) for n, i in enumerate(block[1]))
        elif kind == "picture":
            # The caption as text beside the picture, as in the other
            # formats (pandoc gives an image's own description no text).
            out.append("![](%s) %s" % (picture_name, _md_escape(block[1])))
        out.append("")
    out.extend(notes)
    return ("\n".join(out) + "\n").encode("utf-8")


# ---------------------------------------------------------------- plain text

def text_document(doc):
    lines = []
    for block in doc.blocks:
        kind = block[0]
        if kind in ("heading", "para", "picture"):
            lines.append(block[1])
        elif kind == "link":
            lines.append("%s %s %s" % (block[1], block[2], block[4]))
        elif kind == "note":
            lines.append("%s %s" % (block[1], block[3]))
            lines.append(block[2])
        elif kind == "table":
            lines.extend("\t".join(row) for row in block[1])
        else:
            lines.extend(block[1])
        lines.append("")
    return "\n".join(lines).encode("utf-8")


# ---------------------------------------------------------------- OpenDocument

_ODF_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
           'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
           'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
           'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
           'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
           'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
           'xmlns:xlink="http://www.w3.org/1999/xlink" '
           'xmlns:dc="http://purl.org/dc/elements/1.1/" '
           'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" '
           'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
           'office:version="1.2"')


def _odt_block(block, index):
    x = xml_escape
    kind = block[0]
    if kind == "heading":
        return '<text:h text:outline-level="1">%s</text:h>' % x(block[1])
    if kind == "para":
        return "<text:p>%s</text:p>" % x(block[1])
    if kind == "link":
        _, before, text, url, after = block
        return ('<text:p>%s <text:a xlink:type="simple" xlink:href="%s">%s</text:a> %s</text:p>'
                % (x(before), x(url), x(text), x(after)))
    if kind == "note":
        _, before, note, after = block
        return ('<text:p>%s<text:note text:id="ftn%d" text:note-class="footnote">'
                '<text:note-citation>1</text:note-citation><text:note-body><text:p>%s</text:p>'
                '</text:note-body></text:note> %s</text:p>' % (x(before), index, x(note), x(after)))
    if kind == "table":
        rows = block[1]
        cells = "".join("<table:table-row>%s</table:table-row>" % "".join(
            '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % x(c)
            for c in row) for row in rows)
        return ('<table:table table:name="Table%d"><table:table-column table:number-columns-repeated="%d"/>'
                "%s</table:table>" % (index, len(rows[0]), cells))
    if kind in ("bullets", "numbers"):
        style = "LB" if kind == "bullets" else "LN"
        items = "".join("<text:list-item><text:p>%s</text:p></text:list-item>" % x(i) for i in block[1])
        return '<text:list text:style-name="%s">%s</text:list>' % (style, items)
    if kind == "picture":
        return ('<text:p><draw:frame draw:name="Picture%d" text:anchor-type="as-char" svg:width="0.6cm" '
                'svg:height="0.6cm"><draw:image xlink:href="Pictures/picture.png" xlink:type="simple" '
                'xlink:show="embed" xlink:actuate="onLoad"/></draw:frame> %s</text:p>' % (index, x(block[1])))
    raise ValueError(kind)


def odt_document(doc, picture):
    """An OpenDocument text: properties in meta.xml, header and footer
    (with a page-number field) in the master page, a title field in the
    body, footnotes, a table, lists and an embedded picture."""
    import io
    import zipfile
    x = xml_escape
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content %s>'
               '<office:automatic-styles>'
               '<text:list-style style:name="LB"><text:list-level-style-bullet text:level="1" '
               'text:bullet-char="\u2022"/></text:list-style>'
               '<text:list-style style:name="LN"><text:list-level-style-number text:level="1" '
               'style:num-suffix="." style:num-format="1"/></text:list-style>'
               '</office:automatic-styles><office:body><office:text>'
               '<text:p><text:title>%s</text:title></text:p>%s'
               '</office:text></office:body></office:document-content>'
               % (_ODF_NS, x(doc.title), "".join(_odt_block(b, i) for i, b in enumerate(doc.blocks))))
    styles = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-styles %s>'
              '<office:automatic-styles><style:page-layout style:name="pm1">'
              '<style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm"/>'
              '<style:header-style/><style:footer-style/></style:page-layout></office:automatic-styles>'
              '<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1">'
              '<style:header><text:p>%s</text:p></style:header>'
              '<style:footer><text:p>%s <text:page-number text:select-page="current">1</text:page-number>'
              '</text:p></style:footer></style:master-page></office:master-styles></office:document-styles>'
              % (_ODF_NS, x(doc.header), x(doc.footer)))
    meta = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-meta %s><office:meta>'
            '<dc:title>%s</dc:title><dc:subject>%s</dc:subject><meta:keyword>%s</meta:keyword>'
            '<meta:initial-creator>%s</meta:initial-creator><dc:creator>%s</dc:creator>'
            '<dc:description>Measured corpus document</dc:description>'
            '<meta:creation-date>2024-01-02T03:04:05</meta:creation-date><dc:date>2024-01-02T03:04:05</dc:date>'
            '</office:meta></office:document-meta>'
            % (_ODF_NS, x(doc.title), x(doc.subject), x(doc.keywords), x(doc.author), x(doc.author)))
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n<manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="meta.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="Pictures/picture.png" manifest:media-type="image/png"/>'
                '</manifest:manifest>')
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        def add(name, data, method):
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 4))
            info.compress_type = method
            archive.writestr(info, data)
        add("mimetype", b"application/vnd.oasis.opendocument.text", zipfile.ZIP_STORED)
        add("META-INF/manifest.xml", manifest.encode("utf-8"), zipfile.ZIP_DEFLATED)
        add("content.xml", content.encode("utf-8"), zipfile.ZIP_DEFLATED)
        add("styles.xml", styles.encode("utf-8"), zipfile.ZIP_DEFLATED)
        add("meta.xml", meta.encode("utf-8"), zipfile.ZIP_DEFLATED)
        add("Pictures/picture.png", picture, zipfile.ZIP_STORED)
    return buffer.getvalue()


# ---------------------------------------------------------------- AbiWord

def _abw_block(block, index):
    x = xml_escape
    kind = block[0]
    if kind == "heading":
        return '<p style="Heading 1">%s</p>' % x(block[1])
    if kind == "para":
        return "<p>%s</p>" % x(block[1])
    if kind == "link":
        _, before, text, url, after = block
        return '<p>%s <a xlink:href="%s">%s</a> %s</p>' % (x(before), x(url), x(text), x(after))
    if kind == "note":
        _, before, note, after = block
        return ('<p>%s<field type="footnote_ref" footnote-id="%d"/><foot footnote-id="%d">'
                '<p><field type="footnote_anchor" footnote-id="%d"/>%s</p></foot> %s</p>'
                % (x(before), index, index, index, x(note), x(after)))
    if kind == "table":
        cells = []
        for r, row in enumerate(block[1]):
            for c, text in enumerate(row):
                cells.append('<cell props="bot-attach:%d; left-attach:%d; right-attach:%d; top-attach:%d">'
                             "<p>%s</p></cell>" % (r + 1, c, c + 1, r, x(text)))
        return "<table>%s</table>" % "".join(cells)
    if kind in ("bullets", "numbers"):
        list_id, style = (1, "Bullet List") if kind == "bullets" else (2, "Numbered List")
        # Lists as AbiWord writes them: no list table, each item's
        # paragraph names its list and style.
        return "".join('<p style="Normal" level="1" listid="%d" parentid="0" props="start-value:%d; '
                       'text-indent:-0.3in; list-style:%s; field-font:NULL; margin-left:0.50in">'
                       '<field type="list_label"/><c>\t</c>%s</p>' % (list_id, list_id - 1, style, x(i))
                       for i in block[1])
    if kind == "picture":
        return '<p><image dataid="picture" props="width:0.3in; height:0.3in"/> %s</p>' % x(block[1])
    raise ValueError(kind)


def abw_document(doc, picture):
    """AbiWord's XML: properties in <metadata>, header and footer sections
    (the footer with a page-number field), footnotes, a table, two lists,
    a hyperlink and an embedded picture."""
    x = xml_escape
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<!DOCTYPE abiword PUBLIC "-//ABISOURCE//DTD AWML 1.0 Strict//EN" "http://www.abisource.com/awml.dtd">\n'
            '<abiword template="false" xmlns:fo="http://www.w3.org/1999/XSL/Format" '
            'xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:svg="http://www.w3.org/2000/svg" '
            'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns="http://www.abisource.com/awml.dtd" '
            'xmlns:awml="http://www.abisource.com/awml.dtd" fileformat="1.1" version="3.0.5" '
            'xml:space="preserve" props="dom-dir:ltr; lang:en-US">\n'
            '<metadata><m key="dc.title">%s</m><m key="dc.creator">%s</m><m key="dc.subject">%s</m>'
            '<m key="abiword.keywords">%s</m><m key="dc.description">Measured corpus document</m></metadata>\n'
            '<section header="hdr1" footer="ftr1">%s</section>\n'
            '<section id="hdr1" type="header"><p>%s</p></section>\n'
            '<section id="ftr1" type="footer"><p>%s <field type="page_number"/></p></section>\n'
            '<data><d name="picture" mime-type="image/png" base64="yes">%s</d></data>\n</abiword>\n'
            % (x(doc.title), x(doc.author), x(doc.subject), x(doc.keywords),
               "".join(_abw_block(b, i) for i, b in enumerate(doc.blocks)),
               x(doc.header), x(doc.footer), base64.b64encode(picture).decode("ascii"))).encode("utf-8")


# ---------------------------------------------------------------- RTF by hand

def rtf_text(text):
    """Text as RTF with \\uN for everything outside ASCII (\\uc1, '?' as
    the fallback), characters above U+FFFF as surrogate pairs."""
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\par\n")
        elif ch == "\t":
            out.append("\\tab ")
        elif code < 0x80:
            out.append(ch)
        else:
            units = ch.encode("utf-16-le")
            for i in range(0, len(units), 2):
                unit = int.from_bytes(units[i:i + 2], "little")
                out.append("\\u%d?" % (unit - 65536 if unit > 32767 else unit))
    return "".join(out)


def rtf_with_binary_pictures(doc, picture, raw_tail, twin):
    """RTF whose pictures are raw bytes after \\binN: the PNG followed by
    raw_tail, bytes such as braces, backslashes and zero bytes that a reader
    must take as data (after the PNG's end, since LibreOffice refuses a whole
    document whose picture data does not start as a picture); with twin, in
    \\shppict beside a \\nonshppict twin whose own \\bin data is three
    closing braces. With properties in \\info, a header, a footer with a
    PAGE field, a footnote, a hyperlink field and a table."""
    def ascii(s):
        return s.encode("ascii")
    data = picture + raw_tail
    out = [ascii("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
                 "{\\info{\\title %s}{\\subject %s}{\\author %s}{\\keywords %s}}\n"
                 % (rtf_text(doc.title), rtf_text(doc.subject), rtf_text(doc.author), rtf_text(doc.keywords))),
           ascii("{\\header\\pard %s\\par}\n{\\footer\\pard %s {\\field{\\*\\fldinst PAGE }{\\fldrslt 1}}\\par}\n"
                 % (rtf_text(doc.header), rtf_text(doc.footer)))]
    for block in doc.blocks:
        kind = block[0]
        if kind in ("heading", "para"):
            out.append(ascii("\\pard %s\\par\n" % rtf_text(block[1])))
        elif kind == "link":
            _, before, text, url, after = block
            out.append(ascii('\\pard %s {\\field{\\*\\fldinst HYPERLINK "%s"}{\\fldrslt %s}} %s\\par\n'
                             % (rtf_text(before), url, rtf_text(text), rtf_text(after))))
        elif kind == "note":
            _, before, note, after = block
            out.append(ascii("\\pard %s{\\super\\chftn}{\\*\\footnote\\pard\\plain{\\super\\chftn} %s} %s\\par\n"
                             % (rtf_text(before), rtf_text(note), rtf_text(after))))
        elif kind == "table":
            for row in block[1]:
                out.append(ascii("\\trowd" + "".join("\\cellx%d" % (2000 * (i + 1)) for i in range(len(row)))
                                 + "\\pard\\intbl " + "".join(rtf_text(c) + "\\cell " for c in row) + "\\row\n"))
        elif kind in ("bullets", "numbers"):
            for n, item in enumerate(block[1]):
                label = "\\'95" if kind == "bullets" else "%d." % (n + 1)
                out.append(ascii("{\\listtext %s\\tab}\\pard %s\\par\n" % (label, rtf_text(item))))
        elif kind == "picture":
            pict = ascii("{\\pict\\pngblip\\picw24\\pich24\\bin%d " % len(data)) + data + b"}"
            if twin:
                pict = b"{\\*\\shppict" + pict + b"}{\\nonshppict{\\pict\\wmetafile8\\bin3 }}}}}"
            out.append(b"\\pard " + pict + ascii(" %s\\par\n" % rtf_text(block[1])))
    out.append(b"}\n")
    return b"".join(out)
